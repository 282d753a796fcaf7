// Pink-noise filter: the worked values (state bits exact, results within 4
// ulp), the delayed term gone on the third call, a zero state kept at zero.
#include <gtest/gtest.h>

#include <cmath>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

TEST(PinkFilter, WorkedValues) {
  PinkFilterState s{};
  const double ulp = 0x1p-54;
  EXPECT_NEAR(0.32943712, tqcalcPinkFilter_double(&s, 1.0), 4 * ulp);
  const double w = 0.2;
  const PinkFilterState first{w * 0.0555179, w * 0.0750759, w * 0.153852, w * 0.3104856, w * 0.5329522, w * -0.016898,
                              w * 0.115926, w * 0.5362};
  EXPECT_EQ(0, std::memcmp(&first, &s, sizeof s));
  EXPECT_NEAR(0.0231852, s.b6, 1e-17);
  EXPECT_NEAR(0.194013318, tqcalcPinkFilter_double_cdecl(&s, 0.0), 1e-9);
  // Third call: the decayed memories only (with a delayed term it would be 0.15488).
  EXPECT_NEAR(0.13169295, tqcalcPinkFilter_double(&s, 0.0), 1e-8);
  EXPECT_SAME_BITS(0.0, s.b6);
  PinkFilterState zero{};
  EXPECT_SAME_BITS(0.0, tqcalcPinkFilter_double(&zero, 0.0));
  for (double v : {zero.b0, zero.b1, zero.b2, zero.b3, zero.b4, zero.b5, zero.b6, zero.direct}) EXPECT_EQ(0.0, v);
}

}  // namespace
}  // namespace tq::test
