// Pressure-volume diagram coordinates: pressures or volumes mapped onto an
// integer axis, linear or logarithmic, rounded and clamped.
//
// Two sets of arithmetic, chosen by the length of the array, and hosts rely
// on both: below eight values the sequential rules (a float reciprocal of the
// reference, the scalar logarithm scaled in double, halves rounded away from
// zero), from eight values on the vector rules (a division per element, the
// logarithm inline on eight lanes with float scaling, halves rounded to
// even). The vector path covers the first eight values, then an aligned body
// from the first 32-byte boundary of `values`, then the last eight values
// again: elements written twice get the same value, and nothing outside the
// arrays is touched.
//
// NaN and out-of-range values saturate to the bounds. The sequential path
// compares quietly (a NaN input raises no invalid-operation flag there); the
// vector path uses the instructions that do it in one step and may raise it.
#include <cmath>
#include <cstdint>

#include "core/fast_log10.h"
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// The float nearest 1e-9: the logarithmic axis floors its argument here.
constexpr float kLogFloor = 0x1.12e0bep-30f;

// Sequential rounding: add -0.5 or +0.5 in float, truncate toward zero,
// saturate NaN and huge negatives to the lower bound and huge positives to
// the upper one; lower bound applied first, upper bound last.
inline int32_t sequentialCoordinate(float v, int32_t minCoordinate, int32_t maxCoordinate) {
  const float w = std::isless(v, 0.0f) ? v - 0.5f : v + 0.5f;
  int32_t c;
  if (!std::isgreaterequal(w, -0x1p31f))
    c = INT32_MIN;  // also NaN
  else if (std::isgreaterequal(w, 0x1p31f))
    c = INT32_MAX;
  else
    c = int32_t(w);
  if (c < minCoordinate) c = minCoordinate;
  if (c > maxCoordinate) c = maxCoordinate;
  return c;
}

// Vector rounding and clamping of eight lanes into `out`. The conversion
// rounds to nearest with ties to even and gives INT32_MIN for NaN and for
// everything outside the 32-bit range; only large positive values need
// correcting (to INT32_MAX) before the clamp, upper bound first, then the
// lower one. AVX has no 256-bit integer min/max: two 128-bit halves.
inline void storeRoundedAndClamped(int32_t* out, F32x8 v, I32x4 lower, I32x4 upper) {
  // Too large lanes convert to 0x80000000; XOR with their all-ones mask
  // makes that 0x7FFFFFFF and leaves the other lanes alone.
  const I32x8 tooLarge = bitsAsInt(cmpGe(v, splat<F32x8>(0x1p31f)));
  const I32x8 rounded = bitXor(toInt32Nearest(v), tooLarge);
  store(out, max(min(lowHalf(rounded), upper), lower));
  store(out + 4, max(min(highHalf(rounded), upper), lower));
}

// Sequential rules for short arrays, vector rules on whole groups of eight
// otherwise. `Mapping` gives the axis value of one element by the sequential
// rules (`sequential(float)`) and of eight by the vector rules
// (`vector(F32x8)`). The vector path covers the first eight values, the body
// from the first 32-byte boundary of `values` (loads that never straddle a
// cache line; unaligned all the same, since `values` need not be aligned
// even to its element size) and the last eight values again.
template <class Mapping>
inline void mapToCoordinates(const float* values, uint32_t count, int32_t* coordinates, int32_t minCoordinate,
                             int32_t maxCoordinate, const Mapping& mapping) {
  if (count < 8) {
    for (uint32_t i = 0; i < count; ++i)
      coordinates[i] = sequentialCoordinate(mapping.sequential(values[i]), minCoordinate, maxCoordinate);
    return;
  }
  const I32x4 lower = splat<I32x4>(minCoordinate), upper = splat<I32x4>(maxCoordinate);
  blocksOverlappingTail<8, 32>(values, count, [&](uint32_t i) {
    storeRoundedAndClamped(coordinates + i, mapping.vector(load<F32x8>(values + i)), lower, upper);
  });
}

struct LinearAxis {
  float scale, offset;
  float sequential(float x) const { return scale * x + offset; }
  F32x8 vector(F32x8 x) const { return add(mul(splat<F32x8>(scale), x), splat<F32x8>(offset)); }
};

struct LogarithmicAxis {
  float scale, offset, reference;
  float reciprocal;  // of `reference`, for the sequential rules

  LogarithmicAxis(float scale_, float offset_, float reference_)
      : scale(scale_), offset(offset_), reference(reference_), reciprocal(1.0f / reference_) {}

  float sequential(float x) const {
    float t = reciprocal * x;
    t = std::isgreater(t, kLogFloor) ? t : kLogFloor;  // NaN gives the floor
    return float(double(tq::fastLog10(t)) * double(scale) + double(offset));
  }
  F32x8 vector(F32x8 x) const {
    // max(t, floor) is "t > floor ? t : floor": NaN gives the floor.
    const F32x8 t = max(div(x, splat<F32x8>(reference)), splat<F32x8>(kLogFloor));
    const F32x8 r = tq::fastLog2Lanes(t);
    const F32x8 scaled = mul(mul(r, splat<F32x8>(scale)), splat<F32x8>(tq::fastlog::kLog10Of2Float));
    return add(scaled, splat<F32x8>(offset));
  }
};

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcCAPV_lin(const float* values, uint32_t count, int32_t* coordinates,
                                              int32_t minCoordinate, int32_t maxCoordinate, float scale,
                                              float offset) {
  mapToCoordinates(values, count, coordinates, minCoordinate, maxCoordinate, LinearAxis{scale, offset});
}

extern "C" void TQCALC_STDCALL tqcalcCAPV_log(const float* values, uint32_t count, int32_t* coordinates,
                                              int32_t minCoordinate, int32_t maxCoordinate, float scale,
                                              float offset, float reference) {
  mapToCoordinates(values, count, coordinates, minCoordinate, maxCoordinate,
                   LogarithmicAxis(scale, offset, reference));
}
