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
//
// Blends are avoided on purpose: GCC 12 without AVX2 splits
// _mm256_blendv_ps on a comparison mask into per-lane branches.
#include <cmath>
#include <cstdint>

#include "core/fast_log10.h"
#include "tqcalc.h"

namespace {

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
inline void storeRoundedAndClamped(int32_t* out, __m256 v, __m128i lower, __m128i upper) {
  // Too large lanes convert to 0x80000000; XOR with their all-ones mask
  // makes that 0x7FFFFFFF and leaves the other lanes alone.
  const __m256 tooLarge = _mm256_cmp_ps(v, _mm256_set1_ps(0x1p31f), _CMP_GE_OQ);
  const __m256 rounded = _mm256_xor_ps(_mm256_castsi256_ps(_mm256_cvtps_epi32(v)), tooLarge);
  const __m128i low = _mm_castps_si128(_mm256_castps256_ps128(rounded));
  const __m128i high = _mm_castps_si128(_mm256_extractf128_ps(rounded, 1));
  auto* to = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(to, _mm_max_epi32(_mm_min_epi32(low, upper), lower));
  _mm_storeu_si128(to + 1, _mm_max_epi32(_mm_min_epi32(high, upper), lower));
}

// Sequential rules for short arrays, vector rules on whole groups of eight
// otherwise. `Mapping` gives the axis value of one element by the sequential
// rules (`sequential(float)`) and of eight by the vector rules
// (`vector(__m256)`).
template <class Mapping>
inline void mapToCoordinates(const float* values, uint32_t count, int32_t* coordinates, int32_t minCoordinate,
                             int32_t maxCoordinate, const Mapping& mapping) {
  if (count < 8) {
    for (uint32_t i = 0; i < count; ++i)
      coordinates[i] = sequentialCoordinate(mapping.sequential(values[i]), minCoordinate, maxCoordinate);
    return;
  }
  const __m128i lower = _mm_set1_epi32(minCoordinate);
  const __m128i upper = _mm_set1_epi32(maxCoordinate);
  const auto eightAt = [&](uint32_t i) {
    storeRoundedAndClamped(coordinates + i, mapping.vector(_mm256_loadu_ps(values + i)), lower, upper);
  };
  eightAt(0);
  // Body from the first 32-byte boundary after element 0 (loads that never
  // straddle a cache line); unaligned loads all the same, since `values`
  // need not be aligned even to its element size.
  uint32_t i = uint32_t((0u - reinterpret_cast<uintptr_t>(values)) % 32 / sizeof(float));
  if (i == 0) i = 8;
  for (; count - i >= 8; i += 8) eightAt(i);
  if (i != count) eightAt(count - 8);
}

struct LinearAxis {
  float scale, offset;
  float sequential(float x) const { return scale * x + offset; }
  __m256 vector(__m256 x) const {
    return _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(scale), x), _mm256_set1_ps(offset));
  }
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
  __m256 vector(__m256 x) const {
    __m256 t = _mm256_div_ps(x, _mm256_set1_ps(reference));
    // max(t, floor) is "t > floor ? t : floor": NaN gives the floor.
    t = _mm256_max_ps(t, _mm256_set1_ps(kLogFloor));
    const __m256 r = tq::fastLog2x8(t);
    const __m256 scaled = _mm256_mul_ps(_mm256_mul_ps(r, _mm256_set1_ps(scale)),
                                        _mm256_set1_ps(tq::fastlog::kLog10Of2Float));
    return _mm256_add_ps(scaled, _mm256_set1_ps(offset));
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
