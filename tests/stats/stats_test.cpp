// Statistics and graph support, what the harness rows (extremes and exact
// sums at every count, alignment and guard; both graph forms on every axis
// mode; a positive pitch, few exclusions) leave out: NaN where the scans put
// it, the running statistics' double-precision samples counted, the int16
// exact blocks (with backward and zero strides), the graph's described pixels and rules, and cursor searches
// on every pitch and exclusion count.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

template <class T>
struct Stats { T lo, hi; double sum, squares; };
template <class T, class F>
Stats<T> run(F f, const T* v, uint32_t n, Stats<T> s, double offset) {
  f(v, n, &s.lo, &s.hi, &s.sum, &s.squares, offset);
  return s;
}
Stats<int16_t> move(int16_t* d, const int16_t* v, uint32_t n, Stats<int16_t> s, float offset, int32_t stride) {
  tqcalcMoveAndGetMinMaxAveRMS_int16_t(d, v, n, &s.lo, &s.hi, &s.sum, &s.squares, offset, stride);
  return s;
}
bool same(const Stats<int16_t>& a, const Stats<int16_t>& b) {
  return a.lo == b.lo && a.hi == b.hi && sameBits(a.sum, b.sum) && sameBits(a.squares, b.squares);
}

// int16 running statistics and the copy with statistics: blocks summed in
// integers where that gives the double lanes' bits, in double elsewhere.
// Expected: the head one at a time, the blocks' total added once (through
// the int32 variant: the same double lanes), the tail one at a time; with
// entry sums of ulp 4 any other order rounds differently.
Stats<int16_t> exactBlocks(const int16_t* v, uint32_t n, float offset, Stats<int16_t> s) {
  const auto [first, end] = ref::doubleShiftRange(v, n);
  ref::runningStats(v, uint32_t(first), &s.lo, &s.hi, &s.sum, &s.squares, offset, 0, 0);
  const std::vector<int32_t> block(v + first, v + end);
  const auto b = run(tqcalcGetMinMaxAveRMS_int32_t, block.data(), uint32_t(block.size()), {s.lo, s.hi, s.sum, s.squares}, offset);
  s = {int16_t(b.lo), int16_t(b.hi), b.sum, b.squares};
  ref::runningStats(v + end, uint32_t(n - end), &s.lo, &s.hi, &s.sum, &s.squares, offset, 0, 0);
  return s;
}

// The running statistics of `v` and its copies at strides 1, 3, 0 and -3
// (source[i * stride] gathered, from v's last element backwards) against
// exactBlocks() of the gathered samples.
void checkExactBlocks(const int16_t* v, uint32_t n, float offset, Stats<int16_t> entry = {100, -100, 0x1p54 / 3, 0x1p54 / 3}) {
  EXPECT_TRUE(same(run(tqcalcGetMinMaxAveRMS_int16_t, v, n, entry, offset), exactBlocks(v, n, offset, entry)))
      << n << " offset " << offset << " at " << uintptr_t(v) % 16;
  std::vector<int16_t> wide(3 * std::size_t(n) + 1), copy(n + 8);
  for (uint32_t i = 0; i < n; ++i) wide[3 * std::size_t(i)] = v[i];
  for (int32_t stride : {1, 3, 0, -3}) {
    int16_t* d = copy.data() + n % 8;  // the gather splits on the destination
    const int16_t* from = stride == 3 ? wide.data() : stride < 0 ? &wide.back() : v;
    const Stats<int16_t> got = move(d, from, n, entry, offset, stride);
    bool gathered = true;
    for (uint32_t i = 0; i < n; ++i) gathered = gathered && d[i] == from[std::ptrdiff_t(i) * stride];
    EXPECT_TRUE(gathered && same(got, exactBlocks(stride == 1 ? v : d, n, offset, entry))) << n << " stride " << stride;
  }
}

