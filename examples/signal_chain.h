// The signal road's stages: white ADC codes read as volts, made pink, a
// Butterworth low-pass through the IIR block filter, CHS resampling and a
// windowed-sinc high-pass on a host ring through the FIR filter; and the
// host's own spectral estimates to judge them. Header-only, so that a test
// can run the road with nothing but the library linked.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "tqcalc.h"

namespace demo {
namespace signal {

constexpr double kPi = 3.14159265358979323846;

struct Settings {
  double sampleRate = 48000, outputRate = 44100;
  uint32_t samples = 1u << 19;
  double adcFullScaleV = 10;     // +-10 V over the int16 range
  double whiteRmsCodes = 4000;
  double lowPassHz = 2000;
  int lowPassOrder = 4;          // even: second-order sections only
  double highPassHz = 300;
  int32_t firTaps = 1023;        // odd: a symmetric type I filter
  uint32_t chsRing = 4096;
  uint32_t welchSegment = 8192;  // a power of two
  uint32_t seed = 2026;
};

// ---- Stages ------------------------------------------------------------------

inline std::vector<int16_t> whiteCodes(uint32_t n, double rmsCodes, std::mt19937& rng) {
  std::vector<int16_t> codes(n);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (auto& c : codes) {  // Box-Muller, clipped at the converter's rails
    const double radius = std::sqrt(-2 * std::log(1 - uniform(rng)));
    const double g = radius * std::cos(2 * kPi * uniform(rng));
    c = int16_t(std::clamp(std::lround(g * rmsCodes), -32768L, 32767L));
  }
  return codes;
}

// Reads the channel as a host reads its buffer: a run at a time from a
// position it has located.
inline std::vector<float> readVolts(const std::vector<int16_t>& codes, double fullScaleV) {
  std::vector<float> volts(codes.size());
  const uint32_t run = 4096;
  for (std::size_t at = 0; at < codes.size(); at += run) {
    ScaledValuesParamsFloat p{};
    p.source = codes.data() + at;
    p.destination = volts.data() + at;
    p.scale = float(fullScaleV / 32768);
    p.offset = 0;
    p.count = int32_t(std::min<std::size_t>(run, codes.size() - at));
    p.sampleType = ChannelSampleInt16;
    p.stride = 1;
    tqcalcChannelGetScaledValuesAtPos_float(&p);
  }
  return volts;
}

inline std::vector<float> pink(const std::vector<float>& white) {
  PinkFilterState state{};
  std::vector<float> out(white.size());
  for (std::size_t i = 0; i < white.size(); ++i) out[i] = float(tqcalcPinkFilter_double(&state, white[i]));
  return out;
}

// Bilinear Butterworth low-pass as a cascade of second-order sections, laid
// out for the library: tap 0 holds time n-2, tap 2 the current time; the
// feedback coefficients carry the sign of the denominator 1 + a1 z^-1 + a2 z^-2
// because the filter subtracts them.
class ButterworthLowPass {
 public:
  ButterworthLowPass(int order, double cornerHz, double sampleRate) {
    const int sections = order / 2;
    const double k = std::tan(kPi * cornerHz / sampleRate);  // prewarped corner
    for (int s = 0; s < sections; ++s) {
      const double q = 1 / (2 * std::sin(kPi * (2 * s + 1) / (2 * order)));
      const double norm = 1 / (1 + k / q + k * k);
      gains_.push_back(k * k * norm);  // the numerator is gain * (1, 2, 1)
      const double a1 = 2 * (k * k - 1) * norm, a2 = (1 - k / q + k * k) * norm;
      taps_.push_back({0, 0, 1, a2});
      taps_.push_back({0, 0, 2, a1});
      taps_.push_back({0, 0, 1, 0});
    }
    state_.filterType = 0;
    state_.sectionCount = sections;
    state_.sectionOrder = 2;
    state_.sectionGains = gains_.data();
    state_.taps = taps_.data();
  }
  ButterworthLowPass(const ButterworthLowPass&) = delete;
  ButterworthLowPass& operator=(const ButterworthLowPass&) = delete;

