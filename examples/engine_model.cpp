#include "engine_model.h"

#include <cmath>

namespace demo {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Deterministic normal variates (Box-Muller over an LCG): every run and
// every machine synthesises the same engine.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  double uniform() {
    state_ = state_ * 1664525u + 1013904223u;
    return (double(state_ >> 8) + 0.5) / double(1u << 24);
  }
  double normal() { return std::sqrt(-2.0 * std::log(uniform())) * std::cos(2 * kPi * uniform()); }

 private:
  uint32_t state_;
};

}  // namespace

double EngineGeometry::displacementCm3() const {
  return kPi / 4 * boreMm * boreMm * strokeMm / 1000.0;
}
double EngineGeometry::clearanceCm3() const { return displacementCm3() / (compressionRatio - 1); }

double EngineGeometry::volumeCm3(double crankDeg) const {
  const double a = strokeMm / 2, l = conrodMm, theta = crankDeg * kPi / 180;
  const double sinTheta = std::sin(theta);
  const double pistonFromTopMm = a + l - (a * std::cos(theta) + std::sqrt(l * l - a * a * sinTheta * sinTheta));
  return clearanceCm3() + kPi / 4 * boreMm * boreMm * pistonFromTopMm / 1000.0;
}

std::vector<double> cyclePressure(const EngineGeometry& engine, const CombustionSettings& c,
                                  const Acquisition& acq, double startDeg, double durationDeg, double heatJ) {
  const uint32_t n = acq.samplesPerCycle();
  std::vector<double> p(n);
  const double bdcVolume = engine.volumeCm3(-180.0);
  double pressure = c.intakeBar;
  double burnedBefore = 0.0;
  for (uint32_t i = 0; i < n; ++i) {
    const double deg = acq.crankDeg(i);
    if (deg < -180.0) {
      pressure = c.intakeBar;  // intake stroke
    } else if (deg < startDeg) {
      pressure = c.intakeBar * std::pow(bdcVolume / engine.volumeCm3(deg), c.kappa);  // compression
    } else if (deg < c.exhaustOpensDeg) {
      // First law of a closed single zone, per step: dp = (k-1)/V dQ - k p/V dV
      // (bar, cm^3, J: 1 J = 10 bar cm^3).
      const double x = std::min(1.0, (deg - startDeg) / durationDeg);
      const double burned = 1.0 - std::exp(-5.0 * std::pow(x, 3.0));
      const double v0 = engine.volumeCm3(deg - acq.resolutionDeg), v1 = engine.volumeCm3(deg);
      const double dQ = (burned - burnedBefore) * heatJ * 10.0;
      burnedBefore = burned;
      pressure += (c.kappa - 1) / v1 * dQ - c.kappa * pressure / v1 * (v1 - v0);
    } else if (deg < 180.0) {
      // Blowdown towards the exhaust pressure.
      pressure = c.exhaustBar + (pressure - c.exhaustBar) * std::exp(-acq.resolutionDeg / 8.0);
    } else {
      pressure = c.exhaustBar;  // exhaust stroke
    }
    p[i] = pressure;
  }
  return p;
}

RawStream synthesise(const EngineGeometry& engine, const CombustionSettings& c, const Acquisition& acq,
                     uint32_t seed) {
  Random random(seed);
  RawStream stream;
  double sensorOffset = c.sensorOffsetBar;
  for (int cycle = 0; cycle < acq.cycles; ++cycle) {
    const double start = c.startDeg + c.startSpreadDeg * random.normal();
    const double duration = c.durationDeg * (1 + c.durationSpread * random.normal());
    const double heat = c.heatJ * (1 + c.heatSpread * random.normal());
    stream.truePressureBar.push_back(cyclePressure(engine, c, acq, start, duration, heat));
    sensorOffset += c.offsetDriftBar * random.normal();
    for (double p : stream.truePressureBar.back())
      stream.samples.push_back(float(p + sensorOffset + c.noiseBar * random.normal()));
  }
  return stream;
}

}  // namespace demo
