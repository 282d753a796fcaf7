// Copying a stretch of a raw block into a cycle channel, less a constant
// offset, while finding the first maximum of the copied curve.
//
// The vector path keeps, per lane, the running maximum and the block where
// that lane first reached it; four independent sets of eight lanes (32
// samples per turn) so that the compare-and-select chains of the sets overlap
// instead of waiting on each other. A lane moves only on a strictly greater
// value, so it holds its own first maximum; after the pass the lanes are
// merged by "greater value wins, equal value lower index wins", which is the
// first maximum of the whole vector range. The scalar tail comes after every
// vector sample, so it continues with the plain strict comparison. The result
// is the sequential one for every count; only the comparisons' order differs.
//
// In place (rawData == channelData, firstIndex >= 0) the store to
// channelData[k] lands at or below rawData[firstIndex + k], and each block is
// loaded before it is stored, so no sample is overwritten before it is read.
#include <cstdint>
#include <limits>

#include "core/simd.h"
#include "tqcalc.h"

namespace {

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

// Eight lanes: the running maxima and, per lane, the first sample of the
// block where the maximum was taken (as 32-bit integers in float lanes; only
// selected, never computed on).
struct LanePeaks {
  __m256 value = _mm256_set1_ps(kFloor);
  __m256 block = _mm256_castsi256_ps(_mm256_set1_epi32(-1));

  void step(const float* from, float* to, uint32_t k, __m256 offset) {
    const __m256 v = _mm256_sub_ps(_mm256_loadu_ps(from + k), offset);
    const __m256 greater = _mm256_cmp_ps(v, value, _CMP_GT_OQ);  // false for NaN
    // MAXPS returns its second operand unless the first is greater: the
    // strict comparison of the definition, NaN never taken.
    value = _mm256_max_ps(v, value);
    block = _mm256_blendv_ps(block, _mm256_castsi256_ps(_mm256_set1_epi32(int32_t(k))), greater);
    _mm256_storeu_ps(to + k, v);
  }

  void mergeInto(Peak& peak) const {
    alignas(32) float values[8];
    alignas(32) uint32_t blocks[8];
    _mm256_store_ps(values, value);
    _mm256_store_ps(reinterpret_cast<float*>(blocks), block);
    for (uint32_t lane = 0; lane < 8; ++lane) peak.merge(values[lane], blocks[lane] + lane);
  }
};

}  // namespace

extern "C" void TQCALC_STDCALL tqCalcCACopyRawDataToChannels(const float* rawData, float* channelData,
                                                           uint32_t firstIndex, uint32_t endIndex, float offset,
                                                           float* maxValue, uint32_t* maxIndex) {
  const uint32_t count = endIndex - firstIndex;
  const float* from = rawData + firstIndex;
  Peak peak;
  uint32_t k = 0;
  if (count >= 8) {
    const __m256 vOffset = _mm256_set1_ps(offset);
    LanePeaks set0, set1, set2, set3;
    for (; count - k >= 32; k += 32) {
      set0.step(from, channelData, k, vOffset);
      set1.step(from, channelData, k + 8, vOffset);
      set2.step(from, channelData, k + 16, vOffset);
      set3.step(from, channelData, k + 24, vOffset);
    }
    for (; count - k >= 8; k += 8) set0.step(from, channelData, k, vOffset);
    set0.mergeInto(peak);
    set1.mergeInto(peak);
    set2.mergeInto(peak);
    set3.mergeInto(peak);
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
