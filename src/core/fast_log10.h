// Fast base-10 logarithm for diagram axes: a few significant digits, no
// table, no division, no branch.
//
// The float is split into its exponent e (the raw field minus 127, also for
// zeros, subnormals, infinities and NaNs) and a significand m in [1, 2) built
// from its fraction bits; log2(m) is approximated by a cubic times (m - 1),
// which is exactly 0 at m = 1, so powers of two come out exact up to the
// final scaling. The sign bit is ignored and every input gives a finite
// result; callers that need a floor clamp the argument first.
//
// Every step is a separately rounded float operation in a fixed order: the
// scalar and the lane forms give the same base-2 logarithm bit for bit, and
// only the final scaling differs (double in the scalar form, float in the
// lane forms, at most one unit in the last place apart).
#pragma once

#include <cstdint>
#include <cstring>

#include "simd/lanes.h"

namespace tq {

namespace fastlog {

// Polynomial coefficients and scalings, as stored floats / double.
constexpr float kC3 = 0x1.b7506ap-4f;          // 0.10725442320108414
constexpr float kC2 = 0x1.60618p-1f;           // 0.6882438659667969
constexpr float kC1 = 0x1.c1a822p+0f;          // 1.7564717531204224
constexpr float kC0 = 0x1.4f0ddcp+1f;          // 2.617610454559326
constexpr double kLog10Of2Double = 0x1.3441350201ffdp-2;  // 0.3010299952006788
constexpr float kLog10Of2Float = 0x1.344136p-2f;          // 0.3010300099849701

constexpr std::uint32_t kFractionMask = 0x007FFFFFu;
constexpr std::uint32_t kExponentMask = 0x7F800000u;
constexpr std::uint32_t kOneBits = 0x3F800000u;

// The same instruction sequence on 128-bit and 256-bit lanes. AVX has no 256-bit integer shift, so the
// exponent is not shifted down: the masked field, read as an integer, is
// field * 2^23, which converts to float exactly (at most 8 significant bits)
// and scales back exactly.
// Base-2 logarithm of |x| per lane (steps up to the final scaling).
template <class V>
inline V log2Lanes(V x) {
  using simd::add, simd::sub, simd::mul, simd::bitsAnd, simd::bitsOr;
  const auto c = [](float v) { return simd::splat<V>(v); };
  const V m = bitsOr(bitsAnd(x, kFractionMask), kOneBits);
  const V e = sub(mul(simd::bitsAsIntToFloat(bitsAnd(x, kExponentMask)), c(0x1p-23f)), c(127.0f));
  // ((c2 - c3 m) m - c1) m + c0, then times (m - 1).
  V p = sub(c(kC2), mul(c(kC3), m));
  p = sub(mul(p, m), c(kC1));
  p = add(mul(p, m), c(kC0));
  const V q = mul(p, sub(m, c(1.0f)));
  return add(q, e);
}

}  // namespace fastlog

// Base-2 logarithm of |x|, scalar: the same operations as the lanes.
inline float fastLog2(float x) {
  using namespace fastlog;
  std::uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  const std::uint32_t mBits = (b & kFractionMask) | kOneBits;
  float m;
  std::memcpy(&m, &mBits, sizeof m);
  const float e = float(int((b >> 23) & 0xFFu) - 127);
  const float p = ((kC2 - kC3 * m) * m - kC1) * m + kC0;
  return p * (m - 1.0f) + e;
}

// Scalar form: the base-2 logarithm scaled in double, rounded once to float.
inline float fastLog10(float x) { return float(double(fastLog2(x)) * fastlog::kLog10Of2Double); }

// Four- and eight-lane forms: the scaling in float.
template <class V>
inline V fastLog10Lanes(V x) {
  return simd::mul(fastlog::log2Lanes(x), simd::splat<V>(fastlog::kLog10Of2Float));
}

// Base-2 logarithm on lanes, for callers that fold the log10(2) scaling into
// their own products.
template <class V>
inline V fastLog2Lanes(V x) {
  return fastlog::log2Lanes(x);
}

}  // namespace tq
