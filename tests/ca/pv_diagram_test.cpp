#include "ca/ca_test.h"
#include "core/fast_log10.h"

namespace tq::test {
namespace {

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

  // The rules for fewer than 8 values (sequential) and for 8 or more
  // (vectorised), read independently of the kernel: the axis value, the
  // rounding, the clamp (NaN to the lower bound, huge values to the nearer).
  int32_t rule(float x, bool vectorised) const {
    float v = scale * x + offset;
    if (logarithmic) {
      float t = vectorised ? x / reference : (1.0f / reference) * x;
      if (!(t > kFloor)) t = kFloor;
      v = vectorised ? fastLog2(t) * scale * 0.3010300099849701f + offset
                     : float(double(fastLog10(t)) * double(scale) + double(offset));
    }
    if (!vectorised) v = v < 0 ? v - 0.5f : v + 0.5f;
    if (std::isnan(v)) return minCoordinate;
    const double c = vectorised ? std::nearbyint(double(v)) : std::trunc(double(v));  // ties to even by default
    return int32_t(std::min(std::max(c, double(minCoordinate)), double(maxCoordinate)));
  }
  std::vector<int32_t> expected(const std::vector<float>& values) const {
    std::vector<int32_t> out;
    for (float x : values) out.push_back(rule(x, values.size() >= 8));
    return out;
  }
};

constexpr Axis kLinear{false, -100, 100, 2.0f, 0.5f, 1.0f};
constexpr Axis kLog{true, -2000, 2000, 100.0f, 50.0f, 10.0f};

TEST(PVDiagram, DescribedCases) {
  const std::vector<float> eight{1, 10, 100, 1000, 0, -5, 0.5f, 2}, seven(eight.begin(), eight.begin() + 7);
  const Axis identity{false, -100, 100, 1.0f, 0.0f, 1.0f}, screen{false, 0, 640, 1.0f, 0.0f, 1.0f},
      log1{true, -100000, 100000, 100.0f, 0.0f, 1.0f}, log10{true, -100000, 100000, 100.0f, 50.0f, 10.0f};
  const std::vector<int32_t> log1Eight{0, 100, 200, 300, -900, -900, -30, 30},
      log10Eight{-50, 50, 150, 250, -850, -850, -80, -20};
  const std::pair<std::vector<int32_t>, std::vector<int32_t>> cases[] = {
      {{3, -2}, kLinear.run({1.0f, -1.25f})},  // 2.5 + 0.5 truncates to 3, -2.0 - 0.5 to -2
      {std::vector<int32_t>(8, 2), identity.run(std::vector<float>(8, 2.5f))},  // ties to even
      {{640, 0}, screen.run({1000.0f, -5.0f})},
      {std::vector<int32_t>(9, 640), screen.run(std::vector<float>(9, 1000.0f))},
      {log1Eight, log1.run(eight)}, {{log1Eight.begin(), log1Eight.end() - 1}, log1.run(seven)},
      {log10Eight, log10.run(eight)}, {{log10Eight.begin(), log10Eight.end() - 1}, log10.run(seven)}};
  for (const auto& [expected, actual] : cases) EXPECT_EQ(expected, actual);
  // Halves round away from zero below 8 values and to even from 8 on.
  for (uint32_t count : {1u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 23u, 24u, 25u, 31u, 32u, 33u}) {
    std::vector<float> values(count);
    std::vector<int32_t> expected(count);
    for (uint32_t i = 0; i < count; ++i) {
      values[i] = (i % 2 ? -1.0f : 1.0f) * (0.5f + float(i % 4));
      expected[i] = int32_t(count < 8 ? std::copysign(std::floor(std::fabs(values[i]) + 0.5f), values[i])
                                      : std::nearbyint(values[i]));
    }
    EXPECT_EQ(expected, identity.run(values)) << count;
  }
}

// NaN, infinities and values beyond the 32-bit range, by both rules.
TEST(PVDiagram, SaturationOfNaNInfinitiesAndHugeValues) {
  const float specials[] = {kNaN, kInf, -kInf, 3e9f, -3e9f, 1e30f, -1e30f, 2147483520.0f};
  const int32_t fullRange[] = {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, 2147483520};
  const Axis wide{false, INT32_MIN, INT32_MAX, 1.0f, 0.0f, 1.0f}, narrow{false, -7, 9, 1.0f, 0.0f, 1.0f},
      logAxis{true, -100000, 100000, 100.0f, 0.0f, 1.0f}, zeroReference{true, -100000, 100000, 100.0f, 0.0f, 0.0f};
  for (uint32_t count : {1u, 8u, 13u}) {
    for (std::size_t k = 0; k < 8; ++k) {
      EXPECT_EQ(std::vector<int32_t>(count, fullRange[k]), wide.run(std::vector<float>(count, specials[k]))) << count;
      EXPECT_EQ(std::vector<int32_t>(count, fullRange[k] < 0 ? -7 : 9), narrow.run(std::vector<float>(count, specials[k])));
    }
    // Logarithmic: NaN, zero and negatives take the floor (about -9), +inf
    // gives lg(+inf) of about 38.53; a zero reference sends positive values
    // to +inf and the rest to the floor.
    std::vector<float> values(count, 2.0f);
    values[0] = 0.0f;
    std::vector<int32_t> expected(count, 3853);
    expected[0] = -900;
    EXPECT_EQ(expected, zeroReference.run(values)) << count;
    for (float x : {kNaN, -kInf, kInf})
      EXPECT_EQ(std::vector<int32_t>(count, x == kInf ? 3853 : -900), logAxis.run(std::vector<float>(count, x)));
  }
}

std::vector<float> testValues(std::size_t count, uint32_t seed, double scale) {
  auto values = randomValues<float>(count, seed, scale);
  const auto edges = edgeValues<float>();
  for (std::size_t i = 0; i < count; i += 5) values[i] = edges[(i / 5 + seed) % edges.size()];
  return values;
}

const Axis kAxes[] = {kLinear, kLog, {false, -300, 250, 37.5f, -3.25f, 1.0f}, {true, 0, 640, -80.0f, 320.0f, 0.25f}};

// Counts 0..40 (0: nothing touched) at every element-size start offset and
// flush against the end of a page: each element by the rules of its count,
// nothing written outside `coordinates`.
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

// Longer arrays over a wide dynamic range, both rule sets. (The sweep above
// also shows that the overlapping first and last groups of eight write what
// a single pass would.)
TEST(PVDiagram, BothRuleSetsOnRandomData) {
  for (const Axis& axis : kAxes)
    for (uint32_t count : {100u, 1027u, 4099u})
      for (double scale : {0.01, 3.0, 1e4}) {
        const auto values = testValues(count, count * 7 + uint32_t(scale), scale);
        EXPECT_EQ(axis.expected(values), axis.run(values)) << count << " " << scale;
      }
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
