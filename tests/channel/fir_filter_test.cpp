// FIR filter: every length 0..80 at every position, both arrays flush
// against a guard page at either end, within the error bound of a float sum
// of the exact double dot product; position 0 and `length` give the same
// bits; the described small cases exactly.
#include <gtest/gtest.h>

#include "support/bits.h"
#include "support/guarded.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

TEST(FirFilter, EveryLengthAndPositionWithinTheFloatBoundOfTheExactSum) {
  for (int32_t length = 0; length <= 80; ++length)
    for (Placement placement : {Placement::AtEnd, Placement::AtStart}) {
      GuardedArray<float> h(std::size_t(length), placement), c(std::size_t(length), placement);
      h.assign(randomValues<float>(std::size_t(length), uint32_t(length), 1e3));
      c.assign(randomValues<float>(std::size_t(length), uint32_t(length) + 99, 1.0));
      const auto hv = h.values(), cv = c.values();
      for (int32_t position = 0; position <= length; ++position) {
        double exact = 0.0, magnitude = 0.0;
        for (int32_t k = 0; k < length; ++k) {
          const double p = double(cv[std::size_t(k)]) * hv[std::size_t((position + k) % length)];
          exact += p, magnitude += std::fabs(p);
        }
        const double result = tqcalcFIRFilter_float(h.data(), c.data(), length, position);
        EXPECT_EQ(double(float(result)), result) << "a float sum, widened";
        EXPECT_NEAR(exact, result, length * 0x1p-24 * magnitude) << "length " << length << ", position " << position;
        if (position == 0) EXPECT_SAME_BITS(result, tqcalcFIRFilter_float(h.data(), c.data(), length, length));
      }
    }
}

TEST(FirFilter, DescribedCases) {
  const float h[3] = {2, 3, 5}, c[3] = {7, 11, 13};
  EXPECT_SAME_BITS(14.0, tqcalcFIRFilter_float(h, c, 1, 0));
  EXPECT_SAME_BITS(14.0, tqcalcFIRFilter_float(h, c, 1, 1));
  EXPECT_SAME_BITS(7.0 * 3 + 11 * 5 + 13 * 2, tqcalcFIRFilter_float(h, c, 3, 1));
  EXPECT_SAME_BITS(7.0 * 5 + 11 * 2 + 13 * 3, tqcalcFIRFilter_float_cdecl(h, c, 3, 2));
  // Nothing read for length <= 0.
  EXPECT_SAME_BITS(0.0, tqcalcFIRFilter_float(nullptr, nullptr, 0, 0));
  EXPECT_SAME_BITS(0.0, tqcalcFIRFilter_float(nullptr, nullptr, -8, 0));
  // The sum stays single precision: 2^24 + 1 is not a float.
  const float big[2] = {0x1p24f, 1}, ones[2] = {1, 1};
  EXPECT_SAME_BITS(0x1p24, tqcalcFIRFilter_float(big, ones, 2, 0));
}

}  // namespace
}  // namespace tq::test
