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
  return T(T(double(i)) * slope) + intercept;
}

template <class T>
class LinearFill : public ::testing::Test {};
using Types = ::testing::Types<float, double>;
TYPED_TEST_SUITE(LinearFill, Types);

// Every count across the vector thresholds at every start offset, for lines
// that round (0.1), that overflow, and that make NaN (0 * inf at element 0).
// Count 0 writes nothing, not even through a null pointer.
TYPED_TEST(LinearFill, EveryCountAndOffsetFollowsTheDefinition) {
  using T = TypeParam;
  using L = std::numeric_limits<T>;
  fill<T>(nullptr, 0, T(1), T(2));
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

// Count 1 writes just the intercept.
TEST(LinearFillCases, DescribedValues) {
  double buffer[6] = {};
  tqcalcChannelFillBufferWithLinearFunction_double(buffer, 5, 0.5, -1.0);
  EXPECT_SAME_BITS((std::vector<double>{-1.0, -0.5, 0.0, 0.5, 1.0, 0.0}), std::vector<double>(buffer, buffer + 6));
  float one[2] = {};
  tqcalcChannelFillBufferWithLinearFunction_float(one, 1, 123.5f, -0.25f);
  EXPECT_SAME_BITS((std::vector<float>{-0.25f, 0.0f}), std::vector<float>(one, one + 2));
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

template <auto f, class T>
void digestFill(Invoker& invoker, std::initializer_list<uint32_t> counts, T bigSlope, T bigIntercept) {
  for (uint32_t n : counts) {
    std::vector<T> buffer(n + 1, T(5));
    invoker.call<std::remove_pointer_t<decltype(f)>>(buffer.data(), n, T(0.1), T(-3.3));
    invoker.call<std::remove_pointer_t<decltype(f)>>(buffer.data(), n / 2, bigSlope, bigIntercept);
    invoker.digest(buffer);
  }
}
TQ_DIGEST_CASE(tqcalcChannelFillBufferWithLinearFunction_double, 0xb27a1b74c9460603) {
  digestFill<tqcalcChannelFillBufferWithLinearFunction_double>(invoker, {0, 1, 7, 8, 9, 17, 300}, -1e300, 1e300);
}
TQ_DIGEST_CASE(tqcalcChannelFillBufferWithLinearFunction_float, 0xdaf66f45b9c765ad) {
  digestFill<tqcalcChannelFillBufferWithLinearFunction_float>(invoker, {0, 1, 15, 16, 17, 33, 300}, 3e37f, -3e38f);
}

}  // namespace
}  // namespace tq::test
