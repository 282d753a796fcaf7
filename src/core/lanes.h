// One vocabulary for scalar and vector arithmetic, so that a kernel's formula
// is written once and instantiated for float/double and for their AVX
// vectors: add, sub, mul, squareRoot and maximum each map to one IEEE
// operation of the element precision (no contraction, no reassociation), and
// Lanes<V> gives unaligned loads, stores and broadcasts. A scalar and a
// vector instance of the same formula therefore agree bit for bit.
#pragma once

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/simd.h"

// The vector types carry attributes (may_alias) that GCC drops, with a
// warning, when they are template arguments; every access here goes through
// the intrinsics, which do not depend on them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"

namespace tq::simd {

template <class V>
struct Lanes;

template <class S>
struct ScalarLanes {
  using Scalar = S;
  static constexpr uint32_t width = 1;
  // memcpy: the element may live in memory that is also seen as another
  // type (the in-place conversions), and needs no alignment.
  static S load(const void* p) {
    S v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  static void store(void* p, S v) { std::memcpy(p, &v, sizeof v); }
  static S splat(S s) { return s; }
};
template <>
struct Lanes<float> : ScalarLanes<float> {};
template <>
struct Lanes<double> : ScalarLanes<double> {};
template <>
struct Lanes<int16_t> : ScalarLanes<int16_t> {};
template <>
struct Lanes<int32_t> : ScalarLanes<int32_t> {};

template <>
struct Lanes<__m128> {
  using Scalar = float;
  static constexpr uint32_t width = 4;
  static __m128 load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, __m128 v) { _mm_storeu_ps(p, v); }
  static __m128 splat(float s) { return _mm_set1_ps(s); }
};
template <>
struct Lanes<__m256> {
  using Scalar = float;
  static constexpr uint32_t width = 8;
  static __m256 load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, __m256 v) { _mm256_storeu_ps(p, v); }
  static __m256 splat(float s) { return _mm256_set1_ps(s); }
};
template <>
struct Lanes<__m256d> {
  using Scalar = double;
  static constexpr uint32_t width = 4;
  static __m256d load(const double* p) { return _mm256_loadu_pd(p); }
  static void store(double* p, __m256d v) { _mm256_storeu_pd(p, v); }
  static __m256d splat(double s) { return _mm256_set1_pd(s); }
};
// The 256-bit vector of an element type.
template <class T>
using Wide = std::conditional_t<std::is_same_v<T, float>, __m256, __m256d>;

// A scalar broadcast to the value type of `like`.
template <class V>
inline V splat(V /*like*/, typename Lanes<V>::Scalar s) {
  return Lanes<V>::splat(s);
}

template <class S>
using IfScalar = std::enable_if_t<std::is_floating_point_v<S>, S>;

template <class S>
inline IfScalar<S> add(S a, S b) { return a + b; }
template <class S>
inline IfScalar<S> sub(S a, S b) { return a - b; }
template <class S>
inline IfScalar<S> mul(S a, S b) { return a * b; }
inline __m128 add(__m128 a, __m128 b) { return _mm_add_ps(a, b); }
inline __m128 sub(__m128 a, __m128 b) { return _mm_sub_ps(a, b); }
inline __m128 mul(__m128 a, __m128 b) { return _mm_mul_ps(a, b); }
inline __m256 add(__m256 a, __m256 b) { return _mm256_add_ps(a, b); }
inline __m256d add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
inline __m256 sub(__m256 a, __m256 b) { return _mm256_sub_ps(a, b); }
inline __m256d sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
inline __m256 mul(__m256 a, __m256 b) { return _mm256_mul_ps(a, b); }
inline __m256d mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }

