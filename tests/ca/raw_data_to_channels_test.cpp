#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

constexpr float kFloor = std::numeric_limits<float>::min();
constexpr uint32_t kNone = 0xFFFFFFFFu;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Copied {
  std::vector<float> channel;
  float maxValue;
  uint32_t maxIndex;
};

// The definition, one sample at a time.
Copied sequential(const std::vector<float>& raw, uint32_t first, uint32_t end, float offset) {
  Copied r{{}, kFloor, kNone};
  for (uint32_t i = first; i < end; ++i) {
    const float v = raw[i] - offset;
    if (v > r.maxValue) r.maxValue = v, r.maxIndex = i;
    r.channel.push_back(v);
  }
  return r;
}

Copied run(const std::vector<float>& raw, uint32_t first, uint32_t end, float offset) {
  Copied r{std::vector<float>(end - first), -1.0f, 7};
  tqCalcCACopyRawDataToChannels(raw.data(), r.channel.data(), first, end, offset, &r.maxValue, &r.maxIndex);
  return r;
}

void expectSame(const Copied& expected, const Copied& actual) {
  EXPECT_SAME_BITS(expected.channel, actual.channel);
  EXPECT_SAME_BITS(expected.maxValue, actual.maxValue);
  EXPECT_EQ(expected.maxIndex, actual.maxIndex);
}

// Curves that stress the lane merge: few distinct levels, so the maximum
// repeats in several lanes, sets and blocks; some NaN; some never above the
// floor.
std::vector<float> curve(std::size_t count, uint32_t pattern) {
  std::vector<float> v(count);
  for (std::size_t i = 0; i < count; ++i) {
    switch (pattern % 4) {
      case 0: v[i] = float((i * 7 + pattern) % 5); break;           // max 4 repeats every 5
      case 1: v[i] = float((i * 13 + pattern) % 11) - 12.0f; break;  // all below the floor
      case 2: v[i] = (i * 5 + pattern) % 9 == 0 ? kNaN : float(i % 3); break;
      default: v[i] = float(i % 17 == 16 ? 30 - int(i) / 17 : int(i) % 4); break;  // falling peaks
    }
  }
  return v;
}

TEST(CopyRawDataToChannels, DescribedCases) {
  expectSame({{4, 8, 8, 1}, 8.0f, 2}, run({0, 5, 9, 9, 2}, 1, 5, 1.0f));
  expectSame({{-3, -1, -7}, kFloor, kNone}, run({-2, 0, -6}, 0, 3, 1.0f));
  expectSame({{kNaN, 1}, 1.0f, 1}, run({kNaN, 1}, 0, 2, 0.0f));
  // A value equal to the floor is not above it; the smallest value above is.
  expectSame({{kFloor, std::nextafter(kFloor, 1.0f)}, std::nextafter(kFloor, 1.0f), 1},
             run({kFloor, std::nextafter(kFloor, 1.0f)}, 0, 2, 0.0f));
  // Nothing to copy: the initial values are stored, the channel is not touched.
  float maxValue = 5;
  uint32_t maxIndex = 5;
  tqCalcCACopyRawDataToChannels(nullptr, nullptr, 9, 9, 1.0f, &maxValue, &maxIndex);
  EXPECT_SAME_BITS(kFloor, maxValue);
  EXPECT_EQ(kNone, maxIndex);
}

// Every count 0..40 and every float-aligned start, for raw and channel alike,
// flush against a guard page; results as the definition gives them, nothing
// written outside the channel, the raw block unchanged.
TEST(CopyRawDataToChannels, EveryCountAndStartMatchesTheDefinition) {
  for (const Layout& layout : sweepLayouts(40, sizeof(float)))
    for (uint32_t first : {0u, 3u}) {
      const uint32_t end = first + uint32_t(layout.count);
      GuardedArray<float> rawArray(end, layout.placement, layout.offset), channel(layout);
      for (uint32_t pattern = 0; pattern < 4; ++pattern) {
        const std::vector<float> raw = curve(end, pattern + first);
        rawArray.assign(raw);
        Copied r{{}, -1.0f, 7};
        tqCalcCACopyRawDataToChannels(rawArray.data(), channel.data(), first, end, 0.5f, &r.maxValue,
                                      &r.maxIndex);
        r.channel = channel.values();
        SCOPED_TRACE(::testing::Message() << "count " << layout.count << " offset " << layout.offset << " first "
                                          << first << " pattern " << pattern);
        expectSame(sequential(raw, first, end, 0.5f), r);
        EXPECT_TRUE(channel.untouched());
        EXPECT_SAME_BITS(raw, rawArray.values());
      }
    }
}

