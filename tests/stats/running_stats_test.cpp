// Running statistics: the short path gives the definition's bits; seeds and
// NaN entry values survive, NaN samples never enter the extremes; two halves
// give the whole; and which samples form the shifted value in double is
// counted, over counts and start addresses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

template <class T>
using Offset = std::conditional_t<std::is_same_v<T, float> || std::is_same_v<T, int16_t>, float, double>;
template <class T>
constexpr auto statsOf() {
  if constexpr (std::is_same_v<T, double>) return tqcalcGetMinMaxAveRMS_double;
  else if constexpr (std::is_same_v<T, float>) return tqcalcGetMinMaxAveRMS_float;
  else if constexpr (std::is_same_v<T, int16_t>) return tqcalcGetMinMaxAveRMS_int16_t;
  else return tqcalcGetMinMaxAveRMS_int32_t;
}
template <class T>
constexpr uint32_t kWidth = std::is_same_v<T, double> || std::is_same_v<T, int32_t> ? 4 : 8;

template <class T>
struct Stats {
  T lo, hi;
  double sum, squares;
};
template <class T>
Stats<T> run(const T* v, uint32_t n, Stats<T> s, Offset<T> offset) {
  statsOf<T>()(v, n, &s.lo, &s.hi, &s.sum, &s.squares, offset);
  return s;
}
template <class T>
::testing::AssertionResult same(const Stats<T>& e, const Stats<T>& g) {
  if (bitsOf(e.lo) == bitsOf(g.lo) && bitsOf(e.hi) == bitsOf(g.hi) && sameBits(e.sum, g.sum) && sameBits(e.squares, g.squares))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << describe(e.lo) << " " << describe(e.hi) << " " << describe(e.sum) << " "
                                       << describe(e.squares) << ", got " << describe(g.lo) << " " << describe(g.hi) << " "
                                       << describe(g.sum) << " " << describe(g.squares);
}
// Random samples over a wide range (integers over the type's).
template <class T>
std::vector<T> samples(uint32_t n, uint32_t seed) {
  const double scale = std::is_same_v<T, int16_t> ? 32767 : std::is_same_v<T, int32_t> ? 2e9 : 1e5;
  const auto r = randomValues<double>(n, seed, scale);
  return std::vector<T>(r.begin(), r.end());
}

template <class T>
class RunningStats : public ::testing::Test {};
using SampleTypes = ::testing::Types<double, float, int16_t, int32_t>;
TYPED_TEST_SUITE(RunningStats, SampleTypes);

// Below one vector, any data: the sequential step's bits, into the entry sums.
TYPED_TEST(RunningStats, ShortPathGivesTheDefinitionsBits) {
  using T = TypeParam;
  for (uint32_t n = 0; n < kWidth<T>; ++n) {
    const auto v = samples<T>(n, n);
    const Stats<T> seed{T(3), T(-3), 0.1, 7.7};
    Stats<T> e = seed;
    ref::tqcalcGetMinMaxAveRMS(v.data(), n, &e.lo, &e.hi, &e.sum, &e.squares, Offset<T>(0.3));
    EXPECT_TRUE(same(e, run(v.data(), n, seed, Offset<T>(0.3)))) << n;
  }
  // sum 10 + 3, squares (3 - 1)^2; the minimum moves only down.
  EXPECT_TRUE(same({T(2), T(3), 13.0, 4.0}, run<T>(std::vector<T>{T(3)}.data(), 1, {T(2), T(2), 10.0, 0.0}, -1)));
}

TYPED_TEST(RunningStats, SeedsAndNaNEntryValuesSurviveNaNSamplesNeverEnter) {
  using T = TypeParam;
  using L = std::numeric_limits<T>;
  for (uint32_t n = 1; n <= 3 * kWidth<T> + 1; ++n) {
    std::vector<T> v = samples<T>(n, n + 9);
    const T below = std::is_integral_v<T> ? L::lowest() : T(-1e6), above = std::is_integral_v<T> ? L::max() : T(1e6);
    Stats<T> s = run(v.data(), n, {below, above, 0, 0}, 0);
    EXPECT_EQ(s.lo, below);
    EXPECT_EQ(s.hi, above);
    if constexpr (std::is_floating_point_v<T>) {
      s = run(v.data(), n, {L::quiet_NaN(), L::quiet_NaN(), 0, 0}, 0);
      EXPECT_TRUE(std::isnan(s.lo) && std::isnan(s.hi)) << n;
      for (uint32_t at = 0; at < n; ++at) {
        std::vector<T> w = v;
        w[at] = L::quiet_NaN();
        T lo = w[(at + 1) % n], hi = lo;
        for (T x : w) lo = x < lo ? x : lo, hi = x > hi ? x : hi;
        s = run(w.data(), n, {above, below, 0, 0}, 0);
        EXPECT_EQ(s.lo, n == 1 ? above : lo) << n << " " << at;
        EXPECT_EQ(s.hi, n == 1 ? below : hi) << n << " " << at;
        EXPECT_TRUE(std::isnan(s.sum) && std::isnan(s.squares));
      }
    }
  }
}

// Small integers: sums exact in any order, so the halves give the whole's bits.
TYPED_TEST(RunningStats, HalvesGiveTheWhole) {
  using T = TypeParam;
  for (uint32_t n : {2u, 9u, 16u, 17u, 40u, 1001u}) {
    std::vector<T> v(n);
    for (uint32_t i = 0; i < n; ++i) v[i] = T(int(i * 7919 % 2001) - 1000);
    const Stats<T> seed{T(0), T(0), 0.5, 0.25}, whole = run(v.data(), n, seed, Offset<T>(-0.5));
    for (uint32_t cut : {n / 2, n / 3 + 1}) {
      const Stats<T> first = run(v.data(), cut, seed, Offset<T>(-0.5));
      EXPECT_TRUE(same(whole, run(v.data() + cut, n - cut, first, Offset<T>(-0.5)))) << n << " " << cut;
    }
  }
}

// Samples 4096 with offset 2^-12: s * s is 2^24 in single precision and
// 2^24 + 2 (+ 2^-24) in double, so (sumOfSquares - n 2^24) / 2 counts the
// samples that took the double path.
TYPED_TEST(RunningStats, PrecisionSplitCounted) {
  using T = TypeParam;
  for (uint32_t n = 0; n <= 40; ++n)
    for (std::size_t offset = 0; offset < 16; offset += sizeof(T)) {
      GuardedArray<T> a(n, Placement::AtStart, offset);
      a.assign(std::vector<T>(n, T(4096)));
      const Stats<T> s = run(a.data(), n, {T(0), T(0), 0, 0}, Offset<T>(0x1p-12));
      const auto [first, end] = ref::doubleShiftRange(a.data(), n);
      EXPECT_EQ(std::lround((s.squares - n * 0x1p24) / 2), long(end - first)) << n << " at byte " << offset;
      EXPECT_EQ(s.sum, 4096.0 * n);
    }
}

}  // namespace
}  // namespace tq::test
