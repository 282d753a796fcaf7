// The flickermeter chain over one block of samples.
//
// Every stage is a recursion on its own past outputs, so samples cannot run
// side by side in vector lanes; one sample's stages are a chain as well. The
// loop is scalar: the histories sit in registers for the whole block (the
// stages' independent recursions then overlap across samples in the
// processor) and go back to the host's arrays once at the end.
#include <algorithm>

#include "tqcalc.h"

namespace {

constexpr double kResetMarker = -9999999.0;
constexpr double kScale = 1238400.0;

inline double roundToFloat(double v) { return double(float(v)); }

// One second-order low-pass section with the fixed numerator 1, 2, 1.
struct LowPass {
  double g, a1, a2;
  double x1, x2, y1, y2;
  double run(double x0) {
    const double y = g * ((x0 + 2.0 * x1) + x2) - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x0, y2 = y1, y1 = y;
    return y;
  }
};

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcPowerFlicker(PowerFlickerState* state, const float* input, float* output,
                                                  uint32_t count) {
  if (count == 0) return;
  PowerFlickerState& s = *state;
  LowPass lp[3];
  for (int k = 0; k < 3; ++k)
    lp[k] = {s.lowPassGain[k], s.lowPassA1[k], s.lowPassA2[k], s.lowPassIn1[k], s.lowPassIn2[k], s.lowPassOut1[k],
             s.lowPassOut2[k]};
  const double* c = s.weightingCoefficients;
  const double c0 = c[0], c1 = c[1], c2 = c[2], c3 = c[3], c4 = c[4], c5 = c[5], c6 = c[6], c7 = c[7], c8 = c[8];
  const double c9 = c[9], c10 = c[10], c11 = c[11];
  const double d0 = s.highPassCoefficients[0], d1 = s.highPassCoefficients[1], d2 = s.highPassCoefficients[2];
  // [0] is only ever written before it is read, so [1] and [2] are the history.
  double hpIn = s.highPassIn[0], hpIn1 = s.highPassIn[1], hpOut1 = s.highPassOut[1];
  double bpIn1 = s.bandPassIn[1], bpIn2 = s.bandPassIn[2], bpOut1 = s.bandPassOut[1], bpOut2 = s.bandPassOut[2];
  double wIn1 = s.weightingIn[1], wIn2 = s.weightingIn[2], wOut1 = s.weightingOut[1], wOut2 = s.weightingOut[2];
  double smIn1 = s.smoothingIn[1], smOut1 = s.smoothingOut[1];

  // Two passes per chunk: the low-pass cascade, then the rest. Each pass's
  // forward chain is short enough for the processor to overlap the
  // recursions of several samples; one pass over all stages is not.
  constexpr uint32_t kChunk = 256;
  float lowPassed[kChunk];  // the low-pass output, rounded to float as the chain wants it
  for (uint32_t start = 0; start < count; start += kChunk) {
    const uint32_t n = std::min(count - start, kChunk);
    for (uint32_t i = 0; i < n; ++i) {
      const float sample = input[start + i];
      lowPassed[i] = float(lp[2].run(lp[1].run(lp[0].run(double((sample * sample) * 0.5f)))));
    }
    for (uint32_t i = 0; i < n; ++i) {
      const double x = lowPassed[i];
      // The marker is tested on every sample, as a low-pass output can equal it.
      if (hpIn == kResetMarker) hpIn1 = x;
      hpIn = x;
      const double hp = (d0 * x + d1 * hpIn1) + d2 * hpOut1;
      hpIn1 = x, hpOut1 = hp;
      const double w = roundToFloat(hp);

      const double bp = ((c0 * w + c1 * bpIn2) + c2 * bpOut1) + c3 * bpOut2;
      bpIn2 = bpIn1, bpIn1 = w, bpOut2 = bpOut1, bpOut1 = bp;

      const double wt = (((c4 * bp + c5 * wIn1) + c6 * wIn2) + c7 * wOut1) + c8 * wOut2;
      wIn2 = wIn1, wIn1 = bp, wOut2 = wOut1, wOut1 = wt;

      const float wf = float(wt);
      const double q = double(wf * wf);
      const double sm = (c9 * q + c10 * smIn1) + c11 * smOut1;
      smIn1 = q, smOut1 = sm;

      output[start + i] = float(sm * kScale);
    }
  }

  // After a sample's shift the newest value is in both [0] and [1].
  for (int k = 0; k < 3; ++k) {
    s.lowPassIn0[k] = s.lowPassIn1[k] = lp[k].x1, s.lowPassIn2[k] = lp[k].x2;
    s.lowPassOut0[k] = s.lowPassOut1[k] = lp[k].y1, s.lowPassOut2[k] = lp[k].y2;
  }
  s.highPassIn[0] = s.highPassIn[1] = hpIn1, s.highPassOut[0] = s.highPassOut[1] = hpOut1;
  s.bandPassIn[0] = s.bandPassIn[1] = bpIn1, s.bandPassIn[2] = bpIn2;
  s.bandPassOut[0] = s.bandPassOut[1] = bpOut1, s.bandPassOut[2] = bpOut2;
  s.weightingIn[0] = s.weightingIn[1] = wIn1, s.weightingIn[2] = wIn2;
  s.weightingOut[0] = s.weightingOut[1] = wOut1, s.weightingOut[2] = wOut2;
  s.smoothingIn[0] = s.smoothingIn[1] = smIn1, s.smoothingOut[0] = s.smoothingOut[1] = smOut1;
}
