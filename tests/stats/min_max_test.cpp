// Minimum and maximum scans: the extremes at every index of every count up
// to three vectors, at every natural misalignment, flush against a guard page
// on either side; the type's limits; NaN where the scan puts it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

template <class T>
constexpr auto minMaxOf() {
  if constexpr (std::is_same_v<T, double>) return tqcalcGetMinMax_double;
  else if constexpr (std::is_same_v<T, float>) return tqcalcGetMinMax_float;
  else if constexpr (std::is_same_v<T, int16_t>) return tqcalcGetMinMax_int16_t;
  else return tqcalcGetMinMax_int32_t;
}
template <class T>
constexpr uint32_t kWidth = sizeof(T) == 4 && std::is_floating_point_v<T> ? 8 : sizeof(T) == 2 ? 8 : 4;

template <class T>
class MinMax : public ::testing::Test {};
using SampleTypes = ::testing::Types<double, float, int16_t, int32_t>;
TYPED_TEST_SUITE(MinMax, SampleTypes);

// Calls on a guarded copy of `v`; the results start as sentinels.
template <class T>
std::pair<T, T> scan(const std::vector<T>& v, Placement placement, std::size_t offset) {
  GuardedArray<T> a(v.size(), placement, offset);
  a.assign(v);
  T lo = T(99), hi = T(-99);
  minMaxOf<T>()(a.data(), uint32_t(v.size()), &lo, &hi);
  return {lo, hi};
}

TYPED_TEST(MinMax, ExtremesAtEveryIndexAndAlignment) {
  using T = TypeParam;
  using L = std::numeric_limits<T>;
  // The integers at their limits, the floats at values with no tie.
  const T low = std::is_integral_v<T> ? L::lowest() : T(-1e4), high = std::is_integral_v<T> ? L::max() : T(3e3);
  for (uint32_t n = 1; n <= 3 * kWidth<T> + 1; ++n)
    for (uint32_t at = 0; at < n; ++at) {
      std::vector<T> v(n);
      for (uint32_t i = 0; i < n; ++i) v[i] = T((i * 5 + n) % 17) - T(8);
      v[(at + 1) % n] = high;
      v[at] = low;
      const T expectedHigh = n == 1 ? low : high;
      for (std::size_t offset = 0; offset < 32; offset += sizeof(T)) {
        const auto [lo, hi] = scan(v, Placement::AtStart, offset);
        EXPECT_SAME_BITS(low, lo) << n << " " << at << " " << offset;
        EXPECT_SAME_BITS(expectedHigh, hi) << n << " " << at << " " << offset;
      }
      EXPECT_EQ(scan(v, Placement::AtEnd, 0), std::make_pair(low, expectedHigh));
    }
}

// A NaN after element 0 is never taken; a NaN element 0 is both results.
// Signed zeros follow the scan on the short path (the blocks may pick either).
TYPED_TEST(MinMax, NaNFollowsTheScan) {
  using T = TypeParam;
  if constexpr (std::is_floating_point_v<T>) {
    for (uint32_t n = 1; n <= 3 * kWidth<T> + 1; ++n)
      for (uint32_t at = 0; at < n; ++at)
        for (std::size_t offset : {std::size_t(0), sizeof(T)}) {
          std::vector<T> v(n);
          for (uint32_t i = 0; i < n; ++i) v[i] = T(i % 7) - T(2.5);
          v[at] = std::numeric_limits<T>::quiet_NaN();
          T lo, hi;
          ref::tqcalcGetMinMax(v.data(), n, &lo, &hi);
          const auto got = scan(v, Placement::AtStart, offset);
          EXPECT_SAME_BITS(lo, got.first) << n << " " << at;
          EXPECT_SAME_BITS(hi, got.second) << n << " " << at;
        }
    // Below one vector the scan keeps the first of equal zeros.
    for (T first : {T(0), -T(0)}) {
      const auto [lo, hi] = scan(std::vector<T>{first, -first, first}, Placement::AtEnd, 0);
      EXPECT_SAME_BITS(first, lo);
      EXPECT_SAME_BITS(first, hi);
    }
  }
}

}  // namespace
}  // namespace tq::test
