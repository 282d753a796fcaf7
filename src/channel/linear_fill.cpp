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
#include "core/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

template <class T>
inline T indexAsT(uint32_t i) {
  return T(double(i));
}

template <class V, class T = typename Lanes<V>::Scalar>
inline V lineAt(V index, T slope, T intercept) {
  return add(mul(index, splat(index, slope)), splat(index, intercept));
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
    // Two index vectors, each stepping over the other: no chain of additions
    // through the whole turn.
    const __m256d eight = _mm256_set1_pd(8.0);
    __m256d front = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    __m256d back = _mm256_setr_pd(4.0, 5.0, 6.0, 7.0);
    for (; count - i >= 8; i += 8) {
      _mm256_storeu_pd(buffer + i, lineAt(front, slope, intercept));
      _mm256_storeu_pd(buffer + i + 4, lineAt(back, slope, intercept));
      front = _mm256_add_pd(front, eight);
      back = _mm256_add_pd(back, eight);
    }
  }
  fillTail(buffer, i, count, slope, intercept);
}

void TQCALC_STDCALL tqcalcChannelFillBufferWithLinearFunction_float(float* buffer, uint32_t count, float slope,
                                                                    float intercept) {
  uint32_t i = 0;
  if (count >= 16) {
    // Exact float indices: turns of 16 that end at or below 2^24.
    const uint32_t exactEnd = (count < kExactFloatIndices ? count : kExactFloatIndices) & ~15u;
    const __m256 sixteen = _mm256_set1_ps(16.0f);
    __m256 front = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    __m256 back = _mm256_setr_ps(8, 9, 10, 11, 12, 13, 14, 15);
    for (; i < exactEnd; i += 16) {
      _mm256_storeu_ps(buffer + i, lineAt(front, slope, intercept));
      _mm256_storeu_ps(buffer + i + 8, lineAt(back, slope, intercept));
      front = _mm256_add_ps(front, sixteen);
      back = _mm256_add_ps(back, sixteen);
    }
    // Above 2^24: exact double indices, each rounded to float once.
    if (count - i >= 16) {
      const __m256d four = _mm256_set1_pd(4.0);
      __m256d low = _mm256_add_pd(_mm256_set1_pd(double(i)), _mm256_setr_pd(0.0, 1.0, 2.0, 3.0));
      for (; count - i >= 8; i += 8) {
        const __m256d high = _mm256_add_pd(low, four);
        const __m256 rounded =
            _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)), _mm256_cvtpd_ps(high), 1);
        _mm256_storeu_ps(buffer + i, lineAt(rounded, slope, intercept));
        low = _mm256_add_pd(high, four);
      }
    }
  }
  fillTail(buffer, i, count, slope, intercept);
}

}  // extern "C"
