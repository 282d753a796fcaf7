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

// Each kernel comes in three stages, front -> middle -> back, every stage
// taking the step's input again (a reload is cheaper than holding it), so
// that an array loop can overlap the stages of neighbouring steps (see
// pipelined3); run in a row they are the whole kernel.
template <class Kernel, class V>
TQ_LANES V runStages(V x) {
  return Kernel::back(Kernel::middle(Kernel::front(x), x), x);
}

// Arc tangent. The three branches share one division: -1/a, (a - 1)/(a + 1)
// and a/1 (exact) are one quotient of numerators and denominators put
// together from the two branch masks: a - (1 or 0) over (a or 0) + (1 or 0),
// with a dropped from the numerator and 1 from the denominator above
// tan 3pi/8. The correction is the base times one constant: the float
// product gives both corrections exactly (and 0 for base 0).
static_assert(1.5707963705062866f * 2.546479e-08f == 3.999999975690116e-08f &&
              0.7853981852531433f * 2.546479e-08f == 1.999999987845058e-08f);

struct AtanStages {
  // Front: the reduced argument t and the base.
  template <class V>
  struct Reduced {
    V t, base;
  };
  // Middle: also the numerator times z and the denominator.
  template <class V>
  struct Rational {
    V t, pz, q, base;
  };

  template <class V>
  static TQ_LANES Reduced<V> front(V x) {
    const V a = abs(x);
    const V reduced = cmpGt(a, splat<V>(0.6600000262260437f)), big = cmpGt(a, splat<V>(2.4142136573791504f));
    const V num = add(bitAndNot(big, a), bitAnd(reduced, splat<V>(-1.0f)));
    const V den = add(bitAnd(reduced, a), bitAndNot(big, splat<V>(1.0f)));
    const V base = selectBySign(big, splat<V>(1.5707963705062866f), bitAnd(reduced, splat<V>(0.7853981852531433f)));
    return {div(num, den), base};
  }

  template <class V>
  static TQ_LANES Rational<V> middle(const Reduced<V>& s, V) {
    const V z = mul(s.t, s.t);
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
    return {s.t, mul(p, z), q, s.base};
  }

  // r - 0 in the unreduced branch leaves r as it is (r is never -0 there).
  template <class V>
  static TQ_LANES V back(const Rational<V>& s, V x) {
    const V c = mul(s.base, splat<V>(2.546479e-08f));
    const V r = sub(add(mul(div(s.pz, s.q), s.t), s.t), c);
    return bitOr(add(r, s.base), signBits(x));
  }
};

template <class V>
TQ_LANES V fastAtan(V x) {
  return runStages<AtanStages>(x);
}

// Sine and cosine share the octant reduction of |x|: j = (trunc(a * 4/pi) + 1)
// with bit 0 cleared. The conversion to int32 and back gives the truncation
// i exactly below 2^31 and -2^31 beyond it or for NaN, as the integer steps
// do; an odd i (only below 2^24) gets 1 added exactly. So y is j as float
// for every input, with no integer arithmetic (which AVX does by halves).
// The octant's bits index 4-entry tables: bit 1 of j by i mod 4 (0, 1, 1, 0
// for i = 0, 1, 2, 3), bits 1 and 2 of j by k = j/2 mod 4.
template <class V>
struct OctantStart {
  V y;
  IntLanes<V> i;
};
template <class V>
struct Octant {
  V w, z;
  IntLanes<V> i, k;
};

template <class V>
TQ_LANES OctantStart<V> octantStart(V x) {
  const IntLanes<V> i = toInt32Truncated(mul(abs(x), splat<V>(1.2732394933700562f)));
  return {add(toFloat(i), lookup4(table4<V>(0.0f, 1.0f, 0.0f, 1.0f), i)), i};
}

template <class V>
TQ_LANES Octant<V> octant(const OctantStart<V>& s, V x) {
  const V w = add(add(add(abs(x), mul(s.y, splat<V>(-0.78515625f))), mul(s.y, splat<V>(-0.00024187564849853516f))),
                  mul(s.y, splat<V>(-3.774895063202166e-08f)));
  return {w, mul(w, w), s.i, toInt32Truncated(mul(s.y, splat<V>(0.5f)))};
}

