#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One reduction as the tests see it: inputs as doubles (exact for float
// inputs), the term of one element, and the export.
struct Reduction {
  const char* name;
  bool doubleInput;
  bool twoInputs;
  double (*term)(double a, double b);
  std::function<double(const void* a, const void* b, uint32_t count)> run;
};

const Reduction kReductions[] = {
    {"SumValues_double", true, false, [](double a, double) { return a; },
     [](const void* a, const void*, uint32_t n) { return tqcalcSumValues_double(static_cast<const double*>(a), n); }},
    {"SumValues_float", false, false, [](double a, double) { return a; },
     [](const void* a, const void*, uint32_t n) { return tqcalcSumValues_float(static_cast<const float*>(a), n); }},
    {"SumAbsValues_float", false, false, [](double a, double) { return std::fabs(a); },
     [](const void* a, const void*, uint32_t n) { return tqcalcSumAbsValues_float(static_cast<const float*>(a), n); }},
    {"SumSquaredValues_float", false, false, [](double a, double) { return a * a; },
     [](const void* a, const void*, uint32_t n) {
       return tqcalcSumSquaredValues_float(static_cast<const float*>(a), n);
     }},
    {"MultiplyVectorsAndCalcSum_float", false, true, [](double a, double b) { return a * b; },
     [](const void* a, const void* b, uint32_t n) {
       return tqcalcMultiplyVectorsAndCalcSum_float(static_cast<const float*>(a), static_cast<const float*>(b), n);
     }},
};

double sequential(const Reduction& r, const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += r.term(a[i], r.twoInputs ? b[i] : 0.0);
  return sum;
}

// Runs the reduction on guarded copies of a and b placed as `layout` says.
double runGuarded(const Reduction& r, const Layout& layout, const std::vector<double>& a,
                  const std::vector<double>& b) {
  if (r.doubleInput) {
    GuardedArray<double> ga(layout);
    ga.assign(a);
    return r.run(ga.data(), nullptr, uint32_t(layout.count));
  }
  GuardedArray<float> ga(layout), gb(layout);
  ga.assign(std::vector<float>(a.begin(), a.end()));
  gb.assign(std::vector<float>(b.begin(), b.end()));
  return r.run(ga.data(), gb.data(), uint32_t(layout.count));
}

class Reductions : public ::testing::TestWithParam<Reduction> {};

TEST_P(Reductions, CountZeroReadsNothing) {
  EXPECT_SAME_BITS(0.0, GetParam().run(nullptr, nullptr, 0));
}

// Terms that are small multiples of 1/4 sum exactly in any order, so every
// count and every start offset must give the sequential result bit for bit;
// the inputs end at (or start right after) an inaccessible page.
TEST_P(Reductions, ExactOnEveryCountAndOffsetWithoutStrayAccess) {
  const Reduction& r = GetParam();
  for (const Layout& layout : sweepLayouts(40, 1)) {
    std::vector<double> a, b;
    for (std::size_t i = 0; i < layout.count; ++i) {
      // Distinct magnitudes: a skipped or doubled element changes the sum.
      a.push_back(double(i + 1) / 4 * (i % 3 == 1 ? -1 : 1));
      b.push_back(double(i * 7 % 11 + 1) / 2);
    }
    EXPECT_SAME_BITS(sequential(r, a, b), runGuarded(r, layout, a, b))
        << "count " << layout.count << (layout.placement == Placement::AtEnd ? " at end" : " at offset ")
        << layout.offset;
  }
}

TEST_P(Reductions, NaNAtAnyPositionGivesNaN) {
  const Reduction& r = GetParam();
  for (std::size_t count = 1; count <= 24; ++count)
    for (std::size_t at = 0; at < count; ++at) {
      std::vector<double> a(count, 1.0), b(count, 1.0);
      (r.twoInputs && at % 2 ? b : a)[at] = kNaN;
      EXPECT_TRUE(std::isnan(runGuarded(r, {count, Placement::AtEnd, 0}, a, b))) << count << " " << at;
    }
}

// General data: the summation order is free, so compare with the sequential
// sum within the classic bound 2 (n - 1) u sum|terms| of two orderings.
TEST_P(Reductions, RandomDataWithinTheSummationBound) {
  const Reduction& r = GetParam();
  for (uint32_t count : {5u, 64u, 1000u, 4099u}) {
    const auto a = randomValues<float>(count, 1, 1e3), b = randomValues<float>(count, 2, 1e-2);
    const std::vector<double> da(a.begin(), a.end()), db(b.begin(), b.end());
    double magnitude = 0.0;
    for (std::size_t i = 0; i < count; ++i) magnitude += std::fabs(r.term(da[i], db[i]));
    const double bound = 2.0 * (count - 1) * std::ldexp(1.0, -53) * magnitude;
    EXPECT_NEAR(sequential(r, da, db), runGuarded(r, {count, Placement::AtEnd, 0}, da, db), bound) << count;
  }
}

