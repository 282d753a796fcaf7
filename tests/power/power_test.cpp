// Power analysis: the cases worked out by hand, exact; the flicker
// high-pass's first-sample rule; the unbalance sets. Every count (0
// included), alignment and guard against the definition, flicker state and
// blocks included, is the harness rows'.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "support/bits.h"
#include "support/flicker_state.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

using V = std::vector<float>;
using P = std::pair<double, double>;
P pq(const V& u, const V& i, int32_t n) {
  P r{-1, -1};
  tqcalcPowerPandQsum(u.data(), i.data(), n, &r.first, &r.second);
  return r;
}
P energy(const V& u, const V& i, int32_t n, const V* c = nullptr) {
  P r{-1, -1};
  if (c) tqcalcPowerCalculatePosAndNegEnergyOnCondition(u.data(), i.data(), c->data(), n, &r.first, &r.second);
  else tqcalcPowerCalculatePosAndNegEnergy(u.data(), i.data(), n, &r.first, &r.second);
  return r;
}
bool zeros(const P& r) { return sameBits(0.0, r.first) && sameBits(0.0, r.second); }

TEST(PowerSums, DescribedValues) {
  EXPECT_EQ(P(3.0, 0.0), pq({2, 0}, {3, 0}, 1));
  EXPECT_EQ(P(0.0, 0.5), pq({0, 1}, {1, 0}, 1));
  const V ones = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
  EXPECT_EQ(3.5, pq(ones, ones, 4).first);  // the last bin of an odd count at half weight
  EXPECT_EQ(4.0, pq(ones, ones, 5).first);
  for (int32_t n : {0, -1, INT32_MIN}) EXPECT_TRUE(zeros(pq({}, {}, n)));
  // Scaled before squaring, in float: x * x = 1 + 2^-11 + 2^-24 rounds to 1 + 2^-11.
  const float x = 1 + 0x1p-12f;
  EXPECT_SAME_BITS((1 + 0x1p-11) * (1 + 0x1p-11), tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(&x, 1, x));
  EXPECT_SAME_BITS(0.0, tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(&x, -3, x));
  const double in[2] = {-1.5, 2.0};
  float out[3] = {9, 9, 9};
  // No elements: nothing written; the flag still adds 0.0 (so -0.0 becomes +0.0).
  for (int32_t n : {2, 0, -4}) {
    PowerSumVectorParams r{in, out, n > 0 ? 1.0 : -0.0, n > 0 ? 2.0f : 5.0f, n, 1};
    tqcalcPowerSumVectorMultipliedWithScalar_double(&r);
    EXPECT_TRUE(sameBits(V{-3, 4, 9}, V(out, out + 3)) && sameBits(n > 0 ? 8.0 : 0.0, r.absSum)) << n;
  }
}

