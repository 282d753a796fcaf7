// Road 2: combustion analysis of a synthetic engine, the way a host runs it
// cycle by cycle: copy each raw block into its cycle channel with the zero
// level removed and the peak found, smooth it, derive the pressure rise rate
// with a crank-angle filter, fold it into the cumulative and the moving
// average, and map the average cycle onto linear and log-log p-V diagrams.
#include "combustion_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "checks.h"
#include "roads.h"
#include "svg_chart.h"
#include "tqcalc.h"

namespace demo {
namespace {

// Pegging: the sensor's zero level is the raw pressure around intake BDC
// less the known intake pressure, averaged over +-5 degrees.
float sensorOffset(const float* cycle, const Acquisition& acq, double intakeBar) {
  const auto first = uint32_t((-185.0 + 360.0) / acq.resolutionDeg);
  const auto count = uint32_t(10.0 / acq.resolutionDeg) + 1;
  return float(tqcalcSumValues_float(cycle + first, count) / count - intakeBar);
}

// Five-point least-squares derivative, newest sample first; the filter reads
// backwards from the position, so its output belongs two samples earlier.
std::vector<float> derivativeTaps(double resolutionDeg) {
  const double d = 10.0 * resolutionDeg;
  return {float(2 / d), float(1 / d), 0.0f, float(-1 / d), float(-2 / d)};
}

}  // namespace

DiagramAxes diagramAxes(const EngineGeometry& engine, float peakPressureBar) {
  // Linear: 0 .. the largest volume, 0 .. the peak rounded up to 10 bar.
  // Log-log: 20 .. 800 cm^3 and 0.5 .. 158 bar (1.6 and 2.5 decades).
  return {float(engine.clearanceCm3() + engine.displacementCm3()), std::ceil(peakPressureBar / 10.0f) * 10.0f,
          20.0f, 1.6f, 0.5f, 2.5f};
}

// Pixel rows grow downwards, so pressure axes run from the bottom edge up.
void mapLinearVolume(const DiagramAxes& a, DiagramSize d, const float* cm3, uint32_t n, int32_t* x) {
  tqcalcCAPV_lin(cm3, n, x, 0, d.width, d.width / a.maxVolumeCm3, 0.0f);
}
void mapLinearPressure(const DiagramAxes& a, DiagramSize d, const float* bar, uint32_t n, int32_t* y) {
  tqcalcCAPV_lin(bar, n, y, 0, d.height, -d.height / a.maxPressureBar, float(d.height));
}
void mapLogVolume(const DiagramAxes& a, DiagramSize d, const float* cm3, uint32_t n, int32_t* x) {
  tqcalcCAPV_log(cm3, n, x, 0, d.width, d.width / a.logVolumeDecades, 0.0f, a.logMinVolumeCm3);
}
void mapLogPressure(const DiagramAxes& a, DiagramSize d, const float* bar, uint32_t n, int32_t* y) {
  tqcalcCAPV_log(bar, n, y, 0, d.height, -d.height / a.logPressureDecades, float(d.height), a.logMinPressureBar);
}

CombustionResult analyseCombustion(const RawStream& raw, const EngineGeometry& engine,
                                   const CombustionSettings& combustion, const Acquisition& acq,
                                   uint32_t movingWindow, DiagramSize diagram) {
  const uint32_t n = acq.samplesPerCycle();
  const auto cycles = uint32_t(raw.truePressureBar.size());
  CombustionResult r;
  std::vector<float> channel(n), smoothed(n), sums(n), volume(n), volumeStep(n, 0.0f);
  r.cumulativeMean.assign(n, 0.0f);
  r.movingMean.assign(n, 0.0f);
  for (uint32_t i = 0; i < n; ++i) volume[i] = float(engine.volumeCm3(acq.crankDeg(i)));
  for (uint32_t i = 0; i + 1 < n; ++i) volumeStep[i] = volume[i + 1] - volume[i];
  const std::vector<float> taps = derivativeTaps(acq.resolutionDeg);

  // The host keeps the last `movingWindow` smoothed cycles for the moving
  // average, and its own double sums to check the library's averages.
  std::vector<std::vector<float>> window(movingWindow, std::vector<float>(n));
  std::vector<double> hostSum(n, 0.0);
  std::vector<std::vector<float>> history;

  for (uint32_t c = 0; c < cycles; ++c) {
    const uint32_t first = c * n, end = first + n;
    const float offset = sensorOffset(raw.samples.data() + first, acq, combustion.intakeBar);
    float peak = 0;
    uint32_t peakIndex = 0;
    tqCalcCACopyRawDataToChannels(raw.samples.data(), channel.data(), first, end, offset, &peak, &peakIndex);
    // All ones: no sample above the smallest normal float (a cycle without
    // pressure, e.g. a dead sensor). The cycle then has no peak to report.
    if (peakIndex != 0xFFFFFFFFu) {
      r.peakBar.push_back(peak);
      r.peakDeg.push_back(acq.crankDeg(peakIndex - first));
    }
    double offsetError = 0;
    for (uint32_t i = 0; i < n; ++i) offsetError += channel[i] - raw.truePressureBar[c][i];
    r.meanOffsetError = std::max(r.meanOffsetError, std::fabs(offsetError / n));

    tqcalcCACalcAveFilter_float(channel.data(), smoothed.data(), 5, n);

    float maxRise = 0;
    for (uint32_t i = uint32_t(taps.size()) - 1; i < n; ++i)
      maxRise = std::max(maxRise, tqcalcCACalcFilter_float(&smoothed[i], uint32_t(taps.size()), taps.data(), 1));
    r.maxRiseBarPerDeg.push_back(maxRise);

    // Indicated work: the sum of p dV (bar cm^3 = 0.1 J); IMEP = W / Vd.
    const double work = tqcalcMultiplyVectorsAndCalcSum_float(smoothed.data(), volumeStep.data(), n - 1);
    r.imepBar.push_back(work / engine.displacementCm3());

    float cumulativePeak = 0;
    tqCalcCAOverallPressure(smoothed.data(), r.cumulativeMean.data(), 0, n, c, &cumulativePeak);
    r.cumulativePeakBar = cumulativePeak;

    std::vector<float>& slot = window[c % movingWindow];
    const float* oldest = c >= movingWindow ? slot.data() : nullptr;
    tqCalcCARunningVal(smoothed.data(), oldest, sums.data(), r.movingMean.data(), 0, n - 1, c, movingWindow);
    slot = smoothed;

    for (uint32_t i = 0; i < n; ++i) hostSum[i] += smoothed[i];
    history.push_back(smoothed);
  }
  r.lastCycle = smoothed;

  const uint32_t inWindow = std::min(cycles, movingWindow);
  for (uint32_t i = 0; i < n; ++i) {
    double windowSum = 0;
    for (uint32_t c = cycles - inWindow; c < cycles; ++c) windowSum += history[c][i];
    r.cumulativeMeanError = std::max(r.cumulativeMeanError, std::fabs(r.cumulativeMean[i] - hostSum[i] / cycles));
    r.movingMeanError = std::max(r.movingMeanError, std::fabs(r.movingMean[i] - windowSum / inWindow));
  }

  // p-V diagrams of the average cycle: x is the volume, y the pressure.
  const DiagramAxes axes = diagramAxes(engine, r.cumulativePeakBar);
  r.pvLinearX.resize(n);
  r.pvLinearY.resize(n);
  r.pvLogX.resize(n);
  r.pvLogY.resize(n);
  mapLinearVolume(axes, diagram, volume.data(), n, r.pvLinearX.data());
  mapLinearPressure(axes, diagram, r.cumulativeMean.data(), n, r.pvLinearY.data());
  mapLogVolume(axes, diagram, volume.data(), n, r.pvLogX.data());
  mapLogPressure(axes, diagram, r.cumulativeMean.data(), n, r.pvLogY.data());
  return r;
}

namespace {

struct Spread {
  double mean, deviation, low, high;
};
template <class T>
Spread spreadOf(const std::vector<T>& values) {
  double sum = 0, squares = 0;
  for (T v : values) sum += v;
  const double mean = sum / values.size();
  for (T v : values) squares += (v - mean) * (v - mean);
  return {mean, std::sqrt(squares / values.size()), double(*std::min_element(values.begin(), values.end())),
          double(*std::max_element(values.begin(), values.end()))};
}

void printSpread(const char* what, const Spread& s, const char* unit) {
  std::printf("  %-28s mean %8.3f %-6s sd %7.3f   range %8.3f .. %8.3f\n", what, s.mean, unit, s.deviation, s.low,
              s.high);
}

void writePictures(const CombustionResult& r, const Acquisition& acq, const DiagramAxes& axes,
                   const DiagramSize& diagram, const std::string& dir) {
  Chart curves;
  curves.title = "Cylinder pressure over crank angle";
  curves.xLabel = "crank angle [deg, firing TDC = 0]";
  curves.yLabel = "pressure [bar]";
  std::vector<double> angle;
  for (uint32_t i = 0; i < r.lastCycle.size(); ++i) angle.push_back(acq.crankDeg(i));
  auto series = [&](const char* label, const char* color, const std::vector<float>& y) {
    return Series{label, color, angle, std::vector<double>(y.begin(), y.end())};
  };
  curves.series = {series("last cycle (smoothed)", "#9a9a9a", r.lastCycle),
                   series("moving average", "#d62728", r.movingMean),
                   series("cumulative average", "#1f77b4", r.cumulativeMean)};
  writeSvg(curves, dir + "/pressure_curves.svg");

  Chart peaks;
  peaks.title = "Peak pressure per cycle";
  peaks.xLabel = "cycle";
  peaks.yLabel = "peak pressure [bar]";
  std::vector<double> index;
  for (std::size_t c = 0; c < r.peakBar.size(); ++c) index.push_back(double(c));
  peaks.series = {Series{"peak found while copying", "#1f77b4", index,
                         std::vector<double>(r.peakBar.begin(), r.peakBar.end())}};
  writeSvg(peaks, dir + "/peak_pressure.svg");

  // Tick marks go through the same mappings as the curves.
  auto ticks = [&](auto map, std::vector<float> values) {
    std::vector<int32_t> pixels(values.size());
    map(axes, diagram, values.data(), uint32_t(values.size()), pixels.data());
    std::vector<std::pair<int, std::string>> out;
    for (std::size_t i = 0; i < values.size(); ++i) {
      char text[16];
      std::snprintf(text, sizeof text, "%g", double(values[i]));
      out.push_back({pixels[i], text});
    }
    return out;
  };
  std::vector<float> volumeTicks, pressureTicks;
  for (float v = 0; v <= axes.maxVolumeCm3; v += 100) volumeTicks.push_back(v);
  for (float p = 0; p <= axes.maxPressureBar; p += 10) pressureTicks.push_back(p);

  PixelPlot linear{"p-V diagram, linear axes", diagram.width, diagram.height, {{r.pvLinearX, r.pvLinearY}},
                   {"#1f77b4"}, {"cumulative average cycle"}, "volume [cm^3]", "pressure [bar]",
                   ticks(mapLinearVolume, volumeTicks), ticks(mapLinearPressure, pressureTicks)};
  writeSvg(linear, dir + "/pv_linear.svg");
  PixelPlot logarithmic{"p-V diagram, log-log axes", diagram.width, diagram.height, {{r.pvLogX, r.pvLogY}},
                        {"#d62728"}, {"cumulative average cycle"}, "volume [cm^3]", "pressure [bar]",
                        ticks(mapLogVolume, {20, 50, 100, 200, 500}), ticks(mapLogPressure, {0.5, 1, 2, 5, 10, 20, 50, 100})};
  writeSvg(logarithmic, dir + "/pv_loglog.svg");
}

}  // namespace

bool runCombustionAnalysis(const std::string& outputDirectory) {
  const EngineGeometry engine;
  const CombustionSettings combustion;
  const Acquisition acquisition;
  const uint32_t movingWindow = 20;
  const DiagramSize diagram;
  std::printf("\nCombustion analysis: %d cycles at %.1f deg resolution, %.1f cm^3 displacement, CR %.1f\n",
              acquisition.cycles, acquisition.resolutionDeg, engine.displacementCm3(), engine.compressionRatio);

  const RawStream raw = synthesise(engine, combustion, acquisition, 2026);
  const CombustionResult r = analyseCombustion(raw, engine, combustion, acquisition, movingWindow, diagram);

  std::vector<double> truePeakDeg;
  for (const auto& p : raw.truePressureBar)
    truePeakDeg.push_back(acquisition.crankDeg(uint32_t(std::max_element(p.begin(), p.end()) - p.begin())));
  printSpread("peak pressure", spreadOf(r.peakBar), "bar");
  printSpread("peak position", spreadOf(r.peakDeg), "deg");
  printSpread("max pressure rise", spreadOf(r.maxRiseBarPerDeg), "bar/deg");
  printSpread("IMEP", spreadOf(r.imepBar), "bar");
  const auto imep = spreadOf(r.imepBar);
  std::printf("  %-28s %.2f %%\n", "COV of IMEP", 100 * imep.deviation / imep.mean);
  std::printf("  %-28s %.3f bar\n", "peak of cumulative average", r.cumulativePeakBar);

  bool ok = check(r.meanOffsetError < 0.05, "zero level removed: mean channel error < 0.05 bar");
  ok = check(std::fabs(spreadOf(r.peakDeg).mean - spreadOf(truePeakDeg).mean) < 0.5,
             "mean peak position within 0.5 deg of the true one") && ok;
  ok = check(r.cumulativeMeanError < 0.01, "cumulative average = mean of all cycles (0.01 bar)") && ok;
  ok = check(r.movingMeanError < 0.01, "moving average = mean of the last 20 cycles (0.01 bar)") && ok;
  ok = check(imep.mean > 5 && imep.mean < 20, "IMEP in a plausible range for this engine") && ok;

  writePictures(r, acquisition, diagramAxes(engine, r.cumulativePeakBar), diagram, outputDirectory);
  std::printf("  pictures: %s/{pressure_curves,peak_pressure,pv_linear,pv_loglog}.svg\n", outputDirectory.c_str());
  return ok;
}

}  // namespace demo
