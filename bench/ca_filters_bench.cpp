// Crank-angle and averaging filters beside plain loops of their definitions.
//
// The crank-angle filter computes one output from a window of `size` taps,
// with a plain coefficient table (stride 1) and an interleaved one (stride 3,
// gathered). The averaging filter runs over a whole signal of `size` samples
// at W = 51, beside its sequential export (`_scalar`), a plain loop of the
// sequential definition and the copy baseline; at W = 5, 51 and 501 it shows
// that the cost does not grow with the width.
#include "bench_support.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

// ---- crank-angle filters -----------------------------------------------------

template <class T>
struct CaFilter;
template <>
struct CaFilter<float> {
  static float run(const float* x, uint32_t n, const float* c, uint32_t s) { return tqcalcCACalcFilter_float(x, n, c, s); }
};
template <>
struct CaFilter<int16_t> {
  static float run(const int16_t* x, uint32_t n, const float* c, uint32_t s) {
    return tqcalcCACalcFilter_int16_t(x, n, c, s);
  }
};
template <>
struct CaFilter<int32_t> {
  static float run(const int32_t* x, uint32_t n, const float* c, uint32_t s) {
    return tqcalcCACalcFilter_int32_t(x, n, c, s);
  }
};

template <class T, uint32_t stride, bool plainLoop>
void caFilter(benchmark::State& state) {
  const auto taps = uint32_t(state.range(0));
  Buffer<T> x(taps);
  Buffer<float> c(std::size_t(taps) * stride, 0.01);
  const T* newest = x.data() + taps - 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(x.data());
    float acc = 0.0f;
    if (plainLoop) {
      for (uint32_t j = 0; j < taps; ++j) acc += float(newest[-std::ptrdiff_t(j)]) * c.p[std::size_t(j) * stride];
    } else {
      acc = CaFilter<T>::run(newest, taps, c.data(), stride);
    }
    benchmark::DoNotOptimize(acc);
  }
  setCounters(state, taps, sizeof(T) + sizeof(float));
}

BENCHMARK(caFilter<float, 1, false>)->Name("CACalcFilter_float/tqcalc")->Apply(sizes);
BENCHMARK(caFilter<float, 1, true>)->Name("CACalcFilter_float/scalar")->Apply(sizes);
BENCHMARK(caFilter<float, 3, false>)->Name("CACalcFilter_float_stride3/tqcalc")->Apply(sizes);
BENCHMARK(caFilter<float, 3, true>)->Name("CACalcFilter_float_stride3/scalar")->Apply(sizes);
BENCHMARK(caFilter<int16_t, 1, false>)->Name("CACalcFilter_int16_t/tqcalc")->Apply(sizes);
BENCHMARK(caFilter<int16_t, 1, true>)->Name("CACalcFilter_int16_t/scalar")->Apply(sizes);
BENCHMARK(caFilter<int16_t, 3, false>)->Name("CACalcFilter_int16_t_stride3/tqcalc")->Apply(sizes);
BENCHMARK(caFilter<int16_t, 3, true>)->Name("CACalcFilter_int16_t_stride3/scalar")->Apply(sizes);
BENCHMARK(caFilter<int32_t, 1, false>)->Name("CACalcFilter_int32_t/tqcalc")->Apply(sizes);
BENCHMARK(caFilter<int32_t, 1, true>)->Name("CACalcFilter_int32_t/scalar")->Apply(sizes);
BENCHMARK(caFilter<int32_t, 3, false>)->Name("CACalcFilter_int32_t_stride3/tqcalc")->Apply(sizes);
BENCHMARK(caFilter<int32_t, 3, true>)->Name("CACalcFilter_int32_t_stride3/scalar")->Apply(sizes);

// ---- averaging filters -------------------------------------------------------

enum class Form { General, ScalarExport, PlainLoop, Copy };

template <class T>
void plainAverage(const T* in, T* out, uint32_t W, uint32_t n) {
  const uint32_t H = W / 2, E = n - H - 1;
  T m = 0;
  for (uint32_t k = 0; k < W; ++k) m = (T(k) * m + in[k]) / T(k + 1);
  for (uint32_t i = 0; i <= H; ++i) out[i] = m;
  const T r = T(1) / T(W);
  for (uint32_t i = H + 1; i <= E; ++i) out[i] = m = ((T(W) * m + in[i + H]) - in[i - H - 1]) * r;
  for (uint32_t i = E; i < n; ++i) out[i] = m;
}

template <class T, Form form>
void average(benchmark::State& state) {
  const auto n = uint32_t(state.range(0));
  const auto w = uint16_t(state.range(1));
  Buffer<T> in(n), out(n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(in.data());
    if constexpr (form == Form::Copy) {
      streamCopy(out.data(), in.data(), n * sizeof(T));
    } else if constexpr (form == Form::PlainLoop) {
      plainAverage(in.data(), out.data(), w | 1u, n);
    } else if constexpr (std::is_same_v<T, double>) {
      (form == Form::General ? tqcalcCACalcAveFilter_double : tqcalcCACalcAveFilter_double_scalar)(in.data(), out.data(),
                                                                                                     w, n);
    } else {
      (form == Form::General ? tqcalcCACalcAveFilter_float : tqcalcCACalcAveFilter_float_scalar)(in.data(), out.data(),
                                                                                                   w, n);
    }
    benchmark::ClobberMemory();
  }
  setCounters(state, n, 2 * sizeof(T));
}

void sizesAtW51(benchmark::internal::Benchmark* b) {
  for (auto n : {kL1, kL2, kDram}) b->Args({n, 51});
}
void widths(benchmark::internal::Benchmark* b) {
  for (auto n : {kL2, kDram})
    for (int w : {5, 501}) b->Args({n, w});  // W = 51 is in sizesAtW51
}

BENCHMARK(average<double, Form::General>)->Name("CACalcAveFilter_double/tqcalc")->Apply(sizesAtW51)->Apply(widths);
BENCHMARK(average<double, Form::ScalarExport>)->Name("CACalcAveFilter_double_scalar/tqcalc")->Apply(sizesAtW51)->Apply(widths);
BENCHMARK(average<double, Form::PlainLoop>)->Name("CACalcAveFilter_double/scalar")->Apply(sizesAtW51);
BENCHMARK(average<double, Form::Copy>)->Name("CACalcAveFilter_double/copy")->Apply(sizesAtW51);
BENCHMARK(average<float, Form::General>)->Name("CACalcAveFilter_float/tqcalc")->Apply(sizesAtW51)->Apply(widths);
BENCHMARK(average<float, Form::ScalarExport>)->Name("CACalcAveFilter_float_scalar/tqcalc")->Apply(sizesAtW51)->Apply(widths);
BENCHMARK(average<float, Form::PlainLoop>)->Name("CACalcAveFilter_float/scalar")->Apply(sizesAtW51);
BENCHMARK(average<float, Form::Copy>)->Name("CACalcAveFilter_float/copy")->Apply(sizesAtW51);

}  // namespace
}  // namespace tq::bench
