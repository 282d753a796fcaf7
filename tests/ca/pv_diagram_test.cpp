#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/fast_log10.h"
#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kFloor = 9.999999717180685e-10f;

struct Axis {
  bool logarithmic;
  int32_t minCoordinate, maxCoordinate;
  float scale, offset, reference;

  void run(const float* values, uint32_t count, int32_t* coordinates) const {
    if (logarithmic)
      tqcalcCAPV_log(values, count, coordinates, minCoordinate, maxCoordinate, scale, offset, reference);
    else
      tqcalcCAPV_lin(values, count, coordinates, minCoordinate, maxCoordinate, scale, offset);
  }
  std::vector<int32_t> run(const std::vector<float>& values) const {
    std::vector<int32_t> out(values.size());
    run(values.data(), uint32_t(values.size()), out.data());
    return out;
  }

  // The two sets of rules, read independently of the kernel: the axis value
  // first, then the rounding and the clamp (NaN to the lower bound, huge
  // values to the nearer one, bounds applied in the rules' order).
  int32_t sequential(float x) const {
    float v;
    if (logarithmic) {
      const float reciprocal = 1.0f / reference;
      float t = reciprocal * x;
      if (!(t > kFloor)) t = kFloor;
      v = float(double(fastLog10(t)) * double(scale) + double(offset));
    } else {
      v = scale * x + offset;
    }
    const float w = v < 0 ? v - 0.5f : v + 0.5f;
    if (std::isnan(w)) return minCoordinate;
    double c = std::trunc(double(w));
    c = std::max(c, double(minCoordinate));
    c = std::min(c, double(maxCoordinate));
    return int32_t(c);
  }
  int32_t vector(float x) const {
    float v;
    if (logarithmic) {
      float t = x / reference;
      if (!(t > kFloor)) t = kFloor;
      v = fastLog2(t) * scale * 0.3010300099849701f + offset;
    } else {
      v = scale * x + offset;
    }
    if (std::isnan(v)) return minCoordinate;
    double c = std::nearbyint(double(v));  // ties to even in the default mode
    c = std::min(c, double(maxCoordinate));
    c = std::max(c, double(minCoordinate));
    return int32_t(c);
  }
  std::vector<int32_t> expected(const std::vector<float>& values) const {
    std::vector<int32_t> out;
    for (float x : values) out.push_back(values.size() < 8 ? sequential(x) : vector(x));
    return out;
  }
};

constexpr Axis kLinear{false, -100, 100, 2.0f, 0.5f, 1.0f};
constexpr Axis kLog{true, -2000, 2000, 100.0f, 50.0f, 10.0f};

TEST(PVDiagram, DescribedCases) {
  EXPECT_EQ((std::vector<int32_t>{3, -2}), kLinear.run({1.0f, -1.25f}));
  const Axis allTies{false, -100, 100, 1.0f, 0.0f, 1.0f};
  EXPECT_EQ(std::vector<int32_t>(8, 2), allTies.run(std::vector<float>(8, 2.5f)));
  const Axis screen{false, 0, 640, 1.0f, 0.0f, 1.0f};
  EXPECT_EQ((std::vector<int32_t>{640, 0}), screen.run({1000.0f, -5.0f}));
  EXPECT_EQ(std::vector<int32_t>(9, 640), screen.run(std::vector<float>(9, 1000.0f)));

  const std::vector<float> eight{1, 10, 100, 1000, 0, -5, 0.5f, 2};
  const Axis log1{true, -100000, 100000, 100.0f, 0.0f, 1.0f};
  EXPECT_EQ((std::vector<int32_t>{0, 100, 200, 300, -900, -900, -30, 30}), log1.run(eight));
  EXPECT_EQ((std::vector<int32_t>{0, 100, 200, 300, -900, -900, -30}),
            log1.run(std::vector<float>(eight.begin(), eight.begin() + 7)));
  const Axis log10{true, -100000, 100000, 100.0f, 50.0f, 10.0f};
  EXPECT_EQ((std::vector<int32_t>{-50, 50, 150, 250, -850, -850, -80, -20}), log10.run(eight));
  EXPECT_EQ((std::vector<int32_t>{-50, 50, 150, 250, -850, -850, -80}),
            log10.run(std::vector<float>(eight.begin(), eight.begin() + 7)));
}

