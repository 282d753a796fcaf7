// The one SIMD vocabulary of the library: lane types and the operations on
// them. This is the only place that includes <immintrin.h>; every kernel is
// written in these words.
//
// Lane types wrap one AVX register each, so that overloads can tell int16
// from int32 lanes and a formula can be written once for several widths:
//   F32x8, F32x4   float        F64x4, F64x2   double
//   I16x8          int16_t      I32x4, I32x8   int32_t (I32x8 only converts,
//                                              stores and splits: AVX has no
//                                              256-bit integer arithmetic)
//   I64x2          uint64_t, wrapping (exact sums of integer products)
// The scalar types float and double take part in the same overloads (loads,
// arithmetic, compares, select), so that the sequential path of a kernel and
// its vector path are one formula with the same operations in the same order:
// that is what makes them agree bit for bit.
//
// Rules every operation keeps:
//  - one IEEE operation, rounded once, in the lane precision: no FMA, no
//    reassociation (the build also passes -ffp-contract=off);
//  - min/max keep the instructions' rule, "a < b ? a : b" / "a > b ? a : b":
//    the second operand when either is NaN or both are equal;
//  - select uses and/andnot/or, never the BLENDV intrinsic: GCC 12 without
//    AVX2 rewrites that into per-lane branches (selectBySign issues the
//    instruction itself, from inline assembly);
//  - loads and stores are unaligned unless their name says otherwise.
#pragma once

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

// The vector types carry attributes (may_alias) that GCC drops, with a
// warning, when they are template arguments; nothing here depends on them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"

#define TQ_LANES inline __attribute__((always_inline))

