// Flicker: the high-pass's first-sample rule (the marker recognised only
// exactly), count 0 and zero coefficients. One call against the definition,
// state included, is the harness row's (so blocks of any size continue it).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "support/bits.h"
#include "support/flicker_state.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

// High-pass d = {2, -2, 0.5} after pass-through stages (low-pass sections
// g 1, a1 2, a2 1 cancel their numerator 1, 2, 1), previous output 3: after
// the marker the first sample sees its own input as the previous one
// (y = 0.5 * 3), the second the stored one. One ulp off the marker is a sample.
TEST(Flicker, FirstSampleAfterTheMarker) {
  for (double marker : {-9999999.0, std::nextafter(-9999999.0, 0.0)}) {
    double h[kFlickerHistories] = {};
    const double c[24] = {1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 2, -2, 0.5};
    PowerFlickerState s = flickerState(h, c);
    s.highPassIn[0] = marker, s.highPassIn[1] = 100, s.highPassOut[1] = 3;
    const bool reset = marker == -9999999.0;
    float in = 2, out = -1;
    tqcalcPowerFlicker(&s, &in, &out, 1);
    EXPECT_SAME_BITS(reset ? 1.5 : -194.5, s.highPassOut[0]);
    tqcalcPowerFlicker(&s, &in, &out, 1);
    EXPECT_SAME_BITS(reset ? 0.75 : -97.25, s.highPassOut[0]);
  }
}

TEST(Flicker, CountZeroAndZeroCoefficients) {
  double h[kFlickerHistories], c[24] = {};
  for (int k = 0; k < kFlickerHistories; ++k) h[k] = k;
  PowerFlickerState s = flickerState(h, c);
  const std::vector<float> in = {1, -2, 3, 0.5f};
  std::vector<float> out(4, -1);
  tqcalcPowerFlicker_cdecl(&s, in.data(), out.data(), 0);
  for (int k = 0; k < kFlickerHistories; ++k) EXPECT_EQ(double(k), h[k]);
  EXPECT_EQ(std::vector<float>(4, -1), out);
  std::memset(h, 0, sizeof h);
  s.highPassIn[0] = -9999999.0;
  tqcalcPowerFlicker(&s, in.data(), out.data(), 4);
  EXPECT_TRUE(sameBits(std::vector<float>(4, 0.0f), out));
}

}  // namespace
}  // namespace tq::test
