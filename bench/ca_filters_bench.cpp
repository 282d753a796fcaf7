// Crank-angle and averaging filters beside the scalar loops of their
// definitions.
//
// The crank-angle filter computes one output from a window of `size` taps,
// with a plain coefficient table (stride 1) and an interleaved one (stride 3,
// gathered). The averaging filter runs over a whole signal of `size` samples
// at W = 51, beside its sequential export (`_scalar`), the scalar loop of the
// general form's definition and the copy baseline; at W = 5, 51 and 501 it
// shows that the cost does not grow with the width.
#include "bench_support.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

template <class T, uint32_t stride, class Filter>
void caFilter(benchmark::State& state, Filter filter) {
  const auto taps = uint32_t(state.range(0));
  Buffer<T> x(taps);
  Buffer<float> c(std::size_t(taps) * stride, 0.01);
  for (auto _ : state) {
    benchmark::DoNotOptimize(x.data());
    benchmark::DoNotOptimize(filter(x.data() + taps - 1, taps, c.data(), stride));
  }
  setCounters(state, taps, sizeof(T) + sizeof(float));
}
#define TQ_FILTER_ROWS(T, stride, suffix)                                                                                \
  Row{"CACalcFilter_" #T suffix "/tqcalc", [](benchmark::State& s) { caFilter<T, stride>(s, tqcalcCACalcFilter_##T); }}, \
  Row{"CACalcFilter_" #T suffix "/scalar",                                                                              \
      [](benchmark::State& s) { caFilter<T, stride>(s, TQ_SCALAR_LOOP(tqcalcCACalcFilter_##T)); }}

template <class T, class Average>
void average(benchmark::State& state, Average f) {
  const auto n = uint32_t(state.range(0));
  Buffer<T> in(n), out(n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(in.data());
    f(in.data(), out.data(), uint16_t(state.range(1)), n);
    benchmark::ClobberMemory();
  }
  setCounters(state, n, 2 * sizeof(T));
}
template <class T>
void copy(const T* in, T* out, uint16_t, uint32_t n) { streamCopy(out, in, n * sizeof(T)); }

void sizesAtW51(benchmark::internal::Benchmark* b) {
  for (auto n : {kL1, kL2, kDram}) b->Args({n, 51});
}
void widths(benchmark::internal::Benchmark* b) {
  sizesAtW51(b);
  for (auto n : {kL2, kDram})
    for (int w : {5, 501}) b->Args({n, w});
}
#define TQ_AVERAGE_ROWS(T)                                                                                            \
  Row{"CACalcAveFilter_" #T "/tqcalc", [](benchmark::State& s) { average<T>(s, tqcalcCACalcAveFilter_##T); }, widths}, \
  Row{"CACalcAveFilter_" #T "_scalar/tqcalc", [](benchmark::State& s) { average<T>(s, tqcalcCACalcAveFilter_##T##_scalar); }, widths}, \
  Row{"CACalcAveFilter_" #T "/scalar", [](benchmark::State& s) { average<T>(s, TQ_SCALAR_LOOP(tqcalcCACalcAveFilter_##T)); }, sizesAtW51}, \
  Row{"CACalcAveFilter_" #T "/copy", [](benchmark::State& s) { average<T>(s, copy<T>); }, sizesAtW51}

const bool registered = registerRows({
    TQ_FILTER_ROWS(float, 1, ""),
    TQ_FILTER_ROWS(float, 3, "_stride3"),
    TQ_FILTER_ROWS(int16_t, 1, ""),
    TQ_FILTER_ROWS(int16_t, 3, "_stride3"),
    TQ_FILTER_ROWS(int32_t, 1, ""),
    TQ_FILTER_ROWS(int32_t, 3, "_stride3"),
    TQ_AVERAGE_ROWS(double),
    TQ_AVERAGE_ROWS(float),
});

}  // namespace
}  // namespace tq::bench