  // In place, in blocks of irregular size as they arrive from a device.
  void run(std::vector<float>& samples, std::mt19937& rng) {
    std::uniform_int_distribution<uint32_t> blockSize(1, 3000);
    for (std::size_t at = 0; at < samples.size();) {
      const auto n = uint32_t(std::min<std::size_t>(blockSize(rng), samples.size() - at));
      tqcalcIIRFilterArr_float(&state_, samples.data() + at, samples.data() + at, n);
      at += n;
    }
  }

 private:
  std::vector<double> gains_;
  std::vector<IIRTap> taps_;
  IIRFilterState state_{};
};

// Random blocks through one interpolator, then Stop for the last interval.
// Returns an empty vector if the library refuses a call.
inline std::vector<float> resample(const std::vector<float>& in, double inputRate, double outputRate,
                                   uint32_t ringLength, std::mt19937& rng) {
  const CHSInterpolatorParams params{inputRate, outputRate, ringLength};
  CHSInterpolator* chs = nullptr;
  if (tqcalcCHSInterpolator_Create(&chs, &params) != CHSStatusOk) return {};
  std::vector<float> out;
  std::uniform_int_distribution<uint32_t> blockSize(1, ringLength - 2);
  float* values = nullptr;
  uint32_t produced = 0;
  bool ok = true;
  for (std::size_t at = 0; ok && at < in.size();) {
    const auto n = uint32_t(std::min<std::size_t>(blockSize(rng), in.size() - at));
    ok = tqcalcCHSInterpolator_InterpolateValues(chs, in.data() + at, n, &values, &produced) == CHSStatusOk;
    if (ok) out.insert(out.end(), values, values + produced);
    at += n;
  }
  ok = ok && tqcalcCHSInterpolator_Stop(chs, &values, &produced) == CHSStatusOk;
  if (ok) out.insert(out.end(), values, values + produced);
  tqcalcCHSInterpolator_Destroy(chs);
  return ok ? out : std::vector<float>{};
}

// Windowed-sinc high-pass (Blackman window): a unit impulse at the centre
// less the low-pass of the same cutoff, where the response passes -6 dB.
inline std::vector<float> windowedSincHighPass(int32_t taps, double cutoffHz, double sampleRate) {
  const int32_t centre = taps / 2;
  const double fc = cutoffHz / sampleRate;
  std::vector<double> lowPass(std::size_t(taps), 0.0);
  double sum = 0;
  for (int32_t i = 0; i < taps; ++i) {
    const double m = i - centre;
    const double sinc = m == 0 ? 2 * fc : std::sin(2 * kPi * fc * m) / (kPi * m);
    const double w = 0.42 - 0.5 * std::cos(2 * kPi * i / (taps - 1)) + 0.08 * std::cos(4 * kPi * i / (taps - 1));
    sum += lowPass[std::size_t(i)] = sinc * w;
  }
  std::vector<float> h(static_cast<std::size_t>(taps));
  for (int32_t i = 0; i < taps; ++i) h[std::size_t(i)] = float((i == centre ? 1.0 : 0.0) - lowPass[std::size_t(i)] / sum);
  return h;
}

// Runs the FIR over a host ring: each sample is written at `position`, the
// position advances, and the library reads the ring from there, oldest
// first. Coefficient k therefore weights the sample taps - 1 - k steps back:
// the impulse response reversed (a no-op for this symmetric one).
inline std::vector<float> firOnRing(const std::vector<float>& in, const std::vector<float>& impulseResponse) {
  const auto taps = int32_t(impulseResponse.size());
  const std::vector<float> coefficients(impulseResponse.rbegin(), impulseResponse.rend());
  std::vector<float> ring(impulseResponse.size(), 0.0f), out(in.size());
  int32_t position = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    ring[std::size_t(position)] = in[i];
    position = position + 1 == taps ? 0 : position + 1;
    out[i] = float(tqcalcFIRFilter_float(ring.data(), coefficients.data(), taps, position));
  }
  return out;
}

// ---- The host's spectral estimates ---------------------------------------------

// In-place radix-2 FFT; the size is a power of two.
inline void fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j |= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2 * kPi / double(len));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (std::size_t k = 0; k < len / 2; ++k, w *= step) {
        const auto u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

struct Spectrum {
  double binHz = 0;
  std::vector<double> density;  // one-sided, V^2/Hz, bins 0 .. segment/2
  double at(std::size_t bin) const { return density[bin]; }
  double frequency(std::size_t bin) const { return double(bin) * binHz; }
};

// Welch: Hann-windowed segments overlapping by half, periodograms averaged.
inline Spectrum welch(const std::vector<float>& x, double sampleRate, uint32_t segment) {
  Spectrum s;
  s.binHz = sampleRate / segment;
  s.density.assign(segment / 2 + 1, 0.0);
  std::vector<double> window(segment);
  double windowPower = 0;
  for (uint32_t i = 0; i < segment; ++i) {
    window[i] = 0.5 - 0.5 * std::cos(2 * kPi * i / segment);
    windowPower += window[i] * window[i];
  }
  std::vector<std::complex<double>> buffer(segment);
  std::size_t segments = 0;
  for (std::size_t start = 0; start + segment <= x.size(); start += segment / 2, ++segments) {
    for (uint32_t i = 0; i < segment; ++i) buffer[i] = window[i] * double(x[start + i]);
    fft(buffer);
    for (std::size_t k = 0; k < s.density.size(); ++k) s.density[k] += std::norm(buffer[k]);
  }
  for (std::size_t k = 0; k < s.density.size(); ++k) {
    const double oneSided = k == 0 || k == segment / 2 ? 1 : 2;
    s.density[k] *= oneSided / (sampleRate * windowPower * double(std::max<std::size_t>(segments, 1)));
  }
  return s;
}

inline double decibels(double power) { return 10 * std::log10(power); }

// Least-squares slope of the level over log2 frequency between two
// frequencies, each octave weighted equally (bins weighted by 1/f).
inline double slopePerOctave(const Spectrum& s, double fromHz, double toHz) {
  double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t k = 1; k < s.density.size(); ++k) {
    const double f = s.frequency(k);
    if (f < fromHz || f > toHz) continue;
    const double w = 1 / f, x = std::log2(f), y = decibels(s.at(k));
    sw += w, sx += w * x, sy += w * y, sxx += w * x * x, sxy += w * x * y;
  }
  return (sw * sxy - sx * sy) / (sw * sxx - sx * sx);
}

