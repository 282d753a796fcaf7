// Small AVX helpers shared by the kernels. AVX only: no AVX2, no FMA.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace tq::simd {

// One element from an address of any alignment (inputs documented as
// needing no alignment may start at any byte).
template <class T>
inline T loadUnaligned(const T* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Four floats widened exactly to four doubles; no alignment needed.
inline __m256d loadWidened(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }

// Lane sum in a fixed order, (l0 + l2) + (l1 + l3), so that a reduction's
// result depends only on its input, never on the machine or the call path.
inline double horizontalSum(__m256d v) {
  const __m128d pairs = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
  return _mm_cvtsd_f64(_mm_add_sd(pairs, _mm_unpackhi_pd(pairs, pairs)));
}

// Float lane sums in a fixed order, (l0 + l2) + (l1 + l3), for the same
// reason; eight lanes first add their two halves lane by lane.
inline float horizontalSum(__m128 v) {
  const __m128 pairs = _mm_add_ps(v, _mm_movehl_ps(v, v));
  return _mm_cvtss_f32(_mm_add_ss(pairs, _mm_movehdup_ps(pairs)));
}
inline float horizontalSum(__m256 v) {
  return horizontalSum(_mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1)));
}

inline __m128 absoluteValue(__m128 v) {
  return _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
}

// Lanes of `ifTrue` where `mask` (a comparison result) is set, else of
// `ifFalse`. Spelled with bitwise operations: GCC rewrites BLENDVPS into a
// generic select on the sign bits, which without AVX2 it splits into scalar
// branches.
inline __m256 select(__m256 mask, __m256 ifTrue, __m256 ifFalse) {
  return _mm256_or_ps(_mm256_and_ps(mask, ifTrue), _mm256_andnot_ps(mask, ifFalse));
}
inline __m256d select(__m256d mask, __m256d ifTrue, __m256d ifFalse) {
  return _mm256_or_pd(_mm256_and_pd(mask, ifTrue), _mm256_andnot_pd(mask, ifFalse));
}

}  // namespace tq::simd
