// FIR filter over the host's ring buffer: coefficient k meets ring element
// (position + k) mod length, read as two straight pieces so that no index
// wraps inside a loop.
//
// Both pieces add into the same four accumulators, so the horizontal sum is
// paid once per call. Position 0 and position `length` then run the very
// same steps (the empty piece adds nothing) and give the same bits. Each
// piece's last 1..7 elements come through masked loads, which touch no byte
// beyond the piece.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

inline void accumulate(F32x8 (&acc)[4], const float* c, const float* h, uint32_t n) {
  uint32_t i = 0;
  for (; n - i >= 32; i += 32) {
    TQ_UNROLL for (unsigned k = 0; k < 4; ++k) acc[k] = add(acc[k], mul(load<F32x8>(c + i + 8 * k), load<F32x8>(h + i + 8 * k)));
  }
  for (; n - i >= 8; i += 8) acc[0] = add(acc[0], mul(load<F32x8>(c + i), load<F32x8>(h + i)));
  if (i < n) acc[1] = add(acc[1], mul(loadFirst<F32x8>(c + i, n - i), loadFirst<F32x8>(h + i, n - i)));
}

}  // namespace

extern "C" double TQCALC_STDCALL tqcalcFIRFilter_float(const float* history, const float* coefficients, int32_t length,
                                                      int32_t position) {
  if (length <= 0) return 0.0;
  F32x8 acc[4];
  TQ_UNROLL for (F32x8& a : acc) a = splat<F32x8>(0.0f);
  if (length - position > 0) accumulate(acc, coefficients, history + position, uint32_t(length - position));
  if (position > 0) accumulate(acc, coefficients + (length - position), history, uint32_t(position));
  return widen(sumLanes(add(add(acc[0], acc[1]), add(acc[2], acc[3]))));
}
