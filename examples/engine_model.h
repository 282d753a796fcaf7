// A synthetic single-cylinder four-stroke engine for the demo host: slider-
// crank geometry, polytropic compression and expansion, Wiebe heat release,
// cycle-to-cycle variation, and a piezo sensor with offset drift and noise.
// Units as a combustion-analysis user reads them: bar, degrees crank angle
// (firing TDC at 0, a cycle from -360 to +360), cm^3.
#pragma once

#include <cstdint>
#include <vector>

namespace demo {

struct EngineGeometry {
  double boreMm = 86.0;
  double strokeMm = 86.0;
  double conrodMm = 143.5;
  double compressionRatio = 10.5;

  double displacementCm3() const;
  double clearanceCm3() const;
  double volumeCm3(double crankDeg) const;
};

struct CombustionSettings {
  double intakeBar = 1.0;
  double exhaustBar = 1.1;
  double kappa = 1.32;               // polytropic exponent
  double startDeg = -12.0;           // start of combustion
  double durationDeg = 50.0;         // Wiebe burn duration
  double heatJ = 700.0;              // heat released per cycle
  double exhaustOpensDeg = 140.0;
  // Cycle-to-cycle variation (standard deviations; 0 gives identical cycles)
  double startSpreadDeg = 1.5;
  double durationSpread = 0.08;      // relative
  double heatSpread = 0.05;          // relative
  // Sensor
  double sensorOffsetBar = 0.35;     // charge-amplifier zero level
  double offsetDriftBar = 0.02;      // random walk per cycle
  double noiseBar = 0.04;            // standard deviation
};

struct Acquisition {
  double resolutionDeg = 0.1;
  int cycles = 300;
  uint32_t samplesPerCycle() const { return uint32_t(720.0 / resolutionDeg + 0.5); }
  double crankDeg(uint32_t sample) const { return -360.0 + sample * resolutionDeg; }
};

// The raw sensor stream: all cycles back to back, one float per sample, and
// the true (noise- and offset-free) pressure of every cycle for checking.
struct RawStream {
  std::vector<float> samples;
  std::vector<std::vector<double>> truePressureBar;
};

RawStream synthesise(const EngineGeometry& engine, const CombustionSettings& combustion,
                     const Acquisition& acquisition, uint32_t seed);

// The noise-free pressure of one cycle with the given parameters.
std::vector<double> cyclePressure(const EngineGeometry& engine, const CombustionSettings& combustion,
                                  const Acquisition& acquisition, double startDeg, double durationDeg,
                                  double heatJ);

}  // namespace demo
