#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

template <class T>
struct Ave;
template <>
struct Ave<double> {
  static constexpr auto general = tqcalcCACalcAveFilter_double;
  static constexpr auto general_cdecl = tqcalcCACalcAveFilter_double_cdecl;
  static constexpr auto sequential = tqcalcCACalcAveFilter_double_scalar;
  static constexpr uint32_t segments = 5, minCount = 64, divisor = 32;
};
template <>
struct Ave<float> {
  static constexpr auto general = tqcalcCACalcAveFilter_float;
  static constexpr auto general_cdecl = tqcalcCACalcAveFilter_float_cdecl;
  static constexpr auto sequential = tqcalcCACalcAveFilter_float_scalar;
  static constexpr uint32_t segments = 9, minCount = 128, divisor = 64;
};

template <class T>
bool segmented(uint16_t w, uint32_t count) {
  return count >= Ave<T>::minCount && w <= count / Ave<T>::divisor;
}

// The general form's segmented regime, step by step as defined, one segment
// after the other (the library runs them in vector lanes).
template <class T>
std::vector<T> segmentedModel(const std::vector<T>& x, uint16_t w) {
  const std::size_t n = x.size(), S = Ave<T>::segments, W = (w | 1u), H = W / 2, L = (n + S - 1) / S;
  const T width = T(W), r = T(1) / width;
  std::vector<T> y(n);
  T m = 0;
  for (std::size_t s = 0; s < S; ++s) {
    T sum = x[s * L];
    for (std::size_t k = 1; k < W; ++k) sum += x[s * L + k];
    m = r * sum;
    if (s == 0)
      for (std::size_t i = 0; i <= H; ++i) y[i] = m;
    const std::size_t end = s + 1 < S ? (s + 1) * L + H : n - H - 1;
    for (std::size_t p = s * L + H + 1; p <= end; ++p) {
      m = s + 1 < S ? ((x[p + H] + width * m) - x[p - H - 1]) / width : ((width * m + x[p + H]) - x[p - H - 1]) * r;
      y[p] = m;
    }
  }
  for (std::size_t i = n - H - 1; i < n; ++i) y[i] = m;
  return y;
}

template <class T, class F>
std::vector<T> run(F* f, const std::vector<T>& x, uint16_t w) {
  std::vector<T> y(x.size(), T(-7));
  f(x.data(), y.data(), w, uint32_t(x.size()));
  return y;
}

template <class T>
class AveragingFilter : public ::testing::Test {};
using SampleTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(AveragingFilter, SampleTypes);

TYPED_TEST(AveragingFilter, DescribedValues) {
  using T = TypeParam;
  for (auto f : {Ave<T>::general, Ave<T>::sequential}) {
    EXPECT_SAME_BITS((std::vector<T>{2, 2, 3, 4, 5, 6, 6}), run<T>(f, {1, 2, 3, 4, 5, 6, 7}, 3));
    const auto x = randomValues<T>(40, 3, 10.0);
    EXPECT_SAME_BITS(run<T>(f, x, 5), run<T>(f, x, 4)) << "an even width is raised to the next odd one";
    std::vector<T> integers(40);
    for (std::size_t i = 0; i < integers.size(); ++i) integers[i] = T(int(i * 7 % 23) - 11);
    EXPECT_SAME_BITS(integers, run<T>(f, integers, 0)) << "W = 1 copies";
    EXPECT_SAME_BITS(integers, run<T>(f, integers, 1)) << "W = 1 copies";
  }
}

// count = W: every output is the mean of the whole input, formed
// incrementally (one rounding per step, so within 3 W u max|x|).
TYPED_TEST(AveragingFilter, CountEqualToTheWidthGivesTheMeanEverywhere) {
  using T = TypeParam;
  for (uint16_t W : {1, 3, 5, 49, 301}) {
    const auto x = randomValues<T>(W, W, 1.0);
    double mean = 0.0;
    for (T v : x) mean += double(v);
    mean /= W;
    for (auto f : {Ave<T>::general, Ave<T>::sequential}) {
      const auto y = run<T>(f, x, W);
      for (T v : y) ASSERT_SAME_BITS(y[0], v);
      EXPECT_NEAR(mean, double(y[0]), 3.0 * W * std::numeric_limits<T>::epsilon());
    }
  }
}

