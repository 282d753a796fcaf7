// Fast sine, cosine and arc tangent: the described values, the switch from
// the C library to the kernel at four elements, and the error bounds over
// the non-negative floats (every pattern with TQ_FULL_TRIG_SWEEP set; every
// 64th on x86-64 and every 4096th elsewhere by default), with oddness
// checked bit for bit on the negatives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "power/fast_trig.h"
#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

std::vector<float> run(decltype(&tqcalcSin_float) f, std::vector<float> in) {
  std::vector<float> out(in.size() + 1, 77.0f);
  f(in.data(), out.data(), uint32_t(in.size()));
  return out;
}

TEST(FastTrig, DescribedValues) {
  const auto a = run(tqcalcATan_float, {1, -1, 0, 1e30f, 0.5f});
  EXPECT_SAME_BITS(0.7853981852531433f, a[0]);
  EXPECT_SAME_BITS(-0.7853981852531433f, a[1]);
  EXPECT_SAME_BITS(0.0f, a[2]);
  EXPECT_SAME_BITS(1.5707963705062866f, a[3]);
  EXPECT_NEAR(0.4636476, a[4], 1e-7);
  EXPECT_SAME_BITS(77.0f, a[5]);
  const auto s = run(tqcalcSin_float, {0, 1.5707963705062866f, -1, 3});
  EXPECT_SAME_BITS(0.0f, s[0]);
  EXPECT_SAME_BITS(1.0f, s[1]);
  EXPECT_NEAR(-0.84147096, s[2], 1e-7);
  EXPECT_NEAR(0.14112, s[3], 1e-6);
  const auto special = run(tqcalcATan_float, {INFINITY, -INFINITY, -0.0f, NAN});
  EXPECT_SAME_BITS(1.5707963705062866f, special[0]);
  EXPECT_SAME_BITS(-1.5707963705062866f, special[1]);
  EXPECT_SAME_BITS(-0.0f, special[2]);
  EXPECT_TRUE(std::isnan(special[3]));
  EXPECT_SAME_BITS(77.0f, run(tqcalcSin_float, {})[0]);
}

// Three elements: the C library's double function rounded; four: the
// kernel, which the library result is not on these inputs.
TEST(FastTrig, ThreeElementsLibraryFourKernel) {
  const std::vector<float> x = {0.1f, 2.5f, 0.7f, 40.0f};
  for (auto [f, lib] : {std::pair{tqcalcSin_float, static_cast<double (*)(double)>(std::sin)},
                        std::pair{tqcalcATan_float, static_cast<double (*)(double)>(std::atan)}}) {
    const auto three = run(f, {x[0], x[1], x[2]});
    for (int i = 0; i < 3; ++i) EXPECT_SAME_BITS(float(lib(x[i])), three[i]);
    EXPECT_SAME_BITS(77.0f, three[3]);
  }
  EXPECT_NE(bitsOf(float(std::sin(double(x[1])))), bitsOf(run(tqcalcSin_float, x)[1]));
  EXPECT_NE(bitsOf(float(std::atan(double(x[2])))), bitsOf(run(tqcalcATan_float, x)[2]));
}

TEST(FastTrig, BoundsOverEveryNonNegativeFloat) {
  const uint32_t stride = std::getenv("TQ_FULL_TRIG_SWEEP") ? 1 : sizeof(void*) == 8 ? 64 : 4096;
  const uint32_t limit100 = bitsOf(100.0f), end = 0x7f800000u;  // up to +inf
  double atanErr = 0, sinErr = 0, cosErr = 0;
  std::vector<float> x, neg, a, an, s, sn, sines(4), cosines(4);
  for (uint64_t base = 0; base <= end; base += 4096ull * stride) {
    x.clear();
    for (uint64_t b = base; b <= end && b < base + 4096ull * stride; b += stride) {
      float v;
      const uint32_t bits = uint32_t(b);
      std::memcpy(&v, &bits, 4);
      x.push_back(v);
    }
    while (x.size() % 4) x.push_back(0.0f);
    neg = x;
    for (float& v : neg) v = -v;
    a.resize(x.size()), an.resize(x.size()), s.resize(x.size()), sn.resize(x.size());
    const auto n = uint32_t(x.size());
    tqcalcATan_float(x.data(), a.data(), n), tqcalcATan_float(neg.data(), an.data(), n);
    tqcalcSin_float(x.data(), s.data(), n), tqcalcSin_float(neg.data(), sn.data(), n);
    for (std::size_t i = 0; i < x.size(); ++i) {
      ASSERT_EQ(bitsOf(a[i]) ^ 0x80000000u, bitsOf(an[i])) << x[i];
      ASSERT_EQ(bitsOf(s[i]) ^ 0x80000000u, bitsOf(sn[i])) << x[i];
      if (std::isfinite(x[i])) atanErr = std::max(atanErr, std::fabs(a[i] - std::atan(double(x[i]))));
      if (bitsOf(x[i]) > limit100) continue;
      sinErr = std::max(sinErr, std::fabs(s[i] - std::sin(double(x[i]))));
      if (i % 4 == 0) {
        tq::power::sinCos4_float(&x[i], sines.data(), cosines.data());
        for (int k = 0; k < 4; ++k) {
          ASSERT_EQ(bitsOf(sines[k]), bitsOf(s[i + k]));
          cosErr = std::max(cosErr, std::fabs(cosines[k] - std::cos(double(x[i + k]))));
        }
      }
    }
  }
  std::printf("fast trig, stride %u: atan %.3g, sin %.3g, cos %.3g\n", stride, atanErr, sinErr, cosErr);
  EXPECT_LE(atanErr, 2e-7);
  EXPECT_LE(sinErr, 1e-7);
  EXPECT_LE(cosErr, 1e-7);
}

// The cosine's rule flips the sign of the selected polynomial, which is
// itself positive at 1.5 (an octant whose sign is negated).
TEST(FastTrig, CosineFlipsTheSelectedSign) {
  float in[4] = {1.5f, -1.5f, 3.1415927f, 4.712389f}, s[4], c[4];
  tq::power::sinCos4_float(in, s, c);
  EXPECT_NEAR(0.0707372, c[0], 1e-7);
  EXPECT_SAME_BITS(c[0], c[1]);
  EXPECT_NEAR(-1.0, c[2], 1e-7);
  EXPECT_NEAR(std::cos(double(in[3])), c[3], 1e-7);
}

}  // namespace
}  // namespace tq::test
