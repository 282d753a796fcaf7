// Power sums, energies, angles, strongest bin, squared-magnitude sum and the
// FIR step: the cases worked out by hand, exact. Every count, alignment and
// guard against the definition is the harness rows'.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

using V = std::vector<float>;
std::pair<double, double> pq(const V& u, const V& i, int32_t n) {
  std::pair<double, double> r{-1, -1};
  tqcalcPowerPandQsum(u.data(), i.data(), n, &r.first, &r.second);
  return r;
}
std::pair<double, double> energy(const V& u, const V& i, int32_t n, const V* c = nullptr) {
  std::pair<double, double> r{-1, -1};
  if (c) tqcalcPowerCalculatePosAndNegEnergyOnCondition(u.data(), i.data(), c->data(), n, &r.first, &r.second);
  else tqcalcPowerCalculatePosAndNegEnergy(u.data(), i.data(), n, &r.first, &r.second);
  return r;
}
using P = std::pair<double, double>;

TEST(PowerSums, DescribedValues) {
  EXPECT_EQ(P(3.0, 0.0), pq({2, 0}, {3, 0}, 1));
  EXPECT_EQ(P(0.0, 0.5), pq({0, 1}, {1, 0}, 1));
  const V ones = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
  EXPECT_EQ(3.5, pq(ones, ones, 4).first);  // the last bin of an odd count at half weight
  EXPECT_EQ(4.0, pq(ones, ones, 5).first);
  for (int32_t n : {0, -1, INT32_MIN}) EXPECT_TRUE(sameBits(0.0, pq({}, {}, n).first) && sameBits(0.0, pq({}, {}, n).second));
  // Scaled before squaring, in float: x * x = 1 + 2^-11 + 2^-24 rounds to 1 + 2^-11.
  const float x = 1 + 0x1p-12f;
  EXPECT_SAME_BITS((1 + 0x1p-11) * (1 + 0x1p-11), tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(&x, 1, x));
  EXPECT_SAME_BITS(0.0, tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(&x, -3, x));
  const double in[2] = {-1.5, 2.0};
  float out[3] = {9, 9, 9};
  PowerSumVectorParams r{in, out, 1.0, 2.0f, 2, 1};
  tqcalcPowerSumVectorMultipliedWithScalar_double(&r);
  EXPECT_TRUE(sameBits(V{-3, 4, 9}, V(out, out + 3)));
  EXPECT_SAME_BITS(8.0, r.absSum);
  // No elements: nothing written; the flag still adds 0.0 (so -0.0 becomes +0.0).
  for (int32_t n : {0, -4}) {
    PowerSumVectorParams e{in, out + 2, -0.0, 2.0f, n, 1};
    tqcalcPowerSumVectorMultipliedWithScalar_double(&e);
    EXPECT_TRUE(sameBits(0.0, e.absSum) && out[2] == 9);
  }
}

TEST(Energy, DescribedValues) {
  const V u = {1, -1, 2}, i = {1, 1, -3}, c = {1, 0, 0.5};
  EXPECT_EQ(P(1.0, -7.0), energy(u, i, 3));
  EXPECT_EQ(P(1.0, 0.0), energy(u, i, 3, &c));  // 0.5 is not above 0.5
  for (int32_t n : {0, -2}) EXPECT_TRUE(sameBits(0.0, energy(u, i, n).first) && sameBits(0.0, energy(u, i, n, &c).second));
  // A NaN product to the positive sum; -0.0 there too, adding nothing.
  const P nan = energy({NAN, 2, -0.0f}, {1, -1, 1}, 3);
  EXPECT_TRUE(std::isnan(nan.first) && nan.second == -2.0);
  EXPECT_SAME_BITS(0.0, energy({-0.0f}, {1}, 1).first);
  const V x = {1 + 0x1p-12f};  // products in float: (1 + 2^-12)^2 loses its 2^-24
  EXPECT_SAME_BITS(1 + 0x1p-11, energy(x, x, 1).first);
}

// angles[1 .. count] for `bins` (pairs), angles[0] left at its sentinel.
V angles(const V& bins, int32_t count, float phase, float binsPerOrder) {
  V out(std::max(count, 0) + 1, 1234.5f);
  tqcalcPowerAngles(bins.data(), out.data(), count, phase, binsPerOrder);
  return out;
}

TEST(Angles, DescribedValues) {
  EXPECT_EQ(V{1234.5f}, angles({0, 1, 0, 1}, -3, 0, 1));
  EXPECT_EQ((V{1234.5f, -90}), angles({0, 1, 1, 0, 0, 1}, 1, 0, 1));  // a1 = 90 at bin 1
  // Equal angles (45) at bins 1 and 2, x = 1.5: d = 360, -0.5 * 360 - 45 = -225 -> 135.
  EXPECT_SAME_BITS(135.0f, angles({0, 1, 1, 1, 1, 1}, 1, 0, 1.5f)[1]);
  // With all bins at angle 0, r is the phase: each wrap point.
  const float wraps[][2] = {{-450, -90}, {450, 90}, {270, -90}, {-270, 90}, {180, 180}, {-180, -180},
                            {360, 0}, {-360, 0}, {720, 0}, {-0.0f, 0.0f}};
  for (const auto& w : wraps) EXPECT_SAME_BITS(w[1], angles({0, 1, 0, 1, 0, 1}, 1, w[0], 1)[1]) << w[0];
  EXPECT_EQ(0u, tqcalcPowerFindIndexOfMaxAmplitude(nullptr, 0));
  EXPECT_EQ(0u, tqcalcPowerFindIndexOfMaxAmplitude(V{5, 5}.data(), 1));
  EXPECT_EQ(1u, tqcalcPowerFindIndexOfMaxAmplitude(V{0, 0, 3, 4, 1, 1, 4, 3}.data(), 4));  // the first of equals
  EXPECT_EQ(0u, tqcalcPowerFindIndexOfMaxAmplitude(V{9, 9, 0, 0, 0, 0}.data(), 3));
  EXPECT_SAME_BITS(25.0, tqcalcPowerHarmonicZero(V{3, 4}.data(), 1));
  EXPECT_SAME_BITS(0.0, tqcalcPowerHarmonicZero(nullptr, 0));
}

// Set 2 of three (the others NaN), one coefficient 1: which ring sample it
// meets, for the described positions of a ring of 100 (0..99 hold 1..100).
TEST(FirStep, DescribedTaps) {
  V ring(100);
  for (int i = 0; i < 100; ++i) ring[std::size_t(i)] = float(i + 1);
  const struct { uint32_t position, tap; float sample; } cases[] = {
      {16, 0, 1}, {16, 15, 16}, {0, 0, 85}, {0, 15, 100}, {5, 0, 90}, {5, 10, 100}, {5, 11, 1}, {5, 15, 5}};
  for (const auto& c : cases) {
    V sets(48, NAN);
    std::fill(sets.begin() + 32, sets.end(), 0.0f);
    sets[32 + c.tap] = 1;
    const PowerFirParams r{ring.data(), sets.data(), c.position, 2, 100};
    EXPECT_SAME_BITS(c.sample, tqcalcPowerCalcFIR_float(&r)) << c.position << " " << c.tap;
  }
}

}  // namespace
}  // namespace tq::test