// Dyadic offsets (-0 too) against non-dyadic ones; counts around the block;
// runs of -32768 (a pair of them is 2^31 in one 32-bit lane).
TEST(RunningStats, Int16ExactBlocksAtEveryStartAndCount) {
  for (float offset : {0.0f, -0.0f, 0.5f, -3.0f, -0.25f, 0.1f})
    for (uint32_t n : {7u, 8u, 9u, 15u, 16u, 17u, 24u, 33u, 100u})
      for (std::size_t start = 0; start < 16; start += 2) {
        std::vector<int16_t> v(n);
        for (uint32_t i = 0; i < n; ++i) v[i] = i % 7 < 3 ? -32768 : i % 7 == 3 ? 32767 : int16_t(i * 2654435761u >> 16);
        const GuardedArray<int16_t> a(v, Placement::AtStart, start);
        checkExactBlocks(a.data(), n, offset);
      }
}

// Long counts on either side of an exact total of 2^53, where the double
// lanes begin to round and the integers must give way to them: near-extremes
// with offset +-1/2, random samples in [-4096, 0) and in the full range with
// offset 3/256 (where the lanes round differently from the exact total).
TEST(RunningStats, Int16LongCountsAroundTwoToThe53) {
  const struct { int16_t base; int bits; float offset; uint32_t n; } rows[] = {
      {32767, 3, 0.5f, 1u << 21}, {-32768, 3, -0.5f, 3u << 20}, {-4096, 12, 0x3p-8f, 1u << 14}, {0, 16, 0x3p-8f, 1u << 14}, {0, 16, 0x3p-8f, 40000}};
  for (const auto& row : rows) {
    std::vector<int16_t> buffer(row.n + 8);
    uint32_t state = row.n;
    for (auto& v : buffer) state = state * 1664525u + 1013904223u, v = int16_t(row.base ^ (state >> (32 - row.bits)));
    checkExactBlocks(buffer.data() + (16 - uintptr_t(buffer.data()) % 16) % 16 / 2, row.n, row.offset, {0, 0, 0, 0});
  }
}

// Samples 4096 with offset 2^-12: s * s is 2^24 in single precision and
// 2^24 + 2 (+ 2^-24) in double, so (sumOfSquares - n 2^24) / 2 counts the
// samples that took the double path.
template <class T, class F>
void splitCounted(F f) {
  for (uint32_t n = 0; n <= 40; ++n)
    for (std::size_t offset = 0; offset < 16; offset += sizeof(T)) {
      const GuardedArray<T> a(std::vector<T>(n, T(4096)), Placement::AtStart, offset);
      const auto counted = [&](const Stats<T>& s) { return std::lround((s.squares - n * 0x1p24) / 2); };
      const auto [first, end] = ref::doubleShiftRange(a.data(), n);
      EXPECT_EQ(counted(run(f, a.data(), n, {0, 0, 0, 0}, 0x1p-12)), long(end - first)) << n << " at byte " << offset;
      if constexpr (std::is_same_v<T, int16_t>) {  // the copy: split on the source for stride 1, else the destination
        const GuardedArray<int16_t> d(std::vector<int16_t>(n), Placement::AtStart, (3 * offset + 6) % 16);
        const std::vector<int16_t> wide(3 * n + 1, 4096);
        EXPECT_EQ(counted(move(d.data(), a.data(), n, {0, 0, 0, 0}, 0x1p-12f, 1)), long(end - first)) << n;
        const auto [dFirst, dEnd] = ref::doubleShiftRange(d.data(), n);
        EXPECT_EQ(counted(move(d.data(), wide.data(), n, {0, 0, 0, 0}, 0x1p-12f, 3)), long(dEnd - dFirst)) << n;
      }
    }
}
TEST(RunningStats, PrecisionSplitCounted) {
  splitCounted<double>(tqcalcGetMinMaxAveRMS_double), splitCounted<float>(tqcalcGetMinMaxAveRMS_float);
  splitCounted<int16_t>(tqcalcGetMinMaxAveRMS_int16_t), splitCounted<int32_t>(tqcalcGetMinMaxAveRMS_int32_t);
}

