// Angles, strongest bin and squared-magnitude sum: the described values, the
// wrap driven by phasePerOrder, bins read only up to the last one needed,
// ties and NaN at every position, and the fixed order of the sum.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "support/guarded.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

// angles[1 .. count] for `bins` (pairs), angles[0] left at its sentinel.
std::vector<float> angles(const std::vector<float>& bins, int32_t count, float phase, float binsPerOrder) {
  std::vector<float> out(std::max(count, 0) + 1, 1234.5f);
  tqcalcPowerAngles(bins.data(), out.data(), count, phase, binsPerOrder);
  return out;
}

TEST(Angles, DescribedValues) {
  EXPECT_SAME_BITS(1234.5f, angles({0, 1, 0, 1}, 0, 0, 1)[0]);
  EXPECT_SAME_BITS(1234.5f, angles({0, 1, 0, 1}, -3, 0, 1)[0]);
  // a1 = 90 at bin 1: -90, and angles[0] untouched.
  const auto a = angles({0, 1, 1, 0, 0, 1}, 1, 0, 1);
  EXPECT_SAME_BITS(1234.5f, a[0]);
  EXPECT_SAME_BITS(-90.0f, a[1]);
  // Equal angles (45) at bins 1 and 2, x = 1.5: d = 360, -0.5 * 360 - 45 = -225 -> 135.
  EXPECT_SAME_BITS(135.0f, angles({0, 1, 1, 1, 1, 1}, 1, 0, 1.5f)[1]);
}

// With all bins at angle 0, r is the order times phasePerOrder.
float wrappedPhase(float phase) { return angles({0, 1, 0, 1, 0, 1}, 1, phase, 1)[1]; }

TEST(Angles, WrapPoints) {
  const float cases[][2] = {{-450, -90}, {450, 90}, {270, -90}, {-270, 90}, {180, 180}, {-180, -180},
                            {360, 0}, {-360, 0}, {720, 0}, {0, 0}, {-0.0f, 0.0f}};
  for (const auto& c : cases) EXPECT_SAME_BITS(c[1], wrappedPhase(c[0])) << c[0];
}

TEST(Angles, WideSweepLandsInRangeAndCongruent) {
  for (float phase = -10000; phase <= 10000; phase += 0.37f) {
    const float r = wrappedPhase(phase);
    ASSERT_TRUE(r >= -180 && r <= 180) << phase << " -> " << r;
    const double turns = (double(phase) - r) / 360;
    ASSERT_NEAR(turns, std::nearbyint(turns), 2e-5) << phase << " -> " << r;
  }
}

// The spectrum ends at bin trunc(count * binsPerOrder) + 1, flush against a
// guard page: a read beyond it faults.
TEST(Angles, ReadsOnlyTheBinsItNeeds) {
  for (float bins : {0.5f, 1.0f, 1.5f, 2.25f, 3.0f, 10.24f})
    for (int32_t count = 1; count <= 12; ++count) {
      const std::size_t n = 2 * (std::size_t(float(count) * bins) + 2);
      GuardedArray<float> s(n, Placement::AtEnd);
      std::vector<float> v(n);
      for (std::size_t k = 0; k < n; ++k) v[k] = float(k % 7) - 3;
      s.assign(v);
      std::vector<float> out(count + 1);
      tqcalcPowerAngles(s.data(), out.data(), count, 7.5f, bins);
      for (int32_t i = 1; i <= count; ++i) EXPECT_TRUE(out[i] >= -180 && out[i] <= 180) << bins << " " << count;
    }
}

uint32_t maxIndex(const std::vector<float>& bins, uint32_t count) {
  return tqcalcPowerFindIndexOfMaxAmplitude(bins.data(), count);
}

TEST(MaxAmplitude, DescribedValues) {
  EXPECT_EQ(0u, maxIndex({}, 0));
  EXPECT_EQ(0u, maxIndex({5, 5}, 1));
  EXPECT_EQ(1u, maxIndex({0, 0, 3, 4, 1, 1, 4, 3}, 4));
  EXPECT_EQ(0u, maxIndex({9, 9, 0, 0, 0, 0}, 3));
}

// The peak at every bin, an equal magnitude later and a NaN before and after
// it: the peak's bin wins, in vector steps and in the tail.
TEST(MaxAmplitude, TiesAndNaNAtEveryPosition) {
  for (uint32_t n = 2; n <= 40; ++n)
    for (uint32_t at = 1; at < n; ++at) {
      std::vector<float> s(2 * n, 1.0f);
      s[0] = 100;  // bin 0 is never examined
      s[2 * at] = 5;
      if (at + 1 < n) s[2 * n - 1] = 5, s[2 * n - 2] = 1;  // same magnitude, im and re swapped
      if (at > 1) s[2 * (at - 1)] = NAN;
      if (at + 2 < n) s[2 * (at + 1) + 1] = NAN;
      EXPECT_EQ(at, maxIndex(s, n)) << n;
    }
}

TEST(HarmonicZero, AscendingSum) {
  EXPECT_SAME_BITS(25.0, tqcalcPowerHarmonicZero(std::vector<float>{3, 4}.data(), 1));
  EXPECT_SAME_BITS(0.0, tqcalcPowerHarmonicZero(nullptr, 0));
  // 1 first, then sixteen squares of 2^-54: each alone is below half an ulp
  // of 1, so the ascending sum stays 1 (summed among themselves they are not).
  std::vector<float> s(34, 0.0f);
  s[0] = 1;
  for (int k = 1; k < 17; ++k) s[2 * k + (k & 1)] = 0x1p-27f;
  EXPECT_SAME_BITS(1.0, tqcalcPowerHarmonicZero(s.data(), 17));
}

}  // namespace
}  // namespace tq::test
