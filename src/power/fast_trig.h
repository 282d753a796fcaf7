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
// and a/1 (exact) are one quotient of selected numerators and denominators.
// The branch masks exclude each other, so the middle and the unreduced
// branch share their forms: a - (1 or 0) over (a or 0) + 1.
template <class V>
TQ_LANES V fastAtan(V x) {
  const V a = abs(x), one = splat<V>(1.0f);
  const V big = cmpGt(a, splat<V>(2.4142136573791504f));
  const V mid = bitAndNot(big, cmpGt(a, splat<V>(0.6600000262260437f)));
  const V num = select(big, splat<V>(-1.0f), sub(a, bitAnd(mid, one)));
  const V den = select(big, a, add(bitAnd(mid, a), one));
  const V base = bitOr(bitAnd(big, splat<V>(1.5707963705062866f)), bitAnd(mid, splat<V>(0.7853981852531433f)));
  const V c = bitOr(bitAnd(big, splat<V>(3.999999975690116e-08f)), bitAnd(mid, splat<V>(1.999999987845058e-08f)));
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

// The shared part of sine and cosine for |x|: both polynomials of the
// reduced argument, the mask of lanes where each keeps its own polynomial
// (bit 1 of the octant j clear), and bit 2 of j in the sign position.
template <class V>
struct Octant {
  V sine, cosine, unswapped, bit2;
};

template <class V>
TQ_LANES Octant<V> octant(V a) {
  using I = IntLanes<V>;
  // j = (trunc(a * 4/pi) + 1) with bit 0 cleared, in integer lanes: exact up
  // to 2^31, where the conversion gives INT32_MIN and the result is any value.
  const I j0 = toInt32Truncated(mul(a, splat<V>(1.2732394933700562f)));
  const V jBits = bitsAnd(asFloatBits(add(j0, splatInt(I{}, 1))), ~1u);
  const I j = bitsAsInt(jBits);
  const V y = toFloat(j);
  const V w = add(add(add(a, mul(y, splat<V>(-0.78515625f))), mul(y, splat<V>(-0.00024187564849853516f))),
                  mul(y, splat<V>(-3.774895063202166e-08f)));
  const V z = mul(w, w);
  V cp = mul(z, splat<V>(2.44331567955669e-05f));
  cp = mul(add(cp, splat<V>(-0.0013887316454201937f)), z);
  cp = mul(mul(add(cp, splat<V>(0.04166664555668831f)), z), z);
  cp = add(sub(cp, mul(splat<V>(0.5f), z)), splat<V>(1.0f));
  V sp = mul(z, splat<V>(-0.00019515295571181923f));
  sp = mul(add(sp, splat<V>(0.008332161232829094f)), z);
  sp = add(mul(mul(add(sp, splat<V>(-0.16666655242443085f)), z), w), w);
  // One shift brings bit 2 to the sign and bit 1 to bit 30.
  const V shifted = asFloatBits(shiftLeft<29>(j));
  return {sp, cp, cmpEq(bitsAnd(shifted, 0x40000000u), splat<V>(0.0f)), signBits(shifted)};
}

// Sine: the polynomial of the octant, negated for negative x or bit 2 of j.
template <class V>
TQ_LANES V fastSin(V x) {
  const Octant<V> o = octant(abs(x));
  return bitXor(select(o.unswapped, o.sine, o.cosine), bitXor(signBits(x), o.bit2));
}

// Cosine of x, whose sign plays no part: the other polynomial, negated when
// bit 2 of (j - 2) is clear. j is even, so that bit is bit 2 of j flipped
// unless bit 1 of j is set: negate where bits 1 and 2 of j differ.
template <class V>
TQ_LANES V fastCos(const Octant<V>& o) {
  const V bit1 = bitAndNot(o.unswapped, splat<V>(-0.0f));
  return bitXor(select(o.unswapped, o.cosine, o.sine), bitXor(bit1, o.bit2));
}

template <class V>
TQ_LANES void fastSinCos(V x, V& sine, V& cosine) {
  const Octant<V> o = octant(abs(x));
  sine = bitXor(select(o.unswapped, o.sine, o.cosine), bitXor(signBits(x), o.bit2));
  cosine = fastCos(o);
}

// Four angles (radians) to their four sines and four cosines.
inline void sinCos4_float(const float* angles, float* sines, float* cosines) {
  F32x4 s, c;
  fastSinCos(load<F32x4>(angles), s, c);
  store(sines, s);
  store(cosines, c);
}

}  // namespace tq::power
