// IIR filters: exact impulse responses on both paths (geometric decay,
// Fibonacci numbers up to the clamp), the clamp's direction for NaN, three
// taps per section for filter type 3 whatever the order (the taps flush
// against a guard page), and blocks against single calls at counts 0..20,
// in place, outputs and state bits; high orders against the definition.
#include <gtest/gtest.h>

#include "reference/reference.h"
#include "support/bits.h"
#include "support/guarded.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

struct Filter {
  Filter(int32_t type, int32_t sections, int32_t order, std::size_t tapsPerSection)
      : taps(std::size_t(sections) * tapsPerSection, Placement::AtEnd), gains(std::size_t(sections), 1.0),
        state{type, sections, order, 0, gains.data(), taps.data()} {
    taps.assign(std::vector<IIRTap>(std::size_t(sections) * tapsPerSection, IIRTap{0, 0, 0, 0}));
  }
  IIRTap& tap(std::size_t i) { return taps.data()[i]; }
  GuardedArray<IIRTap> taps;
  std::vector<double> gains;
  IIRFilterState state;
};

std::vector<double> impulseResponse(Filter& f, std::size_t n) {
  std::vector<double> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(tqcalcIIRFilter_double(&f.state, i == 0 ? 1.0 : 0.0));
  return out;
}

TEST(IirFilter, OnePoleDecaysByHalves) {
  Filter f(0, 1, 1, 2);
  f.tap(0).a = -0.5, f.tap(1).b = 1;
  const auto y = impulseResponse(f, 60);
  for (std::size_t n = 0; n < y.size(); ++n) EXPECT_SAME_BITS(std::ldexp(1.0, -int(n)), y[n]);
}

// y[n] = x[n] + y[n-1] + y[n-2]: Fibonacci numbers, exactly 1e10 from the
// 50th output on (F(50) > 1e10), second-order and general (order 3 with a
// zero oldest tap).
TEST(IirFilter, FibonacciClampsAtExactly1e10OnBothPaths) {
  Filter second(0, 1, 2, 3), general(0, 1, 3, 4);
  second.tap(0).a = second.tap(1).a = -1, second.tap(2).b = 1;
  general.tap(1).a = general.tap(2).a = -1, general.tap(3).b = 1;
  for (Filter* f : {&second, &general}) {
    const auto y = impulseResponse(*f, 60);
    double a = 1, b = 1;
    for (std::size_t n = 0; n < y.size(); ++n, b = a + b, a = b - a) EXPECT_SAME_BITS(n < 49 ? a : 1e10, y[n]) << n;
    EXPECT_SAME_BITS(1e10, f->tap(f->state.sectionOrder).y);
  }
}

TEST(IirFilter, NaNClampsUpOnTheSecondOrderPathAndDownOnTheGeneral) {
  for (int32_t order : {2, 1, 0, 3}) {
    Filter f(0, 1, order, std::size_t(order + 1));
    f.tap(std::size_t(order)).b = 1;
    EXPECT_SAME_BITS(order == 2 ? 1e10 : -1e10, tqcalcIIRFilter_double(&f.state, NAN)) << order;
    // The NaN stays in x while it shifts through the taps.
    EXPECT_SAME_BITS(order == 2 ? 1e10 : order == 0 ? 0.0 : -1e10, tqcalcIIRFilter_double(&f.state, 0.0)) << order;
  }
  // Order 0: b * x + 0, so -0 comes out +0; with no sections the input passes.
  Filter zero(0, 1, -4, 1);
  zero.tap(0).b = 1;
  EXPECT_SAME_BITS(0.0, tqcalcIIRFilter_float(&zero.state, -0.0f));
  zero.state.sectionCount = 0;
  EXPECT_SAME_BITS(double(0.1f), tqcalcIIRFilter_float(&zero.state, 0.1f));
}

