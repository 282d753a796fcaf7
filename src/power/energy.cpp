// Positive and negative energy of a block: the float products split by sign
// into two double sums.
#include <algorithm>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// Compare and select rather than max/min against zero: those would drop a
// NaN product, which belongs to the positive sum.
template <class D>
TQ_LANES void split(D p, D& positive, D& negative) {
  const auto below = cmpLt(p, splatLike(p, 0.0));
  positive = add(positive, select(below, splatLike(p, 0.0), p));
  negative = add(negative, select(below, p, splatLike(p, 0.0)));
}

}  // namespace

// Eight products per step, their halves widened into two pairs of double
// accumulators each way; the pairs are merged at the end.
extern "C" void TQCALC_STDCALL tqcalcPowerCalculatePosAndNegEnergy(const float* voltage, const float* current,
                                                                  int32_t count, double* positiveEnergy,
                                                                  double* negativeEnergy) {
  const auto n = std::size_t(std::max(count, 0));
  F64x4 pos[2] = {splat<F64x4>(0), splat<F64x4>(0)}, neg[2] = {pos[0], pos[0]};
  std::size_t i = 0;
  for (; n - i >= 8; i += 8) {
    const F32x8 p = mul(load<F32x8>(voltage + i), load<F32x8>(current + i));
    split(widen(lowHalf(p)), pos[0], neg[0]);
    split(widen(highHalf(p)), pos[1], neg[1]);
  }
  double positive = sumLanes(add(pos[0], pos[1])), negative = sumLanes(add(neg[0], neg[1]));
  for (; i < n; ++i) split(widen(voltage[i] * current[i]), positive, negative);
  *positiveEnergy = positive, *negativeEnergy = negative;
}

// One sample at a time, ascending: the sums' order is part of the result.
// A sample that does not count adds 0.0, which changes no sum (neither
// starts at or reaches -0.0).
extern "C" void TQCALC_STDCALL tqcalcPowerCalculatePosAndNegEnergyOnCondition(
    const float* voltage, const float* current, const float* condition, int32_t count, double* positiveEnergy,
    double* negativeEnergy) {
  double positive = 0.0, negative = 0.0;
  for (int32_t i = 0; i < count; ++i) {
    const double p = widen(voltage[i] * current[i]);
    split(select(cmpGt(condition[i], 0.5f), p, 0.0), positive, negative);
  }
  *positiveEnergy = positive, *negativeEnergy = negative;
}
