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

// The export of a sample type and its vector step in taps.
template <class T>
constexpr auto filterOf() {
  if constexpr (std::is_same_v<T, float>) return tqcalcCACalcFilter_float;
  else if constexpr (std::is_same_v<T, int16_t>) return tqcalcCACalcFilter_int16_t;
  else return tqcalcCACalcFilter_int32_t;
}
template <class T>
constexpr std::size_t stepOf() { return std::is_same_v<T, int16_t> ? 8 : 4; }

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
  constexpr auto run = filterOf<TypeParam>();
  EXPECT_SAME_BITS(0.0f, run(nullptr, 0, nullptr, 1));
  const TypeParam samples[] = {1, 2, 3};
  const float plain[] = {0.5f, 0.25f, 0.125f}, interleaved[] = {0.5f, 9, 0.25f, 9, 0.125f, 9}, one = 1.0f;
  EXPECT_SAME_BITS(2.125f, run(samples + 2, 3, plain, 1));
  EXPECT_SAME_BITS(2.125f, run(samples + 2, 3, interleaved, 2));
  EXPECT_SAME_BITS(1.5f, run(samples + 2, 1, plain, 1));
  EXPECT_SAME_BITS(3.0f, run(samples + 2, 3, plain, 0)) << "stride 0 applies coefficients[0] to every sample";
  if constexpr (std::is_same_v<TypeParam, int16_t>) {
    const int16_t low = -32768;
    EXPECT_SAME_BITS(-32768.0f, run(&low, 1, &one, 0));
  }
  if constexpr (std::is_same_v<TypeParam, int32_t>) {
    // Rounded to nearest, ties to even, on the scalar and the vector path.
    const int32_t window[8] = {16777217, 16777219, -16777217, 7, 16777217, 3, 1, 16777217};
    const float firstOnly[8] = {1};
    EXPECT_SAME_BITS(16777216.0f, run(window + 7, 1, firstOnly, 1));
    EXPECT_SAME_BITS(16777216.0f, run(window + 7, 8, firstOnly, 1));
    EXPECT_SAME_BITS(16777220.0f, run(window + 1, 2, firstOnly, 1));
  }
}

// Integer samples and coefficients in eighths sum exactly in float in any
// order, so every tap count, stride and placement must give the exact sum;
// samples sit flush against a guard page on either side (the window reads
// backwards), the coefficients end flush against one. Start offsets step by
// the element size: every misalignment an array of the type can have.
TYPED_TEST(CrankAngleFilter, ExactOnEveryTapCountStrideAndPlacement) {
  for (const Layout& layout : sweepLayouts(40, sizeof(TypeParam))) {
    const std::size_t taps = layout.count;
    std::vector<TypeParam> samples(taps);
    for (std::size_t i = 0; i < taps; ++i) samples[i] = TypeParam(int(i * 37 % 201) - 100);
    GuardedArray<TypeParam> guardedSamples(layout);
    guardedSamples.assign(samples);
    for (std::size_t stride : {0, 1, 3}) {
      std::vector<float> c(taps ? (taps - 1) * stride + 1 : 0);
      for (std::size_t k = 0; k < c.size(); ++k) c[k] = float(int(k * 13 % 65) - 32) / 8;
      GuardedArray<float> coefficients(c.size(), Placement::AtEnd);
      coefficients.assign(c);
      const double expected = taps ? exactSum(&samples[taps - 1], taps, c.data(), stride) : 0.0;
      const TypeParam* newest = taps ? guardedSamples.data() + taps - 1 : nullptr;
      EXPECT_SAME_BITS(float(expected),
                       filterOf<TypeParam>()(newest, uint32_t(taps), coefficients.data(), uint32_t(stride)))
          << "taps " << taps << " stride " << stride << " offset " << layout.offset;
    }
  }
}

