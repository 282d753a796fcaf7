// Unbalance of a three-phase system by symmetrical components.
#include <cmath>

#include "power/fast_trig.h"
#include "tqcalc.h"

namespace {

using namespace tq::power;

constexpr double kRadiansD = 0.017453292519943295;
constexpr float kRadiansF = 0.01745329238474369f;
constexpr double kThird = 0.3333333333333333;

// The sequences' angle offsets of phases 2 and 3: zero, positive, negative.
constexpr float kTurn[3][2] = {{0.0f, 0.0f}, {120.0f, 240.0f}, {240.0f, 120.0f}};

struct ComplexD {
  double re, im;
};

// P1 + P2 + P3 of element i for one sequence, in double with the C
// library's sine and cosine; the offsets come off the float angles in float.
inline ComplexD phasorSum(const PowerUnbalanceParams& p, std::size_t i, int sequence) {
  const float m[3] = {p.magnitude1[i], p.magnitude2[i], p.magnitude3[i]};
  const float angle[3] = {p.angle1[i], p.angle2[i] - kTurn[sequence][0], p.angle3[i] - kTurn[sequence][1]};
  ComplexD sum{0, 0};
  for (int k = 0; k < 3; ++k) {
    const double r = double(angle[k]) * kRadiansD;
    const ComplexD term{double(m[k]) * std::cos(r), double(m[k]) * std::sin(r)};
    sum = k ? ComplexD{sum.re + term.re, sum.im + term.im} : term;
  }
  return sum;
}

// The magnitude in double, rounded: the same bits on every target, where a C
// runtime's single-precision complex magnitude need not agree.
inline float magnitude(const float* c) {
  const double re = c[0], im = c[1];
  return float(squareRoot(re * re + im * im));
}

// An unbalance: `part` in percent of the positive sequence, 0 without one.
inline float percentOf(float part, float positive) { return positive > 0.0f ? part * (100.0f / positive) : 0.0f; }

// Squared magnitudes of the three unscaled sequence sums of one group of
// four elements (F32x4) or two (F32x8), in float: every angle through the
// fast sine and cosine.
template <class V>
inline void groupSquares(const PowerUnbalanceParams& p, std::size_t i, V squares[3]) {
  const V m[3] = {load<V>(p.magnitude1 + i), load<V>(p.magnitude2 + i), load<V>(p.magnitude3 + i)};
  const V angle[3] = {load<V>(p.angle1 + i), load<V>(p.angle2 + i), load<V>(p.angle3 + i)};
  const V radians = splat<V>(kRadiansF);
  V re[3][3], im[3][3];  // [sequence][phase]
  for (int s = 0; s < 3; ++s)
    for (int k = 0; k < 3; ++k) {
      if (s > 0 && k == 0) {  // phase 1 is not turned
        re[s][0] = re[0][0], im[s][0] = im[0][0];
        continue;
      }
      const V a = k == 0 ? angle[0] : sub(angle[k], splat<V>(kTurn[s][k - 1]));
      V sine, cosine;
      fastSinCos(mul(a, radians), sine, cosine);
      re[s][k] = mul(m[k], cosine), im[s][k] = mul(m[k], sine);
    }
  for (int s = 0; s < 3; ++s) {
    const V x = add(add(re[s][0], re[s][1]), re[s][2]), y = add(add(im[s][0], im[s][1]), im[s][2]);
    squares[s] = add(mul(x, x), mul(y, y));
  }
}

// (l0 + l1) + (l2 + l3).
inline float neighbourSum(F32x4 v) {
  const auto l = lanesOf(v);
  return (l.at[0] + l.at[1]) + (l.at[2] + l.at[3]);
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcPowerUnbalance(const PowerUnbalanceParams* params) {
  const PowerUnbalanceParams& p = *params;
  float* first[3] = {p.zeroSequenceFirst, p.positiveSequenceFirst, p.negativeSequenceFirst};
  for (int s = 0; s < 3; ++s) {
    const ComplexD sum = phasorSum(p, 0, s);
    first[s][0] = float(kThird * sum.re), first[s][1] = float(kThird * sum.im);
  }

  const std::size_t n = p.count;
  F32x4 acc[3] = {splat<F32x4>(0.0f), splat<F32x4>(0.0f), splat<F32x4>(0.0f)};
  std::size_t i = 0;
  // Two groups share the eight-lane kernel; their squares join the four
  // lane sums one group after the other, as four lanes at a time would.
  for (; n - i >= 8; i += 8) {
    F32x8 squares[3];
    groupSquares(p, i, squares);
    for (int s = 0; s < 3; ++s) acc[s] = add(add(acc[s], lowHalf(squares[s])), highHalf(squares[s]));
  }
  for (; n - i >= 4; i += 4) {
    F32x4 squares[3];
    groupSquares(p, i, squares);
    for (int s = 0; s < 3; ++s) acc[s] = add(acc[s], squares[s]);
  }
  float total[3];
  for (int s = 0; s < 3; ++s) total[s] = neighbourSum(acc[s]);
  for (; i < n; ++i)
    for (int s = 0; s < 3; ++s) {
      const ComplexD sum = phasorSum(p, i, s);
      total[s] += float(sum.re * sum.re + sum.im * sum.im);
    }
  float* totals[3] = {p.zeroSequence, p.positiveSequence, p.negativeSequence};
  for (int s = 0; s < 3; ++s) total[s] = float(squareRoot(double(total[s])) * kThird), *totals[s] = total[s];

  const float r1 = magnitude(p.positiveSequenceFirst);
  *p.zeroUnbalanceFirst = percentOf(magnitude(p.zeroSequenceFirst), r1);
  *p.negativeUnbalanceFirst = percentOf(magnitude(p.negativeSequenceFirst), r1);
  *p.zeroUnbalance = percentOf(total[0], total[1]);
  *p.negativeUnbalance = percentOf(total[2], total[1]);
}