// Type 3 at order 4: three taps per section (six taps in all, the last one
// flush against the guard), each section y[n] = 2 x[n] + x[n-2].
TEST(IirFilter, TypeThreeUsesThreeTapsPerSectionWhateverTheOrder) {
  Filter f(3, 2, 4, 3);
  for (std::size_t s = 0; s < 2; ++s) f.tap(3 * s).b = 1, f.tap(3 * s + 2).b = 2;
  f.gains[1] = 0.5;
  const auto y = impulseResponse(f, 6);
  EXPECT_TRUE(sameBits(std::vector<double>{2, 0, 2, 0, 0.5, 0}, y));
}

template <class T, class Single, class Block>
void blocksAgree(Single single, Block block) {
  for (int32_t order : {2, 4, 1}) {
    const int32_t type = order == 4 ? 3 : 0, sections = 3;
    const std::size_t perSection = order == 1 ? 2 : 3;
    for (uint32_t count = 0; count <= 20; ++count) {
      Filter a(type, sections, order, perSection), b(type, sections, order, perSection);
      const auto coefficients = randomValues<double>(perSection * sections * 2, count + 1, 0.4);
      for (std::size_t i = 0; i < perSection * sections; ++i) {
        a.tap(i).b = b.tap(i).b = coefficients[2 * i];
        a.tap(i).a = b.tap(i).a = coefficients[2 * i + 1];
      }
      const auto input = randomValues<T>(count, count + 2, 10.0);
      std::vector<T> expected, inPlace = input;
      for (T v : input) expected.push_back(T(single(&a.state, v)));
      block(&b.state, inPlace.data(), inPlace.data(), count);
      EXPECT_TRUE(sameBits(expected, inPlace)) << "order " << order << ", count " << count;
      EXPECT_EQ(0, std::memcmp(a.taps.data(), b.taps.data(), perSection * sections * sizeof(IIRTap)));
      EXPECT_TRUE(b.taps.untouched());
    }
  }
}
TEST(IirFilter, BlocksEqualSingleCallsInPlace) {
  blocksAgree<double>(tqcalcIIRFilter_double, tqcalcIIRFilterArr_double);
  blocksAgree<float>(tqcalcIIRFilter_float_cdecl, tqcalcIIRFilterArr_float_cdecl);
}

// General sections of high order (one section's history beyond, at and
// below 32 taps is kept differently), two sections, blocks longer than 256:
// outputs and taps equal the definition's bits.
TEST(IirFilter, HighOrdersMatchTheDefinition) {
  for (int32_t order : {31, 32, 33, 40}) {
    const std::size_t perSection = std::size_t(order) + 1, taps = 2 * perSection;
    Filter a(0, 2, order, perSection), b(0, 2, order, perSection);
    const auto coefficients = randomValues<double>(2 * taps, std::uint32_t(order), 0.05);
    for (std::size_t i = 0; i < taps; ++i) {
      a.tap(i) = b.tap(i) = {coefficients[i] * 3, -coefficients[i], coefficients[2 * i % taps], coefficients[taps + i]};
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

// A block longer than the internal chunk, and no sections: a converted copy.
TEST(IirFilter, LongBlocksAndPassThrough) {
  Filter a(0, 1, 2, 3), b(0, 1, 2, 3);
  a.tap(2).b = b.tap(2).b = 0.5, a.tap(1).a = b.tap(1).a = -0.9;
  const auto input = randomValues<double>(1000, 3, 1.0);
  std::vector<double> out(1000);
  tqcalcIIRFilterArr_double(&b.state, input.data(), out.data(), 1000);
  for (std::size_t i = 0; i < 1000; ++i) ASSERT_SAME_BITS(tqcalcIIRFilter_double(&a.state, input[i]), out[i]);
  b.state.sectionCount = -1;
  const std::vector<double> wide = {0.1, -1e300, NAN};
  std::vector<float> narrow(3);
  const std::vector<float> floats(wide.begin(), wide.end());
  tqcalcIIRFilterArr_float(&b.state, floats.data(), narrow.data(), 3);
  EXPECT_TRUE(sameBits(floats, narrow));
}

}  // namespace
}  // namespace tq::test
