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

template <class T, class O>
void running(void (*f)(const T*, uint32_t, T*, T*, double*, double*, O), T* a, uint32_t n) {
  T lo = a[0], hi = a[0];
  double sums[2] = {0, 0};
  f(a, n, &lo, &hi, &sums[0], &sums[1], O(0.5));
  benchmark::DoNotOptimize(lo), benchmark::DoNotOptimize(hi), benchmark::DoNotOptimize(sums);
}

// The copy with statistics at `stride` (source elements per sample): reads
// and writes two bytes per sample. Offset 0.5 takes the exact integer sums,
// 0.1 (not a multiple of a small power of two) the double lanes.
template <int stride, bool scalar, bool dyadic = true>
void move(benchmark::State& state) {
  const std::size_t n = std::size_t(state.range(0));
  Buffer<int16_t> from(n * stride), to(n);
  auto f = scalar ? TQ_SCALAR_LOOP(tqcalcMoveAndGetMinMaxAveRMS_int16_t) : tqcalcMoveAndGetMinMaxAveRMS_int16_t;
  for (auto _ : state) {
    int16_t lo = 0, hi = 0;
    double sums[2] = {0, 0};
    f(to.data(), from.data(), uint32_t(n), &lo, &hi, &sums[0], &sums[1], dyadic ? 0.5f : 0.1f, stride);
    benchmark::DoNotOptimize(lo), benchmark::DoNotOptimize(hi), benchmark::DoNotOptimize(sums);
    benchmark::ClobberMemory();
  }
  setCounters(state, std::int64_t(n), 4);
}
void copy(benchmark::State& state) {
  const std::size_t bytes = std::size_t(state.range(0)) * 2;
  Buffer<char> from(bytes), to(bytes);
  for (auto _ : state) streamCopy(to.data(), from.data(), bytes);
  setCounters(state, state.range(0), 4);
}

// A series of 4096 points by the host's protocol, on log (x) and log or
// decibel (y) axes, converted `form` points per call.
template <int form, uint8_t yAxis>
void graph(benchmark::State& state) {
  const std::size_t n = std::size_t(state.range(0));
  Buffer<double> x(n, 1000.0), y(n, 1000.0);
  std::vector<int32_t> px(n), py(n);
  for (std::size_t i = 0; i < n; ++i) x.p[i] = 1.0 + double(i), y.p[i] = 0.5 + double(i % 100);
  for (auto _ : state) {
    uint32_t done = 0;
    XYGraphParams r{};
    r.count = form, r.xSourceMode = 1, r.ySampleType = 7, r.xAxisMode = 1, r.yAxisMode = yAxis;
    r.left = 0, r.right = 1000, r.top = 0, r.bottom = 700, r.yFactor = 1;
    r.logXMin = 0, r.logXMax = 4, r.logYMin = -1, r.logYMax = 2, r.yMin = -60, r.yMax = 40, r.dbReference = 1, r.dbFactor = 1;
    r.xValues = x.data(), r.pointsDone = &done;
    for (std::size_t i = 0; i < n; i += form) {
      r.startIndex = int32_t(i), r.yValues = y.data() + i, r.xPixels = &px[i], r.yPixels = &py[i];
      tqcalcGetXYValGraph2D(&r);
    }
    benchmark::DoNotOptimize(px.data()), benchmark::DoNotOptimize(py.data());
    benchmark::ClobberMemory();
  }
  setCounters(state, std::int64_t(n), 16);
}
void points(benchmark::internal::Benchmark* b) { b->Arg(kL1); }

