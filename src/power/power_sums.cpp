// Active and reactive power over two spectra, the sum of scaled squares, and
// the scaled copy with its running absolute sum.
#include <algorithm>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// p_k and q_k of one bin: U_k * conj(I_k) in double.
inline void binProducts(const float* voltage, const float* current, uint32_t k, double& p, double& q) {
  const double a = voltage[2 * k], b = voltage[2 * k + 1], c = current[2 * k], d = current[2 * k + 1];
  p = a * c + b * d;
  q = b * c - a * d;
}

// Bins [first, first + 2 * pairs) without deinterleaving: the widened pairs
// (a, b) times (c, d) give a*c and b*d side by side, times (d, c) give a*d
// and b*c. P is the sum of all lanes of the first, Q the odd lanes less the
// even ones of the second. Four accumulator pairs hide the addition latency.
struct Sums {
  double p, q;
};
inline Sums pairSteps(const float* voltage, const float* current, uint32_t first, uint32_t pairs) {
  constexpr unsigned kAcc = 4;
  F64x4 accP[kAcc], accQ[kAcc];
  TQ_UNROLL for (unsigned k = 0; k < kAcc; ++k) accP[k] = accQ[k] = splat<F64x4>(0);
  const float* u = voltage + 2 * std::size_t(first);
  const float* i = current + 2 * std::size_t(first);
  const auto step = [&](unsigned a, std::size_t at) {
    const F64x4 x = widen(load<F32x4>(u + at)), y = widen(load<F32x4>(i + at));
    accP[a] = add(accP[a], mul(x, y));
    accQ[a] = add(accQ[a], mul(x, swapPairs(y)));
  };
  const std::size_t floats = 4 * std::size_t(pairs);
  std::size_t at = 0;
  for (; floats - at >= 4 * kAcc; at += 4 * kAcc) {
    TQ_UNROLL for (unsigned a = 0; a < kAcc; ++a) step(a, at + 4 * a);
  }
  for (; at < floats; at += 4) step(0, at);
  const F64x4 p = add(add(accP[0], accP[1]), add(accP[2], accP[3]));
  const auto q = lanesOf(add(add(accQ[0], accQ[1]), add(accQ[2], accQ[3])));
  return {sumLanes(p), (q.at[1] + q.at[3]) - (q.at[0] + q.at[2])};
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcPowerPandQsum(const float* voltage, const float* current, int32_t count,
                                                  double* pSum, double* qSum) {
  if (count <= 0) {
    *pSum = 0.0, *qSum = 0.0;
    return;
  }
  double p, q;
  binProducts(voltage, current, 0, p, q);
  double sumP = 0.5 * p, sumQ = 0.5 * q;
  if (count > 1) {
    // Bins 1 .. m - 1 at full weight (m: count rounded down to even), then
    // for an odd count the last bin at half weight.
    const uint32_t m = uint32_t(count) & ~1u, pairs = (m - 1) / 2;
    const Sums s = pairSteps(voltage, current, 1, pairs);
    sumP += s.p, sumQ += s.q;
    for (uint32_t k = 1 + 2 * pairs; k < m; ++k) {
      binProducts(voltage, current, k, p, q);
      sumP += p, sumQ += q;
    }
    if (uint32_t(count) != m) {
      binProducts(voltage, current, m, p, q);
      sumP += 0.5 * p, sumQ += 0.5 * q;
    }
  }
  *pSum = sumP, *qSum = sumQ;
}

// The scaled value rounds to float before it is squared in double.
extern "C" double TQCALC_STDCALL tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(const float* values,
                                                                                         int32_t count,
                                                                                         float scalar) {
  if (count <= 0) return 0.0;
  const auto n = uint32_t(count);
  const auto square = [&](auto lanes, uint32_t i) {
    using V = decltype(lanes);
    const auto y = widen(mul(load<V>(values + i), splat<V>(scalar)));
    return mul(y, y);
  };
  uint32_t i = 0;
  double sum = sumLanes(reduceSteps<4, F64x4>(n, i, [&](uint32_t at) { return square(F32x4{}, at); }));
  for (; i < n; ++i) sum += square(float{}, i);
  return sum;
}

// The conversion runs four lanes at a time; the magnitudes join one double
// sum in ascending order, as the running total is defined.
extern "C" void TQCALC_STDCALL tqcalcPowerSumVectorMultipliedWithScalar_double(PowerSumVectorParams* params) {
  const double* input = params->input;
  float* output = params->output;
  const bool accumulate = params->accumulateAbsSum != 0;
  const F64x4 scalar4 = splat<F64x4>(double(params->scalar));
  const double scalar = double(params->scalar);
  const auto n = uint32_t(std::max(params->count, 0));
  double sum = 0.0;
  uint32_t i = 0;
  if (accumulate) {
    for (; n - i >= 4; i += 4) {
      const F32x4 y = narrow(mul(load<F64x4>(input + i), scalar4));
      store(output + i, y);
      const auto m = lanesOf(widen(abs(y)));
      sum = (((sum + m.at[0]) + m.at[1]) + m.at[2]) + m.at[3];
    }
  } else {
    for (; n - i >= 4; i += 4) store(output + i, narrow(mul(load<F64x4>(input + i), scalar4)));
  }
  for (; i < n; ++i) {
    const float y = narrow(scalar * input[i]);
    output[i] = y;
    sum += widen(abs(y));
  }
  if (accumulate) params->absSum = params->absSum + sum;
}
