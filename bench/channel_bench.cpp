// Channel family beside the scalar loops of its definitions: scaled values
// (int16 samples into float, the common acquisition case); the FIR filter at
// 64 and 1024 taps with the ring position advancing by one per output, beside
// VOLK's AVX dot product run on the same two pieces (elem/ns: taps per ns);
// the IIR block form over 4096 samples (1/elem/ns: ns per sample) with 1 and
// 3 second-order sections and one general section of order 4 and 8, beside
// the single-sample entry and the scalar loop of the definition; the CHS
// interpolator in blocks of 1024 into a ring of 4096 at ratios 4 and 0.91875
// (elem/ns: outputs per ns; the range argument is 100000 x the ratio), beside
// the definition run one output at a time.
#include "bench_support.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_32f_x2_dot_prod_32f.h>
#endif

namespace tq::bench {
namespace {

template <class F>
void scaledInt16(benchmark::State& state, F f) {
  const auto n = int32_t(state.range(0));
  Buffer<int16_t> in(std::size_t(n), 1000.0);
  Buffer<float> out{std::size_t(n)};
  const ScaledValuesParamsFloat p{in.data(), out.data(), 0.001f, -0.5f, n, ChannelSampleInt16, 1};
  for (auto _ : state) {
    f(&p);
    benchmark::ClobberMemory();
  }
  setCounters(state, n, 6);
}

template <class Fir>
void fir(benchmark::State& state, Fir f) {
  const auto taps = int32_t(state.range(0));
  Buffer<float> history{std::size_t(taps)}, coefficients{std::size_t(taps), 0.01};
  int32_t position = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(history.data());
    benchmark::DoNotOptimize(f(history.data(), coefficients.data(), taps, position));
    position = position + 1 == taps ? 0 : position + 1;
  }
  setCounters(state, taps, 8);
}
void firTaps(benchmark::internal::Benchmark* b) { b->Arg(64)->Arg(1024); }
#if defined(TQ_HAVE_VOLK)
double volkTwoPieces(const float* h, const float* c, int32_t length, int32_t position) {
  float first = 0.0f, second = 0.0f;
  volk_32f_x2_dot_prod_32f_u_avx(&first, h + position, c, unsigned(length - position));
  if (position > 0) volk_32f_x2_dot_prod_32f_u_avx(&second, h, c + (length - position), unsigned(position));
  return double(first + second);
}
#endif

// One noise channel, one call per sample over a block of white samples.
template <class Pink>
void pink(benchmark::State& state, Pink f) {
  const auto n = std::size_t(state.range(0));
  Buffer<double> white{n};
  PinkFilterState s{};
  for (auto _ : state) {
    double last = 0.0;
    for (std::size_t i = 0; i < n; ++i) last = f(&s, white.p[i]);
    benchmark::DoNotOptimize(last);
  }
  setCounters(state, std::int64_t(n), 8);
}
void block4096(benchmark::internal::Benchmark* b) { b->Arg(4096); }

// A stable cascade: sections of poles at radius 0.9, the general section's
// feedback taps small.
struct Iir {
  Iir(int32_t sections, int32_t order) : taps(std::size_t(sections) * std::size_t(order + 1)), gains(std::size_t(sections), 0.5) {
    for (std::size_t i = 0; i < taps.size(); ++i) taps[i] = {0, 0, 0.2, i % std::size_t(order + 1) == std::size_t(order) ? 0 : 0.05};
    if (order == 2)
      for (std::size_t s = 0; s < std::size_t(sections); ++s) taps[3 * s + 1].a = -1.2, taps[3 * s].a = 0.81;
    state = {0, sections, order, 0, gains.data(), taps.data()};
  }
  std::vector<IIRTap> taps;
  std::vector<double> gains;
  IIRFilterState state;
};
template <class Block>
void iir(benchmark::State& state, Block block) {
  Iir f(int32_t(state.range(0)), int32_t(state.range(1)));
  const std::size_t n = 4096;
  Buffer<float> in{n}, out{n};
  for (auto _ : state) {
    block(&f.state, in.data(), out.data(), uint32_t(n));
    benchmark::ClobberMemory();
  }
  setCounters(state, std::int64_t(n), 8);
}
template <class Single>
auto singles(Single single) {
  return [single](IIRFilterState* s, const float* in, float* out, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) out[i] = float(single(s, in[i]));
  };
}
void cascades(benchmark::internal::Benchmark* b) { b->Args({1, 2})->Args({3, 2})->Args({1, 4})->Args({1, 8}); }