// Cursor search on a 1024 x 768 picture: white background, grey grid lines
// every 32 pixels, three curves; background and grid excluded, with 62
// colours that do not occur for the long list.
template <int32_t exclusions, bool scalar>
void cursor(benchmark::State& state) {
  const int32_t width = 1024, height = 768;
  std::vector<uint32_t> picture(std::size_t(width) * height, 0xFFFFFFFFu);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      if (x % 32 == 0 || y % 32 == 0) picture[std::size_t(y) * width + x] = 0xFF808080u;
      for (uint32_t k = 0; k < 3; ++k)
        if (y == int32_t(384 + 300 * __builtin_sin(x * 0.01 * (k + 1)))) picture[std::size_t(y) * width + x] = 0xFF0000FFu << (8 * k);
    }
  std::vector<uint32_t> excluded(exclusions);
  for (int32_t j = 0; j < exclusions; ++j) excluded[j] = j == 0 ? 0xFFFFFFFFu : j == 1 ? 0xFF808080u : 0x01000000u + uint32_t(j);
  auto f = scalar ? TQ_SCALAR_LOOP(tqcalcFindCursorXY) : tqcalcFindCursorXY;
  for (auto _ : state) {
    uint32_t value = 0;
    int32_t column = 0, row = 0;
    f(picture.data(), -4 * width, width, height, 500, 200, &value, &column, &row, excluded.data(), exclusions);
    benchmark::DoNotOptimize(value), benchmark::DoNotOptimize(column), benchmark::DoNotOptimize(row);
  }
  setCounters(state, std::int64_t(width) * height, 4);
}
void once(benchmark::internal::Benchmark* b) { b->Arg(1024 * 768); }

const bool registered = registerRows({
    TQ_SCAN_ROWS(tqcalcGetMinMax_float, float, minMax<float>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMax_double, double, minMax<double>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMax_int16_t, int16_t, minMax<int16_t>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMax_int32_t, int32_t, minMax<int32_t>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMaxAveRMS_float, float, running<float, float>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMaxAveRMS_int16_t, int16_t, running<int16_t, float>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMaxAveRMS_double, double, running<double, double>(f, a, n)),
    TQ_SCAN_ROWS(tqcalcGetMinMaxAveRMS_int32_t, int32_t, running<int32_t, double>(f, a, n)),
    // The roof of a kernel that widens every sample and sums in double.
    Row{"tqcalcGetMinMaxAveRMS_float/sum_values(double-accumulating read)",
        [](benchmark::State& s) { scan<float>(s, [](float* a, uint32_t n) { benchmark::DoNotOptimize(tqcalcSumValues_float(a, n)); }); }},
    Row{"tqcalcMoveAndGetMinMaxAveRMS_int16_t/tqcalc", move<1, false>},
    Row{"tqcalcMoveAndGetMinMaxAveRMS_int16_t/scalar", move<1, true>},
    Row{"tqcalcMoveAndGetMinMaxAveRMS_int16_t/tqcalc_offset_0.1(double lanes)", move<1, false, false>},
    Row{"tqcalcMoveAndGetMinMaxAveRMS_int16_t/copy(memcpy)", copy},
    Row{"tqcalcMoveAndGetMinMaxAveRMS_int16_t_stride3/tqcalc", move<3, false>},
    Row{"tqcalcMoveAndGetMinMaxAveRMS_int16_t_stride3/scalar", move<3, true>},
    Row{"tqcalcGetXYValGraph2D_log_log/four_points", graph<4, 1>, points},
    Row{"tqcalcGetXYValGraph2D_log_log/one_point", graph<1, 1>, points},
    Row{"tqcalcGetXYValGraph2D_log_dB/four_points", graph<4, 2>, points},
    Row{"tqcalcGetXYValGraph2D_log_dB/one_point", graph<1, 2>, points},
    Row{"tqcalcFindCursorXY_2_excluded/tqcalc", cursor<2, false>, once},
    Row{"tqcalcFindCursorXY_2_excluded/scalar", cursor<2, true>, once},
    Row{"tqcalcFindCursorXY_64_excluded/tqcalc", cursor<64, false>, once},
    Row{"tqcalcFindCursorXY_64_excluded/scalar", cursor<64, true>, once},
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
