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
struct Filter;
template <>
struct Filter<float> {
  static constexpr auto run = tqcalcCACalcFilter_float;
  static constexpr std::size_t step = 4;
};
template <>
struct Filter<int16_t> {
  static constexpr auto run = tqcalcCACalcFilter_int16_t;
  static constexpr std::size_t step = 8;
};
template <>
struct Filter<int32_t> {
  static constexpr auto run = tqcalcCACalcFilter_int32_t;
  static constexpr std::size_t step = 4;
};

// The definition summed in double; exact when products and sums fit in 53 bits.
template <class T>
double exactSum(const T* newest, std::size_t taps, const float* c, std::size_t stride) {
  double sum = 0.0;
  for (std::size_t j = 0; j < taps; ++j) sum += double(float(newest[-std::ptrdiff_t(j)])) * double(c[j * stride]);
  return sum;
}

template <class T>
class CrankAngleFilter : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, int16_t, int32_t>;
TYPED_TEST_SUITE(CrankAngleFilter, SampleTypes);

TYPED_TEST(CrankAngleFilter, DescribedValues) {
  constexpr auto run = Filter<TypeParam>::run;
  EXPECT_SAME_BITS(0.0f, run(nullptr, 0, nullptr, 1));
  const TypeParam samples[] = {1, 2, 3};
  const float plain[] = {0.5f, 0.25f, 0.125f}, interleaved[] = {0.5f, 9, 0.25f, 9, 0.125f, 9};
  EXPECT_SAME_BITS(2.125f, run(samples + 2, 3, plain, 1));
  EXPECT_SAME_BITS(2.125f, run(samples + 2, 3, interleaved, 2));
  EXPECT_SAME_BITS(1.5f, run(samples + 2, 1, plain, 1));
  EXPECT_SAME_BITS(3.0f, run(samples + 2, 3, plain, 0)) << "stride 0 applies coefficients[0] to every sample";
}

