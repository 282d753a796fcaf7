// The demo host's roads end to end, on small noise-free data with answers
// known from the synthesis (the demo's own printed checks judge its
// full-size runs, the signal road's filter corners among them).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "combustion_analysis.h"
#include "graph_road.h"
#include "power_quality.h"

namespace demo {
namespace {

// Identical cycles: the peak position, the averages and the diagram
// coordinates follow from the synthesis.
TEST(CombustionRoad, IdenticalCyclesGiveTheirKnownPeakAveragesAndDiagram) {
  const EngineGeometry engine;
  CombustionSettings combustion;
  combustion.startSpreadDeg = combustion.durationSpread = combustion.heatSpread = 0;
  combustion.offsetDriftBar = combustion.noiseBar = 0;
  combustion.sensorOffsetBar = 0.5;  // exactly representable: pegging recovers it exactly
  Acquisition acquisition;
  acquisition.resolutionDeg = 1.0, acquisition.cycles = 7;
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
  // Linear diagram: TDC volume at round(width Vc / Vmax), BDC at the right
  // edge; the peak the highest point (smallest row).
  const auto tdc = uint32_t(360 / acquisition.resolutionDeg);
  EXPECT_NEAR(r.pvLinearX[tdc], diagram.width * engine.clearanceCm3() / (engine.clearanceCm3() + engine.displacementCm3()), 0.5 + 1e-9);
  EXPECT_EQ(r.pvLinearX[tdc - 180], diagram.width);
  EXPECT_EQ(*std::min_element(r.pvLinearY.begin(), r.pvLinearY.end()),
            r.pvLinearY[std::max_element(r.cumulativeMean.begin(), r.cumulativeMean.end()) - r.cumulativeMean.begin()]);
}

// A line whose pixels are known is mapped, drawn and found again by a cursor.
TEST(GraphRoad, KnownLineIsDrawnAndFoundNearestToTheCursor) {
  constexpr uint32_t kLine = 0xFF1F77B4u;
  // y = x over 0..10 on 40 x 40 pixels: the diagonal (4 + t, 44 - t).
  Canvas canvas(48, 48);
  const PlotArea area{4, 4, 44, 44};
  const XYGraphParams axes = linearAxes(area, 0, 10, 0, 10);
  std::vector<float> y(11);
  for (int i = 0; i < 11; ++i) y[i] = float(i);
  std::vector<int32_t> px(11, -1), py(11, -1);
  mapSeries(axes, y.data(), 11, px.data(), py.data());  // four, four, then one at a time
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(px[i] == 4 + 4 * i && py[i] == 44 - 4 * i) << i;
  drawAxes(canvas, axes, {0, 2, 4, 6, 8, 10}, {0, 2, 4, 6, 8, 10});
  drawPolyline(canvas, area, px.data(), py.data(), 11, kLine);
  for (int t = 0; t <= 40; ++t) EXPECT_EQ(canvas.at(4 + t, 44 - t), kLine) << t;
  EXPECT_EQ(canvas.at(28, 10), kGrid);  // tick 6
  // Grid lines pass 2 px from the cursor; the line's nearest pixel is 6 px
  // down-left, its neighbours are farther (74 against 72 squared).
  const CursorHit hit = nearestCurvePixel(canvas, 30, 30, 20);
  EXPECT_TRUE(hit.found && hit.argb == kLine && hit.x == 24 && hit.y == 24);
  // Outside the plot, window clipped at the canvas corner: the line's end.
  const CursorHit corner = nearestCurvePixel(canvas, 47, 0, 5);
  EXPECT_TRUE(corner.found && corner.x == 44 && corner.y == 4);
}

}  // namespace

namespace power {
namespace {

// P and Q of every phase, the 5th harmonic's angle, and the flickermeter's
// unit point (0.250 % sine at 8.8 Hz).
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
    const float angle = harmonicAngles(u, 5, 90, 10)[5];
    EXPECT_NEAR(wrapDegrees(angle - (5 * 90 + phaseContent(p)[2].voltagePhase - 90)), 0.0, 1e-3) << p;
  }
  EXPECT_NEAR(maxPinst(8.8, 0.250, false), 1.0, 0.01);
}

}  // namespace
}  // namespace power
}  // namespace demo
