// Minimum and maximum scans: NaN where the scan puts it, at every index of
// every count up to three vectors, and the first of equal zeros below one
// vector. Extremes at every count, alignment and guard are the harness rows'.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bits.h"
#include "support/harness.h"

namespace tq::test {
namespace {

template <class T>
void scan(const std::vector<T>& v, T* lo, T* hi) {
  if constexpr (std::is_same_v<T, double>) tqcalcGetMinMax_double(v.data(), uint32_t(v.size()), lo, hi);
  else tqcalcGetMinMax_float(v.data(), uint32_t(v.size()), lo, hi);
}

// A NaN after element 0 is never taken; a NaN element 0 is both results.
template <class T>
void nanFollowsTheScan() {
  for (uint32_t n = 1; n <= 25; ++n)
    for (uint32_t at = 0; at < n; ++at) {
      std::vector<T> v(n);
      for (uint32_t i = 0; i < n; ++i) v[i] = T(i % 7) - T(2.5);
      v[at] = std::numeric_limits<T>::quiet_NaN();
      T lo, hi, glo = 99, ghi = -99;
      ref::tqcalcGetMinMax(v.data(), n, &lo, &hi);
      scan(v, &glo, &ghi);
      EXPECT_SAME_BITS(lo, glo) << n << " " << at;
      EXPECT_SAME_BITS(hi, ghi) << n << " " << at;
    }
  for (T first : {T(0), -T(0)}) {
    T lo, hi;
    scan(std::vector<T>{first, -first, first}, &lo, &hi);
    EXPECT_SAME_BITS(first, lo);
    EXPECT_SAME_BITS(first, hi);
  }
}
TEST(MinMax, NaNFollowsTheScan) { nanFollowsTheScan<double>(), nanFollowsTheScan<float>(); }

}  // namespace
}  // namespace tq::test
