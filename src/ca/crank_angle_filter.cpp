// Crank-angle filters: one FIR output at one sample position, the samples
// read backwards from the newest, the coefficients forwards at a stride, all
// in float.
//
// Windows of at least one step run in vector groups: a group of n taps
// starting at tap j is the n samples ending at newestSample[-j], loaded as
// one unaligned vector (lane l holds tap j + n - 1 - l), times the matching
// coefficients in reversed lane order. Each lane keeps its own float sums
// (groups alternate between two accumulators); they are combined in a fixed
// order and the last 0..n-1 taps are then added one by one. The grouping
// depends only on tapCount, never on the address of the samples (unaligned
// loads cost nothing here), so a window gives the same bits wherever it lies.
// Shorter windows are summed sequentially in tap order.
#include <cstddef>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// Samples of a group converted to float lanes: four lanes for float and
// int32 samples, eight for int16 (a 128-bit load holds eight of them; they
// are sign-extended and converted exactly).
inline F32x4 samplesAt(const float* p) { return load<F32x4>(p); }
inline F32x4 samplesAt(const int32_t* p) { return toFloat(load<I32x4>(p)); }
inline F32x8 samplesAt(const int16_t* p) {
  const I16x8 v = load<I16x8>(p);
  return toFloat(combine(widenLow(v), widenHigh(v)));
}
template <class T> using GroupOf = decltype(samplesAt(static_cast<const T*>(nullptr)));

template <class T>
float crankAngleFilter(const T* newest, uint32_t tapCount, const float* coefficients, uint32_t stride) {
  using V = GroupOf<T>;
  constexpr uint32_t n = widthOf<V>;
  const std::size_t step = stride;
  uint32_t j = 0;
  float acc = 0.0f;
  // Group k times its coefficients, which `coefficientsAt(k)` gives in
  // reversed lane order (lane l holds tap k + n - 1 - l). Two accumulators
  // take the groups in turn: one would leave every step waiting on the
  // latency of the previous addition.
  const auto groupedSum = [&](auto coefficientsAt) {
    return sumLanes(reduceSteps<2, V>(tapCount, j, [&](uint32_t k) {
      return mul(samplesAt(newest - std::ptrdiff_t(k + n - 1)), coefficientsAt(k));
    }));
  };
  if (tapCount >= n) {
    // A plain table (stride 1) is loaded whole; that gives the same lanes
    // as gathering it.
    acc = step == 1 ? groupedSum([&](uint32_t k) { return reverse(load<V>(coefficients + k)); })
                    : groupedSum([&](uint32_t k) {
                        return reverse(gather<V>(coefficients + k * step, std::ptrdiff_t(step)));
                      });
  }
  for (; j < tapCount; ++j) acc += float(newest[-std::ptrdiff_t(j)]) * coefficients[j * step];
  return acc;
}

}  // namespace

extern "C" float TQCALC_STDCALL tqcalcCACalcFilter_float(const float* newestSample, uint32_t tapCount,
                                                         const float* coefficients, uint32_t coefficientStride) {
  return crankAngleFilter(newestSample, tapCount, coefficients, coefficientStride);
}

extern "C" float TQCALC_STDCALL tqcalcCACalcFilter_int16_t(const int16_t* newestSample, uint32_t tapCount,
                                                           const float* coefficients, uint32_t coefficientStride) {
  return crankAngleFilter(newestSample, tapCount, coefficients, coefficientStride);
}

extern "C" float TQCALC_STDCALL tqcalcCACalcFilter_int32_t(const int32_t* newestSample, uint32_t tapCount,
                                                           const float* coefficients, uint32_t coefficientStride) {
  return crankAngleFilter(newestSample, tapCount, coefficients, coefficientStride);
}
