// FIR filter over the host's ring buffer: coefficient k meets ring element
// (position + k) mod length, read as two straight pieces so that no index
// wraps inside a loop.
//
// Both pieces add into the same four accumulators, and their last 1..7
// products into one scalar, so the horizontal sum is paid once per call.
// Position 0 and position `length` then run the very same steps (the empty
// piece adds nothing) and give the same bits. The tails are scalar rather
// than masked loads: the emulator the 32-bit tests run under faults on a
// masked-out lane beyond a guard page, which hardware never does.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

inline void accumulate(F32x8 (&acc)[4], float& tail, const float* c, const float* h, uint32_t n) {
  uint32_t i = 0;
  for (; n - i >= 32; i += 32) {
    TQ_UNROLL for (unsigned k = 0; k < 4; ++k) acc[k] = add(acc[k], mul(load<F32x8>(c + i + 8 * k), load<F32x8>(h + i + 8 * k)));
  }
  for (; n - i >= 8; i += 8) acc[0] = add(acc[0], mul(load<F32x8>(c + i), load<F32x8>(h + i)));
  for (; i < n; ++i) tail = add(tail, mul(load<float>(c + i), load<float>(h + i)));
}

}  // namespace

extern "C" double TQCALC_STDCALL tqcalcFIRFilter_float(const float* history, const float* coefficients, int32_t length,
                                                      int32_t position) {
  if (length <= 0) return 0.0;
  F32x8 acc[4];
  TQ_UNROLL for (F32x8& a : acc) a = splat<F32x8>(0.0f);
  float tail = 0.0f;
  if (length - position > 0) accumulate(acc, tail, coefficients, history + position, uint32_t(length - position));
  if (position > 0) accumulate(acc, tail, coefficients + (length - position), history, uint32_t(position));
  return widen(add(sumLanes(add(add(acc[0], acc[1]), add(acc[2], acc[3]))), tail));
}
