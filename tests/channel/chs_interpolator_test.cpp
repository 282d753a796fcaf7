// CHS interpolator: statuses and the order of the checks (out-parameters
// written only on success), the described lifecycle, split invariance of
// counts and values, a full block against small ones, Reset against a new
// object, accuracy against a double Catmull-Rom of a slow sine, and many
// create/feed/destroy cycles (leaks show under LeakSanitizer).
#include <gtest/gtest.h>

#include <cmath>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

CHSInterpolator* const kSentinel = reinterpret_cast<CHSInterpolator*>(std::uintptr_t(0x5A5A5A50));

struct Object {
  explicit Object(double ratio, uint32_t length = 64) {
    const CHSInterpolatorParams p{1000.0, 1000.0 * ratio, length};
    EXPECT_EQ(0u, tqcalcCHSInterpolator_Create(&h, &p));
  }
  ~Object() { EXPECT_EQ(0u, tqcalcCHSInterpolator_Destroy(h)); }
  std::vector<float> feed(const float* x, uint32_t n) {
    float* out = nullptr;
    uint32_t count = 7;
    EXPECT_EQ(0u, tqcalcCHSInterpolator_InterpolateValues(h, x, n, &out, &count));
    return std::vector<float>(out, out + count);
  }
  std::vector<float> stop() {
    float* out = nullptr;
    uint32_t count = 7;
    EXPECT_EQ(0u, tqcalcCHSInterpolator_Stop(h, &out, &count));
    return std::vector<float>(out, out + count);
  }
  // The whole stream in blocks from `sizes` (cycled), then Stop.
  std::vector<float> run(const std::vector<float>& x, std::vector<uint32_t> sizes) {
    std::vector<float> all;
    for (std::size_t at = 0, k = 0; at < x.size(); at += sizes[k % sizes.size()], ++k) {
      const auto got = feed(&x[at], uint32_t(std::min<std::size_t>(sizes[k % sizes.size()], x.size() - at)));
      all.insert(all.end(), got.begin(), got.end());
    }
    const auto last = stop();
    all.insert(all.end(), last.begin(), last.end());
    return all;
  }
  CHSInterpolator* h = kSentinel;
};

std::vector<float> slowSine(std::size_t n) {
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = float(1000 * std::sin(0.05 * double(i)) + 3);
  return x;
}

TEST(ChsInterpolator, CreateStatusesLeaveTheHandleAlone) {
  const struct { double in, out; uint32_t length; uint32_t status; } cases[] = {
      {1, 1, 0, 4}, {1, 1, 3, 4}, {1, 1, 6, 4}, {1, 1, 1, 4}, {1, 1, 2, 4}, {0, 1, 8, 1}, {0, 1, 3, 1},
      {1, -1, 3, 1}, {NAN, 1, 8, 1}, {1, NAN, 8, 1}, {1e-300, 1e300, 8, 1}, {1, 1, 0x80000000u, 1}};
  for (const auto& c : cases) {
    CHSInterpolator* h = kSentinel;
    const CHSInterpolatorParams p{c.in, c.out, c.length};
    EXPECT_EQ(c.status, tqcalcCHSInterpolator_Create(&h, &p)) << c.in << " " << c.out << " " << c.length;
    EXPECT_EQ(kSentinel, h);
  }
  CHSInterpolator* h = kSentinel;
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Create(&h, nullptr));
  const CHSInterpolatorParams fine{1, 1, 8};
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Create_cdecl(nullptr, &fine));
  if (sizeof(void*) == 4) {  // rings of 2^31 floats do not fit a 32-bit address space
    const CHSInterpolatorParams huge{1, 1e-3, 1u << 30};
    EXPECT_EQ(1u, tqcalcCHSInterpolator_Create(&h, &huge));
  }
  EXPECT_EQ(kSentinel, h);
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Destroy(nullptr));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Reset(nullptr));
}

TEST(ChsInterpolator, CallStatusesInTheirOrder) {
  Object o(1.0, 8);
  const float x[7] = {1, 2, 3, 4, 5, 6, 7};
  float* out = reinterpret_cast<float*>(kSentinel);
  uint32_t count = 99;
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(nullptr, x, 1, &out, &count));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 0, &out, &count));
  EXPECT_EQ(2u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 7, &out, &count));  // nothing appended
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Stop(nullptr, &out, &count));
  EXPECT_EQ(99u, count);
  EXPECT_EQ(reinterpret_cast<float*>(kSentinel), out);
  EXPECT_TRUE(sameBits(std::vector<float>{1, 2, 3, 4, 5}, o.feed(x, 6)));  // L - 2 accepted
  o.stop();
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 0, &out, &count));
  EXPECT_EQ(2u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 7, &out, &count));
  EXPECT_EQ(3u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 1, &out, &count));
  EXPECT_EQ(3u, tqcalcCHSInterpolator_Stop(o.h, &out, &count));
  EXPECT_EQ(99u, count);
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset(o.h));
  EXPECT_TRUE(o.feed(x, 1).empty());  // one sample: no interval yet
}

