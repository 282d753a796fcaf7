// FIR filter: the small cases by hand. Every length and position against
// the definition's bits is the harness row's.
#include <gtest/gtest.h>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

TEST(FirFilter, DescribedCases) {
  const float h[3] = {2, 3, 5}, c[3] = {7, 11, 13};
  EXPECT_SAME_BITS(14.0, tqcalcFIRFilter_float(h, c, 1, 0));
  EXPECT_SAME_BITS(14.0, tqcalcFIRFilter_float(h, c, 1, 1));
  EXPECT_SAME_BITS(7.0 * 3 + 11 * 5 + 13 * 2, tqcalcFIRFilter_float(h, c, 3, 1));
  EXPECT_SAME_BITS(7.0 * 5 + 11 * 2 + 13 * 3, tqcalcFIRFilter_float_cdecl(h, c, 3, 2));
  EXPECT_SAME_BITS(0.0, tqcalcFIRFilter_float(nullptr, nullptr, 0, 0));  // nothing read for length <= 0
  EXPECT_SAME_BITS(0.0, tqcalcFIRFilter_float(nullptr, nullptr, -8, 0));
  // The sum stays single precision: 2^24 + 1 is not a float.
  const float big[2] = {0x1p24f, 1}, ones[2] = {1, 1};
  EXPECT_SAME_BITS(0x1p24, tqcalcFIRFilter_float(big, ones, 2, 0));
}

}  // namespace
}  // namespace tq::test
