// Power analysis beside the scalar loop of each definition, the plain read
// of the same buffers (the roof of a reduction at DRAM size) and VOLK's AVX
// kernels where one does a similar job (the row says how it differs).
#include "bench_support.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_complex.h>
#include <volk/volk_32fc_x2_conjugate_dot_prod_32fc.h>
#endif

namespace tq::bench {
namespace {

// A kernel over `arrays` buffers of `perElement` floats each, elements =
// state.range(0); `call(a, b, c, n)` returns something to keep.
template <int arrays, int perElement, class Call>
void kernel(benchmark::State& state, Call call) {
  const auto n = std::size_t(state.range(0));
  Buffer<float> a(n * perElement), b(n * perElement, 2.0), c(n * perElement, 3.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(call(a.data(), b.data(), c.data(), uint32_t(n)));
  }
  setCounters(state, state.range(0), arrays * perElement * sizeof(float));
}
template <int arrays, int perElement>
void read(benchmark::State& state) {
  Buffer<float> v(std::size_t(state.range(0)) * arrays * perElement);
  for (auto _ : state) streamRead(v.data(), v.n * sizeof(float));
  setCounters(state, state.range(0), arrays * perElement * sizeof(float));
}

// The export and its scalar loop from one call expression over a, b, c, n.
#define TQ_POWER_ROWS(name, arrays, perElement, ...)                                                           \
  Row{#name "/tqcalc", [](benchmark::State& s) {                                                               \
        kernel<arrays, perElement>(s, []([[maybe_unused]] float* a, [[maybe_unused]] float* b,                 \
                                         [[maybe_unused]] float* c, uint32_t n) { auto f = name; return __VA_ARGS__; }); \
      }},                                                                                                      \
  Row{#name "/scalar", [](benchmark::State& s) {                                                               \
        kernel<arrays, perElement>(s, []([[maybe_unused]] float* a, [[maybe_unused]] float* b,                 \
                                         [[maybe_unused]] float* c, uint32_t n) { auto f = TQ_SCALAR_LOOP(name); return __VA_ARGS__; }); \
      }}

double pq(void (*f)(const float*, const float*, int32_t, double*, double*), const float* u, const float* i,
          uint32_t n) {
  double p, q;
  f(u, i, int32_t(n), &p, &q);
  return p + q;
}

template <class F>
double energy(F* f, const float* u, const float* i, uint32_t n) {
  double pos, neg;
  f(u, i, int32_t(n), &pos, &neg);
  return pos + neg;
}
template <class F>
double energyOnCondition(F* f, const float* u, const float* i, const float* c, uint32_t n) {
  double pos, neg;
  f(u, i, c, int32_t(n), &pos, &neg);
  return pos + neg;
}

// One FIR step at every position of a ring of n samples (sets from b).
template <class F>
float firSweep(F* f, const float* ring, const float* sets, uint32_t n) {
  float sum = 0;
  for (uint32_t position = 0; position < n; ++position) {
    const PowerFirParams r{ring, sets, position, position & 3, n};
    sum += f(&r);
  }
  return sum;
}

// An array kernel on inputs spread over [-0.25, scale - 0.25).
template <class Call>
void arrayKernel(benchmark::State& state, double scale, Call call) {
  const auto n = std::size_t(state.range(0));
  Buffer<float> in(n, scale), out(n);
  for (auto _ : state) {
    call(in.data(), out.data(), uint32_t(n));
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
}
#define TQ_TRIG_ROWS(name, scale)                                                                              \
  Row{#name "/tqcalc", [](benchmark::State& s) { arrayKernel(s, scale, name); }},                             \
  Row{#name "/scalar", [](benchmark::State& s) { arrayKernel(s, scale, TQ_SCALAR_LOOP(name)); }}

const bool registered = registerRows({
    TQ_POWER_ROWS(tqcalcPowerPandQsum, 2, 2, pq(f, a, b, n)),
    {"tqcalcPowerPandQsum/read", read<2, 2>},
#if defined(TQ_HAVE_VOLK)
    {"tqcalcPowerPandQsum/volk_avx(float accumulator, full weights)",
     [](benchmark::State& s) {
       kernel<2, 2>(s, [](float* a, float* b, float*, uint32_t n) {
         lv_32fc_t r;
         volk_32fc_x2_conjugate_dot_prod_32fc_u_avx(&r, reinterpret_cast<const lv_32fc_t*>(a),
                                                    reinterpret_cast<const lv_32fc_t*>(b), n);
         return lv_creal(r);
       });
     }},
#endif
    TQ_POWER_ROWS(tqcalcPowerMultiplyAndSquareElementsAndSumVector_float, 1, 1, f(a, int32_t(n), 0.5f)),
    TQ_POWER_ROWS(tqcalcPowerCalculatePosAndNegEnergy, 2, 1, energy(f, a, b, n)),
    {"tqcalcPowerCalculatePosAndNegEnergy/read", read<2, 1>},
    TQ_POWER_ROWS(tqcalcPowerCalculatePosAndNegEnergyOnCondition, 3, 1, energyOnCondition(f, a, b, c, n)),
    // Orders at one bin each: count - 2 of them fit the spectrum.
    TQ_POWER_ROWS(tqcalcPowerAngles, 2, 2, (f(a, b, int32_t(n) - 2, 5.0f, 1.0f), b[1])),
    TQ_POWER_ROWS(tqcalcPowerFindIndexOfMaxAmplitude, 1, 2, f(a, n)),
    TQ_POWER_ROWS(tqcalcPowerHarmonicZero, 1, 2, f(a, n)),
    TQ_POWER_ROWS(tqcalcPowerCalcFIR_float, 1, 1, firSweep(f, a, b, n)),
    TQ_TRIG_ROWS(tqcalcSin_float, 100.0),
    TQ_TRIG_ROWS(tqcalcATan_float, 4.0),
});

}  // namespace
}  // namespace tq::bench
