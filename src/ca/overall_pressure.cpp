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

#include "core/simd.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

constexpr float kFloor = std::numeric_limits<float>::min();

// Eight floats as one value each of two double vectors (low four, high four),
// and back.
inline __m256 narrowPair(__m256d low, __m256d high) {
  return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)), _mm256_cvtpd_ps(high), 1);
}

// The running-value update of one call: `vectorSum(i)` is the new window sum
// of samples i..i+7, `scalarSum(i)` that of sample i (in the tail's order).
template <class VectorSum, class ScalarSum>
inline void updateWindow(uint32_t count, float divisor, float* sumData, float* meanData, VectorSum vectorSum,
                         ScalarSum scalarSum) {
  const __m256 vDivisor = _mm256_set1_ps(divisor);
  uint32_t i = 0;
  for (; count - i >= 8; i += 8) {
    const __m256 s = vectorSum(i);
    _mm256_storeu_ps(sumData + i, s);
    _mm256_storeu_ps(meanData + i, _mm256_div_ps(s, vDivisor));
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
  const __m256d vN = _mm256_set1_pd(n);
  const __m256d vN1 = _mm256_set1_pd(n + 1.0);
  // MAXPS keeps its second operand unless the first is greater, so a NaN in
  // the curve never becomes the peak.
  __m256 peaks = _mm256_set1_ps(kFloor);
  uint32_t i = 0;
  for (; count - i >= 8; i += 8) {
    const __m256d low = _mm256_div_pd(
        _mm256_add_pd(_mm256_mul_pd(loadWidened(averageData + i), vN), loadWidened(cycleData + i)), vN1);
    const __m256d high = _mm256_div_pd(
        _mm256_add_pd(_mm256_mul_pd(loadWidened(averageData + i + 4), vN), loadWidened(cycleData + i + 4)), vN1);
    const __m256 a = narrowPair(low, high);
    _mm256_storeu_ps(averageData + i, a);
    peaks = _mm256_max_ps(a, peaks);
  }
  alignas(32) float lanes[8];
  _mm256_store_ps(lanes, peaks);
  float peak = kFloor;
  for (float lane : lanes)
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
      const __m256 c = _mm256_loadu_ps(cycleData + i);
      _mm256_storeu_ps(sumData + i, c);
      _mm256_storeu_ps(meanData + i, c);
    }
    for (; i < count; ++i) sumData[i] = meanData[i] = cycleData[i];
  } else if (cycleIndex < windowCycles) {
    // Window still filling: the mean is over the k + 1 cycles seen so far.
    updateWindow(
        count, float(double(cycleIndex)) + 1.0f, sumData, meanData,
        [=](uint32_t i) { return _mm256_add_ps(_mm256_loadu_ps(cycleData + i), _mm256_loadu_ps(sumData + i)); },
        [=](uint32_t i) { return cycleData[i] + sumData[i]; });
  } else {
    updateWindow(
        count, float(windowCycles), sumData, meanData,
        [=](uint32_t i) {
          return _mm256_sub_ps(_mm256_add_ps(_mm256_loadu_ps(cycleData + i), _mm256_loadu_ps(sumData + i)),
                               _mm256_loadu_ps(oldestCycleData + i));
        },
        [=](uint32_t i) { return (cycleData[i] - oldestCycleData[i]) + sumData[i]; });
  }
}
