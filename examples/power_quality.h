// The power-quality road's pieces: a three-phase mains synthesiser with
// known harmonics, unbalance, lagging currents and noise; the host's spectra
// (the signal road's FFT); the library's power sums, angles and unbalance on
// them; and a flickermeter whose coefficients the host designs in double.
// Header-only, so that a test can run the road with nothing but the library
// linked.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "signal_chain.h"
#include "tqcalc.h"

namespace demo {
namespace power {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;

// ---- Mains -------------------------------------------------------------------

// One harmonic of one phase: RMS values, the voltage's phase (lead-positive,
// of A*cos(h*w*t + phase)) and the current's lag behind it, in degrees.
struct Harmonic {
  int order;
  double voltageRms, voltagePhase, currentRms, currentLag;
};

struct Settings {
  double sampleRate = 10240, mainsHz = 50;
  uint32_t window = 2048;  // ten mains periods: harmonic h lies at bin 10h
  uint32_t blocks = 10;
  double voltageNoise = 0.5, currentNoise = 0.02;  // V, A RMS
  uint32_t seed = 61000;
};

// Three phases: unbalanced fundamentals (magnitude and angle), the 3rd, 5th,
// 7th and 11th in both voltage and current, currents lagging.
inline std::vector<Harmonic> phaseContent(int phase) {
  static const double uScale[3] = {1.0, 0.97, 1.02}, iScale[3] = {1.0, 1.1, 0.9};
  static const double angle[3] = {0, -118.5, 120}, lag[3] = {25, 30, 20};
  const double u = 230 * uScale[phase], i = 16 * iScale[phase], a = angle[phase];
  return {{1, u, a, i, lag[phase]},
          {3, 0.012 * u, 3 * a + 30, 0.18 * i, 40},
          {5, 0.040 * u, 5 * a - 110, 0.12 * i, 55},
          {7, 0.025 * u, 7 * a + 60, 0.06 * i, 65},
          {11, 0.010 * u, 11 * a - 20, 0.03 * i, 75}};
}

struct Block {
  std::vector<float> u[3], i[3];
};

// Block b of the continuous signal (time runs on from block to block).
inline Block synthesise(const Settings& s, uint32_t b, std::mt19937& rng) {
  std::normal_distribution<double> gauss(0.0, 1.0);
  Block out;
  const double w = 2 * kPi * s.mainsHz;
  for (int p = 0; p < 3; ++p) {
    out.u[p].resize(s.window);
    out.i[p].resize(s.window);
    const std::vector<Harmonic> content = phaseContent(p);
    for (uint32_t n = 0; n < s.window; ++n) {
      const double t = double(uint64_t(b) * s.window + n) / s.sampleRate;
      double u = 0, i = 0;
      for (const Harmonic& h : content) {
        const double at = h.order * w * t + h.voltagePhase * kDegree;
        u += std::sqrt(2.0) * h.voltageRms * std::cos(at);
        i += std::sqrt(2.0) * h.currentRms * std::cos(at - h.currentLag * kDegree);
      }
      out.u[p][n] = float(u + s.voltageNoise * gauss(rng));
      out.i[p][n] = float(i + s.currentNoise * gauss(rng));
    }
  }
  return out;
}

// Per-phase P and Q of the synthesis: sum over the harmonics of U*I*cos and
// U*I*sin of the lag.
inline double syntheticP(int phase) {
  double p = 0;
  for (const Harmonic& h : phaseContent(phase)) p += h.voltageRms * h.currentRms * std::cos(h.currentLag * kDegree);
  return p;
}
inline double syntheticQ(int phase) {
  double q = 0;
  for (const Harmonic& h : phaseContent(phase)) q += h.voltageRms * h.currentRms * std::sin(h.currentLag * kDegree);
  return q;
}

// ---- Spectra and the library on them --------------------------------------------

// Bins 0 .. N/2 as interleaved (re, im) floats, unscaled.
inline std::vector<float> spectrum(const std::vector<float>& x) {
  std::vector<std::complex<double>> a(x.begin(), x.end());
  signal::fft(a);
  std::vector<float> out(x.size() + 2);
  for (std::size_t k = 0; k <= x.size() / 2; ++k) {
    out[2 * k] = float(a[k].real());
    out[2 * k + 1] = float(a[k].imag());
  }
  return out;
}

// Mean of u*i and Budeanu's Q over a window: with count = N/2 + 1 the half
// weights on bins 0 and N/2 are Parseval's, so 2*P/N^2 is the mean product.
struct PowerPair {
  double p, q;
};
inline PowerPair powerFromSpectra(const std::vector<float>& u, const std::vector<float>& i, uint32_t window) {
  double p = 0, q = 0;
  tqcalcPowerPandQsum(u.data(), i.data(), int32_t(window / 2 + 1), &p, &q);
  const double scale = 2.0 / (double(window) * window);
  return {p * scale, q * scale};
}

// Angles of orders 1 .. count, `phasePerOrder` added per order. A bin's angle
// is 90 degrees less its argument, so A*cos(h*w*t + phase) comes out as
// h * phasePerOrder + phase - 90, brought into [-180, 180].
inline std::vector<float> harmonicAngles(const std::vector<float>& spectrum, int32_t orders, float phasePerOrder,
                                         float binsPerOrder) {
  std::vector<float> angles(std::size_t(orders) + 1, 0.0f);
  tqcalcPowerAngles(spectrum.data(), angles.data(), orders, phasePerOrder, binsPerOrder);
  return angles;
}

inline double wrapDegrees(double a) { return a - 360 * std::floor((a + 180) / 360); }

// RMS of the harmonic subgroup: the harmonic's bin and its two neighbours.
inline double subgroupRms(const std::vector<float>& spectrum, uint32_t bin, uint32_t window) {
  return std::sqrt(2 * tqcalcPowerHarmonicZero(spectrum.data() + 2 * (bin - 1), 3)) / window;
}

// Symmetrical components in double, angles lag-positive (a balanced normal
// set has angle2 = angle1 + 120): sqrt(sum |3 S|^2)/3 per sequence.
struct Sequences {
  double zero, positive, negative;
};
inline Sequences fortescue(const std::vector<float> (&magnitude)[3], const std::vector<float> (&angle)[3]) {
  double sums[3] = {0, 0, 0};
  for (std::size_t e = 0; e < magnitude[0].size(); ++e) {
    const double turn[3][3] = {{0, 0, 0}, {0, -120, -240}, {0, -240, -120}};
    for (int s = 0; s < 3; ++s) {
      std::complex<double> sum = 0;
      for (int p = 0; p < 3; ++p)
        sum += std::polar(double(magnitude[p][e]), (double(angle[p][e]) + turn[s][p]) * kDegree);
      sums[s] += std::norm(sum);
    }
  }
  return {std::sqrt(sums[0]) / 3, std::sqrt(sums[1]) / 3, std::sqrt(sums[2]) / 3};
}

// ---- Flickermeter --------------------------------------------------------------

// The chain's coefficients for one sampling rate (230 V lamp), each filter
// by the bilinear transform; feedback coefficients past the low-pass negated
// because the library adds them.
struct FlickerDesign {
  double gain[3], a1[3], a2[3], weighting[12], highPass[3];
};

inline FlickerDesign designFlicker(double fs) {
  FlickerDesign d{};
  const double c = 2 * fs;
  // Sixth-order Butterworth at 35 Hz, prewarped: three sections (1, 2, 1).
  const double k = std::tan(kPi * 35 / fs);
  for (int s = 0; s < 3; ++s) {
    const double q = 1 / (2 * std::sin(kPi * (2 * (2 - s) + 1) / 12));
    const double norm = 1 / (1 + k / q + k * k);
    d.gain[s] = k * k * norm;
    d.a1[s] = 2 * (k * k - 1) * norm;
    d.a2[s] = (1 - k / q + k * k) * norm;
  }
  // First-order high-pass at 0.05 Hz, prewarped.
  const double h = std::tan(kPi * 0.05 / fs);
  d.highPass[0] = 1 / (1 + h);
  d.highPass[1] = -d.highPass[0];
  d.highPass[2] = (1 - h) / (1 + h);
  // Weighting: K*w1*s / (s^2 + 2*lambda*s + w1^2), no x[n-1] term after the
  // transform, then (1 + s/w2) / ((1 + s/w3)(1 + s/w4)).
  const double K = 1.74802, lambda = 2 * kPi * 4.05981, w1 = 2 * kPi * 9.15494, w2 = 2 * kPi * 2.27979,
               w3 = 2 * kPi * 1.22535, w4 = 2 * kPi * 21.9;
  const double bandDen = c * c + 2 * lambda * c + w1 * w1;
  double* cw = d.weighting;
  cw[0] = K * w1 * c / bandDen;
  cw[1] = -cw[0];
  cw[2] = -(2 * w1 * w1 - 2 * c * c) / bandDen;
  cw[3] = -(c * c - 2 * lambda * c + w1 * w1) / bandDen;
  const double g = w3 * w4 / w2, n0 = w2 + c, n1 = w2 - c;
  const double a = w3 + c, b = w3 - c, e = w4 + c, f = w4 - c, den = a * e;
  cw[4] = g * n0 / den;
  cw[5] = g * (n0 + n1) / den;
  cw[6] = g * n1 / den;
  cw[7] = -(a * f + b * e) / den;
  cw[8] = -(b * f) / den;
  // First-order smoothing, time constant 300 ms.
  const double t = c * 0.3;
  cw[9] = 1 / (1 + t);
  cw[10] = cw[9];
  cw[11] = (t - 1) / (t + 1);
  return d;
}

// The host's state: histories at rest on a nominal supply (the low-pass
// sections hold the squared signal's mean, 0.5), the high-pass marked as
// reset so that it starts without a step.
class Flickermeter {
 public:
  explicit Flickermeter(double sampleRate) : d_(designFlicker(sampleRate)) {
    state_ = {lpIn0_, lpIn1_, lpIn2_, lpOut0_, lpOut1_, lpOut2_, d_.gain, d_.a1, d_.a2, d_.weighting,
              d_.highPass, bpOut_, bpIn_, wIn_, wOut_, smIn_, smOut_, hpIn_, hpOut_};
    for (double* a : {lpIn0_, lpIn1_, lpIn2_, lpOut0_, lpOut1_, lpOut2_}) std::fill(a, a + 3, 0.5);
    hpIn_[0] = -9999999.0;
  }
  Flickermeter(const Flickermeter&) = delete;
  Flickermeter& operator=(const Flickermeter&) = delete;

