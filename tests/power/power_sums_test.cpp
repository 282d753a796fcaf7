// Power sums: the described values (the half weights among them), negative
// counts, a non-finite product at every lane and in the tail.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

struct PQ {
  double p, q;
};
PQ pq(const std::vector<float>& u, const std::vector<float>& i, int32_t n) {
  PQ r{-1, -1};
  tqcalcPowerPandQsum(u.data(), i.data(), n, &r.p, &r.q);
  return r;
}

TEST(PowerSums, DescribedValues) {
  EXPECT_SAME_BITS(3.0, pq({2, 0}, {3, 0}, 1).p);
  EXPECT_SAME_BITS(0.0, pq({2, 0}, {3, 0}, 1).q);
  EXPECT_SAME_BITS(0.0, pq({0, 1}, {1, 0}, 1).p);
  EXPECT_SAME_BITS(0.5, pq({0, 1}, {1, 0}, 1).q);
  const std::vector<float> ones = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
  EXPECT_SAME_BITS(3.5, pq(ones, ones, 4).p);
  EXPECT_SAME_BITS(4.0, pq(ones, ones, 5).p);
  for (int32_t n : {0, -1, INT32_MIN}) {
    EXPECT_SAME_BITS(0.0, pq({}, {}, n).p);
    EXPECT_SAME_BITS(0.0, pq({}, {}, n).q);
  }
}

// One non-finite product at each bin position reaches both sums.
TEST(PowerSums, NonFiniteProductAtEveryBin) {
  for (int32_t n : {2, 9, 21, 40})
    for (int32_t at = 0; at < n; ++at)
      for (float bad : {INFINITY, -INFINITY, NAN}) {
        std::vector<float> u(2 * n, 0.25f), i(2 * n, 2.0f);
        u[2 * at] = bad, u[2 * at + 1] = 0;  // p = 2 * bad, q = -2 * bad
        const PQ r = pq(u, i, n);
        EXPECT_TRUE(std::isnan(bad) ? std::isnan(r.p) : r.p == bad) << n << " " << at;
        EXPECT_TRUE(std::isnan(bad) ? std::isnan(r.q) : r.q == -bad) << n << " " << at;
      }
}

TEST(PowerSums, ScaledSquaresRoundBeforeSquaring) {
  const float x = 1 + 0x1p-12f;  // x * x = 1 + 2^-11 + 2^-24 rounds to 1 + 2^-11
  const double y = 1 + 0x1p-11;
  EXPECT_SAME_BITS(y * y, tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(&x, 1, x));
  EXPECT_SAME_BITS(0.0, tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(&x, -3, x));
  std::vector<float> v(37, x);
  v[35] = NAN;
  EXPECT_TRUE(std::isnan(tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(v.data(), 37, x)));
}

TEST(PowerSums, ScaledCopyAbsSum) {
  const double in[2] = {-1.5, 2.0};
  float out[3] = {9, 9, 9};
  PowerSumVectorParams r{in, out, 1.0, 2.0f, 2, 1};
  tqcalcPowerSumVectorMultipliedWithScalar_double(&r);
  EXPECT_SAME_BITS(-3.0f, out[0]);
  EXPECT_SAME_BITS(4.0f, out[1]);
  EXPECT_SAME_BITS(9.0f, out[2]);
  EXPECT_SAME_BITS(8.0, r.absSum);
  // No elements: nothing written; the flag still adds 0.0 (so -0.0 becomes +0.0).
  for (int32_t n : {0, -4}) {
    PowerSumVectorParams e{in, out, -0.0, 2.0f, n, 1};
    tqcalcPowerSumVectorMultipliedWithScalar_double(&e);
    EXPECT_SAME_BITS(0.0, e.absSum);
    EXPECT_SAME_BITS(-3.0f, out[0]);
  }
}

}  // namespace
}  // namespace tq::test