TEST(Energy, DescribedValues) {
  const V u = {1, -1, 2}, i = {1, 1, -3}, c = {1, 0, 0.5};
  EXPECT_EQ(P(1.0, -7.0), energy(u, i, 3));
  EXPECT_EQ(P(1.0, 0.0), energy(u, i, 3, &c));  // 0.5 is not above 0.5
  for (int32_t n : {0, -2}) EXPECT_TRUE(zeros(energy(u, i, n)) && zeros(energy(u, i, n, &c)));
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
  // The strongest bin: of none, of one, the first of equals, bin 0 itself.
  for (const auto& [bins, index] : {std::pair{V{}, 0u}, {V{5, 5}, 0u}, {V{0, 0, 3, 4, 1, 1, 4, 3}, 1u}, {V{9, 9, 0, 0, 0, 0}, 0u}})
    EXPECT_EQ(index, tqcalcPowerFindIndexOfMaxAmplitude(bins.empty() ? nullptr : bins.data(), uint32_t(bins.size() / 2)));
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

// High-pass d = {2, -2, 0.5} after pass-through stages (low-pass sections
// g 1, a1 2, a2 1 cancel their numerator 1, 2, 1), previous output 3: after
// the marker the first sample sees its own input as the previous one
// (y = 0.5 * 3), the second the stored one. One ulp off the marker is a sample.
TEST(Flicker, FirstSampleAfterTheMarker) {
  const double c[24] = {1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 2, -2, 0.5};
  for (double marker : {-9999999.0, std::nextafter(-9999999.0, 0.0)}) {
    double h[kFlickerHistories] = {};
    PowerFlickerState s = flickerState(h, c);
    s.highPassIn[0] = marker, s.highPassIn[1] = 100, s.highPassOut[1] = 3;
    const bool reset = marker == -9999999.0;
    float in = 2, out = -1;
    for (double expected : {reset ? 1.5 : -194.5, reset ? 0.75 : -97.25}) {
      tqcalcPowerFlicker(&s, &in, &out, 1);
      EXPECT_SAME_BITS(expected, s.highPassOut[0]);
    }
  }
}

// The thirteen outputs: totals t0..t2, negative and zero ratios, the same
// of the first element, and the first element's components s0, s1, s2 (re, im).
using Unbalance = std::array<float, 13>;
// n elements of magnitudes m[0..2] and angles m[3..5] (the guarded sweeps are the harness row's).
Unbalance unbalance(uint32_t n, const std::array<float, 6>& m, uint32_t count) {
  std::vector<V> g;
  for (float v : m) g.emplace_back(n, v);
  Unbalance r;
  float* o = r.data();
  const PowerUnbalanceParams p{g[0].data(), g[1].data(), g[2].data(), g[3].data(), g[4].data(), g[5].data(),
                               o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, o + 7, o + 9, o + 11, count};
  tqcalcPowerUnbalance(&p);
  return r;
}

// The described sets at one element and at five (four in single precision,
// one in double): totals within 2e-3 (times sqrt(n)), the rest within 1e-4;
// NaN: not checked. Magnitudes all zero give zeros exactly.
TEST(Unbalance, DescribedSets) {
  const float N = NAN, r3 = 50 * std::sqrt(3.0f);
  const struct { std::array<float, 6> m; Unbalance expected; } sets[] = {
      {{230, 230, 230, 0, 120, 240}, {0, 230, 0, 0, 0, 0, 0, 0, 0, 230, 0, 0, 0}},
      {{230, 230, 230, 0, 240, 120}, {N, 0, 230, N, N, N, N, 0, 0, 0, 0, 230, 0}},
      {{100, 100, 100, 30, 30, 30}, {N, N, N, N, N, N, N, r3, 50, N, N, N, N}},
      {{230, 230, 0, 0, 120, 240}, {N, N, N, N, 50, 50, 50, N, N, N, N, N, N}},
      {{0, 0, 0, 10, 20, 30}, {0, 0, 0, 0, 0, 0, 0, N, N, 0, 0, N, N}}};
  for (uint32_t n : {1u, 5u})
    for (const auto& set : sets) {
      const Unbalance got = unbalance(n, set.m, n);
      for (std::size_t k = 0; k < 13; ++k) {
        const double expected = set.expected[k] * (k < 3 ? std::sqrt(double(n)) : 1.0);
        if (std::isnan(expected)) continue;
        if (set.m[0] == 0) EXPECT_SAME_BITS(0.0f, got[k]) << k;
        else EXPECT_NEAR(expected, got[k], k < 3 ? 2e-3 : 1e-4) << set.m[1] << " " << k << " n " << n;
      }
    }
  // count 0 on one-element arrays: element 0 still gives the first components.
  const Unbalance c0 = unbalance(1, {230, 230, 230, 0, 120, 240}, 0);
  EXPECT_NEAR(230, c0[9], 1e-4);
  for (std::size_t k = 0; k < 5; ++k) EXPECT_SAME_BITS(0.0f, c0[k]);
}

}  // namespace
}  // namespace tq::test