// At a NaN in every position of counts 1..25: the min/max scan never takes
// a NaN after element 0, and a NaN element 0 is both its results; the running
// statistics never take NaN samples into the extremes, keep NaN seeds and
// turn the sums NaN. Of equal zeros the scan keeps the first, the running
// statistics their entry value, on the short and the long paths.
template <class T, class Scan, class F>
void nanAndZeros(Scan scan, F f) {
  for (uint32_t n = 1; n <= 25; ++n) {
    for (uint32_t at = 0; at < n; ++at) {
      std::vector<T> v(n), w = randomValues<T>(n, n, 1e5);
      for (uint32_t i = 0; i < n; ++i) v[i] = T(i % 7) - T(2.5);
      v[at] = w[at] = std::numeric_limits<T>::quiet_NaN();
      T lo, hi, glo = 99, ghi = -99;
      ref::tqcalcGetMinMax(v.data(), n, &lo, &hi);
      scan(v.data(), n, &glo, &ghi);
      EXPECT_TRUE(sameBits(lo, glo) && sameBits(hi, ghi)) << n << " " << at;
      const Stats<T> got = run(f, w.data(), n, {T(1e6), T(-1e6), 0, 0}, 0), seeded = run(f, w.data(), n, {T(NAN), T(NAN), 0, 0}, 0);
      Stats<T> e{T(1e6), T(-1e6), 0, 0};
      ref::tqcalcGetMinMaxAveRMS(w.data(), n, &e.lo, &e.hi, &e.sum, &e.squares, T(0));
      EXPECT_TRUE(sameBits(e.lo, got.lo) && sameBits(e.hi, got.hi) && std::isnan(got.sum) && std::isnan(got.squares)) << n << " " << at;
      EXPECT_TRUE(std::isnan(seeded.lo) && std::isnan(seeded.hi)) << n;
    }
    for (T zero : {T(0), -T(0)}) {
      const std::vector<T> v(n, -zero);
      const Stats<T> s = run(f, v.data(), n, {zero, zero, 0, 0}, 0);
      std::vector<T> first = v;  // zero, then -zero throughout
      first[0] = zero;
      T lo, hi;
      scan(first.data(), n, &lo, &hi);
      EXPECT_TRUE(sameBits(zero, s.lo) && sameBits(zero, s.hi) && sameBits(zero, lo) && sameBits(zero, hi)) << n;
    }
  }
}
TEST(Extremes, NaNAndEqualZerosFollowTheScans) {
  nanAndZeros<double>(tqcalcGetMinMax_double, tqcalcGetMinMaxAveRMS_double);
  nanAndZeros<float>(tqcalcGetMinMax_float, tqcalcGetMinMaxAveRMS_float);
  // sum 10 + 3, squares (3 - 1)^2; the minimum moves only down.
  const int16_t three = 3;
  const auto s = run(tqcalcGetMinMaxAveRMS_int16_t, &three, 1, {2, 2, 10.0, 0.0}, -1);
  EXPECT_TRUE(s.lo == 2 && s.hi == 3 && s.sum == 13.0 && s.squares == 4.0);
}

// A record on linear axes: x 0..10 over pixels 100..300, y 0..1 over 110..10.
struct Graph {
  XYGraphParams r{};
  std::vector<double> y = std::vector<double>(4, 0.25), x = std::vector<double>(16, 0.0);
  std::vector<float> yFloat;
  int32_t px[4] = {-7, -7, -7, -7}, py[4] = {-7, -7, -7, -7};
  uint32_t done = 0;
  explicit Graph(uint32_t count) {
    r.count = count, r.ySampleType = 7, r.left = 100, r.top = 10, r.right = 300, r.bottom = 110;
    r.xMax = 10, r.yMax = 1, r.yFactor = 1, r.logXMax = r.logYMax = 1, r.dbReference = 1, r.dbFactor = 1;
  }
  Graph& run() {
    yFloat.assign(y.begin(), y.end());
    r.yValues = r.ySampleType == 5 ? static_cast<const void*>(yFloat.data()) : y.data();
    r.xValues = x.data(), r.xPixels = px, r.yPixels = py, r.pointsDone = &done;
    tqcalcGetXYValGraph2D(&r);
    return *this;
  }
};