TEST(AveragingFilterDouble, OnesDriftOnlyWhereTheReciprocalIsInexact) {
  const std::vector<double> ones(200, 1.0);
  const auto wide = run<double>(Ave<double>::sequential, ones, 49);
  EXPECT_NE(1.0, wide[150]);
  for (double v : wide) EXPECT_NEAR(1.0, v, 1e-14);
  EXPECT_SAME_BITS(ones, run<double>(Ave<double>::sequential, ones, 3));
}

// Every count 0..40 (all below the segmented threshold) and every width up
// to past the count, on guarded arrays at every element-aligned offset:
// count < W touches nothing, otherwise both forms give the sequential bits.
TYPED_TEST(AveragingFilter, GuardedSweepOfShortSignals) {
  using T = TypeParam;
  for (const Layout& layout : sweepLayouts(40, sizeof(T))) {
    const std::size_t n = layout.count;
    const auto x = randomValues<T>(n, uint32_t(n) + 7, 100.0);
    for (uint16_t w : {0, 1, 2, 3, 6, 7, 20, 39, 40, 41}) {
      GuardedArray<T> in(layout), out(n, layout.placement == Placement::AtEnd ? Placement::AtStart : Placement::AtEnd);
      in.assign(x);
      out.assign(std::vector<T>(n, T(-7)));
      std::vector<T> expected(n, T(-7));
      if (n >= (w | 1u)) {
        // The sequential definition, written out once here.
        const std::size_t W = w | 1u, H = W / 2;
        T m = 0;
        for (std::size_t k = 0; k < W; ++k) m = (T(k) * m + x[k]) / T(k + 1);
        for (std::size_t i = 0; i < n; ++i) {
          if (i > H && i + H < n) m = ((T(W) * m + x[i + H]) - x[i - H - 1]) * (T(1) / T(W));
          expected[i] = m;
        }
      }
      for (auto f : {Ave<T>::general, Ave<T>::sequential}) {
        f(in.data(), out.data(), w, uint32_t(n));
        ASSERT_SAME_BITS(expected, out.values()) << "count " << n << " w " << w << " offset " << layout.offset;
        ASSERT_TRUE(in.untouched() && out.untouched());
      }
    }
  }
}

// Across the regime thresholds (count and raw width at and just past the
// bounds), also on guarded arrays: the general form gives the sequential bits
// outside the segmented regime and the segmented definition's bits inside.
TYPED_TEST(AveragingFilter, RegimeThresholds) {
  using T = TypeParam;
  const uint32_t c0 = Ave<T>::minCount, d = Ave<T>::divisor;
  struct Case { uint32_t count; uint16_t w; };
  const Case cases[] = {{c0 - 1, 0}, {c0 - 1, 1}, {c0, 1}, {c0, 2}, {c0, 3}, {c0, 4}, {2 * c0 - 1, 2},
                        {2 * c0 - 1, 3}, {2 * c0 - 1, 4}, {2 * c0, 4}, {2 * c0, 5}, {2 * c0 + 1, 0},
                        {1000, uint16_t(1000 / d)}, {1000, uint16_t(1000 / d + 1)}, {5 * c0 + 3, 9}};
  for (const Case& c : cases)
    for (Placement placement : {Placement::AtEnd, Placement::AtStart}) {
      const auto x = randomValues<T>(c.count, c.count + c.w, 10.0);
      GuardedArray<T> in(c.count, placement), out(c.count, placement);
      in.assign(x);
      Ave<T>::general(in.data(), out.data(), c.w, c.count);
      const auto expected = segmented<T>(c.w, c.count) ? segmentedModel(x, c.w) : run<T>(Ave<T>::sequential, x, c.w);
      EXPECT_SAME_BITS(expected, out.values()) << "count " << c.count << " w " << c.w;
      EXPECT_TRUE(in.untouched() && out.untouched());
    }
  // The described example: count 64 and w 2 is segmented for double.
  EXPECT_TRUE(segmented<double>(2, 64) && !segmented<double>(3, 64) && !segmented<double>(2, 63));
}

