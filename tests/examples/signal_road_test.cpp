// The demo host's signal road end to end on a short stream, with answers
// known from the designs: Butterworth's unity DC gain and -3 dB at the
// corner, the windowed sinc's flat passband and deep stopband, a slow sine
// through the resampler, and the count of outputs after Stop (the spectra's
// slopes and corners are the road's own checks).
#include <gtest/gtest.h>

#include <cmath>

#include "signal_chain.h"

namespace demo::signal {
namespace {

std::vector<float> sine(double hz, double rate, std::size_t n) {
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = float(std::sin(2 * kPi * hz * double(i) / rate));
  return x;
}

double rmsFrom(const std::vector<float>& x, std::size_t from) {
  double sum = 0;
  for (std::size_t i = from; i < x.size(); ++i) sum += double(x[i]) * x[i];
  return std::sqrt(sum / double(x.size() - from));
}

TEST(SignalRoad, StagesMeetTheirDesigns) {
  Settings s;
  s.samples = 1u << 17;
  const Stages r = runStages(s);
  EXPECT_EQ(r.resampled.size(), uint64_t(double(s.samples - 1) * 0.91875) + 1);
  ASSERT_EQ(r.highPassed.size(), r.resampled.size());

  // Settled sines: 200 periods of the corner frequency, then DC.
  std::mt19937 rng(1);
  ButterworthLowPass lowPass(4, 2000, 48000);
  std::vector<float> corner = sine(2000, 48000, 9600);
  lowPass.run(corner, rng);
  EXPECT_NEAR(rmsFrom(corner, 4800) * std::sqrt(2.0), std::sqrt(0.5), 1e-3);
  std::vector<float> dc(4800, 1.0f);
  lowPass.run(dc, rng);
  EXPECT_NEAR(dc.back(), 1.0f, 1e-5);

  // Past the 1023-sample fill of the ring: 3 kHz passes, 50 Hz (five whole
  // periods) is some 70 dB down.
  const std::vector<float> highPass = windowedSincHighPass(1023, 300, 44100);
  EXPECT_NEAR(rmsFrom(firOnRing(sine(3000, 44100, 1023 + 4410), highPass), 1023), std::sqrt(0.5), 1e-3);
  EXPECT_LT(rmsFrom(firOnRing(sine(50, 44100, 1023 + 5 * 882), highPass), 1023), 1e-3);

  // Output j lies at input position j / ratio: a 200 Hz sine at 48 kHz read
  // back at 44.1 kHz. The last interval interpolates towards a repeated sample.
  const std::vector<float> slow = resample(sine(200, 48000, 20000), 48000, 44100, 4096, rng);
  ASSERT_EQ(slow.size(), uint64_t(19999 * 0.91875) + 1);
  for (std::size_t j = 0; j + 2 < slow.size(); ++j)
    ASSERT_NEAR(slow[j], std::sin(2 * kPi * 200 * double(j) / 44100), 1e-5) << j;
}

}  // namespace
}  // namespace demo::signal
