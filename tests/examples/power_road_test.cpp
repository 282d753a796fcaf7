// The demo host's power-quality road end to end on noise-free mains, with
// answers known from the synthesis: P and Q of every phase, the 5th
// harmonic's angle, and the flickermeter's unit point (0.250 % sine at 8.8 Hz).
#include <gtest/gtest.h>

#include <cmath>

#include "power_quality.h"

namespace demo::power {
namespace {

TEST(PowerQualityRoad, KnownAnswers) {
  Settings s;
  s.voltageNoise = s.currentNoise = 0;
  std::mt19937 rng(1);
  const Block block = synthesise(s, 3, rng);
  for (int p = 0; p < 3; ++p) {
    const std::vector<float> u = spectrum(block.u[p]);
    const PowerPair pq = powerFromSpectra(u, spectrum(block.i[p]), s.window);
    EXPECT_NEAR(pq.p, syntheticP(p), 1e-5 * syntheticP(p)) << p;
    EXPECT_NEAR(pq.q, syntheticQ(p), 1e-5 * syntheticQ(p)) << p;
    // A*cos(5wt + phase) reads 5 * phasePerOrder + phase - 90.
    const double fifth = phaseContent(p)[2].voltagePhase;
    const float angle = harmonicAngles(u, 5, 90, 10)[5];
    EXPECT_NEAR(wrapDegrees(angle - (5 * 90 + fifth - 90)), 0.0, 1e-3) << p;
  }
  EXPECT_NEAR(maxPinst(8.8, 0.250, false), 1.0, 0.01);
}

}  // namespace
}  // namespace demo::power
