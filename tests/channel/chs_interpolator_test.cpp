// CHS interpolator: statuses and the order of the checks (out-parameters
// written only on success), the lifecycle's exact outputs, and what Reset
// keeps. The streams themselves, in blocks up to the limit and through a
// Reset, are the harness rows' (against the reference, every entry).
#include <gtest/gtest.h>

#include <cmath>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

CHSInterpolator* const kSentinel = reinterpret_cast<CHSInterpolator*>(std::uintptr_t(0x5A5A5A50));

struct Object {
  explicit Object(double ratio, uint32_t length = 8) {
    const CHSInterpolatorParams p{1000.0, 1000.0 * ratio, length};
    EXPECT_EQ(0u, tqcalcCHSInterpolator_Create(&h, &p));
  }
  ~Object() { EXPECT_EQ(0u, tqcalcCHSInterpolator_Destroy(h)); }
  std::vector<float> feed(std::vector<float> x) {
    float* out = nullptr;
    uint32_t count = 7;
    EXPECT_EQ(0u, tqcalcCHSInterpolator_InterpolateValues(h, x.data(), uint32_t(x.size()), &out, &count));
    return std::vector<float>(out, out + count);
  }
  std::vector<float> stop() {
    float* out = nullptr;
    uint32_t count = 7;
    EXPECT_EQ(0u, tqcalcCHSInterpolator_Stop(h, &out, &count));
    return std::vector<float>(out, out + count);
  }
  CHSInterpolator* h = kSentinel;
};

TEST(ChsInterpolator, CreateStatusesLeaveTheHandleAlone) {
  const struct { double in, out; uint32_t length, status; } cases[] = {
      {1, 1, 0, 4}, {1, 1, 3, 4}, {1, 1, 6, 4}, {1, 1, 1, 4}, {1, 1, 2, 4}, {0, 1, 8, 1}, {0, 1, 3, 1}, {1, -1, 3, 1},
      {NAN, 1, 8, 1}, {1, NAN, 8, 1}, {1e-300, 1e300, 8, 1}, {1, 1, 0x80000000u, 1},
#if UINTPTR_MAX == 0xFFFFFFFF  // a ring, or an output buffer, beyond 32-bit memory
      {1, 1e-3, 1u << 30, 1}, {1, 3e8, 4, 1},
#endif
  };
  for (const auto& c : cases) {
    CHSInterpolator* h = kSentinel;
    const CHSInterpolatorParams p{c.in, c.out, c.length};
    EXPECT_EQ(c.status, tqcalcCHSInterpolator_Create(&h, &p)) << c.in << " " << c.out << " " << c.length;
    EXPECT_EQ(kSentinel, h);
  }
  CHSInterpolator* h = kSentinel;
  const CHSInterpolatorParams fine{1, 1, 8};
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Create(&h, nullptr));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Create_cdecl(nullptr, &fine));
  EXPECT_EQ(kSentinel, h);
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Destroy(nullptr));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Reset(nullptr));
}

TEST(ChsInterpolator, CallStatusesInTheirOrder) {
  Object o(1.0);
  const float x[7] = {1, 2, 3, 4, 5, 6, 7};
  float* out = reinterpret_cast<float*>(kSentinel);
  uint32_t count = 99;
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(nullptr, x, 1, &out, &count));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 0, &out, &count));
  EXPECT_EQ(2u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 7, &out, &count));  // nothing appended
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Stop(nullptr, &out, &count));
  EXPECT_TRUE(count == 99 && out == reinterpret_cast<float*>(kSentinel));
  EXPECT_TRUE(sameBits(std::vector<float>{1, 2, 3, 4, 5}, o.feed({1, 2, 3, 4, 5, 6})));  // L - 2 accepted
  o.stop();
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 0, &out, &count));
  EXPECT_EQ(2u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 7, &out, &count));
  EXPECT_EQ(3u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 1, &out, &count));
  EXPECT_EQ(3u, tqcalcCHSInterpolator_Stop(o.h, &out, &count));
  EXPECT_TRUE(count == 99 && out == reinterpret_cast<float*>(kSentinel));
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset(o.h));
  EXPECT_TRUE(o.stop().empty());
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset(o.h));
  EXPECT_TRUE(o.feed({1}).empty());  // one sample: no interval yet
}

