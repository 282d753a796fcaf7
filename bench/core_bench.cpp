// Reductions beside the scalar loop of their definition, the plain read of
// the same buffers, and VOLK's AVX kernels where one does a similar job (with
// a float accumulator instead of double: the row says so).
#include "bench_support.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_32f_accumulator_s32f.h>
#include <volk/volk_32f_x2_dot_prod_32f.h>
#endif

namespace tq::bench {
namespace {

// One reduction over `arrays` buffers of T; `call(a, b, n)` returns its value.
template <class T, int arrays, class Call>
void reduction(benchmark::State& state, Call call) {
  Buffer<T> a(state.range(0)), b(state.range(0), 2.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(call(a.data(), b.data(), uint32_t(a.n)));
  }
  setCounters(state, state.range(0), arrays * sizeof(T));
}
template <class T, int arrays>
void read(benchmark::State& state) {
  Buffer<T> v(state.range(0) * arrays);
  for (auto _ : state) streamRead(v.data(), v.n * sizeof(T));
  setCounters(state, state.range(0), arrays * sizeof(T));
}

// The export and its scalar loop, from the same call.
#define TQ_REDUCTION_ROWS(name, T, arrays, ...)                                                                    \
  Row{#name "/tqcalc",                                                                                             \
      [](benchmark::State& s) { reduction<T, arrays>(s, [](auto* a, [[maybe_unused]] auto* b, uint32_t n) { auto f = tqcalc##name; return __VA_ARGS__; }); }}, \
  Row{#name "/scalar",                                                                                             \
      [](benchmark::State& s) { reduction<T, arrays>(s, [](auto* a, [[maybe_unused]] auto* b, uint32_t n) { auto f = TQ_SCALAR_LOOP(tqcalc##name); return __VA_ARGS__; }); }}

const bool registered = registerRows({
    TQ_REDUCTION_ROWS(SumValues_double, double, 1, f(a, n)),
    {"SumValues_double/read", read<double, 1>},
    TQ_REDUCTION_ROWS(SumValues_float, float, 1, f(a, n)),
    {"SumValues_float/read", read<float, 1>},
    TQ_REDUCTION_ROWS(SumAbsValues_float, float, 1, f(a, n)),
    TQ_REDUCTION_ROWS(SumSquaredValues_float, float, 1, f(a, n)),
    TQ_REDUCTION_ROWS(MultiplyVectorsAndCalcSum_float, float, 2, f(a, b, n)),
    {"MultiplyVectorsAndCalcSum_float/read", read<float, 2>},
#if defined(TQ_HAVE_VOLK)
    {"SumValues_float/volk_avx(float accumulator)",
     [](benchmark::State& s) {
       reduction<float, 1>(s, [](float* a, float*, uint32_t n) {
         float r;
         volk_32f_accumulator_s32f_u_avx(&r, a, n);
         return r;
       });
     }},
    {"MultiplyVectorsAndCalcSum_float/volk_avx(float accumulator)",
     [](benchmark::State& s) {
       reduction<float, 2>(s, [](float* a, float* b, uint32_t n) {
         float r;
         volk_32f_x2_dot_prod_32f_u_avx(&r, a, b, n);
         return r;
       });
     }},
#endif
});

}  // namespace
}  // namespace tq::bench
