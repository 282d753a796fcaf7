// The flicker state's nineteen arrays over two blocks of doubles: the 38
// history slots (written by the filter) and the 24 coefficients (read only).
#pragma once

#include "tqcalc.h"

namespace tq::test {

constexpr int kFlickerHistories = 38;

// Histories: low-pass in 0..2 and out 0..2 (3 each), band-pass out and in,
// weighting in and out (3 each), smoothing in and out, high-pass in and out
// (2 each). Coefficients: gains, a1, a2 (3 each), c0..c11, d0..d2.
inline PowerFlickerState flickerState(double* h, const double* c) {
  return {h,      h + 3,  h + 6,  h + 9,  h + 12, h + 15, c,      c + 3,  c + 6,  c + 9,
          c + 21, h + 18, h + 21, h + 24, h + 27, h + 30, h + 32, h + 34, h + 36};
}

// Coefficients shaped like a flickermeter's at 2 kHz: 35 Hz sixth-order
// Butterworth low-pass, 0.05 Hz high-pass, a weighting band-pass and 300 ms
// smoothing, all bilinear. They pin the arithmetic, not the lamp: the
// band-pass gain is K * lambda where the lamp model has K * omega1 (the demo's
// power-quality road designs the calibrated set).
constexpr double kFlicker2kHz[24] = {
    0.00273014047298874, 0.0028020967277727245, 0.0029361322136277727,
    -1.7974055418327683, -1.8447784050234597, -1.9330215293101654,
    0.8083261037247235, 0.8559867919345505, 0.9447660581646765,
    0.011004725870035665, -0.011004725870035665, 1.9740012328554557, -0.9748178490634303,
    0.017904325225630107, 0.00012777627035735916, -0.017776548955272746, 1.929645035487795, -0.9299005880285097,
    0.0008326394671107411, 0.0008326394671107411, 0.9983347210657785,
    0.999921466351517, -0.999921466351517, 0.9998429327030341};

}  // namespace tq::test