TEST(ChsInterpolator, DescribedLifecycle) {
  Object o(1.0);
  EXPECT_TRUE(sameBits({3, -1, 4}, o.feed({3, -1, 4, 1})));
  EXPECT_TRUE(sameBits({1, -5, 9, 2}, o.feed({-5, 9, 2, -6})));
  EXPECT_TRUE(sameBits({-6}, o.stop()));
  // Twice the rate: every sample, and halfway 0.5625 (P1 + P2) - 0.0625 (P0 + P3).
  Object twice(2.0);
  EXPECT_TRUE(sameBits({3, 0.6875, -1, 1.4375, 4, 3.1875, 1}, twice.feed({3, -1, 4, 1, -5})));
}

// Reset keeps the ring. Positions p <= samplesIn - 2 read sample m + 2 <=
// samplesIn, an unwritten slot only at t = 0, where its weight is 0: the
// old stream shows only as 0 x inf = NaN there. At ratio 0.75 output 3 falls
// on sample 4 of 6 and reads the slot of sample 6.
TEST(ChsInterpolator, ResetKeepsTheRing) {
  Object used(0.75), fresh(0.75);
  for (int k = 0; k < 3; ++k) used.feed(std::vector<float>(6, INFINITY));
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset_cdecl(used.h));
  const auto got = used.feed({1, 2, 3, 4, 5, 6}), clean = fresh.feed({1, 2, 3, 4, 5, 6});
  ASSERT_EQ(4u, got.size());
  EXPECT_TRUE(sameBits(std::vector<float>(clean.begin(), clean.end() - 1), std::vector<float>(got.begin(), got.end() - 1)));
  EXPECT_SAME_BITS(5.0f, clean[3]);
  EXPECT_TRUE(std::isnan(got[3]));
}

// A slow sine (400 samples a cycle, where the cubic's own error is below
// 1e-6) at ratios that divide and do not: output i lies at i / ratio, within
// 1e-5 of the sine there once its support has left the clamped first sample.
TEST(ChsInterpolator, FollowsASlowSine) {
  const double w = 2 * 3.14159265358979323846 / 400;
  for (double ratio : {0.91875, 3.7, 0.3, 2.0}) {
    Object o(ratio, 64);
    std::vector<float> out;
    for (int block = 0; block < 20; ++block) {
      std::vector<float> x(62);
      for (int k = 0; k < 62; ++k) x[std::size_t(k)] = float(std::sin(w * (62 * block + k)));
      const auto y = o.feed(x);
      out.insert(out.end(), y.begin(), y.end());
    }
    ASSERT_GT(out.size(), 300u);
    for (std::size_t i = std::size_t(ratio) + 1; i < out.size(); ++i)
      ASSERT_NEAR(std::sin(w * double(i) / ratio), out[i], 1e-5) << ratio << " " << i;
  }
}

// Many objects created, fed and destroyed, failing Creates among them: the
// sanitizer build's leak checker sees nothing left behind.
TEST(ChsInterpolator, ManyLifecyclesLeaveNothing) {
  const float x[6] = {1, 2, 3, 4, 5, 6};
  for (uint32_t k = 0; k < 10000; ++k) {
    CHSInterpolator* h = nullptr;
    const CHSInterpolatorParams p{1000, k % 3 ? 918.75 : 4000, k % 5 ? 8u : 6u};
    const uint32_t status = tqcalcCHSInterpolator_Create(&h, &p);
    ASSERT_EQ(k % 5 ? 0u : 4u, status);
    if (status != 0) continue;
    float* out = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(0u, tqcalcCHSInterpolator_InterpolateValues(h, x, 6, &out, &n));
    ASSERT_EQ(0u, tqcalcCHSInterpolator_Destroy(h));
  }
}

}  // namespace
}  // namespace tq::test
