// p-V diagram coordinates beside the scalar loop of their definition, and the
// fast logarithm's lane forms beside its scalar form. VOLK's
// volk_32f_log2_32f has no plain-AVX kernel (only AVX2 and AVX2+FMA ones,
// which this build cannot use), so it has no row.
#include "bench_support.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

// Pressures between 0.25 and about 10: both axes and every branch of the
// rounding see realistic values. `call(values, coordinates, n)`.
template <class Out, class Call>
void pressures(benchmark::State& state, Call call) {
  Buffer<float> values(state.range(0), 10.0);
  for (std::size_t i = 0; i < values.n; ++i) values.p[i] += 0.5f;
  Buffer<Out> out(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(values.data());
    call(values.data(), out.data(), uint32_t(values.n));
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), sizeof(float) + sizeof(Out));
}
#define TQ_PV_ROWS(name, ...)                                                                                          \
  Row{#name "/tqcalc", [](benchmark::State& s) { pressures<int32_t>(s, [](float* v, int32_t* c, uint32_t n) { auto f = name; __VA_ARGS__; }); }}, \
  Row{#name "/scalar", [](benchmark::State& s) { pressures<int32_t>(s, [](float* v, int32_t* c, uint32_t n) { auto f = TQ_SCALAR_LOOP(name); __VA_ARGS__; }); }}

const bool registered = registerRows({
    TQ_PV_ROWS(tqcalcCAPV_lin, f(v, n, c, -1000, 1000, 100.0f, 50.0f)),
    TQ_PV_ROWS(tqcalcCAPV_log, f(v, n, c, -1000, 1000, 100.0f, 50.0f, 10.0f)),
    {"CAPV/copy", [](benchmark::State& s) { pressures<float>(s, [](float* v, float* c, uint32_t n) { streamCopy(c, v, n * 4); }); }},
    // The fast logarithm over an array: eight lanes, four lanes, scalar form.
    {"FastLog10/eight_lanes", [](benchmark::State& s) { pressures<float>(s, [](float* v, float* r, uint32_t n) {
       for (uint32_t i = 0; i < n; i += 8) simd::store(r + i, fastLog10Lanes(simd::load<simd::F32x8>(v + i)));
     }); }},
    {"FastLog10/four_lanes", [](benchmark::State& s) { pressures<float>(s, [](float* v, float* r, uint32_t n) {
       for (uint32_t i = 0; i < n; i += 4) simd::store(r + i, fastLog10Lanes(simd::load<simd::F32x4>(v + i)));
     }); }},
    {"FastLog10/scalar", [](benchmark::State& s) { pressures<float>(s, [](float* v, float* r, uint32_t n) {
       for (uint32_t i = 0; i < n; ++i) r[i] = fastLog10(v[i]);
     }); }},
});

}  // namespace
}  // namespace tq::bench
