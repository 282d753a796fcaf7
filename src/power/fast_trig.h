// Fast single-precision sine, cosine and arc tangent in float lanes: every
// lane runs the same fixed float steps (octant reduction by 4/pi with a
// three-part pi/4 and degree-3 polynomials; the arc tangent's three-way
// range reduction and rational approximation), so four lanes, eight lanes
// and one lane give the same bits. Shared by the array kernels and the
// unbalance computation.
#pragma once

#include "simd/lanes.h"

namespace tq::power {

using namespace tq::simd;

template <class V>
TQ_LANES V signBits(V x) {
  return bitsAnd(x, 0x80000000u);
}

// Arc tangent. The three branches share one division: -1/a, (a - 1)/(a + 1)
// and a/1 (exact) are one quotient of numerators and denominators put
// together from the two branch masks: a - (1 or 0) over (a or 0) + (1 or 0),
// with a dropped from the numerator and 1 from the denominator above
// tan 3pi/8. The correction is the base times one constant: the float
// product gives both corrections exactly (and 0 for base 0).
static_assert(1.5707963705062866f * 2.546479e-08f == 3.999999975690116e-08f &&
              0.7853981852531433f * 2.546479e-08f == 1.999999987845058e-08f);

template <class V>
TQ_LANES V fastAtan(V x) {
  const V a = abs(x);
  const V reduced = cmpGt(a, splat<V>(0.6600000262260437f)), big = cmpGt(a, splat<V>(2.4142136573791504f));
  const V num = add(bitAndNot(big, a), bitAnd(reduced, splat<V>(-1.0f)));
  const V den = add(bitAnd(reduced, a), bitAndNot(big, splat<V>(1.0f)));
  const V base = selectBySign(big, splat<V>(1.5707963705062866f), bitAnd(reduced, splat<V>(0.7853981852531433f)));
  const V c = mul(base, splat<V>(2.546479e-08f));
  const V t = div(num, den);
  const V z = mul(t, t);
  V p = splat<V>(-0.8750608563423157f);
  p = add(mul(p, z), splat<V>(-16.15753746032715f));
  p = add(mul(p, z), splat<V>(-75.00856018066406f));
  p = add(mul(p, z), splat<V>(-122.88666534423828f));
  p = add(mul(p, z), splat<V>(-64.8502197265625f));
  V q = add(z, splat<V>(24.85846519470215f));
  q = add(mul(q, z), splat<V>(165.02700805664062f));
  q = add(mul(q, z), splat<V>(432.8810729980469f));
  q = add(mul(q, z), splat<V>(485.3904113769531f));
  q = add(mul(q, z), splat<V>(194.5506591796875f));
  // r - 0 in the unreduced branch leaves r as it is (r is never -0 there).
  const V r = sub(add(mul(div(mul(p, z), q), t), t), c);
  return bitOr(add(r, base), signBits(x));
}

// The shared part of sine and cosine for |x|: the reduced argument w, its
// square, and k = j/2, whose two low bits (bits 1 and 2 of the octant j)
// index the octant tables below.
template <class V>
struct Octant {
  V w, z;
  IntLanes<V> k;
};

// j = (trunc(a * 4/pi) + 1) with bit 0 cleared is 2 * ceil(trunc(a * 4/pi) / 2).
// The conversion to int32 and back gives the truncation exactly below 2^31
// and -2^31 beyond it or for NaN, as the integer steps do (j is then -2^31);
// halving, rounding up and doubling integral floats is exact, so y is j for
// every input, with no integer arithmetic (which AVX does by halves).
template <class V>
TQ_LANES Octant<V> octant(V a) {
  const V truncated = toFloat(toInt32Truncated(mul(a, splat<V>(1.2732394933700562f))));
  const V half = roundUp(mul(truncated, splat<V>(0.5f)));
  const V y = add(half, half);
  const V w = add(add(add(a, mul(y, splat<V>(-0.78515625f))), mul(y, splat<V>(-0.00024187564849853516f))),
                  mul(y, splat<V>(-3.774895063202166e-08f)));
  return {w, mul(w, w), toInt32Truncated(half)};
}

// By j mod 8 = 0, 2, 4, 6: all ones where the sine takes the cosine
// polynomial (bit 1 of j), and the sign flips of sine (bit 2 of j) and
// cosine (bit 2 of j - 2 clear).
template <class V>
TQ_LANES V swapped(const Octant<V>& o) {
  return lookup4(bitsTable4<V>(0, ~0u, 0, ~0u), o.k);
}
template <class V>
TQ_LANES V sineFlip(const Octant<V>& o) {
  return lookup4(table4<V>(0.0f, 0.0f, -0.0f, -0.0f), o.k);
}
template <class V>
TQ_LANES V cosineFlip(const Octant<V>& o) {
  return lookup4(table4<V>(0.0f, -0.0f, -0.0f, 0.0f), o.k);
}

template <class V>
TQ_LANES V sinePolynomial(const Octant<V>& o) {
  V sp = mul(o.z, splat<V>(-0.00019515295571181923f));
  sp = mul(add(sp, splat<V>(0.008332161232829094f)), o.z);
  return add(mul(mul(add(sp, splat<V>(-0.16666655242443085f)), o.z), o.w), o.w);
}
template <class V>
TQ_LANES V cosinePolynomial(const Octant<V>& o) {
  V cp = mul(o.z, splat<V>(2.44331567955669e-05f));
  cp = mul(add(cp, splat<V>(-0.0013887316454201937f)), o.z);
  cp = mul(mul(add(cp, splat<V>(0.04166664555668831f)), o.z), o.z);
  return add(sub(cp, mul(splat<V>(0.5f), o.z)), splat<V>(1.0f));
}

// Sine alone needs one polynomial per lane, so both are one evaluation with
// per-lane coefficients: (((c0 z + c1) z + c2) z) u - d + e, where the
// sine's lanes take u = w, d = +0, e = w and the cosine's u = z, d = 0.5 z,
// e = 1. Subtracting +0 changes no value, -0 and NaN included; d is masked
// before the product so that z = inf still gives +0.
template <class V>
TQ_LANES V fastSin(V x) {
  const Octant<V> o = octant(abs(x));
  const V cosine = swapped(o);
  V t = add(mul(lookup4(table4<V>(-0.00019515295571181923f, 2.44331567955669e-05f, -0.00019515295571181923f,
                                  2.44331567955669e-05f),
                        o.k),
                o.z),
            lookup4(table4<V>(0.008332161232829094f, -0.0013887316454201937f, 0.008332161232829094f,
                              -0.0013887316454201937f),
                    o.k));
  t = mul(add(mul(t, o.z), lookup4(table4<V>(-0.16666655242443085f, 0.04166664555668831f, -0.16666655242443085f,
                                             0.04166664555668831f),
                                   o.k)),
          o.z);
  const V d = mul(bitAnd(o.z, cosine), splat<V>(0.5f));
  const V r = add(sub(mul(t, selectBySign(cosine, o.z, o.w)), d), selectBySign(cosine, splat<V>(1.0f), o.w));
  return bitXor(r, bitXor(signBits(x), sineFlip(o)));
}

template <class V>
TQ_LANES void fastSinCos(V x, V& sine, V& cosine) {
  const Octant<V> o = octant(abs(x));
  const V sp = sinePolynomial(o), cp = cosinePolynomial(o), swap = swapped(o);
  sine = bitXor(selectBySign(swap, cp, sp), bitXor(signBits(x), sineFlip(o)));
  cosine = bitXor(selectBySign(swap, sp, cp), cosineFlip(o));
}

// Four angles (radians) to their four sines and four cosines.
inline void sinCos4_float(const float* angles, float* sines, float* cosines) {
  F32x4 s, c;
  fastSinCos(load<F32x4>(angles), s, c);
  store(sines, s);
  store(cosines, c);
}

}  // namespace tq::power
