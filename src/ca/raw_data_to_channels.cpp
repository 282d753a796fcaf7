// Copying a stretch of a raw block into a cycle channel, less a constant
// offset, while finding the first maximum of the copied curve.
//
// The vector path keeps, per lane, the running maximum and the block where
// that lane first reached it; four independent sets of eight lanes (32
// samples per turn) so that the compare-and-select chains of the sets overlap
// instead of waiting on each other. Long ranges go in chunks of 2^20 samples,
// each merged on its own. A lane moves only on a strictly greater
// value, so it holds its own first maximum; after the pass the lanes are
// merged by "greater value wins, equal value lower index wins", which is the
// first maximum of the whole vector range. The scalar tail comes after every
// vector sample, so it continues with the plain strict comparison. The result
// is the sequential one for every count; only the comparisons' order differs.
//
// In place (rawData == channelData, firstIndex >= 0) the store to
// channelData[k] lands at or below rawData[firstIndex + k], and each block is
// loaded before it is stored, so no sample is overwritten before it is read.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "simd/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// The search floor: the smallest positive normal float. Values at or below it
// are copied but never reported.
constexpr float kFloor = std::numeric_limits<float>::min();
constexpr uint32_t kNoIndex = 0xFFFFFFFFu;

struct Peak {
  float value = kFloor;
  uint32_t index = kNoIndex;  // relative to the first copied sample

  // A candidate found out of order: only values above the floor count.
  void merge(float v, uint32_t at) {
    if (v > value || (v > kFloor && v == value && at < index)) {
      value = v;
      index = at;
    }
  }
};

// Eight lanes: the running maxima and, per lane, where in the chunk the
// block that gave the maximum starts. The position is a float (exact below
// 2^24, hence the chunks), because selecting integer lanes needs AVX2.
struct LanePeaks {
  F32x8 value = splat<F32x8>(kFloor);
  F32x8 at = splat<F32x8>(0.0f);

  void step(const float* from, float* to, F32x8 offset, F32x8 position) {
    const F32x8 v = sub(load<F32x8>(from), offset);
    const F32x8 greater = cmpGt(v, value);  // false for NaN
    // max(v, value) returns its second operand unless the first is greater:
    // the strict comparison of the definition, NaN never taken.
    value = max(v, value);
    at = select(greater, position, at);
    store(to, v);
  }

  // `base`: the first sample of the chunk, plus this set's place in a turn.
  void mergeInto(Peak& peak, uint32_t base) const {
    const auto values = lanesOf(value), positions = lanesOf(at);
    for (uint32_t lane = 0; lane < 8; ++lane)
      peak.merge(values.at[lane], base + uint32_t(positions.at[lane]) + lane);
  }
};

// Samples per chunk: block positions stay exact in float.
constexpr uint32_t kChunk = 1u << 20;

}  // namespace

extern "C" void TQCALC_STDCALL tqCalcCACopyRawDataToChannels(const float* rawData, float* channelData,
                                                           uint32_t firstIndex, uint32_t endIndex, float offset,
                                                           float* maxValue, uint32_t* maxIndex) {
  const uint32_t count = endIndex - firstIndex;
  const float* from = rawData + firstIndex;
  Peak peak;
  uint32_t k = 0;
  const F32x8 vOffset = splat<F32x8>(offset);
  while (count - k >= 8) {
    const uint32_t base = k;
    const uint32_t chunkEnd = k + std::min(count - k, kChunk);
    LanePeaks set0, set1, set2, set3;
    F32x8 position = splat<F32x8>(0.0f);
    for (; chunkEnd - k >= 32; k += 32) {
      set0.step(from + k, channelData + k, vOffset, position);
      set1.step(from + k + 8, channelData + k + 8, vOffset, position);
      set2.step(from + k + 16, channelData + k + 16, vOffset, position);
      set3.step(from + k + 24, channelData + k + 24, vOffset, position);
      position = add(position, splat<F32x8>(32.0f));
    }
    for (; chunkEnd - k >= 8; k += 8) {
      set0.step(from + k, channelData + k, vOffset, position);
      position = add(position, splat<F32x8>(8.0f));
    }
    set0.mergeInto(peak, base);
    set1.mergeInto(peak, base + 8);
    set2.mergeInto(peak, base + 16);
    set3.mergeInto(peak, base + 24);
  }
  for (; k < count; ++k) {
    const float v = from[k] - offset;
    if (v > peak.value) {
      peak.value = v;
      peak.index = k;
    }
    channelData[k] = v;
  }
  *maxValue = peak.value;
  *maxIndex = peak.index == kNoIndex ? kNoIndex : firstIndex + peak.index;
}
