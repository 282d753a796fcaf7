// Road 1: statistics of a channel buffer with the reductions. A mains
// voltage of known amplitude with small sensor noise: its mean, RMS and
// energy into 1 ohm follow from the synthesis.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "checks.h"
#include "roads.h"
#include "tqcalc.h"

namespace demo {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct NoisySine {
  double amplitude, frequency, sampleRate, noise;
  std::vector<float> samples;
};

NoisySine synthesise(double seconds) {
  NoisySine s{325.0, 50.0, 10000.0, 1.0, {}};
  uint32_t state = 12345;
  const auto n = std::size_t(seconds * s.sampleRate);
  for (std::size_t i = 0; i < n; ++i) {
    state = state * 1664525u + 1013904223u;
    const double uniform = double(state >> 8) / double(1u << 24) * 2.0 - 1.0;  // [-1, 1)
    s.samples.push_back(float(s.amplitude * std::sin(2 * kPi * s.frequency * double(i) / s.sampleRate) +
                              s.noise * uniform));
  }
  return s;
}

}  // namespace

bool runChannelStatistics() {
  const NoisySine s = synthesise(1.0);
  const auto n = uint32_t(s.samples.size());
  std::printf("Channel statistics: %u samples of a %.0f Hz sine, amplitude %.0f V, noise +-%.0f V\n", n,
              s.frequency, s.amplitude, s.noise);

  const double mean = tqcalcSumValues_float(s.samples.data(), n) / n;
  const double meanSquare = tqcalcSumSquaredValues_float(s.samples.data(), n) / n;
  const double rectifiedMean = tqcalcSumAbsValues_float(s.samples.data(), n) / n;
  const double energy = tqcalcMultiplyVectorsAndCalcSum_float(s.samples.data(), s.samples.data(), n) / s.sampleRate;

  // Whole periods: the sine contributes nothing to the mean, A^2/2 to the
  // mean square, 2A/pi to the rectified mean; uniform noise adds its
  // variance 1/3. The noise mean over n samples stays within a few
  // sigma/sqrt(n); float storage adds about 1e-7 relative.
  const double expectedMeanSquare = s.amplitude * s.amplitude / 2 + s.noise * s.noise / 3;
  bool ok = check("mean", mean, 0.0, 0.05, "V");
  ok = check("RMS", std::sqrt(meanSquare), std::sqrt(expectedMeanSquare), 0.01, "V") && ok;
  ok = check("rectified mean", rectifiedMean, 2 * s.amplitude / kPi, 0.05, "V") && ok;
  ok = check("energy into 1 ohm", energy, expectedMeanSquare * n / s.sampleRate, 10.0, "J") && ok;
  return ok;
}

}  // namespace demo