// Both objects restart every 2^20 inputs (the definition keeps its stream).
template <class Create, class Interpolate, class Reset, class Destroy>
void chs(benchmark::State& state, Create create, Interpolate interpolate, Reset reset, Destroy destroy) {
  const double ratio = double(state.range(0)) / 100000;
  const CHSInterpolatorParams params{1000.0, 1000.0 * ratio, 4096};
  CHSInterpolator* h = nullptr;
  create(&h, &params);
  Buffer<float> in{1024};
  uint64_t outputs = 0, inputs = 0;
  for (auto _ : state) {
    float* out;
    uint32_t count;
    interpolate(h, in.data(), 1024u, &out, &count);
    benchmark::DoNotOptimize(out);
    outputs += count;
    if ((inputs += 1024) % (1u << 20) == 0) reset(h);
  }
  destroy(h);
  state.counters["elem/ns"] = benchmark::Counter(double(outputs) / 1e9, benchmark::Counter::kIsRate);
}
void ratios(benchmark::internal::Benchmark* b) { b->Arg(400000)->Arg(91875); }

const bool registered = registerRows({
    Row{"ChannelGetScaledValuesAtPos_float_int16/tqcalc",
        [](benchmark::State& s) { scaledInt16(s, tqcalcChannelGetScaledValuesAtPos_float); }},
    Row{"ChannelGetScaledValuesAtPos_float_int16/scalar",
        [](benchmark::State& s) { scaledInt16(s, TQ_SCALAR_LOOP(tqcalcChannelGetScaledValuesAtPos_float)); }},
    Row{"FIRFilter_float/tqcalc", [](benchmark::State& s) { fir(s, tqcalcFIRFilter_float); }, firTaps},
    Row{"FIRFilter_float/scalar", [](benchmark::State& s) { fir(s, TQ_SCALAR_LOOP(tqcalcFIRFilter_float)); }, firTaps},
#if defined(TQ_HAVE_VOLK)
    Row{"FIRFilter_float/volk_avx(dot product per piece)", [](benchmark::State& s) { fir(s, volkTwoPieces); }, firTaps},
#endif
    Row{"PinkFilter_double/tqcalc", [](benchmark::State& s) { pink(s, tqcalcPinkFilter_double); }, block4096},
    Row{"PinkFilter_double/scalar", [](benchmark::State& s) { pink(s, TQ_SCALAR_LOOP(tqcalcPinkFilter_double)); }, block4096},
    Row{"IIRFilterArr_float/tqcalc", [](benchmark::State& s) { iir(s, tqcalcIIRFilterArr_float); }, cascades},
    Row{"IIRFilterArr_float/single_calls", [](benchmark::State& s) { iir(s, singles(tqcalcIIRFilter_float)); }, cascades},
    Row{"IIRFilterArr_float/scalar", [](benchmark::State& s) { iir(s, TQ_SCALAR_LOOP(tqcalcIIRFilterArr_float)); }, cascades},
    Row{"CHSInterpolator_InterpolateValues/tqcalc",
        [](benchmark::State& s) {
          chs(s, tqcalcCHSInterpolator_Create, tqcalcCHSInterpolator_InterpolateValues, tqcalcCHSInterpolator_Reset,
              tqcalcCHSInterpolator_Destroy);
        }, ratios},
    Row{"CHSInterpolator_InterpolateValues/scalar",
        [](benchmark::State& s) {
          chs(s, ref::tqcalcCHSInterpolator_Create, TQ_SCALAR_LOOP(tqcalcCHSInterpolator_InterpolateValues),
              ref::tqcalcCHSInterpolator_Reset, ref::tqcalcCHSInterpolator_Destroy);
        }, ratios},
});

}  // namespace
}  // namespace tq::bench
