// The combustion-analysis road of the demo host, as a function the tests can
// run on a small data set.
#pragma once

#include <cstdint>
#include <vector>

#include "engine_model.h"

namespace demo {

struct CombustionResult {
  // Per cycle: the peak found while copying the raw block, its crank angle,
  // the largest pressure rise rate of the smoothed curve, and the IMEP.
  std::vector<float> peakBar;
  std::vector<double> peakDeg;
  std::vector<float> maxRiseBarPerDeg;
  std::vector<double> imepBar;
  // Per sample, after the last cycle.
  std::vector<float> lastCycle;        // offset removed, smoothed
  std::vector<float> cumulativeMean;   // of all smoothed cycles
  std::vector<float> movingMean;       // of the last `movingWindow` smoothed cycles
  float cumulativePeakBar = 0;
  // Largest deviation of the library's averages from the host's own double
  // averages of the same smoothed curves, and of the offset-free channels from
  // the true pressure.
  double cumulativeMeanError = 0, movingMeanError = 0, meanOffsetError = 0;
  // p-V diagram coordinates of the cumulative mean curve (pixels, y down).
  std::vector<int32_t> pvLinearX, pvLinearY, pvLogX, pvLogY;
};

struct DiagramSize {
  int32_t width = 640, height = 480;
};

CombustionResult analyseCombustion(const RawStream& raw, const EngineGeometry& engine,
                                   const CombustionSettings& combustion, const Acquisition& acquisition,
                                   uint32_t movingWindow, DiagramSize diagram);

}  // namespace demo