// Halves round away from zero below 8 values and to even from 8 on, at every
// count around the threshold and the vector width.
TEST(PVDiagram, RoundingChangesAtEightValues) {
  const Axis identity{false, -100, 100, 1.0f, 0.0f, 1.0f};
  for (uint32_t count : {1u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 23u, 24u, 25u, 31u, 32u, 33u}) {
    std::vector<float> values(count);
    for (uint32_t i = 0; i < count; ++i) values[i] = (i % 2 ? -1.0f : 1.0f) * (0.5f + float(i % 4));
    std::vector<int32_t> expected(count);
    for (uint32_t i = 0; i < count; ++i) {
      const float x = values[i];
      expected[i] = int32_t(count < 8 ? std::copysign(std::floor(std::fabs(x) + 0.5f), x) : std::nearbyint(x));
    }
    EXPECT_EQ(expected, identity.run(values)) << count;
  }
}

// NaN, infinities and values beyond the 32-bit range, by both rules.
TEST(PVDiagram, SaturationOfNaNInfinitiesAndHugeValues) {
  const std::vector<float> specials{kNaN, kInf, -kInf, 3e9f, -3e9f, 1e30f, -1e30f, 2147483520.0f};
  const std::vector<int32_t> fullRange{INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX,
                                       INT32_MIN, INT32_MAX, INT32_MIN, 2147483520};
  for (uint32_t count : {1u, 8u, 13u}) {
    for (std::size_t k = 0; k < specials.size(); ++k) {
      const std::vector<float> values(count, specials[k]);
      const Axis wide{false, INT32_MIN, INT32_MAX, 1.0f, 0.0f, 1.0f};
      EXPECT_EQ(std::vector<int32_t>(count, fullRange[k]), wide.run(values)) << count << " " << specials[k];
      const Axis narrow{false, -7, 9, 1.0f, 0.0f, 1.0f};
      EXPECT_EQ(std::vector<int32_t>(count, fullRange[k] < 0 ? -7 : 9), narrow.run(values)) << count;
    }
  }
  // Logarithmic: NaN, zero and negatives take the floor (about -9), +inf
  // gives lg(+inf) of about 38.53; a zero reference sends positive values
  // to +inf and the rest to the floor.
  for (uint32_t count : {5u, 12u}) {
    const Axis logAxis{true, -100000, 100000, 100.0f, 0.0f, 1.0f};
    EXPECT_EQ(std::vector<int32_t>(count, -900), logAxis.run(std::vector<float>(count, kNaN)));
    EXPECT_EQ(std::vector<int32_t>(count, -900), logAxis.run(std::vector<float>(count, -kInf)));
    EXPECT_EQ(std::vector<int32_t>(count, 3853), logAxis.run(std::vector<float>(count, kInf)));
    const Axis zeroReference{true, -100000, 100000, 100.0f, 0.0f, 0.0f};
    std::vector<float> values(count, 2.0f);
    values[0] = 0.0f, values[1] = -3.0f;
    std::vector<int32_t> expected(count, 3853);
    expected[0] = expected[1] = -900;
    EXPECT_EQ(expected, zeroReference.run(values)) << count;
  }
}

std::vector<float> testValues(std::size_t count, uint32_t seed, double scale) {
  auto values = randomValues<float>(count, seed, scale);
  const auto edges = edgeValues<float>();
  for (std::size_t i = 0; i < count; i += 5) values[i] = edges[(i / 5 + seed) % edges.size()];
  return values;
}

