// Minimum and maximum of an array, overwriting both results.
//
// Below one vector the sequential scan. From one vector on: every lane of the
// running minima and maxima starts at element 0, the first vector is folded
// in unaligned, the body from the first aligned boundary (32 bytes for the
// 256-bit float types, 16 for the integers: AVX has no 256-bit integer
// min/max), and the last vector once more, ending at the last element
// (min/max are idempotent). Samples go in as the first operand: the
// instructions return the second when either is NaN, so a NaN sample never
// enters and a NaN element 0 stays in every lane, as in the scan.
#include <cstdint>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// Four pairs of accumulators: one pair would wait on the latency of every
// min/max.
constexpr unsigned kPairs = 4;

template <class T>
void minMax(const T* values, uint32_t count, T* minValue, T* maxValue) {
  using V = Widest<T>;  // its size is also the body's alignment
  static_assert(sizeof(V) == 32 || sizeof(V) == 16);
  constexpr uint32_t width = widthOf<V>;
  if (count == 0) return;
  T lo = values[0], hi = values[0];
  if (count < width) {
    for (uint32_t i = 1; i < count; ++i) {
      const T v = values[i];
      if (lo > v) lo = v;
      if (v > hi) hi = v;
    }
  } else {
    V mn[kPairs], mx[kPairs];
    TQ_UNROLL for (unsigned k = 0; k < kPairs; ++k) mn[k] = mx[k] = splat<V>(lo);
    const auto fold = [&](unsigned k, std::size_t at) {
      const V v = load<V>(values + at);
      mn[k] = min(v, mn[k]);
      mx[k] = max(v, mx[k]);
    };
    const std::size_t n = count;
    fold(0, 0);
    std::size_t i = (0u - reinterpret_cast<std::uintptr_t>(values)) % sizeof(V) / sizeof(T);
    if (i == 0) i = width;
    for (; n - i >= kPairs * width; i += kPairs * width) {
      TQ_UNROLL for (unsigned k = 0; k < kPairs; ++k) fold(k, i + k * width);
    }
    for (; n - i >= width; i += width) fold(1, i);
    fold(2, n - width);
    TQ_UNROLL for (unsigned k = 1; k < kPairs; ++k) mn[0] = min(mn[k], mn[0]), mx[0] = max(mx[k], mx[0]);
    // Every lane holds element 0 or a number below/above it: the scan rule
    // over the lanes gives the same result.
    foldExtremes(lo, hi, mn[0], mx[0]);
  }
  *minValue = lo;
  *maxValue = hi;
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcGetMinMax_double(const double* values, uint32_t count, double* minValue,
                                                      double* maxValue) {
  minMax(values, count, minValue, maxValue);
}
extern "C" void TQCALC_STDCALL tqcalcGetMinMax_float(const float* values, uint32_t count, float* minValue,
                                                     float* maxValue) {
  minMax(values, count, minValue, maxValue);
}
extern "C" void TQCALC_STDCALL tqcalcGetMinMax_int16_t(const int16_t* values, uint32_t count, int16_t* minValue,
                                                       int16_t* maxValue) {
  minMax(values, count, minValue, maxValue);
}
extern "C" void TQCALC_STDCALL tqcalcGetMinMax_int32_t(const int32_t* values, uint32_t count, int32_t* minValue,
                                                       int32_t* maxValue) {
  minMax(values, count, minValue, maxValue);
}