// All ones where the sine takes the cosine polynomial (bit 1 of j), and the
// sign flips of sine (bit 2 of j) and cosine (bit 2 of j - 2 clear).
template <class V>
TQ_LANES V swapped(const Octant<V>& o) {
  return lookup4(bitsTable4<V>(0, ~0u, ~0u, 0), o.i);
}
template <class V>
TQ_LANES V sineFlip(const Octant<V>& o) {
  return lookup4(table4<V>(0.0f, 0.0f, -0.0f, -0.0f), o.k);
}
template <class V>
TQ_LANES V cosineFlip(const Octant<V>& o) {
  return lookup4(table4<V>(0.0f, -0.0f, -0.0f, 0.0f), o.k);
}

// The two polynomials' coefficients, shared by the separate evaluations
// (sine and cosine together) and the per-lane one (sine alone).
constexpr float kSine[3] = {-0.00019515295571181923f, 0.008332161232829094f, -0.16666655242443085f};
constexpr float kCosine[3] = {2.44331567955669e-05f, -0.0013887316454201937f, 0.04166664555668831f};

template <class V>
TQ_LANES V sinePolynomial(const Octant<V>& o) {
  V sp = mul(o.z, splat<V>(kSine[0]));
  sp = mul(add(sp, splat<V>(kSine[1])), o.z);
  return add(mul(mul(add(sp, splat<V>(kSine[2])), o.z), o.w), o.w);
}
template <class V>
TQ_LANES V cosinePolynomial(const Octant<V>& o) {
  V cp = mul(o.z, splat<V>(kCosine[0]));
  cp = mul(add(cp, splat<V>(kCosine[1])), o.z);
  cp = mul(mul(add(cp, splat<V>(kCosine[2])), o.z), o.z);
  return add(sub(cp, mul(splat<V>(0.5f), o.z)), splat<V>(1.0f));
}

// A coefficient of the sine polynomial where bit 1 of j is clear, of the
// cosine polynomial where it is set.
template <class V>
TQ_LANES V coefficient(const Octant<V>& o, float sine, float cosine) {
  return lookup4(table4<V>(sine, cosine, cosine, sine), o.i);
}

// Sine alone needs one polynomial per lane, so both are one evaluation with
// per-lane coefficients: (((c0 z + c1) z + c2) z) u - d + e, where the
// sine's lanes take u = w, d = +0, e = w and the cosine's u = z, d = 0.5 z,
// e = 1. Subtracting +0 changes no value, -0 and NaN included; d is masked
// before the product so that z = inf still gives +0.
struct SineStages {
  template <class V>
  static TQ_LANES OctantStart<V> front(V x) {
    return octantStart(x);
  }
  template <class V>
  static TQ_LANES Octant<V> middle(const OctantStart<V>& s, V x) {
    return octant(s, x);
  }
  template <class V>
  static TQ_LANES V back(const Octant<V>& o, V x) {
    const V cosine = swapped(o);
    V t = add(mul(coefficient(o, kSine[0], kCosine[0]), o.z),
              coefficient(o, kSine[1], kCosine[1]));
    t = mul(add(mul(t, o.z), coefficient(o, kSine[2], kCosine[2])), o.z);
    const V d = mul(bitAnd(o.z, cosine), splat<V>(0.5f));
    const V r = add(sub(mul(t, selectBySign(cosine, o.z, o.w)), d), selectBySign(cosine, splat<V>(1.0f), o.w));
    return bitXor(r, bitXor(signBits(x), sineFlip(o)));
  }
};

template <class V>
TQ_LANES V fastSin(V x) {
  return runStages<SineStages>(x);
}

template <class V>
TQ_LANES void fastSinCos(V x, V& sine, V& cosine) {
  const Octant<V> o = octant(octantStart(x), x);
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
