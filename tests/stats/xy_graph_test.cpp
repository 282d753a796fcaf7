// XY graph values: the described pixels, and each rule where the one-point
// and the four-point form differ, clamps and NaN. Both forms on every axis
// mode against the definition are the harness row's.
#include <gtest/gtest.h>

#include <cmath>

#include "support/harness.h"

namespace tq::test {
namespace {

// A record on linear axes: x 0..10 over pixels 100..300, y 0..1 over 110..10.
struct Graph {
  XYGraphParams r{};
  std::vector<double> y, x;
  std::vector<float> yFloat;
  int32_t px[4] = {-7, -7, -7, -7}, py[4] = {-7, -7, -7, -7};
  uint32_t done = 0;
  explicit Graph(uint32_t count, std::vector<double> samples = {0.25, 0.25, 0.25, 0.25}) : y(std::move(samples)), x(16, 0.0) {
    r.count = count, r.ySampleType = 7, r.left = 100, r.top = 10, r.right = 300, r.bottom = 110;
    r.xMax = 10, r.yMax = 1, r.yFactor = 1, r.logXMax = r.logYMax = 1, r.dbReference = 1, r.dbFactor = 1;
  }
  Graph& run() {
    yFloat.assign(y.begin(), y.end());
    r.yValues = r.ySampleType == 5 ? static_cast<const void*>(yFloat.data()) : y.data();
    r.xValues = x.data(), r.xPixels = px, r.yPixels = py, r.pointsDone = &done;
    tqcalcGetXYValGraph2D(&r);
    return *this;
  }
};

TEST(XYGraph, DescribedPixels) {
  for (uint32_t count : {1u, 3u, 4u, 1000u}) {
    Graph g(count);
    g.r.startIndex = 5;
    g.run();
    EXPECT_EQ(g.done, count < 4 ? 1u : 4u);
    EXPECT_EQ(g.px[0], 200) << count;
    EXPECT_EQ(g.py[0], 85) << count;
    EXPECT_EQ(g.px[1], count < 4 ? -7 : 220) << count;  // index 6; nothing beyond the one point
  }
  // xSourceMode 1 reads xValues[startIndex + k]; float and double samples agree.
  Graph a(4), b(4);
  a.r.xSourceMode = b.r.xSourceMode = 1, a.r.startIndex = b.r.startIndex = 3;
  a.x = b.x = {9, 9, 9, 1, 2, 3, 4.5, 9};
  a.r.ySampleType = 5;
  a.run(), b.run();
  EXPECT_EQ(std::vector<int32_t>(a.px, a.px + 4), (std::vector<int32_t>{120, 140, 160, 190}));
  EXPECT_EQ(std::vector<int32_t>(a.py, a.py + 4), std::vector<int32_t>(b.py, b.py + 4));
}

// One rule per case: {count 1 result, count 4 result}.
struct Rule {
  const char* name;
  void (*set)(Graph&);
  bool yPixel;
  int32_t one, four;
};
const Rule kRules[] = {
    // u * width 2.5 and -1.7: add 0.5 and truncate, or ties to even.
    {"round 2.5", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.r.right = 105, g.x.assign(16, 0.5); }, false, 103, 102},
    {"round -1.7", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.r.right = 110, g.x.assign(16, -0.17); }, false, 99, 98},
    // x 0.5 on a log axis from 10^1: one point takes its logarithm, four fall back to the start.
    {"log x guard", [](Graph& g) { g.r.xAxisMode = 1, g.r.xSourceMode = 1, g.r.logXMin = 1, g.r.logXMax = 3, g.x.assign(16, 0.5); }, false, -29, 100},
    // y 0.5 on a log axis 10^0..10^1 with yMin 1: log10(0.5) below the axis, or its start.
    {"log y guard", [](Graph& g) { g.r.yAxisMode = 1, g.r.yMin = 1, g.r.logYMin = 0, g.y.assign(4, 0.5); }, true, 139, 110},
    // y 1e-13 in decibels from -400 to 0: about -260 dB, or -400.
    {"dB guard", [](Graph& g) { g.r.yAxisMode = 2, g.r.yMin = -400, g.r.yMax = 0, g.y.assign(4, 1e-13); }, true, 75, 110},
    {"dB of 0", [](Graph& g) { g.r.yAxisMode = 2, g.r.yMin = -500, g.r.yMax = 0, g.y.assign(4, 0.0); }, true, 90, 90},
    // Empty ranges: v = yMin (linear, one point), 0 (four); decibels the other way round.
    {"empty linear y", [](Graph& g) { g.r.yMin = g.r.yMax = 0.25; }, true, 85, 110},
    {"empty dB y", [](Graph& g) { g.r.yAxisMode = 2, g.r.yMin = g.r.yMax = 0.25; }, true, 110, 85},
    {"empty linear x", [](Graph& g) { g.r.xMin = g.r.xMax = 0.25; }, false, 150, 150},
    // Clamps: the position to +-1e6 (NaN to -1e6), then the pixel to int16.
    {"far right", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.r.right = 3100, g.x.assign(16, 1e300); }, false, 32767, 32767},
    {"far left", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.x.assign(16, -1e300); }, false, -32768, -32768},
    {"NaN x", [](Graph& g) { g.r.xAxisMode = 2, g.r.xSourceMode = 1, g.x.assign(16, NAN); }, false, -32768, -32768},
    {"NaN y", [](Graph& g) { g.y.assign(4, NAN); }, true, 32767, 32767},
};

class XYGraphRule : public ::testing::TestWithParam<Rule> {};
TEST_P(XYGraphRule, EachFormFollowsItsRule) {
  const Rule& rule = GetParam();
  for (uint32_t count : {1u, 4u}) {
    Graph g(count);
    rule.set(g);
    g.run();
    const int32_t expected = count == 1 ? rule.one : rule.four;
    EXPECT_EQ(rule.yPixel ? g.py[0] : g.px[0], expected) << rule.name << ", count " << count;
    for (uint32_t k = 1; k < count; ++k) EXPECT_EQ(rule.yPixel ? g.py[k] : g.px[k], expected) << rule.name << " lane " << k;
  }
}
INSTANTIATE_TEST_SUITE_P(Table, XYGraphRule, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return "rule" + std::to_string(info.index); });

}  // namespace
}  // namespace tq::test