// Below one vector step the taps are added one by one in tap order. Longer
// windows sum in a free order that must depend on the values only: the same
// window at any address, and the same coefficients read plainly or
// interleaved at a stride, give the same bits, within n u sum|x c| of the
// exact sum (one float rounding per product and per addition along any
// summation tree of depth <= n).
TYPED_TEST(CrankAngleFilter, RandomWindows) {
  constexpr auto run = filterOf<TypeParam>();
  for (std::size_t taps : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 16u, 31u, 100u, 1001u}) {
    const auto x = randomValues<float>(taps, uint32_t(taps), 3e4), c = randomValues<float>(taps, uint32_t(taps) + 1);
    const std::vector<TypeParam> samples(x.begin(), x.end());
    const TypeParam* newest = &samples[taps - 1];
    const float result = run(newest, uint32_t(taps), c.data(), 1);
    if (taps < stepOf<TypeParam>()) {
      float acc = 0.0f;
      for (std::size_t j = 0; j < taps; ++j) acc += float(newest[-std::ptrdiff_t(j)]) * c[j];
      EXPECT_SAME_BITS(acc, result);
    }
    double magnitude = 0.0;
    for (std::size_t j = 0; j < taps; ++j) magnitude += std::fabs(double(float(newest[-std::ptrdiff_t(j)])) * c[j]);
    EXPECT_NEAR(exactSum(newest, taps, c.data(), 1), result, double(taps + 1) * std::ldexp(1.0, -24) * magnitude);
    std::vector<float> interleaved(3 * taps, std::numeric_limits<float>::quiet_NaN());
    for (std::size_t j = 0; j < taps; ++j) interleaved[3 * j] = c[j];
    EXPECT_SAME_BITS(result, run(newest, uint32_t(taps), interleaved.data(), 3));
    for (std::size_t shift = 1; shift < 16; ++shift) {
      std::vector<TypeParam> moved(shift);
      moved.insert(moved.end(), samples.begin(), samples.end());
      EXPECT_SAME_BITS(result, run(&moved.back(), uint32_t(taps), c.data(), 1)) << taps << " shifted by " << shift;
    }
  }
}

TEST(CrankAngleFilterFloat, NaNAnywhereGivesNaNAndInfinityGivesInfinityOrNaN) {
  const std::vector<float> c(20, 0.5f);
  for (std::size_t taps = 1; taps <= 20; ++taps)
    for (std::size_t at = 0; at < taps; ++at) {
      std::vector<float> x(taps, 1.0f);
      x[at] = std::numeric_limits<float>::quiet_NaN();
      EXPECT_TRUE(std::isnan(tqcalcCACalcFilter_float(&x.back(), uint32_t(taps), c.data(), 1)));
      x[at] = std::numeric_limits<float>::infinity();
      const float r = tqcalcCACalcFilter_float(&x.back(), uint32_t(taps), c.data(), 1);
      EXPECT_TRUE(std::isnan(r) || r == std::numeric_limits<float>::infinity()) << taps << " " << at;
    }
}

// Digest cases: tap counts around the steps, strides 0, 1 and 2, edge values.
template <class T>
void digestFilter(Invoker& invoker, const std::vector<double>& values) {
  std::vector<T> samples(values.begin(), values.end());
  const auto c = randomValues<float>(2 * samples.size(), 5, 2.0);
  for (uint32_t taps : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 17u, 64u})
    for (uint32_t stride : {0u, 1u, 2u}) {
      // Which NaN a sum of NaNs and opposite infinities passes on is left
      // open (IEEE; compilers order commutative operands freely): all NaNs
      // count as one.
      using Filter = std::remove_pointer_t<decltype(filterOf<T>())>;
      const float r = invoker.call<Filter>(samples.data() + taps, taps, c.data(), stride);
      invoker.digest(std::isnan(r) ? std::numeric_limits<float>::quiet_NaN() : r);
    }
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_float, 0xbd997d81df5bbe66) {
  auto x = randomValues<double>(65, 1, 1e4);
  const auto edges = edgeValues<float>();
  for (std::size_t i = 0; i < edges.size(); ++i) x[40 + i] = edges[i];
  digestFilter<float>(invoker, x);
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_int16_t, 0x6392aad8fc76e9ba) {
  auto x = randomValues<double>(65, 2, 32767);
  x[3] = -32768;
  digestFilter<int16_t>(invoker, x);
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_int32_t, 0x9f7430ef76f1fed1) {
  auto x = randomValues<double>(65, 3, 2147483647.0);
  x[5] = -2147483648.0;
  x[6] = 16777217;
  digestFilter<int32_t>(invoker, x);
}

}  // namespace
}  // namespace tq::test
