// Buffers filled with a straight line over the sample index:
// buffer[i] = i * slope + intercept, product and sum each rounded in the
// buffer's precision.
//
// Every element takes its index afresh, never a running sum of slopes. The
// vector paths carry the index in a vector and step it by adding the exact
// integer step, which stays exact: in double for every 32-bit index, in float
// as long as the indices are below 2^24. Beyond that the float fill forms
// the exact double index and rounds it to float once, as the scalar path
// does: float(double(i)), never float(i) directly, which i386 compilers
// build from a signed conversion and a second rounding above 2^31.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

template <class T>
inline T indexAsT(uint32_t i) {
  return T(double(i));
}

template <class V, class T = ScalarOf<V>>
inline V lineAt(V index, T slope, T intercept) {
  return add(mul(index, splatLike(index, slope)), splatLike(index, intercept));
}

// Scalar elements [from, count).
template <class T>
inline void fillTail(T* buffer, uint32_t from, uint32_t count, T slope, T intercept) {
  for (uint32_t i = from; i < count; ++i) buffer[i] = lineAt(indexAsT<T>(i), slope, intercept);
}

constexpr uint32_t kExactFloatIndices = 1u << 24;

}  // namespace

extern "C" {

void TQCALC_STDCALL tqcalcChannelFillBufferWithLinearFunction_double(double* buffer, uint32_t count, double slope,
                                                                     double intercept) {
  uint32_t i = 0;
  if (count >= 8) {
    withStores(buffer, count, i, false, [&](uint32_t at) { fillTail(buffer, at, at + 1, slope, intercept); },
               [&](auto stores) {
      // Two index vectors, each stepping over the other: no chain of
      // additions through the whole turn.
      const F64x4 eight = splat<F64x4>(8.0);
      F64x4 front = ramp<F64x4>(double(i)), back = ramp<F64x4>(double(i) + 4.0);
      for (; count - i >= 8; i += 8) {
        stores.put(buffer + i, lineAt(front, slope, intercept));
        stores.put(buffer + i + 4, lineAt(back, slope, intercept));
        front = add(front, eight);
        back = add(back, eight);
      }
    });
  }
  fillTail(buffer, i, count, slope, intercept);
}

void TQCALC_STDCALL tqcalcChannelFillBufferWithLinearFunction_float(float* buffer, uint32_t count, float slope,
                                                                    float intercept) {
  uint32_t i = 0;
  if (count >= 16) {
    withStores(buffer, count, i, false, [&](uint32_t at) { fillTail(buffer, at, at + 1, slope, intercept); },
               [&](auto stores) {
      // Exact float indices: turns of 16 that end at or below 2^24.
      const uint32_t exactEnd = i + ((count < kExactFloatIndices ? count : kExactFloatIndices) - i) / 16 * 16;
      const F32x8 sixteen = splat<F32x8>(16.0f);
      F32x8 front = ramp<F32x8>(float(i)), back = ramp<F32x8>(float(i) + 8.0f);
      for (; i < exactEnd; i += 16) {
        stores.put(buffer + i, lineAt(front, slope, intercept));
        stores.put(buffer + i + 8, lineAt(back, slope, intercept));
        front = add(front, sixteen);
        back = add(back, sixteen);
      }
      // Above 2^24: exact double indices, each rounded to float once.
      if (count - i >= 16) {
        const F64x4 four = splat<F64x4>(4.0);
        F64x4 low = ramp<F64x4>(double(i));
        for (; count - i >= 8; i += 8) {
          const F64x4 high = add(low, four);
          stores.put(buffer + i, lineAt(narrowPair(low, high), slope, intercept));
          low = add(high, four);
        }
      }
    });
  }
  fillTail(buffer, i, count, slope, intercept);
}

}  // extern "C"
