// p-V diagram coordinates beside a plain loop of the per-element definition
// (the sequential rules: float reciprocal, scalar logarithm scaled in double,
// halves away from zero, clamp), and the fast logarithm's lane forms beside
// its scalar form. VOLK's volk_32f_log2_32f has no plain-AVX kernel (only
// AVX2 and AVX2+FMA ones, which this build cannot use), so it has no row.
#include <cmath>

#include "bench_support.h"
#include "core/fast_log10.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

constexpr float kScale = 100.0f, kOffset = 50.0f, kReference = 10.0f;
constexpr int32_t kMin = -1000, kMax = 1000;

// A ramp of pressures between 0.25 and about 10: both axes and every branch
// of the rounding see realistic values.
struct Pressures : Buffer<float> {
  explicit Pressures(std::size_t n) : Buffer<float>(n, 10.0) {
    for (std::size_t i = 0; i < n; ++i) p[i] += 0.5f;
  }
};

template <bool logarithmic>
void ours(benchmark::State& state) {
  Pressures values(state.range(0));
  Buffer<int32_t> coordinates(state.range(0));
  const uint32_t n = uint32_t(values.n);
  for (auto _ : state) {
    if (logarithmic)
      tqcalcCAPV_log(values.data(), n, coordinates.data(), kMin, kMax, kScale, kOffset, kReference);
    else
      tqcalcCAPV_lin(values.data(), n, coordinates.data(), kMin, kMax, kScale, kOffset);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), sizeof(float) + sizeof(int32_t));
}

inline int32_t roundAwayAndClamp(float v) {
  const float w = v < 0 ? v - 0.5f : v + 0.5f;
  int32_t c = std::isnan(w) || w <= -2147483648.0f ? INT32_MIN : w >= 2147483648.0f ? INT32_MAX : int32_t(w);
  c = c < kMin ? kMin : c;
  return c > kMax ? kMax : c;
}

template <bool logarithmic>
void scalar(benchmark::State& state) {
  Pressures values(state.range(0));
  Buffer<int32_t> coordinates(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(values.data());
    const float reciprocal = 1.0f / kReference;
    for (std::size_t i = 0; i < values.n; ++i) {
      float v;
      if (logarithmic) {
        float t = reciprocal * values.p[i];
        t = t > 9.999999717180685e-10f ? t : 9.999999717180685e-10f;
        v = float(double(fastLog10(t)) * double(kScale) + double(kOffset));
      } else {
        v = kScale * values.p[i] + kOffset;
      }
      coordinates.p[i] = roundAwayAndClamp(v);
    }
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), sizeof(float) + sizeof(int32_t));
}

// The fast logarithm over an array: eight lanes, four lanes, scalar form.
template <int lanes>
void fastLog(benchmark::State& state) {
  Pressures values(state.range(0));
  Buffer<float> results(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(values.data());
    for (std::size_t i = 0; i < values.n; i += lanes) {
      if constexpr (lanes == 8)
        simd::store(results.p + i, fastLog10Lanes(simd::load<simd::F32x8>(values.p + i)));
      else if constexpr (lanes == 4)
        simd::store(results.p + i, fastLog10Lanes(simd::load<simd::F32x4>(values.p + i)));
      else
        results.p[i] = fastLog10(values.p[i]);
    }
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
}

void copyBaseline(benchmark::State& state) {
  Buffer<float> from(state.range(0)), to(state.range(0));
  for (auto _ : state) streamCopy(to.data(), from.data(), from.n * sizeof(float));
  setCounters(state, state.range(0), 2 * sizeof(float));
}

BENCHMARK(ours<false>)->Name("CAPV_lin/tqcalc")->Apply(sizes);
BENCHMARK(scalar<false>)->Name("CAPV_lin/scalar")->Apply(sizes);
BENCHMARK(ours<true>)->Name("CAPV_log/tqcalc")->Apply(sizes);
BENCHMARK(scalar<true>)->Name("CAPV_log/scalar")->Apply(sizes);
BENCHMARK(copyBaseline)->Name("CAPV/copy")->Apply(sizes);
BENCHMARK(fastLog<8>)->Name("FastLog10/eight_lanes")->Apply(sizes);
BENCHMARK(fastLog<4>)->Name("FastLog10/four_lanes")->Apply(sizes);
BENCHMARK(fastLog<1>)->Name("FastLog10/scalar")->Apply(sizes);

}  // namespace
}  // namespace tq::bench
