// Centred moving averages of odd width W over a whole signal, with a running
// mean updated in O(1) per sample.
//
// The sequential form carries one running mean from the first window to the
// last; its recurrence (multiply by W, add the entering sample, subtract the
// leaving one, multiply by 1/W) is a chain of four dependent operations per
// sample, so it runs at the latency of that chain. The general form cuts long
// signals into S segments of L samples, seeds each with a direct window sum,
// and advances the first S - 1 of them together in the lanes of one vector
// (with a true division by W); the last segment runs the sequential
// recurrence interleaved with the vector one, so that its chain hides in the
// shadow of the longer vector chain. Segment lanes gather their samples L
// apart; the outputs of one step are scattered the same way.
//
// Only the low 16 bits of the width slot are part of the interface: the
// parameter is declared uint16_t, so the upper bytes of the slot never reach
// the computation.
#include <cstddef>
#include <cstdint>

#include "simd/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// The segmented regime of each sample type: one segment per lane of Wide<T>
// plus the last one; count >= minCount and raw width <= count / widthDivisor.
template <class T> struct Regime;
template <> struct Regime<double> { static constexpr uint32_t minCount = 64, widthDivisor = 32; };
template <> struct Regime<float> { static constexpr uint32_t minCount = 128, widthDivisor = 64; };

// Both forms take the window width this way: an even width is raised to the
// next odd one.
inline uint32_t oddWidth(uint16_t windowWidth) { return (uint32_t(windowWidth) & ~1u) + 1u; }

template <class T>
void fill(T* p, std::size_t n, T v) {
  for (std::size_t i = 0; i < n; ++i) p[i] = v;
}

template <class T>
void sequentialAverage(const T* input, T* output, uint32_t W, uint32_t count) {
  if (count < W) return;  // not a valid call: leave everything untouched
  const std::size_t H = (W - 1) / 2, E = std::size_t(count) - H - 1;
  // The first window's mean, formed incrementally.
  T m = 0;
  for (uint32_t k = 0; k < W; ++k) m = (T(k) * m + input[k]) / T(k + 1);
  fill(output, H + 1, m);
  const T width = T(W), r = T(1) / width;
  for (std::size_t i = H + 1; i <= E; ++i) {
    m = ((width * m + input[i + H]) - input[i - H - 1]) * r;
    output[i] = m;
  }
  fill(output + E, H + 1, m);
}

template <class T>
void averagingFilter(const T* input, T* output, uint16_t windowWidth, uint32_t count) {
  using V = Wide<T>;
  constexpr std::size_t S = widthOf<V> + 1;
  const uint32_t W = oddWidth(windowWidth);
  if (count < Regime<T>::minCount || windowWidth > count / Regime<T>::widthDivisor) {
    sequentialAverage(input, output, W, count);
    return;
  }
  // In this regime W <= count / 32 + 1 (count / 64 + 1 for float), which
  // keeps every seed window inside the input and lets the last segment start
  // at or before E.
  const std::size_t H = (W - 1) / 2;
  const std::size_t L = std::size_t((uint64_t(count) + S - 1) / S);  // 64-bit: count may be near 2^32
  const std::size_t lastStart = (S - 1) * L;
  const std::size_t lastSteps = std::size_t(count) - lastStart - W;  // positions lastStart+H+1 .. E
  const T width = T(W), r = T(1) / width;

  // Seeds: each segment's first window summed in index order, all segments
  // at once.
  V sums = gather<V>(input, L);
  T lastSum = input[lastStart];
  for (std::size_t k = 1; k < W; ++k) {
    sums = add(sums, gather<V>(input + k, L));
    lastSum += input[lastStart + k];
  }
  V m = mul(splat<V>(r), sums);
  T mLast = r * lastSum;
  fill(output, H + 1, firstLane(m));  // segment 0's seed is the first window's mean

  // The hardware prefetchers lose track of the 2 (S - 1) interleaved
  // streams on long signals (about 10% at DRAM size): fetch each lane's line
  // 4 KiB ahead once per line. A prefetch never faults, also past the end;
  // the address is formed as an integer so that no pointer leaves its array.
  constexpr std::size_t kLineElements = 64 / sizeof(T), kAheadBytes = 4096;
  const auto prefetchLanes = [L](const T* enteringAt, const T* outAt) {
    for (std::size_t s = 0; s + 1 < S; ++s) {
      const std::uintptr_t lane = s * L * sizeof(T) + kAheadBytes;
      prefetch(reinterpret_cast<std::uintptr_t>(enteringAt) + lane);
      prefetch(reinterpret_cast<std::uintptr_t>(outAt) + lane);
    }
  };
  // Step t of segment s is position p = s * L + H + 1 + t: the sample
  // input[p + H] enters, input[p - H - 1] leaves.
  const V widthV = splat<V>(width);
  const T* entering = input + W;
  const T* leaving = input;
  T* out = output + H + 1;
  const T* lastEntering = entering + lastStart;
  const T* lastLeaving = leaving + lastStart;
  T* lastOut = out + lastStart;
  const auto vectorStep = [&](std::size_t t) {
    if (t % kLineElements == 0) prefetchLanes(entering + t, out + t);
    m = div(sub(add(gather<V>(entering + t, L), mul(widthV, m)), gather<V>(leaving + t, L)), widthV);
    scatter(out + t, L, m);
  };
  std::size_t t = 0;
  for (; t < lastSteps; ++t) {
    vectorStep(t);
    mLast = ((width * mLast + lastEntering[t]) - lastLeaving[t]) * r;
    lastOut[t] = mLast;
  }
  for (; t < L; ++t) vectorStep(t);
  fill(output + (std::size_t(count) - H - 1), H + 1, mLast);
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcCACalcAveFilter_double(const double* input, double* output,
                                                            uint16_t windowWidth, uint32_t count) {
  averagingFilter(input, output, windowWidth, count);
}

extern "C" void TQCALC_STDCALL tqcalcCACalcAveFilter_float(const float* input, float* output,
                                                           uint16_t windowWidth, uint32_t count) {
  averagingFilter(input, output, windowWidth, count);
}

extern "C" void TQCALC_STDCALL tqcalcCACalcAveFilter_double_scalar(const double* input, double* output,
                                                                   uint16_t windowWidth, uint32_t count) {
  sequentialAverage(input, output, oddWidth(windowWidth), count);
}

extern "C" void TQCALC_STDCALL tqcalcCACalcAveFilter_float_scalar(const float* input, float* output,
                                                                  uint16_t windowWidth, uint32_t count) {
  sequentialAverage(input, output, oddWidth(windowWidth), count);
}
