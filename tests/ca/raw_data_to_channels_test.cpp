#include "ca/ca_test.h"

namespace tq::test {
namespace {

constexpr float kFloor = std::numeric_limits<float>::min();
constexpr uint32_t kNone = 0xFFFFFFFFu;

struct Copied { std::vector<float> channel; float maxValue; uint32_t maxIndex; };

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

// `raw` may be moved back by a firstIndex beyond its size (wrapping like the
// kernel's own pointer arithmetic).
Copied run(const float* raw, uint32_t first, uint32_t end, float offset) {
  Copied r{std::vector<float>(end - first), -1.0f, 7};
  tqCalcCACopyRawDataToChannels(raw, r.channel.data(), first, end, offset, &r.maxValue, &r.maxIndex);
  return r;
}
Copied run(const std::vector<float>& raw, uint32_t first, uint32_t end, float offset) {
  return run(raw.data(), first, end, offset);
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
  // Nothing to copy (null arrays): the initial values are stored.
  expectSame({{}, kFloor, kNone}, run({}, 9, 9, 1.0f));
}

// Every count 0..40 and every float-aligned start, for raw and channel alike,
// flush against a guard page, and in place (the same array for both: the
// range moves down to element 0, elements past it keep their raw values):
// results as the definition gives them, nothing written outside the channel.
TEST(CopyRawDataToChannels, EveryCountAndStartMatchesTheDefinition) {
  for (const Layout& layout : sweepLayouts(40, sizeof(float)))
    for (uint32_t first : {0u, 3u}) {
      const uint32_t end = first + uint32_t(layout.count);
      GuardedArray<float> rawArray(end, layout.placement, layout.offset), channel(layout);
      for (uint32_t pattern = 0; pattern < 4; ++pattern) {
        const std::vector<float> raw = curve(end, pattern + first);
        const Copied expected = sequential(raw, first, end, 0.5f);
        SCOPED_TRACE(::testing::Message() << "count " << layout.count << " offset " << layout.offset << " first "
                                          << first << " pattern " << pattern);
        for (bool inPlace : {false, true}) {
          rawArray.assign(raw);
          Copied r{{}, -1.0f, 7};
          float* out = inPlace ? rawArray.data() : channel.data();
          tqCalcCACopyRawDataToChannels(rawArray.data(), out, first, end, 0.5f, &r.maxValue, &r.maxIndex);
          const std::vector<float> all = rawArray.values();
          r.channel = inPlace ? std::vector<float>(all.begin(), all.begin() + layout.count) : channel.values();
          expectSame(expected, r);
          EXPECT_SAME_BITS(std::vector<float>(raw.begin() + (inPlace ? layout.count : 0), raw.end()),
                           std::vector<float>(all.begin() + (inPlace ? layout.count : 0), all.end()));
          EXPECT_TRUE(channel.untouched() && rawArray.untouched());
        }
      }
    }
}

// The maximum at several positions (in different lanes, sets of lanes, the
// tail; and on both sides of a 2^20-sample chunk of the vector path),
// everything else lower: the lowest position wins.
TEST(CopyRawDataToChannels, RepeatedMaximumReportsTheFirst) {
  for (uint32_t seed = 0; seed < 202; ++seed) {
    const uint32_t count = seed < 200 ? 203 : (1u << 20) + 45;
    std::vector<float> raw = randomValues<float>(count, seed, 10.0);
    std::vector<uint32_t> at{(1u << 20) + 5};
    if (seed == 201) at.push_back((1u << 20) - 3);
    if (seed < 200) at.clear();
    for (uint32_t j = 0; seed < 200 && j <= seed % 5; ++j) at.push_back((seed * 37 + j * (seed % 3 ? 8 : 41)) % count);
    for (uint32_t p : at) raw[p] = 11.0f;
    const Copied r = run(raw, 0, count, 0.0f);
    EXPECT_EQ(*std::min_element(at.begin(), at.end()), r.maxIndex) << "seed " << seed;
    expectSame(sequential(raw, 0, count, 0.0f), r);
  }
}

// Indices above 2^31 are reported as unsigned rawData indices.
TEST(CopyRawDataToChannels, LargeFirstIndex) {
  const uint32_t first = 0xF0000000u;
  const std::vector<float> block = curve(21, 0);
  Copied expected = sequential(block, 0, 21, 0.0f);
  expected.maxIndex += first;
  expectSame(expected, run(reinterpret_cast<const float*>(uintptr_t(block.data()) - uintptr_t(first) * sizeof(float)),
                           first, first + 21, 0.0f));
}

TQ_DIGEST_CASE(tqCalcCACopyRawDataToChannels, 0x2cb6a9612a3b577d) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 16u, 33u, 40u, 77u}) {
    std::vector<float> raw = randomValues<float>(count + 2, count, 100.0);
    const auto edges = edgeValues<float>();
    for (std::size_t i = 0; i < raw.size(); i += 3) raw[i] = edges[i % edges.size()];
    Copied r{std::vector<float>(count), 0, 0};
    invoker.call<decltype(tqCalcCACopyRawDataToChannels)>(raw.data(), r.channel.data(), 2u, count + 2, -0.75f,
                                                          &r.maxValue, &r.maxIndex);
    invoker.digest(r.channel), invoker.digest(r.maxValue), invoker.digest(r.maxIndex);
  }
}

}  // namespace
}  // namespace tq::test
