// Flicker: blocks of any size continue one call exactly, the high-pass's
// first-sample rule, and each stage alone on an impulse (taps, signs and
// roundings by hand).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "support/bits.h"
#include "support/flicker_state.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

std::vector<float> run(PowerFlickerState& s, std::vector<float> in) {
  std::vector<float> out(in.size());
  tqcalcPowerFlicker(&s, in.data(), out.data(), uint32_t(in.size()));
  return out;
}

// A chain of pass-through stages at rest: low-pass sections g 1, a1 2, a2 1
// (the denominator cancels the numerator 1, 2, 1), the other stages' direct
// coefficient 1. c: gains, a1, a2, c0..c11, d0..d2.
struct Chain {
  double h[kFlickerHistories] = {};
  double c[24] = {1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0};
  PowerFlickerState s = flickerState(h, c);
};

// Input 2 squares to v = 2: the impulse every probe starts from.
const std::vector<float> kImpulse = {2, 0, 0, 0};

// The output of a pass-through tail for a weighting output r.
float sensation(double r) { return float(double(float(r) * float(r)) * 1238400.0); }

TEST(Flicker, BlocksOfAnySizeGiveOneCallsBits) {
  const auto in = randomValues<float>(3000, 7, 1.5);
  const auto random = randomValues<double>(64, 8, 300);
  double whole[kFlickerHistories] = {};
  std::vector<float> expected;
  for (int split = -1; split < 4; ++split) {  // -1: the whole signal in one call
    double h[kFlickerHistories] = {};
    PowerFlickerState s = flickerState(h, kFlicker2kHz);
    s.highPassIn[0] = -9999999.0;
    std::vector<float> out(in.size(), -1.0f);
    for (std::size_t at = 0, k = 0; at < in.size(); ++k) {
      const uint32_t sizes[] = {1, 7, 1000, uint32_t(std::fabs(random[k % 64]))};
      const uint32_t n = split < 0 ? uint32_t(in.size()) : std::min(sizes[split], uint32_t(in.size() - at));
      double before[kFlickerHistories];
      std::memcpy(before, h, sizeof h);
      tqcalcPowerFlicker_cdecl(&s, in.data() + at, out.data() + at, 0);  // touches nothing
      ASSERT_TRUE(!std::memcmp(before, h, sizeof h) && bitsOf(out[at]) == bitsOf(-1.0f));
      tqcalcPowerFlicker(&s, in.data() + at, out.data() + at, n);
      at += n;
    }
    if (split < 0) expected = out, std::memcpy(whole, h, sizeof h);
    EXPECT_TRUE(sameBits(expected, out)) << "split " << split;
    EXPECT_EQ(0, std::memcmp(whole, h, sizeof h)) << "split " << split;
  }
}

// High-pass d = {2, -2, 0.5}, previous output 3: after the marker the first
// sample sees its own input as the previous one (y = 0.5 * 3), the second
// the stored one. Any other value, one ulp off the marker too, is a sample.
TEST(Flicker, FirstSampleAfterTheMarker) {
  for (double marker : {-9999999.0, std::nextafter(-9999999.0, 0.0)}) {
    Chain k;
    k.c[21] = 2, k.c[22] = -2, k.c[23] = 0.5;
    k.s.highPassIn[0] = marker, k.s.highPassIn[1] = 100, k.s.highPassOut[1] = 3;
    const bool reset = marker == -9999999.0;
    run(k.s, {2});
    EXPECT_SAME_BITS(reset ? 1.5 : -194.5, k.s.highPassOut[0]);
    run(k.s, {2});
    EXPECT_SAME_BITS(reset ? 0.75 : -97.25, k.s.highPassOut[0]);
  }
}

struct Probe {
  std::vector<int> at;          // coefficient slots
  std::vector<double> values;   // their values
  std::vector<double> response; // the stage's output on the impulse
  bool smoothing;               // the response is past the squaring
};

TEST(Flicker, EachStageAloneOnAnImpulse) {
  const Probe probes[] = {
      {{0, 3, 6}, {0.5, -0.5, 0.25}, {1, 2.5, 2, 0.375}, false},  // low-pass sections 0, 1, 2
      {{1, 4, 7}, {0.5, -0.5, 0.25}, {1, 2.5, 2, 0.375}, false},
      {{2, 5, 8}, {0.5, -0.5, 0.25}, {1, 2.5, 2, 0.375}, false},
      {{21, 22, 23}, {1, 0.5, 0.25}, {2, 1.5, 0.375, 0.09375}, false},                              // high-pass
      {{9, 10, 11, 12}, {1, 0.5, 0.25, -0.125}, {2, 0.5, 0.875, 0.15625}, false},                   // band-pass
      {{13, 14, 15, 16, 17}, {1, 0.5, 0.25, 0.125, -0.0625}, {2, 1.25, 0.53125, -0.01171875}, false},  // weighting
      {{18, 19, 20}, {0.5, 0.25, 0.5}, {2, 2, 1, 0.5}, true},                                       // smoothing
  };
  for (const Probe& p : probes) {
    Chain k;
    for (std::size_t i = 0; i < p.at.size(); ++i) k.c[p.at[i]] = p.values[i];
    const auto out = run(k.s, kImpulse);
    for (std::size_t n = 0; n < out.size(); ++n)
      EXPECT_SAME_BITS(p.smoothing ? float(p.response[n] * 1238400.0) : sensation(p.response[n]), out[n])
          << "slot " << p.at[0] << ", sample " << n;
  }
}

// One sample of pass-through stages, one coefficient a little off 1 (or
// 0.5): the state shows each rounding; the scaling is in double (through a
// float it would give 1238400).
TEST(Flicker, RoundingsBetweenStages) {
  const double e = 0x1p-30;
  const struct {
    int slot;
    double value;
    float in;
    double* PowerFlickerState::*array;
    double expected;
  } cases[] = {
      {0, 1, 1 + 0x1p-12f, &PowerFlickerState::lowPassIn0, 0.5 + 0x1p-12},  // (1 + 2^-11 + 2^-24 ties to even)
      {0, 1 + e, 2, &PowerFlickerState::lowPassOut0, 2 + 2 * e},
      {0, 1 + e, 2, &PowerFlickerState::highPassIn, 2},
      {21, 1 + e, 2, &PowerFlickerState::highPassOut, 2 + 2 * e},
      {21, 1 + e, 2, &PowerFlickerState::bandPassIn, 2},
      {13, 0.5 + 0x1p-21, 2, &PowerFlickerState::smoothingIn, 1 + 0x1p-19},  // (1 + 2^-20)^2 in float
  };
  for (const auto& c : cases) {
    Chain k;
    k.c[c.slot] = c.value;
    run(k.s, {c.in});
    EXPECT_SAME_BITS(c.expected, (k.s.*c.array)[0]) << "slot " << c.slot;
  }
  Chain k;
  k.c[18] = (1 + 55 * e) / 4;
  EXPECT_SAME_BITS(1238400.125f, run(k.s, {2})[0]);
}

}  // namespace
}  // namespace tq::test
