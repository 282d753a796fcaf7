// Fast sine, cosine and arc tangent: the described values and the error
// bounds over the non-negative floats (every pattern with TQ_FULL_TRIG_SWEEP
// set; every 64th on x86-64 and every 4096th elsewhere by default). The
// kernels' bits against the definition (negative inputs, the C library below
// four elements) are the harness rows'.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "power/fast_trig.h"
#include "reference/reference.h"
#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

float fromBits(uint32_t bits) {
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}
std::vector<float> run(decltype(&tqcalcSin_float) f, std::vector<float> in) {
  std::vector<float> out(in.size() + 1, 77.0f);
  f(in.data(), out.data(), uint32_t(in.size()));
  return out;
}

TEST(FastTrig, DescribedValues) {
  const float quarter = 0.7853981852531433f, half = 1.5707963705062866f;
  const auto a = run(tqcalcATan_float, {1, -1, 0, 1e30f, 0.5f});
  EXPECT_TRUE(sameBits({quarter, -quarter, 0, half, a[4], 77}, a));
  EXPECT_NEAR(0.4636476, a[4], 1e-7);
  const auto special = run(tqcalcATan_float, {INFINITY, -INFINITY, -0.0f, NAN});
  EXPECT_TRUE(sameBits({half, -half, -0.0f}, std::vector<float>(special.begin(), special.begin() + 3)) && std::isnan(special[3]));
  const auto s = run(tqcalcSin_float, {0, half, -1, 3});
  EXPECT_TRUE(sameBits({0, 1, s[2], s[3], 77}, s));
  EXPECT_NEAR(-0.84147096, s[2], 1e-7);
  EXPECT_NEAR(0.14112, s[3], 1e-6);
  EXPECT_SAME_BITS(77.0f, run(tqcalcSin_float, {})[0]);
}

// Past 2^24 * pi/4 the octant is even and past 2^31 * pi/4 it is INT32_MIN;
// past about 1.8e19 w * w overflows to infinity. The harness's random inputs
// stay below 100, so these lanes get their own row: the lane definition's
// bits in every lane position of pipelined steps and of the last one.
TEST(FastTrig, HugeSineArgumentsKeepTheLaneDefinition) {
  const float huge[] = {1e20f, -3.4e38f, 1.9e19f, -1.8e19f, 2e9f, 1.6e9f, -1.3176795e7f, 1.3176794e7f, 6.6e6f};
  for (uint32_t n : {8u, 19u, 29u}) {
    std::vector<float> in(n), out(n), expected(n);
    for (uint32_t i = 0; i < n; ++i) in[i] = huge[(i * 5) % 9] * (i % 2 ? 1.0f : 0.75f);
    tqcalcSin_float(in.data(), out.data(), n);
    tq::ref::tqcalcSin_float(in.data(), expected.data(), n);
    EXPECT_TRUE(sameBits(expected, out)) << n;
  }
}

TEST(FastTrig, BoundsOverEveryNonNegativeFloat) {
  const uint32_t stride = std::getenv("TQ_FULL_TRIG_SWEEP") ? 1 : sizeof(void*) == 8 ? 64 : 4096;
  double atanErr = 0, sinErr = 0, cosErr = 0;
  std::vector<float> x, a, s, sines(4), cosines(4);
  for (uint64_t base = 0; base <= 0x7f800000u; base += 4096ull * stride) {  // up to +inf
    x.clear();
    for (uint64_t b = base; b <= 0x7f800000u && b < base + 4096ull * stride; b += stride) x.push_back(fromBits(uint32_t(b)));
    while (x.size() % 4) x.push_back(0.0f);
    a.resize(x.size()), s.resize(x.size());
    tqcalcATan_float(x.data(), a.data(), uint32_t(x.size())), tqcalcSin_float(x.data(), s.data(), uint32_t(x.size()));
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (std::isfinite(x[i])) atanErr = std::max(atanErr, std::fabs(a[i] - std::atan(double(x[i]))));
      if (i % 4 == 0) tq::power::sinCos4_float(&x[i], sines.data(), cosines.data());
      if (x[i] > 100.0f) continue;
      sinErr = std::max(sinErr, std::fabs(s[i] - std::sin(double(x[i]))));
      cosErr = std::max(cosErr, std::fabs(cosines[i % 4] - std::cos(double(x[i]))));
    }
  }
  std::printf("fast trig, stride %u: atan %.3g, sin %.3g, cos %.3g\n", stride, atanErr, sinErr, cosErr);
  EXPECT_TRUE(atanErr <= 2e-7 && sinErr <= 1e-7 && cosErr <= 1e-7);
}

}  // namespace
}  // namespace tq::test