// The maximum placed at several positions (in different lanes, in different
// sets of lanes, in the tail), everything else lower: the lowest one wins.
TEST(CopyRawDataToChannels, RepeatedMaximumReportsTheFirst) {
  const uint32_t count = 203;
  for (uint32_t seed = 0; seed < 200; ++seed) {
    std::vector<float> raw = randomValues<float>(count, seed, 10.0);
    std::vector<uint32_t> at;
    for (uint32_t j = 0; j < 1 + seed % 5; ++j) at.push_back((seed * 37 + j * (seed % 3 ? 8 : 41)) % count);
    uint32_t lowest = count;
    for (uint32_t p : at) raw[p] = 11.0f, lowest = std::min(lowest, p);
    const Copied r = run(raw, 0, count, 0.0f);
    EXPECT_EQ(lowest, r.maxIndex) << "seed " << seed;
    expectSame(sequential(raw, 0, count, 0.0f), r);
  }
}

// Past one chunk of the vector path (2^20 samples): maxima on both sides of
// the boundary and a lower one repeated in every block.
TEST(CopyRawDataToChannels, AcrossChunks) {
  const uint32_t count = (1u << 20) + 45;
  std::vector<float> raw(count, 1.0f);
  for (uint32_t at : {(1u << 20) + 5, (1u << 20) - 3}) {
    raw[at] = 2.0f;
    expectSame(sequential(raw, 0, count, 0.0f), run(raw, 0, count, 0.0f));
  }
}

// Same array for both: the range moves down to element 0; the elements past
// the copied range keep their raw values.
TEST(CopyRawDataToChannels, InPlace) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 31u, 32u, 33u, 40u, 100u})
    for (uint32_t first : {0u, 1u, 5u, 8u, 9u, 40u}) {
      const std::vector<float> raw = curve(first + count, count + first);
      std::vector<float> data = raw;
      Copied r{{}, 0, 0};
      tqCalcCACopyRawDataToChannels(data.data(), data.data(), first, first + count, 0.25f, &r.maxValue,
                                    &r.maxIndex);
      r.channel.assign(data.begin(), data.begin() + count);
      SCOPED_TRACE(::testing::Message() << "count " << count << " first " << first);
      expectSame(sequential(raw, first, first + count, 0.25f), r);
      EXPECT_SAME_BITS(std::vector<float>(raw.begin() + count, raw.end()),
                       std::vector<float>(data.begin() + count, data.end()));
    }
}

// Indices above 2^31 are reported as unsigned rawData indices. The block is
// addressed with a pointer moved back by firstIndex (wrapping like the
// kernel's own pointer arithmetic).
TEST(CopyRawDataToChannels, LargeFirstIndex) {
  const uint32_t first = 0xF0000000u;
  const std::vector<float> block = curve(21, 0);
  std::vector<float> channel(21);
  const auto raw = reinterpret_cast<const float*>(uintptr_t(block.data()) - uintptr_t(first) * sizeof(float));
  float maxValue;
  uint32_t maxIndex;
  tqCalcCACopyRawDataToChannels(raw, channel.data(), first, first + 21, 0.0f, &maxValue, &maxIndex);
  const Copied expected = sequential(block, 0, 21, 0.0f);
  EXPECT_SAME_BITS(expected.channel, channel);
  EXPECT_EQ(first + expected.maxIndex, maxIndex);
}

TQ_DIGEST_CASE(tqCalcCACopyRawDataToChannels, 0x2cb6a9612a3b577d) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 16u, 33u, 40u, 77u}) {
    std::vector<float> raw = randomValues<float>(count + 2, count, 100.0);
    const auto edges = edgeValues<float>();
    for (std::size_t i = 0; i < raw.size(); i += 3) raw[i] = edges[i % edges.size()];
    std::vector<float> channel(count);
    float maxValue;
    uint32_t maxIndex;
    invoker.call<decltype(tqCalcCACopyRawDataToChannels)>(raw.data(), channel.data(), 2u, count + 2, -0.75f,
                                                          &maxValue, &maxIndex);
    invoker.digest(channel);
    invoker.digest(maxValue);
    invoker.digest(maxIndex);
  }
}

}  // namespace
}  // namespace tq::test