TEST(XYGraph, DescribedPixels) {
  for (uint32_t count : {1u, 3u, 4u, 1000u}) {
    Graph g(count);
    g.r.startIndex = 5;
    g.run();
    EXPECT_TRUE(g.done == (count < 4 ? 1u : 4u) && g.px[0] == 200 && g.py[0] == 85) << count;
    EXPECT_EQ(g.px[1], count < 4 ? -7 : 220) << count;  // index 6; nothing beyond the one point
  }
  // xSourceMode 1 reads xValues[startIndex + k]; float and double samples agree.
  Graph a(4), b(4);
  a.r.xSourceMode = b.r.xSourceMode = 1, a.r.startIndex = b.r.startIndex = 3;
  a.x = b.x = {9, 9, 9, 1, 2, 3, 4.5, 9};
  a.r.ySampleType = 5;
  a.run(), b.run();
  EXPECT_EQ(std::vector<int32_t>(a.px, a.px + 4), (std::vector<int32_t>{120, 140, 160, 190}));
  EXPECT_EQ(std::vector<int32_t>(a.py, a.py + 4), std::vector<int32_t>(b.py, b.py + 4));
}

// One rule per case: {count 1 result, count 4 result}.
struct Rule { const char* name; void (*set)(Graph&); bool yPixel; int32_t one, four; };
const Rule kRules[] = {
    // u * width 2.5 and -1.7: add 0.5 and truncate, or ties to even.
    {"round 2.5", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.r.right = 105, g.x.assign(16, 0.5); }, false, 103, 102},
    {"round -1.7", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.r.right = 110, g.x.assign(16, -0.17); }, false, 99, 98},
    // x 0.5 on a log axis from 10^1: one point takes its logarithm, four fall back to the start.
    {"log x guard", [](Graph& g) { g.r.xAxisMode = 1, g.r.xSourceMode = 1, g.r.logXMin = 1, g.r.logXMax = 3, g.x.assign(16, 0.5); }, false, -29, 100},
    // y 0.5 on a log axis 10^0..10^1 with yMin 1: log10(0.5) below the axis, or its start.
    {"log y guard", [](Graph& g) { g.r.yAxisMode = 1, g.r.yMin = 1, g.r.logYMin = 0, g.y.assign(4, 0.5); }, true, 139, 110},
    // y 1e-13 in decibels from -400 to 0: about -260 dB, or -400.
    {"dB guard", [](Graph& g) { g.r.yAxisMode = 2, g.r.yMin = -400, g.r.yMax = 0, g.y.assign(4, 1e-13); }, true, 75, 110},
    {"dB of 0", [](Graph& g) { g.r.yAxisMode = 2, g.r.yMin = -500, g.r.yMax = 0, g.y.assign(4, 0.0); }, true, 90, 90},
    // Empty ranges: v = yMin (linear, one point), 0 (four); decibels the other way round.
    {"empty linear y", [](Graph& g) { g.r.yMin = g.r.yMax = 0.25; }, true, 85, 110},
    {"empty dB y", [](Graph& g) { g.r.yAxisMode = 2, g.r.yMin = g.r.yMax = 0.25; }, true, 110, 85},
    {"empty linear x", [](Graph& g) { g.r.xMin = g.r.xMax = 0.25; }, false, 150, 150},
    // Clamps: the position to +-1e6 (NaN to -1e6), then the pixel to int16.
    {"far right", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.r.right = 3100, g.x.assign(16, 1e300); }, false, 32767, 32767},
    {"far left", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.x.assign(16, -1e300); }, false, -32768, -32768},
    {"NaN x", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.x.assign(16, NAN); }, false, -32768, -32768},
    {"NaN y", [](Graph& g) { g.y.assign(4, NAN); }, true, 32767, 32767},
};

TEST(XYGraph, EachFormFollowsItsRule) {
  for (const Rule& rule : kRules)
    for (uint32_t count : {1u, 4u}) {
      Graph g(count);
      rule.set(g);
      g.run();
      for (uint32_t k = 0; k < count; ++k) EXPECT_EQ(rule.yPixel ? g.py[k] : g.px[k], count == 1 ? rule.one : rule.four) << rule.name << " lane " << k;
    }
}