const Axis kAxes[] = {kLinear, kLog, {false, -300, 250, 37.5f, -3.25f, 1.0f}, {true, 0, 640, -80.0f, 320.0f, 0.25f}};

// Counts 0..40 at every element-size start offset and flush against the end
// of a page: the kernel must agree with its rules and write nothing outside
// `coordinates`.
TEST(PVDiagram, EveryCountAndOffsetWithoutStrayAccess) {
  for (const Axis& axis : kAxes)
    for (const Layout& layout : sweepLayouts(40, sizeof(float))) {
      const auto values = testValues(layout.count, uint32_t(layout.count + layout.offset), 120.0);
      GuardedArray<float> in(layout);
      GuardedArray<int32_t> out(layout);
      in.assign(values);
      axis.run(in.data(), uint32_t(layout.count), out.data());
      const auto where = ::testing::Message() << "count " << layout.count << " offset " << layout.offset
                                              << (layout.placement == Placement::AtEnd ? " at end" : "");
      EXPECT_EQ(axis.expected(values), out.values()) << where;
      EXPECT_TRUE(out.untouched()) << where;
      EXPECT_TRUE(in.untouched()) << where;
    }
}

// Random data over a wide dynamic range, both rule sets, longer arrays.
TEST(PVDiagram, BothRuleSetsOnRandomData) {
  for (const Axis& axis : kAxes)
    for (uint32_t count : {1u, 2u, 3u, 7u, 8u, 100u, 1027u, 4099u})
      for (double scale : {0.01, 3.0, 1e4}) {
        const auto values = testValues(count, count * 7 + uint32_t(scale), scale);
        EXPECT_EQ(axis.expected(values), axis.run(values)) << count << " " << scale;
      }
}

// The first and last eight values overlap the body; the result must be what
// separate calls on disjoint groups of eight (and a last group ending at the
// final element) give, for every alignment of the start.
TEST(PVDiagram, OverlappingGroupsGiveOnePassValues) {
  for (const Axis& axis : kAxes)
    for (uint32_t count : {8u, 9u, 15u, 16u, 17u, 31u, 40u, 63u})
      for (std::size_t offset = 0; offset < 32; offset += 4) {
        GuardedArray<float> in(count, Placement::AtStart, offset);
        in.assign(testValues(count, count + uint32_t(offset), 50.0));
        std::vector<int32_t> whole(count), grouped(count);
        axis.run(in.data(), count, whole.data());
        for (uint32_t i = 0; i < count; i += 8) {
          const uint32_t start = std::min(i, count - 8);
          axis.run(in.data() + start, 8, grouped.data() + start);
        }
        EXPECT_EQ(grouped, whole) << count << " " << offset;
      }
}

TEST(PVDiagram, CountZeroTouchesNothing) {
  for (const Axis& axis : kAxes) axis.run(nullptr, 0, nullptr);
}

// Digest cases: edge values and random data across the threshold.
constexpr uint32_t kDigestCounts[] = {0, 1, 5, 7, 8, 9, 17, 100};

TQ_DIGEST_CASE(tqcalcCAPV_lin, 0x7bf836b892722f07) {
  for (uint32_t n : kDigestCounts) {
    const auto values = testValues(n, n, 1e3);
    std::vector<int32_t> out(n);
    invoker.call<decltype(tqcalcCAPV_lin)>(values.data(), n, out.data(), -5000, 4000, 3.5f, -0.25f);
    invoker.digest(out);
  }
}
TQ_DIGEST_CASE(tqcalcCAPV_log, 0x25efe75946f1ad2e) {
  for (uint32_t n : kDigestCounts) {
    const auto values = testValues(n, n + 1, 1e3);
    std::vector<int32_t> out(n);
    invoker.call<decltype(tqcalcCAPV_log)>(values.data(), n, out.data(), -800, 3000, 100.0f, 50.0f, 10.0f);
    invoker.digest(out);
  }
}

}  // namespace
}  // namespace tq::test