namespace tq::simd {

struct F32x8 { __m256 v; };
struct F32x4 { __m128 v; };
struct F64x4 { __m256d v; };
struct F64x2 { __m128d v; };
struct I16x8 { __m128i v; };
struct I32x4 { __m128i v; };
struct I32x8 { __m256i v; };
struct I64x2 { __m128i v; };

// Element type and lane count of a lane type (scalars are one lane).
template <class V> struct LaneTraits;
template <> struct LaneTraits<float> { using Scalar = float; static constexpr unsigned width = 1; };
template <> struct LaneTraits<double> { using Scalar = double; static constexpr unsigned width = 1; };
template <> struct LaneTraits<F32x8> { using Scalar = float; static constexpr unsigned width = 8; };
template <> struct LaneTraits<F32x4> { using Scalar = float; static constexpr unsigned width = 4; };
template <> struct LaneTraits<F64x4> { using Scalar = double; static constexpr unsigned width = 4; };
template <> struct LaneTraits<F64x2> { using Scalar = double; static constexpr unsigned width = 2; };
template <> struct LaneTraits<I16x8> { using Scalar = int16_t; static constexpr unsigned width = 8; };
template <> struct LaneTraits<I32x4> { using Scalar = int32_t; static constexpr unsigned width = 4; };
template <> struct LaneTraits<I32x8> { using Scalar = int32_t; static constexpr unsigned width = 8; };

template <class V> using ScalarOf = typename LaneTraits<V>::Scalar;
template <class V> inline constexpr unsigned widthOf = LaneTraits<V>::width;

// The 256-bit lanes of an element type; any other type is a compile error.
template <class T> struct WideOf;
template <> struct WideOf<float> { using type = F32x8; };
template <> struct WideOf<double> { using type = F64x4; };
template <class T> using Wide = typename WideOf<T>::type;

// The 128-bit lanes of an element type.
template <class T> struct NarrowOf;
template <> struct NarrowOf<float> { using type = F32x4; };
template <> struct NarrowOf<double> { using type = F64x2; };
template <> struct NarrowOf<int16_t> { using type = I16x8; };
template <> struct NarrowOf<int32_t> { using type = I32x4; };
template <class T> using Narrow = typename NarrowOf<T>::type;

// The widest lanes AVX computes on for T: 256 bits for float and double,
// 128 for the integers (AVX has no 256-bit integer arithmetic).
template <class T> struct WidestOf : NarrowOf<T> {};
template <> struct WidestOf<float> : WideOf<float> {};
template <> struct WidestOf<double> : WideOf<double> {};
template <class T> using Widest = typename WidestOf<T>::type;

// ---- loads, stores, broadcasts ---------------------------------------------
// Unaligned loads and stores take `const void*`/`void*`: the in-place
// conversions see the same bytes as two types, and inputs documented as
// needing no alignment may start at any byte. Scalars go through memcpy for
// the same reasons.

template <class V> V load(const void* p);
template <class V> V loadAligned(const void* p);
template <> TQ_LANES float load<float>(const void* p) { float v; std::memcpy(&v, p, 4); return v; }
template <> TQ_LANES double load<double>(const void* p) { double v; std::memcpy(&v, p, 8); return v; }
template <> TQ_LANES int16_t load<int16_t>(const void* p) { int16_t v; std::memcpy(&v, p, 2); return v; }
template <> TQ_LANES int32_t load<int32_t>(const void* p) { int32_t v; std::memcpy(&v, p, 4); return v; }
// Stored samples of every integer width (the channel types).
template <> TQ_LANES int8_t load<int8_t>(const void* p) { int8_t v; std::memcpy(&v, p, 1); return v; }
template <> TQ_LANES uint8_t load<uint8_t>(const void* p) { uint8_t v; std::memcpy(&v, p, 1); return v; }
template <> TQ_LANES uint16_t load<uint16_t>(const void* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
template <> TQ_LANES uint32_t load<uint32_t>(const void* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
template <> TQ_LANES int64_t load<int64_t>(const void* p) { int64_t v; std::memcpy(&v, p, 8); return v; }
template <> TQ_LANES uint64_t load<uint64_t>(const void* p) { uint64_t v; std::memcpy(&v, p, 8); return v; }
template <> TQ_LANES F32x8 load<F32x8>(const void* p) { return {_mm256_loadu_ps(static_cast<const float*>(p))}; }
template <> TQ_LANES F32x4 load<F32x4>(const void* p) { return {_mm_loadu_ps(static_cast<const float*>(p))}; }
template <> TQ_LANES F64x4 load<F64x4>(const void* p) { return {_mm256_loadu_pd(static_cast<const double*>(p))}; }
template <> TQ_LANES F64x2 load<F64x2>(const void* p) { return {_mm_loadu_pd(static_cast<const double*>(p))}; }
template <> TQ_LANES I16x8 load<I16x8>(const void* p) { return {_mm_loadu_si128(static_cast<const __m128i*>(p))}; }
template <> TQ_LANES I32x4 load<I32x4>(const void* p) { return {_mm_loadu_si128(static_cast<const __m128i*>(p))}; }
template <> TQ_LANES F32x8 loadAligned<F32x8>(const void* p) { return {_mm256_load_ps(static_cast<const float*>(p))}; }
template <> TQ_LANES F64x4 loadAligned<F64x4>(const void* p) { return {_mm256_load_pd(static_cast<const double*>(p))}; }

TQ_LANES void store(void* p, float v) { std::memcpy(p, &v, 4); }
TQ_LANES void store(void* p, double v) { std::memcpy(p, &v, 8); }
TQ_LANES void store(void* p, int16_t v) { std::memcpy(p, &v, 2); }
TQ_LANES void store(void* p, int32_t v) { std::memcpy(p, &v, 4); }
TQ_LANES void store(void* p, uint32_t v) { std::memcpy(p, &v, 4); }
TQ_LANES void store(void* p, uint64_t v) { std::memcpy(p, &v, 8); }
TQ_LANES void store(void* p, F32x8 v) { _mm256_storeu_ps(static_cast<float*>(p), v.v); }
TQ_LANES void store(void* p, F32x4 v) { _mm_storeu_ps(static_cast<float*>(p), v.v); }
TQ_LANES void store(void* p, F64x4 v) { _mm256_storeu_pd(static_cast<double*>(p), v.v); }
TQ_LANES void store(void* p, F64x2 v) { _mm_storeu_pd(static_cast<double*>(p), v.v); }
TQ_LANES void store(void* p, I16x8 v) { _mm_storeu_si128(static_cast<__m128i*>(p), v.v); }
TQ_LANES void store(void* p, I32x4 v) { _mm_storeu_si128(static_cast<__m128i*>(p), v.v); }

// Non-temporal stores to a 32-byte aligned address: for outputs too large
// for the caches, they skip the read-for-ownership of every line. Scalars
// store plainly (a kernel's unaligned head and tail). After the last one, a
// `streamingDone()` orders them before anything the caller does next.
TQ_LANES void storeStreaming(void* p, F32x8 v) { _mm256_stream_ps(static_cast<float*>(p), v.v); }
TQ_LANES void storeStreaming(void* p, F64x4 v) { _mm256_stream_pd(static_cast<double*>(p), v.v); }
TQ_LANES void storeStreaming(void* p, float v) { store(p, v); }
TQ_LANES void storeStreaming(void* p, double v) { store(p, v); }
TQ_LANES void streamingDone() { _mm_sfence(); }

// Lane k from p[k * stride] (stride in elements), and the reverse.
template <class V> V gather(const ScalarOf<V>* p, std::ptrdiff_t stride);
template <> TQ_LANES F64x4 gather<F64x4>(const double* p, std::ptrdiff_t s) {
  return {_mm256_set_pd(p[3 * s], p[2 * s], p[s], p[0])};
}
template <> TQ_LANES F32x4 gather<F32x4>(const float* p, std::ptrdiff_t s) {
  return {_mm_set_ps(p[3 * s], p[2 * s], p[s], p[0])};
}
template <> TQ_LANES F32x8 gather<F32x8>(const float* p, std::ptrdiff_t s) {
  return {_mm256_set_ps(p[7 * s], p[6 * s], p[5 * s], p[4 * s], p[3 * s], p[2 * s], p[s], p[0])};
}
template <> TQ_LANES I16x8 gather<I16x8>(const int16_t* p, std::ptrdiff_t s) {
  return {_mm_setr_epi16(p[0], p[s], p[2 * s], p[3 * s], p[4 * s], p[5 * s], p[6 * s], p[7 * s])};
}
TQ_LANES void scatter(double* p, std::ptrdiff_t s, F64x4 v) {
  const __m128d low = _mm256_castpd256_pd128(v.v), high = _mm256_extractf128_pd(v.v, 1);
  _mm_storel_pd(p, low);
  _mm_storeh_pd(p + s, low);
  _mm_storel_pd(p + 2 * s, high);
  _mm_storeh_pd(p + 3 * s, high);
}
// extractps stores a lane straight from the register: half again as fast as
// storing the vector and copying its lanes out.
TQ_LANES void scatter(float* p, std::ptrdiff_t s, F32x4 v) {
  _mm_store_ss(p, v.v);
  const int l1 = _mm_extract_ps(v.v, 1), l2 = _mm_extract_ps(v.v, 2), l3 = _mm_extract_ps(v.v, 3);
  std::memcpy(p + s, &l1, 4);
  std::memcpy(p + 2 * s, &l2, 4);
  std::memcpy(p + 3 * s, &l3, 4);
}
TQ_LANES void scatter(float* p, std::ptrdiff_t s, F32x8 v) {
  scatter(p, s, F32x4{_mm256_castps256_ps128(v.v)});
  scatter(p + 4 * s, s, F32x4{_mm256_extractf128_ps(v.v, 1)});
}

// Every lane set to s.
template <class V> V splat(ScalarOf<V> s);
template <> TQ_LANES float splat<float>(float s) { return s; }
template <> TQ_LANES double splat<double>(double s) { return s; }
template <> TQ_LANES F32x8 splat<F32x8>(float s) { return {_mm256_set1_ps(s)}; }
template <> TQ_LANES F32x4 splat<F32x4>(float s) { return {_mm_set1_ps(s)}; }
template <> TQ_LANES F64x4 splat<F64x4>(double s) { return {_mm256_set1_pd(s)}; }
template <> TQ_LANES F64x2 splat<F64x2>(double s) { return {_mm_set1_pd(s)}; }
template <> TQ_LANES I16x8 splat<I16x8>(int16_t s) { return {_mm_set1_epi16(s)}; }
template <> TQ_LANES I32x4 splat<I32x4>(int32_t s) { return {_mm_set1_epi32(s)}; }
TQ_LANES I64x2 zeroI64x2() { return {_mm_setzero_si128()}; }
// The same, typed by an example value: splatLike(x, 0.5f).
template <class V> TQ_LANES V splatLike(V, ScalarOf<V> s) { return splat<V>(s); }

// Lane k = first + k.
template <class V> V ramp(ScalarOf<V> first);
template <> TQ_LANES F32x8 ramp<F32x8>(float f) { return {_mm256_setr_ps(f, f + 1, f + 2, f + 3, f + 4, f + 5, f + 6, f + 7)}; }
template <> TQ_LANES F64x4 ramp<F64x4>(double f) { return {_mm256_setr_pd(f, f + 1, f + 2, f + 3)}; }

// Lanes from four scalars, lane 0 first.
TQ_LANES F32x4 lanesFrom(float l0, float l1, float l2, float l3) { return {_mm_setr_ps(l0, l1, l2, l3)}; }

// All lanes of a vector in memory order, for scalar merges after a loop.
template <class V>
struct LaneArray {
  alignas(32) ScalarOf<V> at[widthOf<V>];
};
template <class V>
TQ_LANES LaneArray<V> lanesOf(V v) {
  LaneArray<V> a;
  store(a.at, v);
  return a;
}
TQ_LANES float firstLane(F32x8 v) { return _mm256_cvtss_f32(v.v); }
TQ_LANES double firstLane(F64x4 v) { return _mm256_cvtsd_f64(v.v); }

// ---- arithmetic: one rounding each ------------------------------------------

template <class S> using IfScalar = std::enable_if_t<std::is_floating_point_v<S>, S>;
template <class V> using IfVector = std::enable_if_t<!std::is_arithmetic_v<V>, V>;
template <class S> TQ_LANES IfScalar<S> add(S a, S b) { return a + b; }
template <class S> TQ_LANES IfScalar<S> sub(S a, S b) { return a - b; }
template <class S> TQ_LANES IfScalar<S> mul(S a, S b) { return a * b; }
template <class S> TQ_LANES IfScalar<S> div(S a, S b) { return a / b; }
template <class S> TQ_LANES IfScalar<S> min(S a, S b) { return a < b ? a : b; }
template <class S> TQ_LANES IfScalar<S> max(S a, S b) { return a > b ? a : b; }
// The value as made, hidden from the optimiser: code that forms it on a
// rarely taken branch then stays on that branch instead of being turned into
// a branch-free select that every pass through would wait for.
template <class S> TQ_LANES IfScalar<S> opaque(S a) {
  __asm__ volatile("" : "+x"(a));
  return a;
}

#define TQ_FLOAT_LANE_OPS(V, suffix, prefix)                                                      \
  TQ_LANES V add(V a, V b) { return {prefix##_add_##suffix(a.v, b.v)}; }                        \
  TQ_LANES V sub(V a, V b) { return {prefix##_sub_##suffix(a.v, b.v)}; }                        \
  TQ_LANES V mul(V a, V b) { return {prefix##_mul_##suffix(a.v, b.v)}; }                        \
  TQ_LANES V div(V a, V b) { return {prefix##_div_##suffix(a.v, b.v)}; }                        \
  TQ_LANES V squareRoot(V a) { return {prefix##_sqrt_##suffix(a.v)}; }                          \
  TQ_LANES V min(V a, V b) { return {prefix##_min_##suffix(a.v, b.v)}; }                        \
  TQ_LANES V max(V a, V b) { return {prefix##_max_##suffix(a.v, b.v)}; }                        \
  TQ_LANES V bitAnd(V a, V b) { return {prefix##_and_##suffix(a.v, b.v)}; }                     \
  TQ_LANES V bitOr(V a, V b) { return {prefix##_or_##suffix(a.v, b.v)}; }                       \
  TQ_LANES V bitXor(V a, V b) { return {prefix##_xor_##suffix(a.v, b.v)}; }                     \
  /* ~a & b */                                                                                   \
  TQ_LANES V bitAndNot(V a, V b) { return {prefix##_andnot_##suffix(a.v, b.v)}; }               \
  TQ_LANES V cmpEq(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_EQ_OQ)}; }          \
  TQ_LANES V cmpLt(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_LT_OQ)}; }          \
  TQ_LANES V cmpLe(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_LE_OQ)}; }          \
  TQ_LANES V cmpGt(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_GT_OQ)}; }          \
  TQ_LANES V cmpGe(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_GE_OQ)}; }          \
  TQ_LANES V cmpUnordered(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_UNORD_Q)}; }      \
  TQ_LANES V cmpEqualOrUnordered(V a, V b) { return {prefix##_cmp_##suffix(a.v, b.v, _CMP_EQ_UQ)}; }
TQ_FLOAT_LANE_OPS(F32x8, ps, _mm256)
TQ_FLOAT_LANE_OPS(F64x4, pd, _mm256)
TQ_FLOAT_LANE_OPS(F32x4, ps, _mm)
TQ_FLOAT_LANE_OPS(F64x2, pd, _mm)
#undef TQ_FLOAT_LANE_OPS

// Correctly rounded square roots. The scalar ones use the instruction too:
// std::sqrt may call the C library for negative input (to set errno), and
// the NaN a library returns is not necessarily the one the instruction makes.
TQ_LANES float squareRoot(float x) { return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(x))); }
TQ_LANES double squareRoot(double x) { return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x))); }

// Compares give a mask (all ones or zero per lane; a bool for scalars), quiet
// on NaN: an ordered compare with a NaN is false.
template <class S> TQ_LANES std::enable_if_t<std::is_floating_point_v<S>, bool> cmpLt(S a, S b) { return std::isless(a, b); }
template <class S> TQ_LANES std::enable_if_t<std::is_floating_point_v<S>, bool> cmpGt(S a, S b) { return std::isgreater(a, b); }
template <class S> TQ_LANES std::enable_if_t<std::is_floating_point_v<S>, bool> cmpGe(S a, S b) { return std::isgreaterequal(a, b); }
template <class S> TQ_LANES std::enable_if_t<std::is_floating_point_v<S>, bool> cmpUnordered(S a, S b) { return std::isunordered(a, b); }

// Lanes of `ifTrue` where `mask` is set, else of `ifFalse`.
template <class S> TQ_LANES IfScalar<S> select(bool mask, S ifTrue, S ifFalse) { return mask ? ifTrue : ifFalse; }
template <class V> TQ_LANES IfVector<V> select(V mask, V ifTrue, V ifFalse) {
  return bitOr(bitAnd(mask, ifTrue), bitAndNot(mask, ifFalse));
}

// Sign bit cleared (so -0 gives +0 and a NaN stays NaN), and flipped.
template <class S> TQ_LANES IfScalar<S> abs(S a) { return std::fabs(a); }
template <class V> TQ_LANES IfVector<V> abs(V a) { return bitAndNot(splat<V>(ScalarOf<V>(-0.0)), a); }
template <class S> TQ_LANES IfScalar<S> negate(S a) { return -a; }
template <class V> TQ_LANES IfVector<V> negate(V a) { return bitXor(a, splat<V>(ScalarOf<V>(-0.0))); }

// True when a AND b has no bit set, in any lane.
TQ_LANES bool noCommonBits(F32x8 a, F32x8 b) { return _mm256_testz_si256(_mm256_castps_si256(a.v), _mm256_castps_si256(b.v)); }
TQ_LANES bool noCommonBits(F64x4 a, F64x4 b) { return _mm256_testz_si256(_mm256_castpd_si256(a.v), _mm256_castpd_si256(b.v)); }

// fmax: the larger value; the other one when exactly one is NaN. Where the C
// library leaves the choice open it is fixed, so that every target and both
// paths give the same bits: +0 for a +0/-0 pair (either order), `b` when both
// are NaN.
template <class S>
TQ_LANES IfScalar<S> maxNumber(S a, S b) {
  if (std::isnan(b)) return std::isnan(a) ? b : a;
  if (a > b) return a;
  if (b > a || std::isnan(a)) return b;
  return std::signbit(a) ? b : a;  // equal: only a +-0 pair differs in bits
}
// r = max(a, b) is wrong only where b alone is NaN (r is that NaN while a
// is a number) or where a = +0 and b = -0 (r is -0). So the tests look at r:
// comparing it with zero ("equal or unordered") marks its zeros and NaNs, and
// the bits of r itself drop +0. Testing the result rather than b leaves b a
// memory operand of the maximum, one instruction fewer per vector, and lets
// data full of zeros in one input pass untouched. Real data, zeros
// included, almost never needs the repair.
// The repair: max(a, b) is wrong where b alone is NaN, max(b, a) where a is
// NaN; ORing all ones into the wrong one and ANDing the two gives the
// answer, and +0 for a +-0 pair. It is called with r for b: fmax(a, r) =
// fmax(a, b) under the rules above (r is b where a is NaN or the two are
// equal, else the larger), so b is needed only for r and stays in memory.
template <class V>
TQ_LANES V maxMayMiss(V r) {
  return bitAnd(cmpEqualOrUnordered(r, splat<V>(0)), r);
}
template <class V>
TQ_LANES V maxNumberRepaired(V a, V b) {
  const V aNaN = cmpUnordered(a, a), bAloneNaN = bitAndNot(aNaN, cmpUnordered(b, b));
  return bitAnd(bitOr(max(a, b), bAloneNaN), bitOr(max(b, a), aNaN));
}
template <class V>
TQ_LANES IfVector<V> maxNumber(V a, V b) {
  const V r = max(a, b);
  if (__builtin_expect(noCommonBits(cmpEqualOrUnordered(r, splat<V>(0)), r), 1)) return r;
  return maxNumberRepaired(a, r);
}

// Two registers as one lane type, for kernels whose per-vector test (as in
// maxNumber) costs more than the work: the test then covers a whole turn.
template <class V>
struct Twice {
  V low, high;
};
template <class V> struct LaneTraits<Twice<V>> {
  using Scalar = ScalarOf<V>;
  static constexpr unsigned width = 2 * widthOf<V>;
};
// A lane type's half: a Twice type's register type; any other type itself.
template <class V> struct HalfOf { using type = V; };
template <class V> struct HalfOf<Twice<V>> { using type = V; };
// Twice types load as their two halves; every other lane type has its own
// load above, and any type without one is refused here.
template <class V> TQ_LANES V load(const void* p) {
  using Half = typename HalfOf<V>::type;
  static_assert(!std::is_same_v<Half, V>, "no load for this lane type");
  return {load<Half>(p), load<Half>(static_cast<const char*>(p) + sizeof(Half))};
}
template <class V> TQ_LANES void store(void* p, Twice<V> v) {
  store(p, v.low);
  store(static_cast<char*>(p) + sizeof(V), v.high);
}
template <class V> TQ_LANES void storeStreaming(void* p, Twice<V> v) {
  storeStreaming(p, v.low);
  storeStreaming(static_cast<char*>(p) + sizeof(V), v.high);
}
template <class V>
TQ_LANES Twice<V> max(Twice<V> a, Twice<V> b) {
  return {max(a.low, b.low), max(a.high, b.high)};
}
// A pair of results takes a cheaper first test: three operations, where
// maxMayMiss on each and an OR take five. Where either register is NaN, the
// unordered mask is all ones, itself a NaN, so "equal or unordered" holds;
// elsewhere that mask is +0, and the AND of the two is a zero wherever
// either is. The test also holds for +0 and, rarely, for two numbers with no
// common bit; the exact test then decides. Only bit operations and quiet
// compares: no overflow, underflow or inexact flag can arise (an AND that is
// subnormal may set x86's denormal-operand flag, as max itself does for
// subnormal inputs).
template <class V>
TQ_LANES V maxMayMissEither(V low, V high) {
  return cmpEqualOrUnordered(bitAnd(low, high), cmpUnordered(low, high));
}
// The first test of a Twice type: the pair test on each pair of its
// registers, ORed, so that one branch covers them all.
template <class V>
TQ_LANES V maxFirstTest(Twice<V> r) {
  return maxMayMissEither(r.low, r.high);
}
template <class V>
TQ_LANES auto maxFirstTest(Twice<Twice<V>> r) {
  return bitOr(maxFirstTest(r.low), maxFirstTest(r.high));
}
// The exact test, again a pair at a time, and the repair where it fails.
template <class V>
TQ_LANES Twice<V> maxNumberExactTest(Twice<V> a, Twice<V> r) {
  const V miss = bitOr(maxMayMiss(r.low), maxMayMiss(r.high));
  if (noCommonBits(miss, miss)) return r;
  return {maxNumberRepaired(a.low, r.low), maxNumberRepaired(a.high, r.high)};
}
template <class V>
TQ_LANES Twice<Twice<V>> maxNumberExactTest(Twice<Twice<V>> a, Twice<Twice<V>> r) {
  return {maxNumberExactTest(a.low, r.low), maxNumberExactTest(a.high, r.high)};
}
template <class V>
TQ_LANES Twice<V> maxNumber(Twice<V> a, Twice<V> b) {
  const Twice<V> r = max(a, b);
  const auto maybe = maxFirstTest(r);
  if (__builtin_expect(noCommonBits(maybe, maybe), 1)) return r;
  return maxNumberExactTest(a, r);
}

// ---- bit patterns ------------------------------------------------------------

// Every lane's bits AND/OR a 32-bit pattern.
TQ_LANES F32x8 bitsAnd(F32x8 v, uint32_t b) { return {_mm256_and_ps(v.v, _mm256_castsi256_ps(_mm256_set1_epi32(int(b))))}; }
TQ_LANES F32x4 bitsAnd(F32x4 v, uint32_t b) { return {_mm_and_ps(v.v, _mm_castsi128_ps(_mm_set1_epi32(int(b))))}; }
TQ_LANES F32x8 bitsOr(F32x8 v, uint32_t b) { return {_mm256_or_ps(v.v, _mm256_castsi256_ps(_mm256_set1_epi32(int(b))))}; }
TQ_LANES F32x4 bitsOr(F32x4 v, uint32_t b) { return {_mm_or_ps(v.v, _mm_castsi128_ps(_mm_set1_epi32(int(b))))}; }
// The lanes' bits read as int32 and converted (exactly, below 2^24) to float.
TQ_LANES F32x8 bitsAsIntToFloat(F32x8 v) { return {_mm256_cvtepi32_ps(_mm256_castps_si256(v.v))}; }
TQ_LANES F32x4 bitsAsIntToFloat(F32x4 v) { return {_mm_cvtepi32_ps(_mm_castps_si128(v.v))}; }
TQ_LANES I32x8 bitsAsInt(F32x8 v) { return {_mm256_castps_si256(v.v)}; }

// ---- widening, narrowing, conversions --------------------------------------

TQ_LANES double widen(float x) { return double(x); }
TQ_LANES F64x4 widen(F32x4 v) { return {_mm256_cvtps_pd(v.v)}; }
TQ_LANES float narrow(double x) { return float(x); }
TQ_LANES F32x4 narrow(F64x4 v) { return {_mm256_cvtpd_ps(v.v)}; }
TQ_LANES F32x4 lowHalf(F32x8 v) { return {_mm256_castps256_ps128(v.v)}; }
TQ_LANES F32x4 highHalf(F32x8 v) { return {_mm256_extractf128_ps(v.v, 1)}; }
TQ_LANES I32x4 lowHalf(I32x8 v) { return {_mm256_castsi256_si128(v.v)}; }
TQ_LANES I32x4 highHalf(I32x8 v) { return {_mm256_extractf128_si256(v.v, 1)}; }
TQ_LANES F32x8 combine(F32x4 low, F32x4 high) {
  return {_mm256_insertf128_ps(_mm256_castps128_ps256(low.v), high.v, 1)};
}
TQ_LANES I32x8 combine(I32x4 low, I32x4 high) {
  return {_mm256_insertf128_si256(_mm256_castsi128_si256(low.v), high.v, 1)};
}
// Eight doubles (low four, high four) rounded to eight floats.
TQ_LANES F32x8 narrowPair(F64x4 low, F64x4 high) { return combine(narrow(low), narrow(high)); }

// int16 lanes sign-extended to int32: the low four and the high four.
TQ_LANES I32x4 widenLow(I16x8 v) { return {_mm_cvtepi16_epi32(v.v)}; }
TQ_LANES I32x4 widenHigh(I16x8 v) { return {_mm_cvtepi16_epi32(_mm_unpackhi_epi64(v.v, v.v))}; }
// Sums of neighbouring pairs, exact: lane k = v[2k] + v[2k + 1].
TQ_LANES I32x4 addPairs(I16x8 v) { return {_mm_madd_epi16(v.v, _mm_set1_epi16(1))}; }
// Products of neighbouring pairs added, lane k = a[2k] b[2k] + a[2k + 1] b[2k + 1],
// exact but wrapped to int32: only a pair of (-32768)^2 reaches 2^31, which
// reads as -2^31; read as uint32 (see the widening below) it is right.
TQ_LANES I32x4 multiplyAddPairs(I16x8 a, I16x8 b) { return {_mm_madd_epi16(a.v, b.v)}; }
// The low 16 bits of each int32 lane of a, then of b (modulo 65536, no
// saturation).
TQ_LANES I16x8 narrowModulo(I32x4 a, I32x4 b) {
  constexpr char kClear = char(0x80);  // an index with its top bit set gives a zero byte
  const __m128i pick = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, kClear, kClear, kClear, kClear, kClear, kClear, kClear, kClear);
  return {_mm_unpacklo_epi64(_mm_shuffle_epi8(a.v, pick), _mm_shuffle_epi8(b.v, pick))};
}

// Rounded toward minus infinity: exact, the integer part of values >= 0.
TQ_LANES F64x4 roundDown(F64x4 v) { return {_mm256_round_pd(v.v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC)}; }

// int32 to float, rounded to nearest (ties to even).
TQ_LANES F32x4 toFloat(I32x4 v) { return {_mm_cvtepi32_ps(v.v)}; }
// int32 to double, exact. The source is kept in a register: QEMU 7.2 (the
// i386 test runner) reads 32 bytes for VCVTDQ2PD ymm, m128, which faults on
// an array that ends at a page boundary.
TQ_LANES F64x4 toDouble(I32x4 v) {
  __asm__("" : "+x"(v.v));
  return {_mm256_cvtepi32_pd(v.v)};
}
TQ_LANES F32x8 toFloat(I32x8 v) { return {_mm256_cvtepi32_ps(v.v)}; }
// float to int32 rounded to nearest, ties to even; NaN and everything
// outside the int32 range give INT32_MIN.
TQ_LANES I32x8 toInt32Nearest(F32x8 v) { return {_mm256_cvtps_epi32(v.v)}; }
// double to int32 truncated toward zero (exact for integral values in range).
TQ_LANES I32x4 toInt32Truncated(F64x4 v) { return {_mm256_cvttpd_epi32(v.v)}; }
// Rounded to an integral value: to nearest with ties to even, or toward zero.
TQ_LANES F64x4 roundNearest(F64x4 v) { return {_mm256_round_pd(v.v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC)}; }
TQ_LANES double truncate(double x) {
  const __m128d v = _mm_set_sd(x);
  return _mm_cvtsd_f64(_mm_round_sd(v, v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
}

// ---- integer lanes -------------------------------------------------------------

TQ_LANES I16x8 min(I16x8 a, I16x8 b) { return {_mm_min_epi16(a.v, b.v)}; }
TQ_LANES I16x8 max(I16x8 a, I16x8 b) { return {_mm_max_epi16(a.v, b.v)}; }
TQ_LANES I32x4 min(I32x4 a, I32x4 b) { return {_mm_min_epi32(a.v, b.v)}; }
TQ_LANES I32x4 max(I32x4 a, I32x4 b) { return {_mm_max_epi32(a.v, b.v)}; }
TQ_LANES I32x4 add(I32x4 a, I32x4 b) { return {_mm_add_epi32(a.v, b.v)}; }
TQ_LANES I32x4 sub(I32x4 a, I32x4 b) { return {_mm_sub_epi32(a.v, b.v)}; }  // wraps around
TQ_LANES I32x4 cmpEq(I32x4 a, I32x4 b) { return {_mm_cmpeq_epi32(a.v, b.v)}; }
TQ_LANES I32x4 bitOr(I32x4 a, I32x4 b) { return {_mm_or_si128(a.v, b.v)}; }
// Bit k set where lane k of a mask is set.
TQ_LANES unsigned laneMask(F32x4 m) { return unsigned(_mm_movemask_ps(m.v)); }
TQ_LANES unsigned laneMask(I32x4 m) { return unsigned(_mm_movemask_ps(_mm_castsi128_ps(m.v))); }
TQ_LANES I32x8 bitXor(I32x8 a, I32x8 b) { return {_mm256_castps_si256(_mm256_xor_ps(_mm256_castsi256_ps(a.v), _mm256_castsi256_ps(b.v)))}; }

// Two 64-bit lanes of unsigned integers, wrapping modulo 2^64: sums of
// products of int16 samples, exact as long as the true sum stays below 2^64.
// int32 lanes sign-extended (low pair, high pair), or read as uint32 in two
// ways that need one instruction each: the register as two 64-bit lanes
// (odd lane k + 1 times 2^32 on top of lane k), and the odd lanes alone.
TQ_LANES I64x2 widenLow(I32x4 v) { return {_mm_cvtepi32_epi64(v.v)}; }
TQ_LANES I64x2 widenHigh(I32x4 v) { return {_mm_cvtepi32_epi64(_mm_unpackhi_epi64(v.v, v.v))}; }
TQ_LANES I64x2 asWords(I32x4 v) { return {v.v}; }
TQ_LANES I64x2 oddLanes(I32x4 v) { return {_mm_srli_epi64(v.v, 32)}; }
TQ_LANES I64x2 add(I64x2 a, I64x2 b) { return {_mm_add_epi64(a.v, b.v)}; }
TQ_LANES uint64_t sumLanes(I64x2 v) {
  uint64_t lanes[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), v.v);
  return lanes[0] + lanes[1];
}

// float to int32 truncated toward zero; NaN and values outside the int32
// range give INT32_MIN (no trap).
TQ_LANES I32x8 toInt32Truncated(F32x8 v) { return {_mm256_cvttps_epi32(v.v)}; }
TQ_LANES I32x4 toInt32Truncated(F32x4 v) { return {_mm_cvttps_epi32(v.v)}; }
// The int lanes' bits as float lanes (for the bitwise operations on floats).
TQ_LANES F32x8 asFloatBits(I32x8 v) { return {_mm256_castsi256_ps(v.v)}; }
TQ_LANES F32x4 asFloatBits(I32x4 v) { return {_mm_castsi128_ps(v.v)}; }
TQ_LANES I32x4 bitsAsInt(F32x4 v) { return {_mm_castps_si128(v.v)}; }
// Every int32 lane shifted left by n bits.
template <int n> TQ_LANES I32x4 shiftLeft(I32x4 v) { return {_mm_slli_epi32(v.v, n)}; }
// AVX has no 256-bit integer arithmetic: I32x8 adds and shifts by halves.
TQ_LANES I32x8 add(I32x8 a, I32x8 b) { return combine(add(lowHalf(a), lowHalf(b)), add(highHalf(a), highHalf(b))); }
template <int n> TQ_LANES I32x8 shiftLeft(I32x8 v) { return combine(shiftLeft<n>(lowHalf(v)), shiftLeft<n>(highHalf(v))); }
TQ_LANES I32x8 splatInt(I32x8, int32_t s) { return {_mm256_set1_epi32(s)}; }
TQ_LANES I32x4 splatInt(I32x4, int32_t s) { return {_mm_set1_epi32(s)}; }
// The int32 lanes that go with a float lane type.
template <class V> struct IntLanesOf;
template <> struct IntLanesOf<F32x8> { using type = I32x8; };
template <> struct IntLanesOf<F32x4> { using type = I32x4; };
template <class V> using IntLanes = typename IntLanesOf<V>::type;

// ---- horizontal sums in one fixed order --------------------------------------
// (l0 + l2) + (l1 + l3): the result of a reduction then depends only on its
// input, never on the machine or the call path. Eight float lanes first add
// their two halves lane by lane.

TQ_LANES double sumLanes(F64x4 v) {
  const __m128d pairs = _mm_add_pd(_mm256_castpd256_pd128(v.v), _mm256_extractf128_pd(v.v, 1));
  return _mm_cvtsd_f64(_mm_add_sd(pairs, _mm_unpackhi_pd(pairs, pairs)));
}
TQ_LANES float sumLanes(F32x4 v) {
  const __m128 pairs = _mm_add_ps(v.v, _mm_movehl_ps(v.v, v.v));
  return _mm_cvtss_f32(_mm_add_ss(pairs, _mm_movehdup_ps(pairs)));
}
TQ_LANES float sumLanes(F32x8 v) { return sumLanes(add(lowHalf(v), highHalf(v))); }

// ((l0 + l1) + (l2 + l3)) + ((l4 + l5) + (l6 + l7)): neighbours first.
TQ_LANES float sumNeighbours(F32x8 v) {
  const __m256 pairs = _mm256_hadd_ps(v.v, v.v);
  const __m256 quads = _mm256_hadd_ps(pairs, pairs);
  return _mm_cvtss_f32(_mm_add_ss(_mm256_castps256_ps128(quads), _mm256_extractf128_ps(quads, 1)));
}

// ---- per-lane tables and sign-driven selection ------------------------------------

// Four floats, repeated in every 128-bit half, for lookup4: constants that
// depend on two bits of a lane's integer (an octant, a branch number). Given
// as bit patterns (masks: all ones or zero), or as values.
template <class V> V bitsTable4(uint32_t t0, uint32_t t1, uint32_t t2, uint32_t t3);
template <> TQ_LANES F32x8 bitsTable4<F32x8>(uint32_t t0, uint32_t t1, uint32_t t2, uint32_t t3) {
  return {_mm256_castsi256_ps(_mm256_setr_epi32(int(t0), int(t1), int(t2), int(t3), int(t0), int(t1), int(t2), int(t3)))};
}
template <> TQ_LANES F32x4 bitsTable4<F32x4>(uint32_t t0, uint32_t t1, uint32_t t2, uint32_t t3) {
  return {_mm_castsi128_ps(_mm_setr_epi32(int(t0), int(t1), int(t2), int(t3)))};
}
template <class V> TQ_LANES V table4(float t0, float t1, float t2, float t3) {
  return bitsTable4<V>(load<uint32_t>(&t0), load<uint32_t>(&t1), load<uint32_t>(&t2), load<uint32_t>(&t3));
}
// Lane k = entry (index[k] & 3) of the table: one vpermilps, in place of a
// chain of compares, ANDs and ORs per constant. Only the two low bits of an
// index count, so the index needs no masking.
TQ_LANES F32x8 lookup4(F32x8 table, I32x8 index) { return {_mm256_permutevar_ps(table.v, index.v)}; }
TQ_LANES F32x4 lookup4(F32x4 table, I32x4 index) { return {_mm_permutevar_ps(table.v, index.v)}; }

// Lanes of `ifSet` where the sign bit of `mask` is set, else of `ifClear`:
// one vblendvps, where and/andnot/or take three operations. The mask is a
// float whose sign carries the choice (a table entry or a compare's all-ones
// mask; the other bits are not read). Written as inline assembly because
// GCC 12, without AVX2, rewrites the blendv intrinsic into per-lane branches.
TQ_LANES F32x8 selectBySign(F32x8 mask, F32x8 ifSet, F32x8 ifClear) {
  F32x8 r;
  __asm__("vblendvps %3, %2, %1, %0" : "=x"(r.v) : "x"(ifClear.v), "xm"(ifSet.v), "x"(mask.v));
  return r;
}
TQ_LANES F32x4 selectBySign(F32x4 mask, F32x4 ifSet, F32x4 ifClear) {
  F32x4 r;
  __asm__("vblendvps %3, %2, %1, %0" : "=x"(r.v) : "x"(ifClear.v), "xm"(ifSet.v), "x"(mask.v));
  return r;
}

// ---- lane order ----------------------------------------------------------------

// Lanes in reverse order.
TQ_LANES F32x4 reverse(F32x4 v) { return {_mm_shuffle_ps(v.v, v.v, _MM_SHUFFLE(0, 1, 2, 3))}; }
TQ_LANES F32x8 reverse(F32x8 v) {
  const __m256 inHalves = _mm256_permute_ps(v.v, _MM_SHUFFLE(0, 1, 2, 3));
  return {_mm256_permute2f128_ps(inHalves, inHalves, 1)};
}

// Interleaved (re, im) pairs split into real and imaginary parts: one pair
// for scalars, a vector's width of pairs for vectors.
template <class S>
TQ_LANES void deinterleave(const S* p, IfScalar<S>& re, S& im) {
  re = load<S>(p);
  im = load<S>(p + 1);
}
TQ_LANES void deinterleave(const float* p, F32x8& re, F32x8& im) {
  // Pairs 0,1,4,5 and 2,3,6,7 side by side; then every 128-bit lane holds
  // two consecutive pairs of each and the shuffles restore pair order.
  const __m256 front = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(p)), _mm_loadu_ps(p + 8), 1);
  const __m256 back = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(p + 4)), _mm_loadu_ps(p + 12), 1);
  re = {_mm256_shuffle_ps(front, back, _MM_SHUFFLE(2, 0, 2, 0))};
  im = {_mm256_shuffle_ps(front, back, _MM_SHUFFLE(3, 1, 3, 1))};
}
TQ_LANES void deinterleave(const double* p, F64x4& re, F64x4& im) {
  const __m256d even = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p)), _mm_loadu_pd(p + 4), 1);
  const __m256d odd = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p + 2)), _mm_loadu_pd(p + 6), 1);
  re = {_mm256_unpacklo_pd(even, odd)};
  im = {_mm256_unpackhi_pd(even, odd)};
}

// The two doubles of each 128-bit pair swapped: (l1, l0, l3, l2).
TQ_LANES F64x4 swapPairs(F64x4 v) { return {_mm256_permute_pd(v.v, 0b0101)}; }

// One bit per lane, lane 0 in bit 0: set where the lane's sign bit is (a
// compare's mask).
TQ_LANES unsigned laneBits(F32x8 v) { return unsigned(_mm256_movemask_ps(v.v)); }

// ---- memory hints ----------------------------------------------------------------

// A prefetch never faults, also past the end of an array: the address is an
// integer so that no pointer leaves its object.
TQ_LANES void prefetch(std::uintptr_t address) { _mm_prefetch(reinterpret_cast<const char*>(address), _MM_HINT_T0); }

}  // namespace tq::simd

#pragma GCC diagnostic pop