// Value, column, row; unset: the outputs' initial values.
using Found = std::tuple<uint32_t, int32_t, int32_t>;
const Found kUnset{0xDEAD, -99, -99};
template <class F>
Found find(F f, const uint32_t* cells, int32_t pitch, int32_t width, int32_t height, int32_t cx, int32_t cy,
           const uint32_t* excluded, int32_t count) {
  Found r = kUnset;
  f(cells, pitch, width, height, cx, cy, &std::get<0>(r), &std::get<1>(r), &std::get<2>(r), excluded, count);
  return r;
}

// Pitches either way and off the multiple of 4, exclusions past eight, on
// the stack's limit and on the heap, on random grids of few values (ties
// everywhere).
TEST(CursorSearch, EqualsTheSequentialScan) {
  std::vector<uint32_t> excluded;
  for (double e : randomValues<double>(200, 1, 20.0)) excluded.push_back(uint32_t(std::abs(int(e))));  // the grid holds 0..7
  for (int32_t width : {1, 3, 4, 7, 13})
    for (int32_t pitch : {4 * width, 4 * width + 3, -4 * width - 2, -4 * width - 8}) {
      const int32_t height = 1 + width % 4 * 2, words = std::abs(pitch / 4) * (height - 1) + width;
      std::vector<uint32_t> grid;
      for (double v : randomValues<double>(std::size_t(words), uint32_t(width * 7 + pitch), 4.0)) grid.push_back(uint32_t(int(v) + 4));
      const uint32_t* cells = grid.data() + (pitch > 0 ? words - width : 0);  // row 0 highest in memory for a positive pitch
      for (int32_t count : {0, 9, 13, 63, 64, 200})
        for (const auto& [cx, cy] : {std::pair{width / 2, height / 2}, {-3, 1}, {width + 2, -5}})
          EXPECT_EQ(find(ref::tqcalcFindCursorXY, cells, pitch, width, height, cx, cy, excluded.data(), count),
                    find(tqcalcFindCursorXY, cells, pitch, width, height, cx, cy, excluded.data(), count))
              << "width " << width << " pitch " << pitch << " excluded " << count << " cursor " << cx << "," << cy;
    }
}

TEST(CursorSearch, DescribedCases) {
  const uint32_t grid[9] = {7, 7, 7, 7, 7, 5, 7, 7, 7}, seven[2] = {7, 7}, sides[4] = {1, 7, 7, 2}, line[7] = {7, 7, 7, 7, 7, 3, 7};
  // 3 x 3, cursor (1, 1): the centre excluded, (2, 1) the one candidate.
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 3, 1, 1, seven, 1), Found(5, 2, 1));
  // Distance 1 to the right wins over distance 2 to the left.
  EXPECT_EQ(find(tqcalcFindCursorXY, sides, 16, 4, 1, 2, 0, seven, 1), Found(2, 3, 0));
  // Width 7, only (5, 0) a candidate: found beyond the last group of four.
  EXPECT_EQ(find(tqcalcFindCursorXY, line, 28, 7, 1, 5, 0, seven, 2), Found(3, 5, 0));
  // Everything excluded, or no rows: the outputs stay.
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 1, 1, 1, seven, 1), kUnset);
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 0, 1, 1, nullptr, 0), kUnset);
  // Cursor at column -10: column 0 wins, nearest row first.
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 3, -10, 2, nullptr, 0), Found(7, 0, 2));
  // No exclusions after a search that excluded every cell: nothing of that list stays.
  const uint32_t sevens[8] = {7, 7, 7, 7, 7, 7, 7, 7};
  const Found none = find(tqcalcFindCursorXY, sevens, 32, 8, 1, 3, 0, seven, 1), all = find(tqcalcFindCursorXY, sevens, 32, 8, 1, 3, 0, nullptr, 0);
  EXPECT_EQ(none, kUnset);
  EXPECT_EQ(all, Found(7, 3, 0));
}

}  // namespace
}  // namespace tq::test
