// Pink noise from white, one sample per call: six first-order sections in
// two four-lane steps, memories x poles + w x weights, and one horizontal sum.
//
// The second step holds b4, b5, b6 and `direct`: its first two lanes are
// sections, its last two the new delayed and direct terms (w x weight alone,
// selected, so that even a -0 keeps its sign). The sum takes the previous b6
// in the third lane, read before it is replaced; `direct` is loaded with its
// neighbours but dropped, never used. Whole 256-bit loads and stores only:
// the next call's loads are then forwarded from this call's stores.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

alignas(32) constexpr double kPolesLow[4] = {0.99886, 0.99332, 0.969, 0.8665};
alignas(32) constexpr double kWeightsLow[4] = {0.0555179, 0.0750759, 0.153852, 0.3104856};
alignas(32) constexpr double kPolesHigh[4] = {0.55, -0.7616, 0.0, 0.0};
alignas(32) constexpr double kWeightsHigh[4] = {0.5329522, -0.016898, 0.115926, 0.5362};
alignas(32) constexpr uint64_t kSections[4] = {~0ull, ~0ull, 0, 0};
alignas(32) constexpr uint64_t kDelayed[4] = {0, 0, ~0ull, 0};
constexpr double kInputScale = 0.2;

}  // namespace

extern "C" double TQCALC_STDCALL tqcalcPinkFilter_double(PinkFilterState* state, double white) {
  auto* memory = reinterpret_cast<unsigned char*>(state);
  const double w = mul(white, kInputScale);
  const F64x4 ws = splat<F64x4>(w);
  const F64x4 low = add(mul(load<F64x4>(memory), loadAligned<F64x4>(kPolesLow)), mul(ws, loadAligned<F64x4>(kWeightsLow)));
  const F64x4 old = load<F64x4>(memory + 32);
  const F64x4 fresh = mul(ws, loadAligned<F64x4>(kWeightsHigh));
  const F64x4 high = select(loadAligned<F64x4>(kSections), add(mul(old, loadAligned<F64x4>(kPolesHigh)), fresh), fresh);
  const double result = sumLanes(add(low, select(loadAligned<F64x4>(kDelayed), old, high)));
  store(memory, low);
  store(memory + 32, high);
  return result;
}
