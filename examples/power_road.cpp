// Road 5: power quality. Three-phase mains with known harmonics, unbalance,
// lagging currents and noise, cut into ten-period windows: P and Q from the
// host's spectra, energies from the samples, harmonic angles and subgroup
// RMS, unbalance by symmetrical components; then a flickermeter run over the
// standard's modulation table.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "power_quality.h"
#include "roads.h"
#include "svg_chart.h"

namespace demo {
namespace {

using namespace power;

bool mainsChecks(const Settings& s) {
  std::mt19937 rng(s.seed);
  const double binScale = std::sqrt(2.0) / s.window;  // |bin| to RMS
  double pLib[3] = {}, qLib[3] = {}, pMean[3] = {}, energy[3][2] = {}, gated[3] = {}, gatedHost[3] = {};
  std::vector<float> magnitude[3], angle[3];
  bool ok = true;
  std::vector<float> firstSpectrum;
  std::vector<float> condition(s.window, 0.0f);
  std::fill(condition.begin() + s.window / 2, condition.end(), 1.0f);  // a contactor closing halfway
  for (uint32_t b = 0; b < s.blocks; ++b) {
    const Block block = synthesise(s, b, rng);
    for (int p = 0; p < 3; ++p) {
      const std::vector<float> u = spectrum(block.u[p]), i = spectrum(block.i[p]);
      const PowerPair pq = powerFromSpectra(u, i, s.window);
      pLib[p] += pq.p / s.blocks;
      qLib[p] += pq.q / s.blocks;
      double mean = 0, pos = 0, neg = 0, gPos = 0, gNeg = 0;
      for (uint32_t n = 0; n < s.window; ++n) mean += double(block.u[p][n]) * block.i[p][n];
      pMean[p] += mean / s.window / s.blocks;
      tqcalcPowerCalculatePosAndNegEnergy(block.u[p].data(), block.i[p].data(), int32_t(s.window), &pos, &neg);
      energy[p][0] += pos / s.sampleRate;
      energy[p][1] += neg / s.sampleRate;
      tqcalcPowerCalculatePosAndNegEnergyOnCondition(block.u[p].data(), block.i[p].data(), condition.data(),
                                                     int32_t(s.window), &gPos, &gNeg);
      gated[p] += (gPos + gNeg) / s.sampleRate;
      // The same float products, each sign summed on its own in ascending order.
      double hostPos = 0, hostNeg = 0;
      for (uint32_t n = s.window / 2; n < s.window; ++n) {
        const float product = block.u[p][n] * block.i[p][n];
        (product < 0 ? hostNeg : hostPos) += product;
      }
      gatedHost[p] += (hostPos + hostNeg) / s.sampleRate;
      // The fundamental's magnitude and lag-positive angle for the unbalance.
      magnitude[p].push_back(float(std::hypot(u[20], u[21]) * binScale));
      angle[p].push_back(-harmonicAngles(u, 1, 90, 10)[1]);
      if (b == 0 && p == 0) firstSpectrum = u;
    }
  }

  const double seconds = s.blocks * s.window / s.sampleRate;
  std::printf("  %u windows of %u samples at %.0f Hz (%.1f s), harmonic h at bin 10h\n", s.blocks, s.window,
              s.sampleRate, seconds);
  for (int p = 0; p < 3; ++p) {
    std::printf(" phase L%d\n", p + 1);
    ok = check("P = 2 PandQsum / N^2 vs mean(u i)", pLib[p], pMean[p], 1e-6 * std::fabs(pMean[p]), "W") && ok;
    ok = check("P vs synthesis", pLib[p], syntheticP(p), 2e-3 * syntheticP(p), "W") && ok;
    ok = check("Q vs synthesis (sum U I sin phi)", qLib[p], syntheticQ(p), 2e-3 * syntheticQ(p), "var") && ok;
    std::printf("  %-34s %12.4f Ws, %.4f Ws back\n", "energy forward / back", energy[p][0], energy[p][1]);
    ok = check("net energy vs P * t", energy[p][0] + energy[p][1], pMean[p] * seconds,
               1e-6 * pMean[p] * seconds, "Ws") && ok;
    ok = check("energy, contactor closed (exact)", gated[p], gatedHost[p], 0, "Ws") && ok;
    ok = check("  vs P * t / 2", gated[p], syntheticP(p) * seconds / 2, 2e-3 * syntheticP(p) * seconds, "Ws") && ok;
  }

  // Harmonics of the first window of L1: angles referred to the fundamental's
  // convention (phasePerOrder 90 makes order 1 read its own phase).
  std::printf(" harmonics of L1, first window\n");
  const uint32_t strongest = tqcalcPowerFindIndexOfMaxAmplitude(firstSpectrum.data(), s.window / 2 + 1);
  ok = check("strongest bin", strongest, 10, 0, "") && ok;
  const std::vector<float> angles = harmonicAngles(firstSpectrum, 25, 90, 10);
  double fundamental = 0, distortion = 0;
  for (const Harmonic& h : phaseContent(0)) {
    const double rms = subgroupRms(firstSpectrum, uint32_t(10 * h.order), s.window);
    char what[64];
    std::snprintf(what, sizeof what, "order %2d subgroup RMS", h.order);
    // The noise puts some 0.011 V RMS into each bin: four of those.
    const double noise = 4 * s.voltageNoise * std::sqrt(2.0 / s.window) / 2;
    ok = check(what, rms, h.voltageRms, noise + 1e-4 * h.voltageRms, "V") && ok;
    std::snprintf(what, sizeof what, "order %2d angle", h.order);
    const double expected = wrapDegrees(h.order * 90.0 + h.voltagePhase - 90);
    ok = check(what, wrapDegrees(angles[std::size_t(h.order)] - expected) + expected, expected,
               0.01 + noise / h.voltageRms / kDegree, "deg") && ok;
    (h.order == 1 ? fundamental : distortion) += rms * rms;
  }
  std::printf("  %-34s %12.4f %%\n", "THD (subgroups 3..11)", 100 * std::sqrt(distortion / fundamental));

  // Unbalance of the fundamentals, one element per window.
  std::printf(" unbalance of the fundamentals, %u elements\n", s.blocks);
  float total[3], ratio[2], ratioFirst[2], first[3][2];
  const PowerUnbalanceParams up{magnitude[0].data(), magnitude[1].data(), magnitude[2].data(), angle[0].data(),
                                angle[1].data(),     angle[2].data(),     &total[0],           &total[1],
                                &total[2],           &ratio[0],           &ratio[1],           &ratioFirst[0],
                                &ratioFirst[1],      first[0],            first[1],            first[2],
                                s.blocks};
  tqcalcPowerUnbalance(&up);
  const Sequences host = fortescue(magnitude, angle);
  ok = check("negative / positive (library)", ratio[0], 100 * host.negative / host.positive, 0.01, "%") && ok;
  ok = check("zero / positive (library)", ratio[1], 100 * host.zero / host.positive, 0.01, "%") && ok;
  ok = check("positive sequence", total[1], host.positive, 1e-5 * host.positive, "V") && ok;
  std::vector<float> trueMagnitude[3], trueAngle[3];
  for (int p = 0; p < 3; ++p) {
    trueMagnitude[p].assign(1, float(phaseContent(p)[0].voltageRms));
    trueAngle[p].assign(1, float(-phaseContent(p)[0].voltagePhase));
  }
  const Sequences truth = fortescue(trueMagnitude, trueAngle);
  ok = check("negative / positive vs synthesis", ratio[0], 100 * truth.negative / truth.positive, 0.01, "%") && ok;
  return ok;
}

bool flickerChecks(const std::string& outputDirectory) {
  std::printf(" flickermeter at %.0f Hz, 230 V lamp: max P_inst over the last 10 s of 25 s\n", kFlickerRate);
  std::printf("  %7s  %8s %8s    %8s %8s\n", "Hz", "sine %", "P_inst", "rect %", "P_inst");
  bool ok = true;
  for (const FlickerPoint& point : flickerTable()) {
    const double sine = maxPinst(point.hz, point.sinePercent, false);
    const bool sineOk = std::fabs(sine - 1) <= 0.05;
    std::printf("  %7.2f  %8.3f %8.4f %-6s", point.hz, point.sinePercent, sine, sineOk ? "ok" : "FAILED");
    if (point.rectangularPercent > 0) {
      const double rect = maxPinst(point.hz, point.rectangularPercent, true);
      const bool rectOk = std::fabs(rect - 1) <= 0.05;
      std::printf(" %8.3f %8.4f %s\n", point.rectangularPercent, rect, rectOk ? "ok" : "FAILED");
      ok = ok && rectOk;
    } else {
      // P_inst grows with the square of the change.
      const double probe = 0.785 * point.sinePercent;
      std::printf(" %8.3f          (change for 1; no table entry)\n", probe / std::sqrt(maxPinst(point.hz, probe, true)));
    }
    ok = ok && sineOk;
  }

  Flickermeter meter(kFlickerRate);
  const std::vector<float> p = meter.run(modulatedMains(8.8, 0.00196, true, 25), 2000);
  Chart chart;
  chart.title = "Instantaneous flicker sensation, rectangular 8.8 Hz modulation, dV/V 0.196 %";
  chart.xLabel = "time [s]";
  chart.yLabel = "P_inst";
  Series series{"P_inst", "#1f77b4", {}, {}};
  for (std::size_t n = 0; n < p.size(); n += 10) {
    series.x.push_back(double(n) / kFlickerRate);
    series.y.push_back(p[n]);
  }
  chart.series = {series, Series{"1 (perceptibility)", "#d62728", {0, 25}, {1, 1}}};
  const std::string path = outputDirectory + "/flicker_pinst.svg";
  if (!writeSvg(chart, path)) {
    std::printf("  cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("  picture: %s\n", path.c_str());
  return ok;
}

}  // namespace

bool runPowerQualityRoad(const std::string& outputDirectory) {
  std::printf("\nPower-quality road: 230 V / 50 Hz three-phase mains, harmonics 3..11, unbalance, lagging "
              "currents, noise\n");
  bool ok = mainsChecks(Settings{});
  ok = flickerChecks(outputDirectory) && ok;
  return ok;
}

}  // namespace demo
