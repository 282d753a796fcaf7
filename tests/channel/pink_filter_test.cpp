// Pink-noise filter: the described worked values (state bits exact, results
// within 4 ulp), the delayed term gone on the third call, a zero state kept
// at zero.
#include <gtest/gtest.h>

#include <cmath>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

::testing::AssertionResult withinUlps(double expected, double actual, int ulps) {
  if (std::fabs(expected - actual) <= ulps * (std::nextafter(std::fabs(expected), INFINITY) - std::fabs(expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << describe(expected) << ", got " << describe(actual);
}

TEST(PinkFilter, WorkedValues) {
  PinkFilterState s{};
  EXPECT_TRUE(withinUlps(0.32943712, tqcalcPinkFilter_double(&s, 1.0), 4));
  const double w = 0.2;
  const PinkFilterState first{w * 0.0555179, w * 0.0750759, w * 0.153852, w * 0.3104856, w * 0.5329522, w * -0.016898,
                              w * 0.115926, w * 0.5362};
  EXPECT_EQ(0, std::memcmp(&first, &s, sizeof s));
  EXPECT_NEAR(0.0231852, s.b6, 1e-17);
  const double second = 0.99886 * first.b0 + 0.99332 * first.b1 + 0.969 * first.b2 + 0.8665 * first.b3 +
                        0.55 * first.b4 - 0.7616 * first.b5 + first.b6;
  EXPECT_TRUE(withinUlps(second, tqcalcPinkFilter_double_cdecl(&s, 0.0), 4));
  EXPECT_NEAR(0.194013318, second, 1e-9);
  // Third call: the decayed memories only.
  const double third = 0.99886 * 0.99886 * first.b0 + 0.99332 * 0.99332 * first.b1 + 0.969 * 0.969 * first.b2 +
                       0.8665 * 0.8665 * first.b3 + 0.55 * 0.55 * first.b4 + 0.7616 * 0.7616 * first.b5;
  EXPECT_NEAR(third, tqcalcPinkFilter_double(&s, 0.0), 1e-15);
  EXPECT_SAME_BITS(0.0, s.b6);
  PinkFilterState zero{};
  EXPECT_SAME_BITS(0.0, tqcalcPinkFilter_double(&zero, 0.0));
  for (double v : {zero.b0, zero.b1, zero.b2, zero.b3, zero.b4, zero.b5, zero.b6, zero.direct}) EXPECT_EQ(0.0, v);
}

// `direct` is written, never read: a NaN there changes nothing.
TEST(PinkFilter, DirectTermIsNeverRead) {
  PinkFilterState a{}, b{};
  b.direct = NAN;
  for (double white : {1.0, -0.5, 0.25}) EXPECT_SAME_BITS(tqcalcPinkFilter_double(&a, white), tqcalcPinkFilter_double(&b, white));
}

}  // namespace
}  // namespace tq::test
