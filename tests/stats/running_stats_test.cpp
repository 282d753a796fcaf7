// Running statistics and the copy with statistics: which samples form the
// shifted value in double (counted, over counts and start addresses), NaN
// samples and seeds, backward and zero strides. The rest, on values whose
// sums are exact, is the harness rows'.
#include <gtest/gtest.h>

#include <cmath>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

template <class T>
struct Stats {
  T lo, hi;
  double sum, squares;
};
template <class T, class F>
Stats<T> run(F f, const T* v, uint32_t n, Stats<T> s, double offset) {
  f(v, n, &s.lo, &s.hi, &s.sum, &s.squares, offset);
  return s;
}
Stats<int16_t> move(int16_t* d, const int16_t* v, uint32_t n, Stats<int16_t> s, float offset, int32_t stride) {
  tqcalcMoveAndGetMinMaxAveRMS_int16_t(d, v, n, &s.lo, &s.hi, &s.sum, &s.squares, offset, stride);
  return s;
}

// Samples 4096 with offset 2^-12: s * s is 2^24 in single precision and
// 2^24 + 2 (+ 2^-24) in double, so (sumOfSquares - n 2^24) / 2 counts the
// samples that took the double path.
template <class T, class F>
void splitCounted(F f) {
  for (uint32_t n = 0; n <= 40; ++n)
    for (std::size_t offset = 0; offset < 16; offset += sizeof(T)) {
      GuardedArray<T> a(n, Placement::AtStart, offset);
      a.assign(std::vector<T>(n, T(4096)));
      const auto counted = [&](const Stats<T>& s) { return std::lround((s.squares - n * 0x1p24) / 2); };
      const auto [first, end] = ref::doubleShiftRange(a.data(), n);
      EXPECT_EQ(counted(run(f, a.data(), n, {0, 0, 0, 0}, 0x1p-12)), long(end - first)) << n << " at byte " << offset;
      if constexpr (std::is_same_v<T, int16_t>) {  // the copy: split on the source for stride 1, else the destination
        GuardedArray<int16_t> d(n, Placement::AtStart, (3 * offset + 6) % 16);
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

// NaN samples never enter the extremes, NaN seeds stay; the sums turn NaN.
template <class T, class F>
void nanSamples(F f) {
  for (uint32_t n = 1; n <= 25; ++n)
    for (uint32_t at = 0; at < n; ++at) {
      std::vector<T> v = randomValues<T>(n, n, 1e5);
      v[at] = NAN;
      const Stats<T> got = run(f, v.data(), n, {T(1e6), T(-1e6), 0, 0}, 0), seeded = run(f, v.data(), n, {T(NAN), T(NAN), 0, 0}, 0);
      Stats<T> e{T(1e6), T(-1e6), 0, 0};
      ref::tqcalcGetMinMaxAveRMS(v.data(), n, &e.lo, &e.hi, &e.sum, &e.squares, T(0));
      EXPECT_TRUE(sameBits(e.lo, got.lo) && sameBits(e.hi, got.hi) && std::isnan(got.sum) && std::isnan(got.squares)) << n << " " << at;
      EXPECT_TRUE(std::isnan(seeded.lo) && std::isnan(seeded.hi)) << n;
    }
}
TEST(RunningStats, NaNSamplesNeverEnterTheExtremes) {
  nanSamples<double>(tqcalcGetMinMaxAveRMS_double), nanSamples<float>(tqcalcGetMinMaxAveRMS_float);
  // sum 10 + 3, squares (3 - 1)^2; the minimum moves only down.
  const int16_t three = 3;
  const auto s = run(tqcalcGetMinMaxAveRMS_int16_t, &three, 1, {2, 2, 10.0, 0.0}, -1);
  EXPECT_TRUE(s.lo == 2 && s.hi == 3 && s.sum == 13.0 && s.squares == 4.0);
}

// Strides 0 and -3 gather source[i * stride]; the statistics are the
// reference's over the gathered samples (split on the same destination).
TEST(MoveWithStats, ZeroAndBackwardStrides) {
  const auto r = randomValues<double>(100, 3, 1000.0);  // small: sums exact in any order
  const std::vector<int16_t> source(r.begin(), r.end());
  for (int32_t stride : {0, -3})
    for (uint32_t n : {7u, 8u, 25u}) {
      std::vector<int16_t> got(n);
      const int16_t* from = source.data() + (stride ? 99 : 0);
      Stats<int16_t> e{0, 0, 0.5, 0.25};
      const Stats<int16_t> g = move(got.data(), from, n, e, 0.25f, stride);
      const std::vector<int16_t> copied = got;
      ref::tqcalcMoveAndGetMinMaxAveRMS_int16_t(got.data(), from, n, &e.lo, &e.hi, &e.sum, &e.squares, 0.25f, stride);
      EXPECT_TRUE(got == copied && g.lo == e.lo && g.hi == e.hi && sameBits(e.sum, g.sum) && sameBits(e.squares, g.squares))
          << stride << " " << n;
    }
}

}  // namespace
}  // namespace tq::test
