#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

template <class T>
void fill(T* buffer, uint32_t count, T slope, T intercept) {
  if constexpr (std::is_same_v<T, float>)
    tqcalcChannelFillBufferWithLinearFunction_float(buffer, count, slope, intercept);
  else
    tqcalcChannelFillBufferWithLinearFunction_double(buffer, count, slope, intercept);
}

// The definition: the exact index rounded once to T, then product and sum
// each rounded to T.
template <class T>
T lineAt(uint32_t i, T slope, T intercept) {
  const T index = T(double(i));
  const T product = index * slope;
  return product + intercept;
}

template <class T>
class LinearFill : public ::testing::Test {};
using Types = ::testing::Types<float, double>;
TYPED_TEST_SUITE(LinearFill, Types);

// Every count across the vector thresholds at every start offset, for lines
// that round (0.1), that overflow, and that make NaN (0 * inf at element 0).
TYPED_TEST(LinearFill, EveryCountAndOffsetFollowsTheDefinition) {
  using T = TypeParam;
  using L = std::numeric_limits<T>;
  const T lines[][2] = {{T(0.1), T(3.7)}, {T(-2.5), -T(0)}, {L::max() / 8, L::max()}, {L::infinity(), T(1)}};
  for (const Layout& layout : sweepLayouts(40, sizeof(T)))
    for (const auto& line : lines) {
      GuardedArray<T> buffer(layout);
      fill(buffer.data(), uint32_t(layout.count), line[0], line[1]);
      std::vector<T> expected(layout.count);
      for (uint32_t i = 0; i < layout.count; ++i) expected[i] = lineAt(i, line[0], line[1]);
      EXPECT_SAME_BITS(expected, buffer.values()) << "count " << layout.count << " offset " << layout.offset;
      EXPECT_TRUE(buffer.untouched());
    }
}

TYPED_TEST(LinearFill, CountZeroAndOne) {
  using T = TypeParam;
  fill<T>(nullptr, 0, T(1), T(2));
  GuardedArray<T> one(1, Placement::AtEnd);
  fill(one.data(), 1, T(123.5), T(-0.25));
  EXPECT_SAME_BITS(T(-0.25), one.values()[0]);
  EXPECT_TRUE(one.untouched());
}

TEST(LinearFillCases, DoubleHalfSteps) {
  double buffer[5];
  tqcalcChannelFillBufferWithLinearFunction_double(buffer, 5, 0.5, -1.0);
  EXPECT_SAME_BITS((std::vector<double>{-1.0, -0.5, 0.0, 0.5, 1.0}), std::vector<double>(buffer, buffer + 5));
}

// Past 2^24 the float index rounds (to even) before the product, and the
// vector path switches to rounding exact double indices: the elements on
// both sides of the switch, in vector steps and in the tail, follow the
// definition.
TEST(LinearFillCases, FloatIndicesAboveTwoToTheTwentyFour) {
  const uint32_t count = (1u << 24) + 45;
  std::unique_ptr<float[]> buffer(new float[count]);
  tqcalcChannelFillBufferWithLinearFunction_float(buffer.get(), count, 1.0f, 0.0f);
  EXPECT_SAME_BITS(16777216.0f, buffer[16777216]);
  EXPECT_SAME_BITS(16777216.0f, buffer[16777217]);
  EXPECT_SAME_BITS(16777218.0f, buffer[16777218]);
  EXPECT_SAME_BITS(16777220.0f, buffer[16777219]) << "ties to even";
  tqcalcChannelFillBufferWithLinearFunction_float(buffer.get(), count, 0.3f, -7.0f);
  for (uint32_t i = count - 100; i < count; ++i) EXPECT_SAME_BITS(lineAt(i, 0.3f, -7.0f), buffer[i]) << i;
}

TQ_DIGEST_CASE(tqcalcChannelFillBufferWithLinearFunction_double, 0xb27a1b74c9460603) {
  for (uint32_t n : {0u, 1u, 7u, 8u, 9u, 17u, 300u}) {
    std::vector<double> buffer(n + 1, 5.0);
    invoker.call<decltype(tqcalcChannelFillBufferWithLinearFunction_double)>(buffer.data(), n, 0.1, -3.3);
    invoker.call<decltype(tqcalcChannelFillBufferWithLinearFunction_double)>(buffer.data(), n / 2, -1e300, 1e300);
    invoker.digest(buffer);
  }
}
TQ_DIGEST_CASE(tqcalcChannelFillBufferWithLinearFunction_float, 0xdaf66f45b9c765ad) {
  for (uint32_t n : {0u, 1u, 15u, 16u, 17u, 33u, 300u}) {
    std::vector<float> buffer(n + 1, 5.0f);
    invoker.call<decltype(tqcalcChannelFillBufferWithLinearFunction_float)>(buffer.data(), n, 0.1f, -3.3f);
    invoker.call<decltype(tqcalcChannelFillBufferWithLinearFunction_float)>(buffer.data(), n / 2, 3e37f, -3e38f);
    invoker.digest(buffer);
  }
}

}  // namespace
}  // namespace tq::test