// Many counts and widths in the segmented regime, including segment lengths
// whose last segment is empty or a single position.
TYPED_TEST(AveragingFilter, SegmentedRegimeMatchesItsDefinition) {
  using T = TypeParam;
  const uint32_t S = Ave<T>::segments;
  for (uint32_t count = Ave<T>::minCount; count < Ave<T>::minCount + 3 * S; ++count)
    for (uint16_t w = 0; w <= count / Ave<T>::divisor; ++w) {
      const auto x = randomValues<T>(count, count * 3 + w, 50.0);
      ASSERT_SAME_BITS(segmentedModel(x, w), run<T>(Ave<T>::general, x, w)) << count << " " << w;
    }
  for (uint32_t count : {4099u, 65537u})
    for (uint16_t w : {5, 51, 63, 64}) {
      const auto x = randomValues<T>(count, count + w, 50.0);
      ASSERT_SAME_BITS(segmentedModel(x, w), run<T>(Ave<T>::general, x, w)) << count << " " << w;
    }
}

// Against the exact centred mean (inputs in 1/1024 steps: window sums are
// exact in double). An update adds at most about 11 u max|x| of error to the
// running mean (three roundings at the scale of the window sum, one in the
// division or the reciprocal product), a seed at most (W + 1) u max|x|: the
// segmented form drifts over one segment of L steps, the sequential form
// over the whole signal.
TYPED_TEST(AveragingFilter, LargeSignalsStayWithinTheDriftBound) {
  using T = TypeParam;
  const uint32_t count = sizeof(void*) == 8 ? 1000003u : 100003u;
  std::vector<T> x(count);
  const auto noise = randomValues<double>(count, 99, 1024.0);
  for (uint32_t i = 0; i < count; ++i) x[i] = T(std::floor(noise[i]) / 1024);
  for (uint16_t w : {5, 501}) {
    const std::size_t W = w | 1u, H = W / 2;
    std::vector<double> prefix(count + 1, 0.0);
    for (uint32_t i = 0; i < count; ++i) prefix[i + 1] = prefix[i] + double(x[i]);
    const double u = std::numeric_limits<T>::epsilon() / 2;
    const double segmentBound = (double(W) + 1 + 11.0 * (count / Ave<T>::segments + 1)) * u;
    const double sequentialBound = (3.0 * W + 11.0 * count) * u;
    const auto general = run<T>(Ave<T>::general, x, w), sequential = run<T>(Ave<T>::sequential, x, w);
    double worstGeneral = 0, worstSequential = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t c = std::min(std::max(i, H), count - H - 1);
      const double mean = (prefix[c + H + 1] - prefix[c - H]) / double(W);
      worstGeneral = std::max(worstGeneral, std::fabs(double(general[i]) - mean));
      worstSequential = std::max(worstSequential, std::fabs(double(sequential[i]) - mean));
    }
    EXPECT_LE(worstGeneral, segmentBound) << "w " << w;
    EXPECT_LE(worstSequential, sequentialBound) << "w " << w;
  }
}

// A NaN stays in a running mean: to the end of the signal sequentially, to
// the end of its segment in the segmented regime.
TYPED_TEST(AveragingFilter, NaNSpreadsToTheEndOfItsSegment) {
  using T = TypeParam;
  const uint32_t S = Ave<T>::segments, count = 200 * S, L = 200, W = 5, H = 2, at = 2 * L + 100;
  std::vector<T> x(count, T(1));
  x[at] = std::numeric_limits<T>::quiet_NaN();
  const auto general = run<T>(Ave<T>::general, x, W), sequential = run<T>(Ave<T>::sequential, x, W);
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(i >= at - H, bool(std::isnan(sequential[i]))) << i;
    EXPECT_EQ(i >= at - H && i <= 3 * L + H, bool(std::isnan(general[i]))) << i;
  }
}