// Float lanes as bit patterns: AND/OR with a pattern in every lane, and the
// lanes' bits read as 32-bit integers converted to float.
inline __m128 bitsAnd(__m128 v, uint32_t b) { return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(int(b)))); }
inline __m256 bitsAnd(__m256 v, uint32_t b) {
  return _mm256_and_ps(v, _mm256_castsi256_ps(_mm256_set1_epi32(int(b))));
}
inline __m128 bitsOr(__m128 v, uint32_t b) { return _mm_or_ps(v, _mm_castsi128_ps(_mm_set1_epi32(int(b)))); }
inline __m256 bitsOr(__m256 v, uint32_t b) { return _mm256_or_ps(v, _mm256_castsi256_ps(_mm256_set1_epi32(int(b)))); }
inline __m128 bitsAsIntToFloat(__m128 v) { return _mm_cvtepi32_ps(_mm_castps_si128(v)); }
inline __m256 bitsAsIntToFloat(__m256 v) { return _mm256_cvtepi32_ps(_mm256_castps_si256(v)); }

// Correctly rounded square roots. The scalar ones use the instruction too:
// std::sqrt may call the C library for negative input (to set errno), and
// the NaN a library returns is not necessarily the one the instruction makes.
inline float squareRoot(float x) { return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(x))); }
inline double squareRoot(double x) { return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x))); }
inline __m256 squareRoot(__m256 x) { return _mm256_sqrt_ps(x); }
inline __m256d squareRoot(__m256d x) { return _mm256_sqrt_pd(x); }

// fmax: the larger value; the other one when exactly one is NaN. Where the C
// library leaves the choice open this is fixed, so that every target and
// both paths give the same bits: +0 for a +0/-0 pair (either order), `b`
// when both are NaN. A NaN operand is first replaced by the other one; then
// max(a, b) and max(b, a) agree except for a ±0 pair (each instruction
// returns its second operand), where their AND is +0.
template <class S>
inline IfScalar<S> maximum(S a, S b) {
  if (a != a) a = b;
  if (b != b) b = a;
  if (a > b) return a;
  if (b > a) return b;
  return std::signbit(a) ? b : a;  // equal: only a ±0 pair differs in bits
}
inline __m256 maximum(__m256 a, __m256 b) {
  a = select(_mm256_cmp_ps(a, a, _CMP_UNORD_Q), b, a);
  b = select(_mm256_cmp_ps(b, b, _CMP_UNORD_Q), a, b);
  return _mm256_and_ps(_mm256_max_ps(a, b), _mm256_max_ps(b, a));
}
inline __m256d maximum(__m256d a, __m256d b) {
  a = select(_mm256_cmp_pd(a, a, _CMP_UNORD_Q), b, a);
  b = select(_mm256_cmp_pd(b, b, _CMP_UNORD_Q), a, b);
  return _mm256_and_pd(_mm256_max_pd(a, b), _mm256_max_pd(b, a));
}

// Interleaved (re, im) pairs split into real and imaginary parts: one pair
// for scalars, a vector's width of pairs for vectors.
template <class S>
inline void deinterleave(const S* p, IfScalar<S>& re, S& im) {
  re = p[0];
  im = p[1];
}
inline void deinterleave(const float* p, __m256& re, __m256& im) {
  // Pairs 0,1,4,5 and 2,3,6,7 side by side; then every 128-bit lane holds
  // two consecutive pairs of each and the shuffles restore pair order.
  const __m256 front = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(p)), _mm_loadu_ps(p + 8), 1);
  const __m256 back = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(p + 4)), _mm_loadu_ps(p + 12), 1);
  re = _mm256_shuffle_ps(front, back, _MM_SHUFFLE(2, 0, 2, 0));
  im = _mm256_shuffle_ps(front, back, _MM_SHUFFLE(3, 1, 3, 1));
}
inline void deinterleave(const double* p, __m256d& re, __m256d& im) {
  const __m256d even = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p)), _mm_loadu_pd(p + 4), 1);
  const __m256d odd = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p + 2)), _mm_loadu_pd(p + 6), 1);
  re = _mm256_unpacklo_pd(even, odd);
  im = _mm256_unpackhi_pd(even, odd);
}

}  // namespace tq::simd

#pragma GCC diagnostic pop