INSTANTIATE_TEST_SUITE_P(All, Reductions, ::testing::ValuesIn(kReductions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReductionCases, DescribedValues) {
  const float abs[] = {-1.5f, 2.5f, -0.0f};
  EXPECT_SAME_BITS(4.0, tqcalcSumAbsValues_float(abs, 3));
  const float squares[] = {3.0f, -4.0f};
  EXPECT_SAME_BITS(25.0, tqcalcSumSquaredValues_float(squares, 2));
  const float a[] = {1, 2, 3}, b[] = {4, 5, 6};
  EXPECT_SAME_BITS(32.0, tqcalcMultiplyVectorsAndCalcSum_float(a, b, 3));
  const float huge = 3.4e38f;
  EXPECT_SAME_BITS(double(huge) * double(huge), tqcalcSumSquaredValues_float(&huge, 1));
  const float negativeZero = -0.0f;
  EXPECT_SAME_BITS(0.0, tqcalcSumAbsValues_float(&negativeZero, 1));
  EXPECT_SAME_BITS(0.0, tqcalcSumValues_float(&negativeZero, 1)) << "0.0 + -0.0 is +0.0";
  const float infinities[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
  EXPECT_TRUE(std::isnan(tqcalcSumValues_float(infinities, 2)));
  EXPECT_SAME_BITS(std::numeric_limits<double>::infinity(), tqcalcSumAbsValues_float(infinities, 2));
}

// A float accumulator stalls at 2^24; the double one does not.
TEST(ReductionCases, SumOfOnesStaysExactPastTwoToTheTwentyFour) {
  const uint32_t n = 1u << 24;
  std::vector<float> ones(n + 1, 1.0f);
  EXPECT_SAME_BITS(16777216.0, tqcalcSumValues_float(ones.data(), n));
  EXPECT_SAME_BITS(16777217.0, tqcalcSumValues_float(ones.data(), n + 1));
}

// Digest cases: edge values and random data at counts around the step sizes.
template <class T>
std::vector<T> digestInput(uint32_t count, uint32_t seed) {
  auto values = randomValues<T>(count, seed, 100.0);
  const auto edges = edgeValues<T>();
  for (std::size_t i = 0; i < values.size() && i < edges.size(); i += 3) values[i * 5 % values.size()] = edges[i];
  return values;
}
constexpr uint32_t kDigestCounts[] = {0, 1, 3, 4, 7, 15, 16, 17, 33, 1000};

TQ_DIGEST_CASE(tqcalcSumValues_double, 0xc2abb0a6a51de896) {
  for (uint32_t n : kDigestCounts) {
    auto v = randomValues<double>(n, n, 1e6);
    invoker.digest(invoker.call<decltype(tqcalcSumValues_double)>(v.data(), n));
  }
  const auto edges = edgeValues<double>();
  for (std::size_t i = 0; i < edges.size(); ++i)
    invoker.digest(invoker.call<decltype(tqcalcSumValues_double)>(&edges[i], 1u));
}
TQ_DIGEST_CASE(tqcalcSumValues_float, 0x9d33491868d2df31) {
  for (uint32_t n : kDigestCounts) {
    auto v = randomValues<float>(n, n, 1e6);
    invoker.digest(invoker.call<decltype(tqcalcSumValues_float)>(v.data(), n));
  }
}
TQ_DIGEST_CASE(tqcalcSumAbsValues_float, 0x6eb06c9dd56a041e) {
  for (uint32_t n : kDigestCounts) {
    auto v = digestInput<float>(n, n + 1);
    invoker.digest(invoker.call<decltype(tqcalcSumAbsValues_float)>(v.data(), n));
  }
}
TQ_DIGEST_CASE(tqcalcSumSquaredValues_float, 0xc7d50896bd6791c8) {
  for (uint32_t n : kDigestCounts) {
    auto v = randomValues<float>(n, n + 2, 3e30);
    invoker.digest(invoker.call<decltype(tqcalcSumSquaredValues_float)>(v.data(), n));
  }
}
TQ_DIGEST_CASE(tqcalcMultiplyVectorsAndCalcSum_float, 0x820d1ba0d07edea5) {
  for (uint32_t n : kDigestCounts) {
    auto a = randomValues<float>(n, n + 3, 1e3), b = randomValues<float>(n, n + 4, 1e-3);
    invoker.digest(invoker.call<decltype(tqcalcMultiplyVectorsAndCalcSum_float)>(a.data(), b.data(), n));
  }
}

}  // namespace
}  // namespace tq::test
