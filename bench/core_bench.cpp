// Reductions beside a plain scalar loop of the same definition (same flags:
// no contraction, no fast-math, so the compiler keeps the sequential double
// sum), the plain-read baseline, and VOLK's AVX kernels where one is close.
// VOLK's kernels accumulate in float: faster in principle, less exact.
#include "bench_support.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_32f_accumulator_s32f.h>
#include <volk/volk_32f_x2_dot_prod_32f.h>
#endif

namespace tq::bench {
namespace {

template <class T, double (*kernel)(const T*, uint32_t)>
void ours(benchmark::State& state) {
  Buffer<T> v(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(kernel(v.data(), uint32_t(v.n)));
  setCounters(state, state.range(0), sizeof(T));
}

void dotOurs(benchmark::State& state) {
  Buffer<float> a(state.range(0)), b(state.range(0), 2.0);
  for (auto _ : state)
    benchmark::DoNotOptimize(tqcalcMultiplyVectorsAndCalcSum_float(a.data(), b.data(), uint32_t(a.n)));
  setCounters(state, state.range(0), 2 * sizeof(float));
}

// The scalar loops: the definitions, one element at a time.
template <class T, class Term>
double scalarSum(const T* v, uint32_t n, Term term) {
  double sum = 0.0;
  for (uint32_t i = 0; i < n; ++i) sum += term(double(v[i]));
  return sum;
}
template <class T, int kind>
void scalar(benchmark::State& state) {
  Buffer<T> v(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(v.data());
    double r = kind == 0   ? scalarSum(v.data(), uint32_t(v.n), [](double x) { return x; })
               : kind == 1 ? scalarSum(v.data(), uint32_t(v.n), [](double x) { return x < 0 ? -x : x; })
                           : scalarSum(v.data(), uint32_t(v.n), [](double x) { return x * x; });
    benchmark::DoNotOptimize(r);
  }
  setCounters(state, state.range(0), sizeof(T));
}
void dotScalar(benchmark::State& state) {
  Buffer<float> a(state.range(0)), b(state.range(0), 2.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.data());
    double sum = 0.0;
    for (std::size_t i = 0; i < a.n; ++i) sum += double(a.p[i]) * double(b.p[i]);
    benchmark::DoNotOptimize(sum);
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
}

template <class T, int arrays>
void readBaseline(benchmark::State& state) {
  Buffer<T> v(state.range(0) * arrays);
  for (auto _ : state) streamRead(v.data(), v.n * sizeof(T));
  setCounters(state, state.range(0), arrays * sizeof(T));
}

#if defined(TQ_HAVE_VOLK)
void volkAccumulator(benchmark::State& state) {
  Buffer<float> v(state.range(0));
  float result;
  for (auto _ : state) {
    volk_32f_accumulator_s32f_u_avx(&result, v.data(), unsigned(v.n));
    benchmark::DoNotOptimize(result);
  }
  setCounters(state, state.range(0), sizeof(float));
}
void volkDot(benchmark::State& state) {
  Buffer<float> a(state.range(0)), b(state.range(0), 2.0);
  float result;
  for (auto _ : state) {
    volk_32f_x2_dot_prod_32f_u_avx(&result, a.data(), b.data(), unsigned(a.n));
    benchmark::DoNotOptimize(result);
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
}
BENCHMARK(volkAccumulator)->Name("SumValues_float/volk_avx(float accumulator)")->Apply(sizes);
BENCHMARK(volkDot)->Name("MultiplyVectorsAndCalcSum_float/volk_avx(float accumulator)")->Apply(sizes);
#endif

BENCHMARK(ours<double, tqcalcSumValues_double>)->Name("SumValues_double/tqcalc")->Apply(sizes);
BENCHMARK(scalar<double, 0>)->Name("SumValues_double/scalar")->Apply(sizes);
BENCHMARK(readBaseline<double, 1>)->Name("SumValues_double/read")->Apply(sizes);
BENCHMARK(ours<float, tqcalcSumValues_float>)->Name("SumValues_float/tqcalc")->Apply(sizes);
BENCHMARK(scalar<float, 0>)->Name("SumValues_float/scalar")->Apply(sizes);
BENCHMARK(readBaseline<float, 1>)->Name("SumValues_float/read")->Apply(sizes);
BENCHMARK(ours<float, tqcalcSumAbsValues_float>)->Name("SumAbsValues_float/tqcalc")->Apply(sizes);
BENCHMARK(scalar<float, 1>)->Name("SumAbsValues_float/scalar")->Apply(sizes);
BENCHMARK(ours<float, tqcalcSumSquaredValues_float>)->Name("SumSquaredValues_float/tqcalc")->Apply(sizes);
BENCHMARK(scalar<float, 2>)->Name("SumSquaredValues_float/scalar")->Apply(sizes);
BENCHMARK(dotOurs)->Name("MultiplyVectorsAndCalcSum_float/tqcalc")->Apply(sizes);
BENCHMARK(dotScalar)->Name("MultiplyVectorsAndCalcSum_float/scalar")->Apply(sizes);
BENCHMARK(readBaseline<float, 2>)->Name("MultiplyVectorsAndCalcSum_float/read")->Apply(sizes);

}  // namespace
}  // namespace tq::bench