  // P_inst for per-unit samples (1 = nominal RMS), in blocks of a second.
  std::vector<float> run(const std::vector<float>& input, uint32_t block) {
    std::vector<float> out(input.size());
    for (std::size_t at = 0; at < input.size(); at += block) {
      const auto n = uint32_t(std::min<std::size_t>(block, input.size() - at));
      tqcalcPowerFlicker(&state_, input.data() + at, out.data() + at, n);
    }
    return out;
  }

 private:
  FlickerDesign d_;
  double lpIn0_[3]{}, lpIn1_[3]{}, lpIn2_[3]{}, lpOut0_[3]{}, lpOut1_[3]{}, lpOut2_[3]{};
  double bpOut_[3]{}, bpIn_[3]{}, wIn_[3]{}, wOut_[3]{}, smIn_[2]{}, smOut_[2]{}, hpIn_[2]{}, hpOut_[2]{};
  PowerFlickerState state_{};
};

constexpr double kFlickerRate = 2000;

// Per-unit mains at 2 kHz whose RMS steps (rectangular) or swings (sine) by
// a relative change dv (peak to peak) at `hz`.
inline std::vector<float> modulatedMains(double hz, double dv, bool rectangular, double seconds) {
  std::vector<float> x(std::size_t(seconds * kFlickerRate));
  for (std::size_t n = 0; n < x.size(); ++n) {
    const double t = double(n) / kFlickerRate, m = std::sin(2 * kPi * hz * t);
    const double envelope = 1 + dv / 2 * (rectangular ? (m >= 0 ? 1.0 : -1.0) : m);
    x[n] = float(std::sqrt(2.0) * envelope * std::cos(2 * kPi * 50 * t));
  }
  return x;
}

// The largest P_inst over the last `lastSeconds` of a 25 s run.
inline double maxPinst(double hz, double dvPercent, bool rectangular, double lastSeconds = 10) {
  Flickermeter meter(kFlickerRate);
  const std::vector<float> p = meter.run(modulatedMains(hz, dvPercent / 100, rectangular, 25), 2000);
  const auto from = p.size() - std::size_t(lastSeconds * kFlickerRate);
  return *std::max_element(p.begin() + std::ptrdiff_t(from), p.end());
}

// The standard's points for the 230 V lamp on 50 Hz mains: relative change
// in percent that gives a P_inst of 1. A rectangular value of 0 is one this
// host has no entry for: the road then reports the change that gives 1.
struct FlickerPoint {
  double hz, sinePercent, rectangularPercent;
};
inline const std::vector<FlickerPoint>& flickerTable() {
  static const std::vector<FlickerPoint> t = {
      {0.5, 2.325, 0.509},  {1.0, 1.397, 0.467},  {1.5, 1.067, 0.429},  {2.0, 0.879, 0.398},
      {2.5, 0.747, 0.370},  {3.0, 0.645, 0.352},  {3.5, 0.564, 0.342},  {4.0, 0.497, 0.332},
      {4.5, 0.442, 0.312},  {5.0, 0.396, 0.291},  {5.5, 0.357, 0.268},  {6.0, 0.325, 0.248},
      {6.5, 0.300, 0.229},  {7.0, 0.280, 0.216},  {7.5, 0.265, 0.208},  {8.0, 0.256, 0.202},
      {8.8, 0.250, 0.196},  {9.5, 0.254, 0.194},  {10.0, 0.261, 0},
      {10.5, 0.271, 0},     {11.0, 0.283, 0},     {11.5, 0.298, 0},     {12.0, 0.314, 0},
      {13.0, 0.351, 0},     {14.0, 0.393, 0},     {15.0, 0.438, 0},     {16.0, 0.486, 0},
      {17.0, 0.537, 0},     {18.0, 0.590, 0},     {19.0, 0.646, 0},     {20.0, 0.704, 0},
      {21.0, 0.764, 0},     {22.0, 0.828, 0},     {23.0, 0.894, 0},     {24.0, 0.964, 0},
      {25.0, 1.037, 0},     {100.0 / 3, 2.128, 0}};
  return t;
}

}  // namespace power
}  // namespace demo
