// Combustion-analysis properties the harness rows cannot express: the
// width's slot, the raw copy in place and its first maximum across lanes and
// the vector path's chunks.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/bits.h"
#include "support/harness.h"

namespace tq::test {
namespace {

// Only the low 16 bits of the width slot count: 0x10005 and 0xFFFF0005
// through a full 32-bit slot (whose upper bytes really are nonzero on i386)
// act as 5.
TEST(AveragingFilter, OnlyTheLowHalfOfTheWidthSlotCounts) {
  using Wide = void(TQCALC_STDCALL*)(const float*, float*, uint32_t, uint32_t);
  for (auto f : {tqcalcCACalcAveFilter_float, tqcalcCACalcAveFilter_float_scalar})
    for (uint32_t count : {40u, 4000u}) {
      const auto x = randomValues<float>(count, 3, 10.0);
      std::vector<float> expected(count), actual(count);
      f(x.data(), expected.data(), 5, count);
      for (uint32_t w : {0x10005u, 0xFFFF0005u}) {
        reinterpret_cast<Wide>(reinterpret_cast<void (*)()>(f))(x.data(), actual.data(), w, count);
        EXPECT_SAME_BITS(expected, actual) << std::hex << w;
      }
    }
}

// In place (one array for raw data and channel): the range moves down to
// element 0, the elements past it keep their raw values.
TEST(CopyRawDataToChannels, InPlace) {
  for (uint32_t count = 0; count <= 40; ++count)
    for (uint32_t first : {0u, 3u}) {
      auto raw = randomValues<float>(first + count, count, 10.0), expected = raw;
      float peak[2];
      uint32_t index[2];
      ref::tqCalcCACopyRawDataToChannels(expected.data(), expected.data(), first, first + count, 0.5f, &peak[0], &index[0]);
      tqCalcCACopyRawDataToChannels(raw.data(), raw.data(), first, first + count, 0.5f, &peak[1], &index[1]);
      EXPECT_SAME_BITS(expected, raw) << count << " " << first;
      EXPECT_TRUE(sameBits(peak[0], peak[1]) && index[0] == index[1]) << count << " " << first;
    }
}

// The maximum at several positions (in different lanes, sets of lanes, the
// tail; and on both sides of a 2^20-sample chunk of the vector path),
// everything else lower: the lowest position wins. Indices above 2^31 are
// reported as unsigned rawData indices.
TEST(CopyRawDataToChannels, RepeatedMaximumReportsTheFirst) {
  for (uint32_t seed = 0; seed < 203; ++seed) {
    const uint32_t count = seed < 200 ? 203 : (1u << 20) + 45;
    std::vector<float> raw = randomValues<float>(count, seed, 10.0), channel(count);
    std::vector<uint32_t> at{(1u << 20) + 5};
    if (seed == 201) at.push_back((1u << 20) - 3);
    if (seed < 200) at.clear();
    for (uint32_t j = 0; seed < 200 && j <= seed % 5; ++j) at.push_back((seed * 37 + j * (seed % 3 ? 8 : 41)) % count);
    for (uint32_t p : at) raw[p] = 11.0f;
    const uint32_t first = seed == 202 ? 0xF0000000u : 0;  // raw moved back by firstIndex
    const float* base = reinterpret_cast<const float*>(uintptr_t(raw.data()) - uintptr_t(first) * sizeof(float));
    float peak;
    uint32_t index;
    tqCalcCACopyRawDataToChannels(base, channel.data(), first, first + count, 0.0f, &peak, &index);
    EXPECT_EQ(first + *std::min_element(at.begin(), at.end()), index) << "seed " << seed;
    EXPECT_TRUE(sameBits(11.0f, peak) && sameBits(raw, channel)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tq::test