// Gain of a stage in dB at a frequency, as the ratio of its output and input
// spectra (same rate and segment), interpolated between the two bins around it.
inline double gainAt(const Spectrum& out, const Spectrum& in, double hz) {
  const auto k = std::size_t(hz / out.binHz);
  const double t = hz / out.binHz - double(k);
  const double g0 = decibels(out.at(k) / in.at(k)), g1 = decibels(out.at(k + 1) / in.at(k + 1));
  return g0 + t * (g1 - g0);
}

// ---- The road ---------------------------------------------------------------------

struct Stages {
  std::vector<float> white, pink, lowPassed, resampled, highPassed;
};

inline Stages runStages(const Settings& s) {
  std::mt19937 rng(s.seed);
  Stages r;
  r.white = readVolts(whiteCodes(s.samples, s.whiteRmsCodes, rng), s.adcFullScaleV);
  r.pink = pink(r.white);
  r.lowPassed = r.pink;
  ButterworthLowPass lowPass(s.lowPassOrder, s.lowPassHz, s.sampleRate);
  lowPass.run(r.lowPassed, rng);
  r.resampled = resample(r.lowPassed, s.sampleRate, s.outputRate, s.chsRing, rng);
  r.highPassed = firOnRing(r.resampled, windowedSincHighPass(s.firTaps, s.highPassHz, s.outputRate));
  return r;
}

// Outputs of the whole stream once stopped: every output position j / ratio
// up to the last input sample N - 1.
inline uint64_t expectedResampledCount(uint64_t inputSamples, double inputRate, double outputRate) {
  return uint64_t(double(inputSamples - 1) * (outputRate / inputRate)) + 1;
}

}  // namespace signal
}  // namespace demo
