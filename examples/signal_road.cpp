// Road 3: a signal chain. White noise from a 16-bit ADC is read as volts,
// made pink, low-passed, resampled from 48 to 44.1 kHz and high-passed; the
// host's Welch spectra of every stage show what each filter did and are
// checked against the designs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "roads.h"
#include "signal_chain.h"
#include "svg_chart.h"

namespace demo {
namespace {

using namespace signal;

double rms(const std::vector<float>& x) {
  double sum = 0;
  for (float v : x) sum += double(v) * v;
  return x.empty() ? 0 : std::sqrt(sum / double(x.size()));
}

// A spectrum averaged in twelfth-octave bands of at least four bins, for a
// readable curve on a log axis; bands below `floorDb` are left out.
Series bands(const char* label, const char* color, const Spectrum& s, double floorDb) {
  Series out{label, color, {}, {}};
  const double ratio = std::pow(2.0, 1.0 / 12), last = s.frequency(s.density.size() - 1);
  for (double lo = 2 * s.binHz, hi; (hi = std::max(lo * ratio, lo + 4 * s.binHz)) < last; lo = hi) {
    double sum = 0;
    int n = 0;
    for (auto k = std::size_t(std::ceil(lo / s.binHz)); s.frequency(k) < hi; ++k, ++n) sum += s.at(k);
    if (n == 0 || decibels(sum / n) < floorDb) continue;
    out.x.push_back(std::sqrt(lo * hi));
    out.y.push_back(decibels(sum / n));
  }
  return out;
}

double bandLevel(const Spectrum& s, double hz) {
  const Series one = bands("", "", s, -1e300);
  std::size_t best = 0;
  for (std::size_t i = 0; i < one.x.size(); ++i)
    if (std::fabs(std::log(one.x[i] / hz)) < std::fabs(std::log(one.x[best] / hz))) best = i;
  return one.y[best];
}

}  // namespace

bool runSignalRoad(const std::string& outputDirectory) {
  const Settings s;
  std::printf("\nSignal road: %u samples at %.0f Hz (%.1f s) of white noise, %.0f codes RMS on a +-%.0f V "
              "16-bit ADC\n",
              s.samples, s.sampleRate, s.samples / s.sampleRate, s.whiteRmsCodes, s.adcFullScaleV);
  const Stages r = runStages(s);
  std::printf("  %-34s %9.4f V RMS\n", "white, read as volts", rms(r.white));
  std::printf("  %-34s %9.4f V RMS\n", "pink", rms(r.pink));
  std::printf("  %-34s %9.4f V RMS\n", "low-pass (Butterworth, IIR)", rms(r.lowPassed));
  std::printf("  %-34s %9.4f V RMS, %zu samples\n", "resampled to 44.1 kHz (CHS)", rms(r.resampled),
              r.resampled.size());
  std::printf("  %-34s %9.4f V RMS\n", "high-pass (windowed sinc, FIR)", rms(r.highPassed));

  const Spectrum white = welch(r.white, s.sampleRate, s.welchSegment);
  const Spectrum pinkSpectrum = welch(r.pink, s.sampleRate, s.welchSegment);
  const Spectrum lowPassed = welch(r.lowPassed, s.sampleRate, s.welchSegment);
  const Spectrum resampled = welch(r.resampled, s.outputRate, s.welchSegment);
  const Spectrum highPassed = welch(r.highPassed, s.outputRate, s.welchSegment);

  const double slope = slopePerOctave(pinkSpectrum, s.sampleRate / 1000, s.sampleRate / 10);
  bool ok = check("pink slope, fs/1000 .. fs/10", slope, -3.0, 0.5, "dB/oct");
  ok = check("low-pass gain at 2 kHz corner", gainAt(lowPassed, pinkSpectrum, s.lowPassHz), -3.0, 0.5, "dB") &&
       ok;
  ok = check("high-pass gain at 300 Hz cutoff", gainAt(highPassed, resampled, s.highPassHz), -6.0, 0.5, "dB") &&
       ok;
  const uint64_t expected = expectedResampledCount(s.samples, s.sampleRate, s.outputRate);
  const bool countOk = r.resampled.size() == expected;
  std::printf("  %-34s %9zu        (expected trunc((N - 1) x %.5f) + 1 = %llu) %s\n", "resampled count",
              r.resampled.size(), s.outputRate / s.sampleRate, static_cast<unsigned long long>(expected),
              countOk ? "ok" : "FAILED");
  ok = countOk && ok;

  Chart chart;
  chart.title = "Power spectral density of each stage (Welch, Hann, 8192-point segments)";
  chart.xLabel = "frequency [Hz]";
  chart.yLabel = "PSD [dB re 1 V^2/Hz]";
  chart.logX = true;
  const double top = std::max(bandLevel(pinkSpectrum, 2 * pinkSpectrum.binHz), bandLevel(white, 1000)) + 5;
  const double floorDb = top - 90;
  chart.series = {bands("white, read as volts", "#9a9a9a", white, floorDb),
                  bands("pink", "#e377c2", pinkSpectrum, floorDb),
                  bands("low-pass 2 kHz (IIR)", "#1f77b4", lowPassed, floorDb),
                  bands("resampled to 44.1 kHz (CHS)", "#2ca02c", resampled, floorDb),
                  bands("high-pass 300 Hz (FIR)", "#d62728", highPassed, floorDb)};
  // The guide runs 6 dB above the pink curve, through its level at 100 Hz.
  const double guideAt100 = bandLevel(pinkSpectrum, 100) + 6;
  Series guide{"-3 dB/octave guide", "#000000", {}, {}};
  for (double f : {2 * pinkSpectrum.binHz, s.sampleRate / 2}) {
    guide.x.push_back(f);
    guide.y.push_back(guideAt100 - 3 * std::log2(f / 100));
  }
  chart.series.push_back(guide);
  chart.series.push_back(Series{"low-pass corner 2 kHz", "#1f77b4", {s.lowPassHz, s.lowPassHz}, {floorDb, top}});
  chart.series.push_back(Series{"high-pass cutoff 300 Hz", "#d62728", {s.highPassHz, s.highPassHz}, {floorDb, top}});
  const std::string path = outputDirectory + "/signal_psd.svg";
  if (!writeSvg(chart, path)) {
    std::printf("  cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("  picture: %s\n", path.c_str());
  return ok;
}

}  // namespace demo
