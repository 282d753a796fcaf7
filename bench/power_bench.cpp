// Power analysis beside the scalar loop of each definition, the plain read
// of the same buffers (the roof of a reduction at DRAM size) and VOLK's AVX
// kernels where one does a similar job (the row says how it differs).
#include <cmath>

#include "bench_support.h"
#include "support/flicker_state.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_complex.h>
#include <volk/volk_32fc_x2_conjugate_dot_prod_32fc.h>
#endif
#if defined(TQ_HAVE_SLEEF)
#include <sleef.h>

#include "simd/lanes.h"
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

template <class F>
double pq(F* f, const float* u, const float* i, uint32_t n) {
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

#if defined(TQ_HAVE_SLEEF)
// SLEEF's eight-lane AVX function over the array (counts are multiples of 8).
#define TQ_SLEEF_ROW(name, sleef, scale)                                                                 \
  Row{#name "/sleef(" #sleef ")", [](benchmark::State& s) {                                              \
        arrayKernel(s, scale, [](const float* in, float* out, uint32_t n) {                              \
          for (uint32_t i = 0; i < n; i += 8)                                                            \
            simd::store(out + i, simd::F32x8{sleef(simd::load<simd::F32x8>(in + i).v)});                 \
        });                                                                                              \
      }}
#endif

// Unbalance over n elements of mains-like phasors (magnitudes from a, angles
// near 0, 120, 240 degrees).
struct UnbalanceInput {
  explicit UnbalanceInput(std::size_t n) : m(n, 1000.0), a1(n, 2.0), a2(n, 2.0), a3(n, 2.0) {
    for (std::size_t i = 0; i < n; ++i) a2.p[i] += 120, a3.p[i] += 240;
  }
  PowerUnbalanceParams params(uint32_t n) {
    return {m.p, m.p, m.p, a1.p, a2.p, a3.p, out, out + 1, out + 2, out + 3, out + 4, out + 5, out + 6, out + 7,
            out + 9, out + 11, n};
  }
  Buffer<float> m, a1, a2, a3;
  float out[13];
};
template <class Call>
void unbalanceRow(benchmark::State& state, Call call) {
  const auto n = std::size_t(state.range(0));
  UnbalanceInput in(n);
  const PowerUnbalanceParams p = in.params(uint32_t(n));
  for (auto _ : state) {
    call(&p);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 6 * sizeof(float));
}
// The same sums of squares, every element in double with the C library.
__attribute__((noipa)) void unbalanceAllDouble(const PowerUnbalanceParams* p) {
  const double turn[3][2] = {{0, 0}, {120, 240}, {240, 120}}, radians = 0.017453292519943295;
  double sums[3] = {0, 0, 0};
  for (uint32_t i = 0; i < p->count; ++i)
    for (int s = 0; s < 3; ++s) {
      const double a1 = p->angle1[i] * radians, a2 = (p->angle2[i] - turn[s][0]) * radians,
                   a3 = (p->angle3[i] - turn[s][1]) * radians;
      const double re = p->magnitude1[i] * std::cos(a1) + p->magnitude2[i] * std::cos(a2) + p->magnitude3[i] * std::cos(a3);
      const double im = p->magnitude1[i] * std::sin(a1) + p->magnitude2[i] * std::sin(a2) + p->magnitude3[i] * std::sin(a3);
      sums[s] += re * re + im * im;
    }
  *p->zeroSequence = float(std::sqrt(sums[0]) / 3), *p->positiveSequence = float(std::sqrt(sums[1]) / 3);
  *p->negativeSequence = float(std::sqrt(sums[2]) / 3);
}

// The flickermeter at 2 kHz over n samples, the state running on from
// block to block as a host's would; besides elem/ns, how many channels of
// 10 kS/s one core keeps up with.
template <class Call>
void flickerRow(benchmark::State& state, Call call) {
  const auto n = std::size_t(state.range(0));
  Buffer<float> in(n, 1.5), out(n);
  double h[tq::test::kFlickerHistories] = {};
  PowerFlickerState s = tq::test::flickerState(h, tq::test::kFlicker2kHz);
  s.highPassIn[0] = -9999999.0;
  for (auto _ : state) {
    call(&s, in.data(), out.data(), uint32_t(n));
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
  state.counters["channels@10kS/s"] = benchmark::Counter(double(state.iterations()) * double(n) / 1e4, benchmark::Counter::kIsRate);
}

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
#if defined(TQ_HAVE_SLEEF)
    TQ_SLEEF_ROW(tqcalcSin_float, Sleef_sinf8_u35avx, 100.0),
    TQ_SLEEF_ROW(tqcalcATan_float, Sleef_atanf8_u35avx, 4.0),
#endif
    {"tqcalcPowerFlicker/tqcalc", [](benchmark::State& s) { flickerRow(s, tqcalcPowerFlicker); }},
    {"tqcalcPowerFlicker/scalar", [](benchmark::State& s) { flickerRow(s, TQ_SCALAR_LOOP(tqcalcPowerFlicker)); }},
    {"tqcalcPowerUnbalance/tqcalc", [](benchmark::State& s) { unbalanceRow(s, tqcalcPowerUnbalance); }},
    {"tqcalcPowerUnbalance/scalar", [](benchmark::State& s) { unbalanceRow(s, TQ_SCALAR_LOOP(tqcalcPowerUnbalance)); }},
    {"tqcalcPowerUnbalance/all-double", [](benchmark::State& s) { unbalanceRow(s, unbalanceAllDouble); }},
});

}  // namespace
}  // namespace tq::bench
