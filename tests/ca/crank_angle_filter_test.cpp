#include "ca/ca_test.h"

namespace tq::test {
namespace {

template <class T>
constexpr auto filterOf() {
  if constexpr (std::is_same_v<T, float>) return tqcalcCACalcFilter_float;
  else if constexpr (std::is_same_v<T, int16_t>) return tqcalcCACalcFilter_int16_t;
  else return tqcalcCACalcFilter_int32_t;
}

// The definition in tap order, accumulated in float (sequential) or double
// (exact while products and sums fit in 53 bits), or summing |products|.
template <class Acc, class T>
Acc reference(const T* newest, std::size_t taps, const float* c, std::size_t stride, bool magnitude = false) {
  Acc sum = 0;
  for (std::size_t j = 0; j < taps; ++j) {
    const Acc p = Acc(float(newest[-std::ptrdiff_t(j)])) * Acc(c[j * stride]);
    sum += magnitude ? std::fabs(p) : p;
  }
  return sum;
}

template <class T>
class CrankAngleFilter : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, int16_t, int32_t>;
TYPED_TEST_SUITE(CrankAngleFilter, SampleTypes);

TYPED_TEST(CrankAngleFilter, DescribedValues) {
  constexpr auto run = filterOf<TypeParam>();
  const TypeParam x[] = {1, 2, 3};
  const float plain[] = {0.5f, 0.25f, 0.125f}, interleaved[] = {0.5f, 9, 0.25f, 9, 0.125f, 9}, one[8] = {1};
  EXPECT_SAME_BITS(0.0f, run(nullptr, 0, nullptr, 1));
  EXPECT_SAME_BITS(2.125f, run(x + 2, 3, plain, 1));
  EXPECT_SAME_BITS(2.125f, run(x + 2, 3, interleaved, 2));
  EXPECT_SAME_BITS(1.5f, run(x + 2, 1, plain, 1));
  EXPECT_SAME_BITS(3.0f, run(x + 2, 3, plain, 0)) << "stride 0 applies coefficients[0] to every sample";
  if constexpr (std::is_same_v<TypeParam, int16_t>) {
    const int16_t low = -32768;
    EXPECT_SAME_BITS(-32768.0f, run(&low, 1, one, 0));
  } else if constexpr (std::is_same_v<TypeParam, int32_t>) {
    // Rounded to nearest, ties to even, on the sequential and the vector path.
    const int32_t w[8] = {16777217, 16777219, -16777217, 7, 16777217, 3, 1, 16777217};
    EXPECT_SAME_BITS(16777216.0f, run(w + 7, 1, one, 1));
    EXPECT_SAME_BITS(16777216.0f, run(w + 7, 8, one, 1));
    EXPECT_SAME_BITS(16777220.0f, run(w + 1, 2, one, 1));
  }
}

// Integer samples and coefficients in eighths sum exactly in float in any
// order: every tap count, stride and placement gives the exact sum. Samples
// sit flush against a guard page on either side (the window reads
// backwards), the coefficients end flush against one.
TYPED_TEST(CrankAngleFilter, ExactOnEveryTapCountStrideAndPlacement) {
  for (const Layout& layout : sweepLayouts(40, sizeof(TypeParam))) {
    const std::size_t taps = layout.count;
    std::vector<TypeParam> x(taps);
    for (std::size_t i = 0; i < taps; ++i) x[i] = TypeParam(int(i * 37 % 201) - 100);
    GuardedArray<TypeParam> samples(layout);
    samples.assign(x);
    for (std::size_t stride : {0, 1, 3}) {
      std::vector<float> c(taps ? (taps - 1) * stride + 1 : 0);
      for (std::size_t k = 0; k < c.size(); ++k) c[k] = float(int(k * 13 % 65) - 32) / 8;
      GuardedArray<float> coefficients(c.size(), Placement::AtEnd);
      coefficients.assign(c);
      const float expected = taps ? float(reference<double>(&x[taps - 1], taps, c.data(), stride)) : 0.0f;
      EXPECT_SAME_BITS(expected, filterOf<TypeParam>()(taps ? samples.data() + taps - 1 : nullptr, uint32_t(taps),
                                                       coefficients.data(), uint32_t(stride)))
          << "taps " << taps << " stride " << stride << " offset " << layout.offset;
    }
  }
}

// Below one vector step (4 taps, 8 for int16) the taps are added in tap
// order. Longer windows sum in a free order, but the coefficients read plain
// or interleaved give the same bits, within (n + 1) u sum|x c| of the exact sum (one
// rounding per product and per addition along a summation tree of depth <= n).
TYPED_TEST(CrankAngleFilter, RandomWindows) {
  constexpr auto run = filterOf<TypeParam>();
  for (std::size_t taps : {1u, 3u, 4u, 5u, 7u, 8u, 9u, 16u, 31u, 1001u}) {
    const auto x = randomValues<float>(taps, uint32_t(taps), 3e4), c = randomValues<float>(taps, uint32_t(taps) + 1);
    const std::vector<TypeParam> samples(x.begin(), x.end());
    const float result = run(&samples[taps - 1], uint32_t(taps), c.data(), 1);
    if (taps < (std::is_same_v<TypeParam, int16_t> ? 8u : 4u)) {
      EXPECT_SAME_BITS(reference<float>(&samples[taps - 1], taps, c.data(), 1), result);
    }
    EXPECT_NEAR(reference<double>(&samples[taps - 1], taps, c.data(), 1), result,
                (taps + 1) * std::ldexp(1.0, -24) * reference<double>(&samples[taps - 1], taps, c.data(), 1, true));
    std::vector<float> interleaved(3 * taps, std::numeric_limits<float>::quiet_NaN());
    for (std::size_t j = 0; j < taps; ++j) interleaved[3 * j] = c[j];
    EXPECT_SAME_BITS(result, run(&samples[taps - 1], uint32_t(taps), interleaved.data(), 3));
  }
}

TEST(CrankAngleFilterFloat, NaNGivesNaNAndInfinityGivesInfinityOrNaN) {
  const std::vector<float> c(20, 0.5f);
  for (std::size_t taps = 1; taps <= 20; ++taps)
    for (std::size_t at = 0; at < taps; ++at)
      for (float special : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        std::vector<float> x(taps, 1.0f);
        x[at] = special;
        const float r = tqcalcCACalcFilter_float(&x.back(), uint32_t(taps), c.data(), 1);
        EXPECT_TRUE(std::isnan(r) || r == special) << taps << " " << at << " " << special;
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
