// Combustion-analysis properties beyond the harness's sweeps: free summation
// order of long filter windows, NaN and width-slot handling of the averaging
// filters, the raw copy in place and its first maximum across the vector
// path's chunks, and the halves of the p-V rounding rules at every count.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "support/bits.h"
#include "support/harness.h"

namespace tq::test {
namespace {

template <class T>
constexpr auto filterOf() {
  if constexpr (std::is_same_v<T, float>) return tqcalcCACalcFilter_float;
  else if constexpr (std::is_same_v<T, int16_t>) return tqcalcCACalcFilter_int16_t;
  else return tqcalcCACalcFilter_int32_t;
}

template <class T>
class CrankAngleFilter : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, int16_t, int32_t>;
TYPED_TEST_SUITE(CrankAngleFilter, SampleTypes);

// Below one vector step (4 taps, 8 for int16) the taps are added in tap
// order. Longer windows sum in a free order, within (n + 1) u sum|x c| of
// the exact sum (one rounding per product and per addition along a tree of
// depth <= n), and coefficients read plain or interleaved give the same bits.
TYPED_TEST(CrankAngleFilter, RandomWindows) {
  using T = TypeParam;
  for (uint32_t taps : {1u, 3u, 4u, 5u, 7u, 8u, 9u, 16u, 31u, 1001u}) {
    const auto x = randomValues<float>(taps, taps, 3e4), c = randomValues<float>(taps, taps + 1);
    const std::vector<T> samples(x.begin(), x.end());
    const T* newest = &samples[taps - 1];
    const float result = filterOf<T>()(newest, taps, c.data(), 1);
    double exact = 0.0, magnitude = 0.0;
    for (uint32_t j = 0; j < taps; ++j) {
      exact += double(float(newest[-int(j)])) * c[j];
      magnitude += std::fabs(double(float(newest[-int(j)])) * c[j]);
    }
    if (taps < (std::is_same_v<T, int16_t> ? 8u : 4u)) {
      EXPECT_SAME_BITS(ref::tqcalcCACalcFilter(newest, taps, c.data(), 1), result);
    }
    EXPECT_NEAR(exact, result, (taps + 1) * 0x1p-24 * magnitude) << taps;
    std::vector<float> interleaved(3 * taps, NAN);
    for (uint32_t j = 0; j < taps; ++j) interleaved[3 * j] = c[j];
    EXPECT_SAME_BITS(result, filterOf<T>()(newest, taps, interleaved.data(), 3));
  }
}

TEST(CrankAngleFilter, NaNGivesNaNAndInfinityGivesInfinityOrNaN) {
  const std::vector<float> c(20, 0.5f);
  for (uint32_t taps = 1; taps <= 20; ++taps)
    for (uint32_t at = 0; at < 2 * taps; ++at) {
      std::vector<float> x(taps, 1.0f);
      x[at / 2] = at % 2 ? INFINITY : NAN;
      const float r = tqcalcCACalcFilter_float(&x.back(), taps, c.data(), 1);
      EXPECT_TRUE(std::isnan(r) || r == x[at / 2]) << taps << " " << at;
    }
}

template <class T>
class AveragingFilter : public ::testing::Test {};
using RealTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(AveragingFilter, RealTypes);

template <class T, class F>
std::vector<T> average(F* f, const std::vector<T>& x, uint32_t w) {
  std::vector<T> y(x.size(), T(-7));
  reinterpret_cast<void(TQCALC_STDCALL*)(const T*, T*, uint32_t, uint32_t)>(reinterpret_cast<void (*)()>(f))(
      x.data(), y.data(), w, uint32_t(x.size()));
  return y;
}
template <class T>
auto forms() {
  if constexpr (std::is_same_v<T, float>) return std::array{tqcalcCACalcAveFilter_float, tqcalcCACalcAveFilter_float_scalar};
  else return std::array{tqcalcCACalcAveFilter_double, tqcalcCACalcAveFilter_double_scalar};
}

// An even width acts as the next odd one; W = 1 copies; count = W gives the
// mean of the whole input everywhere (within 3 W u max|x|: one rounding per
// step); only the low 16 bits of the width slot count (0x10005 through a full
// 32-bit slot, whose upper bytes really are nonzero on i386, acts as 5).
TYPED_TEST(AveragingFilter, WidthsAsDescribed) {
  using T = TypeParam;
  for (auto f : forms<T>()) {
    for (uint32_t count : {40u, 4000u}) {
      const auto x = randomValues<T>(count, 3, 10.0);
      EXPECT_SAME_BITS(average<T>(f, x, 5), average<T>(f, x, 4)) << "an even width is raised to the next odd one";
      EXPECT_SAME_BITS(average<T>(f, x, 5), average<T>(f, x, 0x10005u));
      EXPECT_SAME_BITS(average<T>(f, x, 5), average<T>(f, x, 0xFFFF0005u));
    }
    std::vector<T> integers(40);
    for (std::size_t i = 0; i < integers.size(); ++i) integers[i] = T(int(i * 7 % 23) - 11);
    for (uint16_t w : {0, 1}) EXPECT_SAME_BITS(integers, average<T>(f, integers, w)) << "W = 1 copies";
    for (uint16_t W : {3, 49, 301}) {
      const auto x = randomValues<T>(W, W, 1.0), y = average<T>(f, x, W);
      double mean = 0.0;
      for (T v : x) mean += double(v) / W;
      for (T v : y) ASSERT_SAME_BITS(y[0], v);
      EXPECT_NEAR(mean, double(y[0]), 3.0 * W * std::numeric_limits<T>::epsilon());
    }
  }
  if (std::is_same_v<T, double>) {
    EXPECT_NE(T(1), average<T>(forms<T>()[1], std::vector<T>(200, T(1)), 49)[150]) << "1/49 is inexact: the mean drifts";
  }
}

// A NaN stays in a running mean: to the end of the signal sequentially, to
// the end of its segment in the segmented regime.
TYPED_TEST(AveragingFilter, NaNSpreadsToTheEndOfItsSegment) {
  using T = TypeParam;
  const uint32_t L = 200, count = L * ref::Ave<T>::segments, H = 2, at = 2 * L + 100;
  std::vector<T> x(count, T(1));
  x[at] = std::numeric_limits<T>::quiet_NaN();
  const auto general = average<T>(forms<T>()[0], x, 5), sequential = average<T>(forms<T>()[1], x, 5);
  for (uint32_t i = 0; i < count; ++i) {
    ASSERT_EQ(i >= at - H, bool(std::isnan(sequential[i]))) << i;
    ASSERT_EQ(i >= at - H && i <= 3 * L + H, bool(std::isnan(general[i]))) << i;
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
      EXPECT_SAME_BITS(peak[0], peak[1]);
      EXPECT_EQ(index[0], index[1]);
    }
}

// The maximum at several positions (in different lanes, sets of lanes, the
// tail; and on both sides of a 2^20-sample chunk of the vector path),
// everything else lower: the lowest position wins. Indices above 2^31 are
// reported as unsigned rawData indices.
TEST(CopyRawDataToChannels, RepeatedMaximumReportsTheFirst) {
  for (uint32_t seed = 0; seed < 203; ++seed) {
    const uint32_t count = seed < 200 ? 203 : (1u << 20) + 45;
    std::vector<float> raw = randomValues<float>(count, seed, 10.0);
    std::vector<uint32_t> at{(1u << 20) + 5};
    if (seed == 201) at.push_back((1u << 20) - 3);
    if (seed < 200) at.clear();
    for (uint32_t j = 0; seed < 200 && j <= seed % 5; ++j) at.push_back((seed * 37 + j * (seed % 3 ? 8 : 41)) % count);
    for (uint32_t p : at) raw[p] = 11.0f;
    const uint32_t first = seed == 202 ? 0xF0000000u : 0;  // raw moved back by firstIndex
    const float* base = reinterpret_cast<const float*>(uintptr_t(raw.data()) - uintptr_t(first) * sizeof(float));
    std::vector<float> channel(count);
    float peak;
    uint32_t index;
    tqCalcCACopyRawDataToChannels(base, channel.data(), first, first + count, 0.0f, &peak, &index);
    EXPECT_EQ(first + *std::min_element(at.begin(), at.end()), index) << "seed " << seed;
    EXPECT_SAME_BITS(11.0f, peak);
    EXPECT_SAME_BITS(raw, channel);
  }
}

// Halves round away from zero below 8 values and to even from 8 on, at
// every count across the vector steps.
TEST(PVDiagram, HalvesAtEveryCount) {
  for (uint32_t count : {1u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 23u, 24u, 25u, 31u, 32u, 33u}) {
    std::vector<float> values(count);
    std::vector<int32_t> expected(count), actual(count);
    for (uint32_t i = 0; i < count; ++i) {
      values[i] = (i % 2 ? -1.0f : 1.0f) * (0.5f + float(i % 4));
      expected[i] = int32_t(count < 8 ? std::copysign(std::floor(std::fabs(values[i]) + 0.5f), values[i])
                                      : std::nearbyint(values[i]));
    }
    tqcalcCAPV_lin(values.data(), count, actual.data(), -100, 100, 1.0f, 0.0f);
    EXPECT_EQ(expected, actual) << count;
  }
}

}  // namespace
}  // namespace tq::test
