// Statistics: the minimum/maximum scans, the running statistics and the copy
// with statistics, each beside the scalar loop of its definition and the
// plain read (or memcpy) of the same buffer; for the float scan VOLK's AVX
// index-of-maximum kernel (it finds only the maximum's index).
#include "bench_support.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_32f_index_max_32u.h>
#endif

namespace tq::bench {
namespace {

// call(values, n) on one buffer of T.
template <class T, class Call>
void scan(benchmark::State& state, Call call) {
  Buffer<T> a(state.range(0), 1000.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.data());
    call(a.data(), uint32_t(a.n));
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), sizeof(T));
}
template <class T>
void read(benchmark::State& state) {
  Buffer<T> v(state.range(0));
  for (auto _ : state) streamRead(v.data(), v.n * sizeof(T));
  setCounters(state, state.range(0), sizeof(T));
}

#define TQ_SCAN_ROWS(name, T, ...)                                                                            \
  Row{#name "/tqcalc", [](benchmark::State& s) { scan<T>(s, [](T* a, uint32_t n) { auto f = name; __VA_ARGS__; }); }}, \
  Row{#name "/scalar", [](benchmark::State& s) { scan<T>(s, [](T* a, uint32_t n) { auto f = TQ_SCALAR_LOOP(name); __VA_ARGS__; }); }}, \
  Row{#name "/read", read<T>}

template <class T>
void minMax(void (*f)(const T*, uint32_t, T*, T*), T* a, uint32_t n) {
  T lo, hi;
  f(a, n, &lo, &hi);
  benchmark::DoNotOptimize(lo), benchmark::DoNotOptimize(hi);
}

const bool registered = registerRows({
    TQ_SCAN_ROWS(tqcalcGetMinMax_float, float, minMax<float>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMax_double, double, minMax<double>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMax_int16_t, int16_t, minMax<int16_t>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMax_int32_t, int32_t, minMax<int32_t>(f, a, n)),
#if defined(TQ_HAVE_VOLK)
    Row{"tqcalcGetMinMax_float/volk_avx(index of the maximum only)",
        [](benchmark::State& s) {
          scan<float>(s, [](float* a, uint32_t n) {
            uint32_t at;
            volk_32f_index_max_32u_u_avx(&at, a, n);
            benchmark::DoNotOptimize(at);
          });
        }},
#endif
});

}  // namespace
}  // namespace tq::bench