TYPED_TEST(CrankAngleFilter, ConversionOfExtremeSamples) {
  const float one = 1.0f;
  if constexpr (std::is_same_v<TypeParam, int16_t>) {
    const int16_t low = -32768;
    EXPECT_SAME_BITS(-32768.0f, tqcalcCACalcFilter_int16_t(&low, 1, &one, 0));
  } else if constexpr (std::is_same_v<TypeParam, int32_t>) {
    const int32_t beyond = 16777217, window[8] = {16777217, 16777219, -16777217, 7, 16777217, 3, 1, 16777217};
    EXPECT_SAME_BITS(16777216.0f, tqcalcCACalcFilter_int32_t(&beyond, 1, &one, 0));
    // Eight taps: the vector path converts with the same rounding (ties to even).
    const float zeroOthers[] = {1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_SAME_BITS(16777216.0f, tqcalcCACalcFilter_int32_t(window + 7, 8, zeroOthers, 1));
    EXPECT_SAME_BITS(16777220.0f, tqcalcCACalcFilter_int32_t(window + 1, 2, zeroOthers, 1));
  }
}

// Integer samples and coefficients in eighths sum exactly in float in any
// order, so every tap count, stride and placement must give the exact sum;
// samples sit flush against a guard page on either side (the window reads
// backwards), the coefficients end flush against one. Start offsets step by
// the element size: every misalignment an array of the type can have.
TYPED_TEST(CrankAngleFilter, ExactOnEveryTapCountStrideAndPlacement) {
  constexpr auto run = Filter<TypeParam>::run;
  for (const Layout& layout : sweepLayouts(40, sizeof(TypeParam))) {
    const std::size_t taps = layout.count;
    std::vector<TypeParam> samples(taps);
    for (std::size_t i = 0; i < taps; ++i) samples[i] = TypeParam(int(i * 37 % 201) - 100);
    GuardedArray<TypeParam> guardedSamples(layout);
    guardedSamples.assign(samples);
    for (std::size_t stride : {0, 1, 3}) {
      const std::size_t coefficientCount = taps ? (taps - 1) * stride + 1 : 0;
      std::vector<float> c(coefficientCount);
      for (std::size_t k = 0; k < coefficientCount; ++k) c[k] = float(int(k * 13 % 65) - 32) / 8;
      GuardedArray<float> coefficients(coefficientCount, Placement::AtEnd);
      coefficients.assign(c);
      const double expected = taps ? exactSum(&samples[taps - 1], taps, c.data(), stride) : 0.0;
      const TypeParam* newest = taps ? guardedSamples.data() + taps - 1 : nullptr;
      EXPECT_SAME_BITS(float(expected), run(newest, uint32_t(taps), coefficients.data(), uint32_t(stride)))
          << "taps " << taps << " stride " << stride << " offset " << layout.offset;
    }
  }
}

// Below one vector step the taps are added one by one in tap order.
TYPED_TEST(CrankAngleFilter, ShortWindowsAreSequential) {
  const auto x = randomValues<float>(8, 11, 3e4), c = randomValues<float>(8, 12, 1.0);
  for (std::size_t taps = 1; taps < Filter<TypeParam>::step; ++taps) {
    std::vector<TypeParam> samples(x.begin(), x.begin() + taps);
    float acc = 0.0f;
    for (std::size_t j = 0; j < taps; ++j) acc += float(samples[taps - 1 - j]) * c[j];
    EXPECT_SAME_BITS(acc, Filter<TypeParam>::run(samples.data() + taps - 1, uint32_t(taps), c.data(), 1));
  }
}

// The summation order of longer windows is free but must depend on the
// values only: the same window at any address, and the same coefficients
// read plainly or interleaved at a stride, give the same bits. The error
// against the exact sum stays within n u sum|x c| (one float rounding per
// product and per addition along any summation tree of depth <= n).
TYPED_TEST(CrankAngleFilter, RandomWindowsAreReproducibleAndWithinTheRoundingBound) {
  constexpr auto run = Filter<TypeParam>::run;
  for (std::size_t taps : {4u, 7u, 8u, 9u, 16u, 31u, 100u, 1001u}) {
    const auto x = randomValues<float>(taps + 16, uint32_t(taps), 3e4);
    std::vector<TypeParam> samples(x.begin(), x.end());
    const auto c = randomValues<float>(taps, uint32_t(taps) + 1, 1.0);
    std::vector<float> interleaved(3 * taps, std::numeric_limits<float>::quiet_NaN());
    for (std::size_t j = 0; j < taps; ++j) interleaved[3 * j] = c[j];

    const float reference = run(samples.data() + taps - 1, uint32_t(taps), c.data(), 1);
    double magnitude = 0.0;
    for (std::size_t j = 0; j < taps; ++j) magnitude += std::fabs(double(float(samples[taps - 1 - j])) * c[j]);
    EXPECT_NEAR(exactSum(samples.data() + taps - 1, taps, c.data(), 1), reference,
                double(taps + 1) * std::ldexp(1.0, -24) * magnitude);
    EXPECT_SAME_BITS(reference, run(samples.data() + taps - 1, uint32_t(taps), interleaved.data(), 3));
    for (std::size_t shift = 1; shift < 16; ++shift) {
      std::vector<TypeParam> moved(taps + shift);
      std::copy(samples.begin(), samples.begin() + taps, moved.begin() + shift);
      EXPECT_SAME_BITS(reference, run(moved.data() + shift + taps - 1, uint32_t(taps), c.data(), 1))
          << "taps " << taps << " shifted by " << shift;
    }
  }
}

TEST(CrankAngleFilterFloat, NaNAnywhereGivesNaNAndInfinityGivesInfinityOrNaN) {
  const std::vector<float> c(20, 0.5f);
  for (std::size_t taps = 1; taps <= 20; ++taps)
    for (std::size_t at = 0; at < taps; ++at) {
      std::vector<float> x(taps, 1.0f);
      x[at] = std::numeric_limits<float>::quiet_NaN();
      EXPECT_TRUE(std::isnan(tqcalcCACalcFilter_float(x.data() + taps - 1, uint32_t(taps), c.data(), 1)));
      x[at] = std::numeric_limits<float>::infinity();
      const float r = tqcalcCACalcFilter_float(x.data() + taps - 1, uint32_t(taps), c.data(), 1);
      EXPECT_TRUE(std::isnan(r) || r == std::numeric_limits<float>::infinity()) << taps << " " << at;
    }
}

// Digest cases: tap counts around the steps, strides 0, 1 and 2.
template <class T, class F>
void digestFilter(Invoker& invoker, const std::vector<T>& samples) {
  const auto c = randomValues<float>(2 * samples.size(), 5, 2.0);
  for (uint32_t taps : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 17u, 64u})
    for (uint32_t stride : {0u, 1u, 2u}) {
      // Which NaN a sum of NaNs and opposite infinities passes on is left
      // open (IEEE; compilers order commutative operands freely): all NaNs
      // count as one.
      const float r = invoker.call<F>(samples.data() + taps, taps, c.data(), stride);
      invoker.digest(std::isnan(r) ? std::numeric_limits<float>::quiet_NaN() : r);
    }
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_float, 0xbd997d81df5bbe66) {
  auto x = randomValues<float>(65, 1, 1e4);
  const auto edges = edgeValues<float>();
  for (std::size_t i = 0; i < edges.size(); ++i) x[40 + i] = edges[i];  // beyond the NaN-free windows too
  digestFilter<float, decltype(tqcalcCACalcFilter_float)>(invoker, x);
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_int16_t, 0x7be7212bf0fbb03f) {
  const auto x = randomValues<float>(65, 2, 32767);
  std::vector<int16_t> samples(x.begin(), x.end());
  samples[3] = -32768;
  digestFilter<int16_t, decltype(tqcalcCACalcFilter_int16_t)>(invoker, samples);
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_int32_t, 0x9f7430ef76f1fed1) {
  const auto x = randomValues<double>(65, 3, 2147483647.0);
  std::vector<int32_t> samples(x.begin(), x.end());
  samples[5] = std::numeric_limits<int32_t>::min();
  samples[6] = 16777217;
  digestFilter<int32_t, decltype(tqcalcCACalcFilter_int32_t)>(invoker, samples);
}

}  // namespace
}  // namespace tq::test
