// Energies: the described values, zero and negative counts, NaN at every
// lane, and the conditional sums' ascending order.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

struct Split {
  double pos = -1, neg = -1;
};
Split energy(const std::vector<float>& u, const std::vector<float>& i, int32_t n, const std::vector<float>* c = nullptr) {
  Split r;
  if (c)
    tqcalcPowerCalculatePosAndNegEnergyOnCondition(u.data(), i.data(), c->data(), n, &r.pos, &r.neg);
  else
    tqcalcPowerCalculatePosAndNegEnergy(u.data(), i.data(), n, &r.pos, &r.neg);
  return r;
}

TEST(Energy, DescribedValues) {
  const std::vector<float> u = {1, -1, 2}, i = {1, 1, -3}, c = {1, 0, 0.5};
  EXPECT_SAME_BITS(1.0, energy(u, i, 3).pos);
  EXPECT_SAME_BITS(-7.0, energy(u, i, 3).neg);
  EXPECT_SAME_BITS(1.0, energy(u, i, 3, &c).pos);
  EXPECT_SAME_BITS(0.0, energy(u, i, 3, &c).neg);
  for (int32_t n : {0, -2}) {
    EXPECT_SAME_BITS(0.0, energy(u, i, n).pos);
    EXPECT_SAME_BITS(0.0, energy(u, i, n, &c).neg);
  }
  // Products in float: (1 + 2^-12)^2 loses its 2^-24.
  const std::vector<float> x = {1 + 0x1p-12f};
  EXPECT_SAME_BITS(1 + 0x1p-11, energy(x, x, 1).pos);
}

// A NaN product (and -0.0) at every lane lands in the positive sum; the
// negative one keeps its value. Conditions 1, except NaN and 0.5 exclude.
TEST(Energy, NaNAndSignedZeroAtEveryLane) {
  for (int32_t n : {1, 7, 8, 9, 17, 40})
    for (int32_t at = 0; at < n; ++at) {
      std::vector<float> u(n, 2), i(n, -1.5f), c(n, 1);
      u[at] = NAN;
      Split r = energy(u, i, n), rc = energy(u, i, n, &c);
      EXPECT_TRUE(std::isnan(r.pos) && std::isnan(rc.pos)) << n << " " << at;
      EXPECT_SAME_BITS(0.0 - 3.0 * (n - 1), r.neg);
      EXPECT_SAME_BITS(0.0 - 3.0 * (n - 1), rc.neg);
      u[at] = -0.0f, c[(at + 1) % n] = NAN;
      r = energy(u, i, n), rc = energy(u, i, n, &c);
      EXPECT_SAME_BITS(0.0, r.pos);
      EXPECT_SAME_BITS(0.0 - 3.0 * (n - 1), r.neg);
      EXPECT_SAME_BITS(n == 1 ? 0.0 : -3.0 * (n - 2), rc.neg);
    }
}

// Ascending order: 1 + 2^-53 + 2^-53 stays 1, the other order does not.
TEST(Energy, ConditionalSumsAscend) {
  const std::vector<float> u = {1, 0x1p-53f, 0x1p-53f, -1, -0x1p-53f, -0x1p-53f}, i(6, 1), c(6, 1);
  const Split r = energy(u, i, 6, &c);
  EXPECT_SAME_BITS(1.0, r.pos);
  EXPECT_SAME_BITS(-1.0, r.neg);
}

}  // namespace
}  // namespace tq::test
