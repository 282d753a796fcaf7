// The demo host's combustion road end to end on a small data set with known
// answers: identical noise-free cycles, so that the peak position, the
// averages and the diagram coordinates follow from the synthesis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "combustion_analysis.h"

namespace demo {
namespace {

TEST(CombustionRoad, IdenticalCyclesGiveTheirKnownPeakAveragesAndDiagram) {
  const EngineGeometry engine;
  CombustionSettings combustion;
  combustion.startSpreadDeg = combustion.durationSpread = combustion.heatSpread = 0;
  combustion.offsetDriftBar = combustion.noiseBar = 0;
  combustion.sensorOffsetBar = 0.5;  // exactly representable: pegging recovers it exactly
  Acquisition acquisition;
  acquisition.resolutionDeg = 1.0;
  acquisition.cycles = 7;
  const DiagramSize diagram{320, 200};
  const RawStream raw = synthesise(engine, combustion, acquisition, 1);
  const CombustionResult r = analyseCombustion(raw, engine, combustion, acquisition, 3, diagram);

  const auto& truth = raw.truePressureBar[0];
  const auto peakAt = uint32_t(std::max_element(truth.begin(), truth.end()) - truth.begin());
  ASSERT_EQ(r.peakDeg.size(), 7u);
  for (double deg : r.peakDeg) EXPECT_EQ(deg, acquisition.crankDeg(peakAt));
  // Pegging averages +-5 deg around BDC, where compression has begun: the
  // zero level comes out some 3e-4 bar high.
  for (float bar : r.peakBar) EXPECT_NEAR(bar, truth[peakAt], 1e-3);

  // Folding identical cycles leaves them unchanged: (c n + c) / (n + 1) = c.
  EXPECT_EQ(r.cumulativeMean, r.lastCycle);
  EXPECT_EQ(r.cumulativePeakBar, *std::max_element(r.lastCycle.begin(), r.lastCycle.end()));
  for (std::size_t i = 0; i < r.movingMean.size(); ++i) EXPECT_NEAR(r.movingMean[i], r.lastCycle[i], 1e-5) << i;

  // IMEP from the smoothed curve stays within 0.5 % of the true cycle's.
  double work = 0;
  for (uint32_t i = 0; i + 1 < truth.size(); ++i)
    work += truth[i] * (engine.volumeCm3(acquisition.crankDeg(i + 1)) - engine.volumeCm3(acquisition.crankDeg(i)));
  for (double imep : r.imepBar) EXPECT_NEAR(imep, work / engine.displacementCm3(), 0.005 * work / engine.displacementCm3());

  // Linear diagram: TDC volume at round(width Vc / Vmax), BDC at the right edge.
  const double vmax = engine.clearanceCm3() + engine.displacementCm3();
  const auto tdc = uint32_t(360 / acquisition.resolutionDeg);
  EXPECT_NEAR(r.pvLinearX[tdc], diagram.width * engine.clearanceCm3() / vmax, 0.5 + 1e-9);
  EXPECT_EQ(r.pvLinearX[tdc - 180], diagram.width);
  // The peak is the highest point of the diagram (smallest row).
  EXPECT_EQ(*std::min_element(r.pvLinearY.begin(), r.pvLinearY.end()),
            r.pvLinearY[std::max_element(r.cumulativeMean.begin(), r.cumulativeMean.end()) - r.cumulativeMean.begin()]);
}

}  // namespace
}  // namespace demo