// An entry called as if its width parameter were a full 32-bit slot (on
// i386 the slot's upper bytes then really are nonzero).
template <class To, class From>
To asWideSlot(From* f) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)()>(f));
}

// Only the low 16 bits of the width slot count: 0x10005 passed through a
// full 32-bit slot acts as 5 on every entry.
TYPED_TEST(AveragingFilter, UpperBytesOfTheWidthSlotAreIgnored) {
  using T = TypeParam;
  using Stdcall = void(TQCALC_STDCALL*)(const T*, T*, uint32_t, uint32_t);
  using Cdecl = void(TQCALC_CDECL*)(const T*, T*, uint32_t, uint32_t);
  for (uint32_t count : {40u, 4000u}) {
    const auto x = randomValues<T>(count, 17, 5.0);
    std::vector<T> wide(count), expected = run<T>(Ave<T>::general, x, 5);
    asWideSlot<Stdcall>(Ave<T>::general)(x.data(), wide.data(), 0x10005u, count);
    EXPECT_SAME_BITS(expected, wide);
    asWideSlot<Cdecl>(Ave<T>::general_cdecl)(x.data(), wide.data(), 0xFFFF0005u, count);
    EXPECT_SAME_BITS(expected, wide);
    asWideSlot<Stdcall>(Ave<T>::sequential)(x.data(), wide.data(), 0x10005u, count);
    EXPECT_SAME_BITS(run<T>(Ave<T>::sequential, x, 5), wide);
  }
}

// Digest cases: the described example, thresholds, edge values, long signals.
template <class T, class F>
void digestAverage(Invoker& invoker) {
  struct Case { uint32_t count; uint16_t w; };
  const Case cases[] = {{0, 0}, {1, 0}, {7, 3}, {63, 2}, {64, 2}, {128, 2}, {130, 1}, {1000, 15}, {4099, 51}, {40, 41}};
  for (const Case& c : cases) {
    auto x = randomValues<T>(c.count, c.count + c.w, 1e3);
    const auto edges = edgeValues<T>();
    if (c.count >= 1000)
      for (std::size_t i = 0; i < edges.size(); ++i) x[(i + 1) * c.count / 17] = edges[i];
    std::vector<T> y(c.count + 1, T(-7));  // one beyond: digested, must stay
    invoker.call<F>(x.data(), y.data(), c.w, c.count);
    // Where NaNs meet (a NaN input and inf - inf), which one a sum passes on
    // is left open by IEEE, and compilers order the operands of commutative
    // operations freely: every NaN counts as the same NaN here.
    for (T& v : y)
      if (std::isnan(v)) v = std::numeric_limits<T>::quiet_NaN();
    invoker.digest(y);
  }
}
TQ_DIGEST_CASE(tqcalcCACalcAveFilter_double, 0x3c5b2fa706c43b6c) {
  digestAverage<double, decltype(tqcalcCACalcAveFilter_double)>(invoker);
}
TQ_DIGEST_CASE(tqcalcCACalcAveFilter_float, 0x6e704b4e1eed6381) {
  digestAverage<float, decltype(tqcalcCACalcAveFilter_float)>(invoker);
}
TQ_DIGEST_CASE(tqcalcCACalcAveFilter_double_scalar, 0xe4c7c7cbc25ce31b) {
  digestAverage<double, decltype(tqcalcCACalcAveFilter_double_scalar)>(invoker);
}
TQ_DIGEST_CASE(tqcalcCACalcAveFilter_float_scalar, 0xd0de0c8d9ff22f2a) {
  digestAverage<float, decltype(tqcalcCACalcAveFilter_float_scalar)>(invoker);
}

}  // namespace
}  // namespace tq::test
