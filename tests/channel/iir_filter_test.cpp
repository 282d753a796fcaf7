// IIR filters: exact impulse responses on both paths (Fibonacci numbers up
// to the clamp), no sections, three taps per section for filter type 3
// whatever the order, in place. Blocks and single calls against the
// definition (state, NaN and the clamp's direction included) are the
// harness rows'.
#include <gtest/gtest.h>

#include <cstring>

#include "reference/reference.h"
#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

struct Filter {
  Filter(int32_t type, int32_t sections, int32_t order, std::size_t perSection)
      : taps(std::size_t(sections) * perSection, IIRTap{0, 0, 0, 0}), gains(std::size_t(sections), 1.0),
        state{type, sections, order, 0, gains.data(), taps.data()} {}
  std::vector<IIRTap> taps;
  std::vector<double> gains;
  IIRFilterState state;
};

// y[n] = x[n] + y[n-1] + y[n-2]: Fibonacci numbers, exactly 1e10 from the
// 50th output on (F(50) > 1e10), second-order and general (order 3 with a
// zero oldest tap).
TEST(IirFilter, FibonacciClampsAtExactly1e10OnBothPaths) {
  Filter second(0, 1, 2, 3), general(0, 1, 3, 4);
  second.taps[0].a = second.taps[1].a = -1, second.taps[2].b = 1;
  general.taps[1].a = general.taps[2].a = -1, general.taps[3].b = 1;
  for (Filter* f : {&second, &general}) {
    double a = 1, b = 1;
    for (int n = 0; n < 60; ++n, b = a + b, a = b - a)
      EXPECT_SAME_BITS(n < 49 ? a : 1e10, tqcalcIIRFilter_double(&f->state, n == 0 ? 1.0 : 0.0)) << n;
    EXPECT_SAME_BITS(1e10, f->taps[std::size_t(f->state.sectionOrder)].y);
  }
}

// With no sections the input passes (widened), singly and in blocks.
TEST(IirFilter, NoSectionsPassTheInput) {
  Filter f(0, 0, 2, 3);
  EXPECT_SAME_BITS(double(0.1f), tqcalcIIRFilter_float(&f.state, 0.1f));
  std::vector<float> y = {0.1f, -1e30f, NAN};
  const std::vector<float> x = y;
  tqcalcIIRFilterArr_float(&f.state, x.data(), y.data(), 3);
  EXPECT_TRUE(sameBits(x, y));
}

// Type 3 at order 4: three taps per section (six in all), each section
// y[n] = 2 x[n] + x[n-2], the second at gain 0.5; in place.
TEST(IirFilter, TypeThreeUsesThreeTapsPerSectionInPlace) {
  Filter f(3, 2, 4, 3);
  for (std::size_t s = 0; s < 2; ++s) f.taps[3 * s].b = 1, f.taps[3 * s + 2].b = 2;
  f.gains[1] = 0.5;
  std::vector<double> y = {1, 0, 0, 0, 0, 0};
  tqcalcIIRFilterArr_double(&f.state, y.data(), y.data(), 6);
  EXPECT_TRUE(sameBits({2, 0, 2, 0, 0.5, 0}, y));
}

// General sections of high order (one section's history beyond, at and
// below 32 taps is kept differently), two sections, blocks longer than the
// internal chunk: outputs and taps equal the definition's bits.
TEST(IirFilter, HighOrdersMatchTheDefinition) {
  for (int32_t order : {31, 32, 33, 40}) {
    const std::size_t perSection = std::size_t(order) + 1, taps = 2 * perSection;
    Filter a(0, 2, order, perSection), b(0, 2, order, perSection);
    const auto coefficients = randomValues<double>(2 * taps, std::uint32_t(order), 0.05);
    for (std::size_t i = 0; i < taps; ++i) {
      a.taps[i] = b.taps[i] = {coefficients[i] * 3, -coefficients[i], coefficients[2 * i % taps], coefficients[taps + i]};
    }
    a.gains[1] = b.gains[1] = 1.5;
    const auto input = randomValues<double>(300, 7, 1e3);
    std::vector<double> got(300), expected(300);
    tqcalcIIRFilterArr_double(&a.state, input.data(), got.data(), 300);
    ref::tqcalcIIRFilterArr_double(&b.state, input.data(), expected.data(), 300);
    EXPECT_TRUE(sameBits(expected, got)) << order;
    EXPECT_EQ(0, std::memcmp(a.taps.data(), b.taps.data(), taps * sizeof(IIRTap))) << order;
  }
}

// A second-order block longer than the internal chunk equals single calls.
TEST(IirFilter, LongBlocksEqualSingleCalls) {
  Filter a(0, 1, 2, 3), b(0, 1, 2, 3);
  a.taps[2].b = b.taps[2].b = 0.5, a.taps[1].a = b.taps[1].a = -0.9;
  const auto input = randomValues<double>(1000, 3, 1.0);
  std::vector<double> out(1000);
  tqcalcIIRFilterArr_double(&b.state, input.data(), out.data(), 1000);
  for (std::size_t i = 0; i < 1000; ++i) ASSERT_SAME_BITS(tqcalcIIRFilter_double(&a.state, input[i]), out[i]);
}

}  // namespace
}  // namespace tq::test
