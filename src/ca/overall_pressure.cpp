// Cycle averages kept in host arrays, one cycle per call: the cumulative mean
// (overall pressure) and the moving mean over a window of cycles (running
// value). Both process their arrays from element 0; the index arguments only
// give the number of samples.
//
// The arithmetic is part of the interface, down to the last bit, and differs
// between the whole groups of eight and the last 0..7 samples:
//  - overall pressure: groups in double with a true division, the tail in
//    float with a multiplication by the float reciprocal of n + 1;
//  - running value: groups divide by the divisor, the tail multiplies by its
//    reciprocal and forms the window sum in another order.
// Both are kept as they are: a given input gives the same bits on every
// target, and the digest cases pin them.
#include <cstdint>
#include <limits>

#include "simd/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

constexpr float kFloor = std::numeric_limits<float>::min();

// The running-value update of one call: `vectorSum(i)` is the new window sum
// of samples i..i+7, `scalarSum(i)` that of sample i (in the tail's order).
template <class VectorSum, class ScalarSum>
inline void updateWindow(uint32_t count, float divisor, float* sumData, float* meanData, VectorSum vectorSum,
                         ScalarSum scalarSum) {
  const F32x8 vDivisor = splat<F32x8>(divisor);
  uint32_t i = 0;
  for (; count - i >= 8; i += 8) {
    const F32x8 s = vectorSum(i);
    store(sumData + i, s);
    store(meanData + i, div(s, vDivisor));
  }
  // The correctly rounded reciprocal: the product is within 1.5 units in the
  // last place of the quotient, the same on every processor (RCPPS is not).
  const float reciprocal = 1.0f / divisor;
  for (; i < count; ++i) {
    const float s = scalarSum(i);
    sumData[i] = s;
    meanData[i] = s * reciprocal;
  }
}

}  // namespace

extern "C" void TQCALC_STDCALL tqCalcCAOverallPressure(const float* cycleData, float* averageData,
                                                     uint32_t firstIndex, uint32_t endIndex, uint64_t cycleCount,
                                                     float* maxValue) {
  const uint32_t count = endIndex - firstIndex;
  const double n = double(cycleCount);
  const F64x4 vN = splat<F64x4>(n);
  const F64x4 vN1 = splat<F64x4>(n + 1.0);
  // (average * n + cycle) / (n + 1) of four samples, in double.
  const auto folded = [&](uint32_t at) {
    return div(add(mul(widen(load<F32x4>(averageData + at)), vN), widen(load<F32x4>(cycleData + at))), vN1);
  };
  // max(a, peaks) keeps its second operand unless the first is greater, so
  // a NaN in the curve never becomes the peak.
  F32x8 peaks = splat<F32x8>(kFloor);
  uint32_t i = 0;
  for (; count - i >= 8; i += 8) {
    const F32x8 a = narrowPair(folded(i), folded(i + 4));
    store(averageData + i, a);
    peaks = max(a, peaks);
  }
  float peak = kFloor;
  for (float lane : lanesOf(peaks).at)
    if (lane > peak) peak = lane;

  const float nFloat = float(n);
  // n + 1 as a 64-bit integer: wraps to 0 for the largest count.
  const float q = 1.0f / float(double(cycleCount + 1));
  for (; i < count; ++i) {
    const float a = (nFloat * averageData[i] + cycleData[i]) * q;
    averageData[i] = a;
    if (a > peak) peak = a;
  }
  *maxValue = peak;
}

extern "C" void TQCALC_STDCALL tqCalcCARunningVal(const float* cycleData, const float* oldestCycleData,
                                                float* sumData, float* meanData, uint32_t firstIndex,
                                                uint32_t lastIndex, uint64_t cycleIndex, uint32_t windowCycles) {
  const uint32_t count = lastIndex - firstIndex + 1;
  if (cycleIndex == 0) {
    // The first cycle starts the sum; a plain copy keeps every bit (NaN
    // payloads too).
    uint32_t i = 0;
    for (; count - i >= 8; i += 8) {
      const F32x8 c = load<F32x8>(cycleData + i);
      store(sumData + i, c);
      store(meanData + i, c);
    }
    for (; i < count; ++i) sumData[i] = meanData[i] = cycleData[i];
  } else if (cycleIndex < windowCycles) {
    // Window still filling: the mean is over the k + 1 cycles seen so far.
    updateWindow(
        count, float(double(cycleIndex)) + 1.0f, sumData, meanData,
        [=](uint32_t i) { return add(load<F32x8>(cycleData + i), load<F32x8>(sumData + i)); },
        [=](uint32_t i) { return cycleData[i] + sumData[i]; });
  } else {
    updateWindow(
        count, float(windowCycles), sumData, meanData,
        [=](uint32_t i) {
          return sub(add(load<F32x8>(cycleData + i), load<F32x8>(sumData + i)), load<F32x8>(oldestCycleData + i));
        },
        [=](uint32_t i) { return (cycleData[i] - oldestCycleData[i]) + sumData[i]; });
  }
}
