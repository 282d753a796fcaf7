// One output of the 16-tap FIR over the newest samples of the host's ring.
#include "simd/loops.h"
#include "tqcalc.h"

using namespace tq::simd;

// Contiguous samples take two eight-lane products and a fixed pairwise sum;
// samples that wrap take the taps one at a time, the read position jumping
// from the ring's end to its start.
extern "C" float TQCALC_STDCALL tqcalcPowerCalcFIR_float(const PowerFirParams* params) {
  const uint32_t length = params->ringLength;
  uint32_t start = params->position - 16u;  // 32-bit wrap-around, undone below
  if (params->position < 16u) start += length;
  const float* c = params->coefficientSets + 16 * std::size_t(params->coefficientSet);
  const float* ring = params->ring;
  if (length - start >= 16u) {
    const float* x = ring + start;
    return sumNeighbours(add(mul(load<F32x8>(x), load<F32x8>(c)), mul(load<F32x8>(x + 8), load<F32x8>(c + 8))));
  }
  float sum = 0.0f;
  for (uint32_t k = 0, at = start; k < 16; ++k) {
    sum = sum + c[k] * ring[at];
    if (++at == length) at = 0;
  }
  return sum;
}
