// Harmonic phase angles interpolated between bins, the strongest bin, and
// the sum of squared magnitudes.
#include <cmath>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// The bin's angle in degrees, rounded to float and made non-negative.
inline float binDegrees(const float* bin) {
  const float a = narrow(std::atan2(widen(bin[0]), widen(bin[1])) * 57.29577951308232);
  return a < 0.0f ? a + 360.0f : a;
}

// The fraction keeps the sign of its argument (modf, not floor), so the
// result stays on the side of zero it came from.
inline float turnsFraction(float r) {
  double whole;
  return narrow(std::modf(widen(r * 0.0027777778450399637f), &whole) * 360.0);
}

inline float wrapped(float r) {
  if (r < -360.0f) r = turnsFraction(r);
  if (r < -180.0f) r = r + 360.0f;
  if (r > 360.0f) r = turnsFraction(r);
  if (r > 180.0f) r = r - 360.0f;
  return r;
}

// Bin magnitudes in float: second squared plus first squared.
template <class V>
TQ_LANES V magnitudes(const float* bin) {
  V re, im;
  deinterleave(bin, re, im);
  return add(mul(im, im), mul(re, re));
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcPowerAngles(const float* spectrum, float* angles, int32_t count,
                                                float phasePerOrder, float binsPerOrder) {
  for (uint32_t i = 1; count > 0 && i <= uint32_t(count); ++i) {
    const float order = float(int32_t(i));
    const int32_t k = int32_t(order * binsPerOrder);
    const float* bin = spectrum + 2 * std::ptrdiff_t(k);
    const float a1 = binDegrees(bin), a2 = binDegrees(bin + 2);
    const float d = a2 > a1 ? a2 - a1 : (a2 - a1) + 360.0f;
    angles[i] = wrapped((float(k) - order * binsPerOrder) * d + (order * phasePerOrder - a1));
  }
}

// Two passes: the largest magnitude (max keeps its second operand when the
// first is NaN, so NaN bins drop out), then the first bin that has it. That
// is the bin a strict ascending "greater than" keeps, in vector steps.
extern "C" uint32_t TQCALC_STDCALL tqcalcPowerFindIndexOfMaxAmplitude(const float* spectrum, uint32_t count) {
  if (count < 2) return 0;
  const std::size_t n = count;
  F32x8 best8 = splat<F32x8>(0.0f);
  std::size_t k = 1;
  for (; n - k >= 8; k += 8) best8 = max(magnitudes<F32x8>(spectrum + 2 * k), best8);
  float best = 0.0f;
  for (float lane : lanesOf(best8).at) best = max(lane, best);
  for (; k < n; ++k) best = max(magnitudes<float>(spectrum + 2 * k), best);
  if (!(best > 0.0f)) return 0;
  const F32x8 wanted = splat<F32x8>(best);
  for (k = 1; n - k >= 8; k += 8) {
    const unsigned hits = laneBits(cmpEq(magnitudes<F32x8>(spectrum + 2 * k), wanted));
    if (hits) return uint32_t(k + unsigned(__builtin_ctz(hits)));
  }
  for (; magnitudes<float>(spectrum + 2 * k) != best; ++k) {
  }
  return uint32_t(k);
}

// One accumulator in ascending order: the sum's bits are part of the result.
extern "C" double TQCALC_STDCALL tqcalcPowerHarmonicZero(const float* spectrum, uint32_t count) {
  double sum = 0.0;
  for (std::size_t k = 0; k < count; ++k) {
    const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
    sum += im * im + re * re;
  }
  return sum;
}
