// Digest cases of the statistics family: fixed inputs through the entry under
// test, every output digested. Arrays sit at fixed offsets from a 32-byte
// boundary, so that paths chosen by address are the same on every target.
#include <cmath>
#include <cstring>

#include "support/bits.h"
#include "support/invoke.h"

namespace tq::test {
namespace {

#define TQ_CALL(name, ...) invoker.call<decltype(name)>(__VA_ARGS__)

// `count` values at `offset` elements past a 32-byte boundary.
template <class T>
struct Placed {
  Placed(const std::vector<T>& values, std::size_t offset) : storage(values.size() + offset + 32 / sizeof(T)) {
    auto address = reinterpret_cast<std::uintptr_t>(storage.data());
    at = storage.data() + ((32 - address % 32) % 32) / sizeof(T) + offset;
    std::copy(values.begin(), values.end(), at);
  }
  std::vector<T> storage;
  T* at;
};

// Random values (integers over most of their range) with edge values spread
// over them for the floating types.
template <class T>
std::vector<T> samples(std::size_t count, uint32_t seed) {
  const auto r = randomValues<double>(count, seed, std::is_same_v<T, int16_t> ? 32767.0 : std::is_same_v<T, int32_t> ? 2e9 : 1e3);
  std::vector<T> v(r.begin(), r.end());
  if constexpr (std::is_floating_point_v<T>) {
    const auto edges = edgeValues<T>();
    for (std::size_t i = 0; i < edges.size() && 2 * i < count; ++i) v[(i * 11 + seed) % count] = edges[i];
  }
  return v;
}

constexpr uint32_t kCounts[] = {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 33, 1000};

template <class T, class Call>
void digestMinMax(Invoker& invoker, Call call) {
  for (uint32_t n : kCounts)
    for (std::size_t offset : {0u, 1u, 3u}) {
      for (bool edges : {false, true}) {
        auto v = samples<T>(n, n + uint32_t(offset));
        if (!edges)  // no signed zeros or NaN: the bits are then those of the scan
          for (T& x : v)
            if (x == T(0) || x != x) x = T(1);
        Placed<T> p(v, offset);
        T out[2] = {T(7), T(7)};
        if (edges && n && std::is_floating_point_v<T>) p.at[0] = T(NAN);
        call(p.at, n, &out[0], &out[1]);
        invoker.digest(out);
      }
    }
}
#define TQ_MINMAX_CASE(T, digest)                                                                              \
  TQ_DIGEST_CASE(tqcalcGetMinMax_##T, digest) {                                                                \
    digestMinMax<T>(invoker, [&](T* v, uint32_t n, T* lo, T* hi) { TQ_CALL(tqcalcGetMinMax_##T, v, n, lo, hi); }); \
  }
TQ_MINMAX_CASE(double, 0x3ebfe2d83e70c622)
TQ_MINMAX_CASE(float, 0xd65f86c5a308cc54)
TQ_MINMAX_CASE(int16_t, 0x4bc9384853fb2fe1)
TQ_MINMAX_CASE(int32_t, 0x4fdfce07f0805071)

// Running statistics: random samples from entry values that the samples do
// and do not pass, at counts around the block sizes and three start offsets.
template <class T, class O, class Call>
void digestRunning(Invoker& invoker, Call call) {
  for (uint32_t n : kCounts)
    for (std::size_t offset : {0u, 1u, 3u}) {
      Placed<T> p(samples<T>(n, n * 3 + uint32_t(offset)), offset);
      for (const O shift : {O(0), O(-0.3), O(1e3)}) {
        T lo = T(5), hi = T(-5);
        double sums[2] = {0.25, 1e4};
        call(p.at, n, &lo, &hi, &sums[0], &sums[1], shift);
        // Which NaN a sum of two NaNs keeps is the compiler's operand order.
        for (double& s : sums) s = std::isnan(s) ? NAN : s;
        invoker.digest(lo), invoker.digest(hi), invoker.digest(sums);
      }
    }
}
#define TQ_RUNNING_CASE(T, O, digest)                                                                  \
  TQ_DIGEST_CASE(tqcalcGetMinMaxAveRMS_##T, digest) {                                                  \
    digestRunning<T, O>(invoker, [&](T* v, uint32_t n, T* lo, T* hi, double* s, double* q, O o) {     \
      TQ_CALL(tqcalcGetMinMaxAveRMS_##T, v, n, lo, hi, s, q, o);                                       \
    });                                                                                                \
  }
TQ_RUNNING_CASE(double, double, 0x5d5bcc94a5373f21)
TQ_RUNNING_CASE(float, float, 0x72b5f17caf6906af)
TQ_RUNNING_CASE(int16_t, float, 0xcabe620adf65b2a7)
TQ_RUNNING_CASE(int32_t, double, 0x391686ba15d228d7)

// Copy with statistics: forward, gathering and backward strides at both
// arrays' offsets; the destination and every running value digested.
TQ_DIGEST_CASE(tqcalcMoveAndGetMinMaxAveRMS_int16_t, 0x32b11ab1e7d3b91e) {
  for (uint32_t n : kCounts)
    for (int32_t stride : {1, 2, 3, -2})
      for (std::size_t offset : {0u, 1u, 5u}) {
        const std::size_t span = n ? (n - 1) * std::size_t(std::abs(stride)) + 1 : 0;
        Placed<int16_t> source(samples<int16_t>(span, n + uint32_t(offset)), offset);
        Placed<int16_t> destination(std::vector<int16_t>(n + 1, 7), 3 - offset / 2);
        int16_t lo = 5, hi = -5;
        double sums[2] = {0.25, 1e4};
        TQ_CALL(tqcalcMoveAndGetMinMaxAveRMS_int16_t, destination.at, source.at + (stride < 0 ? span - 1 : 0), n, &lo,
                &hi, &sums[0], &sums[1], 0.3f, stride);
        invoker.digestBytes(destination.at, (n + 1) * sizeof(int16_t));
        invoker.digest(lo), invoker.digest(hi), invoker.digest(sums);
      }
}

// XY graph values: both forms on every axis mode, zero ranges, clamps and
// edge samples in float and double.
TQ_DIGEST_CASE(tqcalcGetXYValGraph2D, 0x66097718ed540751) {
  const auto ys = samples<double>(8, 5);
  const auto ysFloat = samples<float>(8, 6);
  const auto xs = randomValues<double>(12, 7, 30.0);
  for (uint32_t count : {1u, 4u})
    for (uint8_t sampleType : {5, 7})
      for (uint8_t xSource = 0; xSource <= 3; ++xSource)
        for (uint8_t xAxis = 0; xAxis <= 2; ++xAxis)
          for (uint8_t yAxis = 0; yAxis <= 2; ++yAxis)
            for (bool empty : {false, true}) {
              XYGraphParams r{};
              int32_t px[4] = {7, 7, 7, 7}, py[4] = {7, 7, 7, 7};
              uint32_t done = 9;
              r.count = count, r.xSourceMode = xSource, r.ySampleType = sampleType, r.xAxisMode = xAxis;
              r.startIndex = 2 + xAxis, r.yAxisMode = yAxis;
              r.left = -20, r.top = 40, r.right = 3000, r.bottom = 900;
              r.xStep = 0.37, r.xStart = -1.5, r.yFactor = 1.5, r.yOffset = -0.25;
              r.xMin = -3, r.xMax = empty ? -3 : 17, r.logXMin = -0.5, r.logXMax = empty ? -0.5 : 1.5;
              r.yMin = -2e3, r.yMax = empty ? -2e3 : 5e2, r.logYMin = -1, r.logYMax = empty ? -1 : 2.75;
              r.dbReference = 0.7, r.dbFactor = 0.5;
              r.yValues = sampleType == 5 ? static_cast<const void*>(ysFloat.data() + xSource) : ys.data() + xSource;
              r.xValues = xs.data(), r.xPixels = px, r.yPixels = py, r.pointsDone = &done;
              TQ_CALL(tqcalcGetXYValGraph2D, &r);
              invoker.digest(px), invoker.digest(py), invoker.digest(done);
            }
}

// Cursor search: a grid of few values, pitches either way and off the
// multiple of 4, cursors inside and outside, exclusions on the stack and on
// the heap.
TQ_DIGEST_CASE(tqcalcFindCursorXY, 0xd5f57b68af6de559) {
  const int32_t width = 37, height = 11;
  std::vector<uint32_t> grid(std::size_t(width + 1) * height);
  const auto r = randomValues<double>(grid.size(), 3, 8.0);
  for (std::size_t i = 0; i < grid.size(); ++i) grid[i] = uint32_t(int32_t(r[i]) + 8);
  std::vector<uint32_t> excluded(70);
  for (std::size_t j = 0; j < excluded.size(); ++j) excluded[j] = uint32_t(j * 7 % 19);
  for (int32_t pitch : {4 * (width + 1), -4 * (width + 1) - 3})
    for (int32_t count : {-1, 0, 3, 11, 70})
      for (const auto& [cx, cy] : {std::pair{5, 5}, {-10, 3}, {36, 20}, {20, -2}}) {
        const uint32_t* cells = pitch > 0 ? &grid[std::size_t(width + 1) * (height - 1)] : grid.data();
        uint32_t value = 99;
        int32_t column = -9, row = -9;
        TQ_CALL(tqcalcFindCursorXY, cells, pitch, width, height, cx, cy, &value, &column, &row, excluded.data(), count);
        invoker.digest(value), invoker.digest(column), invoker.digest(row);
      }
}

}  // namespace
}  // namespace tq::test