TEST(ChsInterpolator, DescribedLifecycle) {
  const float s[8] = {3, -1, 4, 1, -5, 9, 2, -6};
  Object o(1.0, 8);
  EXPECT_TRUE(sameBits(std::vector<float>(s, s + 3), o.feed(s, 4)));
  EXPECT_TRUE(sameBits(std::vector<float>(s + 3, s + 7), o.feed(s + 4, 4)));
  EXPECT_TRUE(sameBits(std::vector<float>{s[7]}, o.stop()));
  Object fresh(1.0, 8);
  EXPECT_TRUE(fresh.stop().empty());
  // Twice the rate: every sample, and halfway 0.5625 (P1 + P2) - 0.0625 (P0 + P3).
  Object twice(2.0, 8);
  const auto y = twice.feed(s, 5);
  ASSERT_EQ(7u, y.size());
  for (int k = 0; k < 4; ++k) EXPECT_SAME_BITS(s[k], y[2 * std::size_t(k)]);
  for (int k = 1; k < 3; ++k)
    EXPECT_NEAR(0.5625 * (s[k] + s[k + 1]) - 0.0625 * (s[k - 1] + s[k + 2]), y[2 * std::size_t(k) + 1], 1e-5);
}

// Counts never depend on the blocks: trunc((N - 1) ratio) + 1 in all. Values
// are the same bits where positions are exact (ratios of powers of two),
// else within 1e-5 of the largest input. A full block of L - 2 keeps its
// true first point.
TEST(ChsInterpolator, SplitInvariance) {
  const auto x = slowSine(1000);
  for (double ratio : {1.0, 2.0, 4.0, 0.5, 0.25, 3.7, 0.3, 0.91875}) {
    Object one(ratio), some(ratio), full(ratio);
    const auto a = one.run(x, {1}), b = some.run(x, {5, 62, 1, 17, 33}), c = full.run(x, {62});
    ASSERT_EQ(std::size_t(double(x.size() - 1) * ratio) + 1, a.size()) << ratio;
    ASSERT_EQ(a.size(), b.size());
    ASSERT_EQ(a.size(), c.size());
    const bool exact = ratio == std::exp2(std::round(std::log2(ratio)));
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (exact) {
        ASSERT_SAME_BITS(a[i], b[i]) << ratio << " " << i;
      }
      ASSERT_NEAR(a[i], b[i], 1e-5 * 1003) << ratio << " " << i;
      ASSERT_NEAR(a[i], c[i], 1e-5 * 1003) << ratio << " " << i;
    }
  }
}

// Against the cubic in double through the float inputs.
TEST(ChsInterpolator, CloseToTheDoubleCatmullRom) {
  const auto x = slowSine(600);
  for (double ratio : {3.7, 0.91875, 0.3}) {
    Object o(ratio);
    const auto y = o.run(x, {7, 40});
    for (std::size_t j = 0; j < y.size(); ++j) {
      const double p = double(j) / ratio, t = p - std::floor(p);
      const std::size_t m = std::size_t(p);
      const double p0 = x[m ? m - 1 : 0], p1 = x[m], p2 = x[std::min(m + 1, x.size() - 1)], p3 = x[std::min(m + 2, x.size() - 1)];
      const double v = 0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t + (3 * p1 - p0 - 3 * p2 + p3) * t * t * t);
      ASSERT_NEAR(v, y[j], 1e-5 * 1003) << ratio << " " << j;
    }
  }
}

TEST(ChsInterpolator, ResetRestartsAsNew) {
  const auto x = slowSine(300);
  Object used(0.91875), fresh(0.91875);
  used.run(x, {13});
  ASSERT_EQ(0u, tqcalcCHSInterpolator_Reset_cdecl(used.h));
  EXPECT_TRUE(sameBits(fresh.run(x, {9}), used.run(x, {9})));
}

TEST(ChsInterpolator, ManyCyclesReleaseEverything) {
  const auto x = slowSine(30);
  for (int i = 0; i < 10000; ++i) {
    CHSInterpolator* h = nullptr;
    const CHSInterpolatorParams p{1, 1.0 + i % 7, i % 5 ? 32u : 24u};
    if (tqcalcCHSInterpolator_Create(&h, &p) != 0) continue;
    float* out;
    uint32_t count;
    tqcalcCHSInterpolator_InterpolateValues(h, x.data(), 30, &out, &count);
    tqcalcCHSInterpolator_Destroy(h);
  }
}

}  // namespace
}  // namespace tq::test
