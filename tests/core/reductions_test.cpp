#include <gtest/gtest.h>

#include <cmath>
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
  double (*term)(double a, double b);
  double (*run)(const void* a, const void* b, uint32_t count);
};

template <class T, auto f>
double one(const void* a, const void*, uint32_t n) {
  return f(static_cast<const T*>(a), n);
}
double dot(const void* a, const void* b, uint32_t n) {
  return tqcalcMultiplyVectorsAndCalcSum_float(static_cast<const float*>(a), static_cast<const float*>(b), n);
}
double value(double a, double) { return a; }
double magnitude(double a, double) { return std::fabs(a); }
double square(double a, double) { return a * a; }
double product(double a, double b) { return a * b; }
const Reduction kReductions[] = {{"SumValues_double", true, value, one<double, tqcalcSumValues_double>},
                                 {"SumValues_float", false, value, one<float, tqcalcSumValues_float>},
                                 {"SumAbsValues_float", false, magnitude, one<float, tqcalcSumAbsValues_float>},
                                 {"SumSquaredValues_float", false, square, one<float, tqcalcSumSquaredValues_float>},
                                 {"MultiplyVectorsAndCalcSum_float", false, product, dot}};

double sequential(const Reduction& r, const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += r.term(a[i], b[i]);
  return sum;
}

// Runs the reduction on guarded copies of a and b placed as `layout` says.
double runGuarded(const Reduction& r, const Layout& layout, const std::vector<double>& a,
                  const std::vector<double>& b) {
  GuardedArray<double> da(layout);
  GuardedArray<float> fa(layout), fb(layout);
  da.assign(a);
  fa.assign({a.begin(), a.end()});
  fb.assign({b.begin(), b.end()});
  return r.run(r.doubleInput ? static_cast<void*>(da.data()) : fa.data(), fb.data(), uint32_t(layout.count));
}

class Reductions : public ::testing::TestWithParam<Reduction> {};

// Terms that are small multiples of 1/4 sum exactly in any order, so every
// count and every start offset must give the sequential result bit for bit;
// the inputs end at (or start right after) an inaccessible page. Count 0
// reads nothing, not even a null pointer.
TEST_P(Reductions, ExactOnEveryCountAndOffsetWithoutStrayAccess) {
  const Reduction& r = GetParam();
  EXPECT_SAME_BITS(0.0, r.run(nullptr, nullptr, 0));
  for (const Layout& layout : sweepLayouts(40, 1)) {
    std::vector<double> a, b;
    for (std::size_t i = 0; i < layout.count; ++i) {
      // Distinct magnitudes: a skipped or doubled element changes the sum.
      a.push_back(double(i + 1) / 4 * (i % 3 == 1 ? -1 : 1));
      b.push_back(double(i * 7 % 11 + 1) / 2);
    }
    EXPECT_SAME_BITS(sequential(r, a, b), runGuarded(r, layout, a, b))
        << "count " << layout.count << " placement " << int(layout.placement) << " offset " << layout.offset;
  }
}

TEST_P(Reductions, NaNAtAnyPositionGivesNaN) {
  const Reduction& r = GetParam();
  for (std::size_t count = 1; count <= 24; ++count)
    for (std::size_t at = 0; at < count; ++at) {
      std::vector<double> a(count, 1.0), b(count, 1.0);
      (r.run == dot && at % 2 ? b : a)[at] = kNaN;
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

// Squares of float inputs are formed in double, without overflow.
TEST(ReductionCases, DescribedValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    int reduction;
    std::vector<double> a, b;
    double expected;
  } cases[] = {{2, {-1.5, 2.5, -0.0}, {0, 0, 0}, 4.0},       {3, {3.0, -4.0}, {0, 0}, 25.0},
               {4, {1, 2, 3}, {4, 5, 6}, 32.0},                {3, {3.4e38}, {0}, double(3.4e38f) * double(3.4e38f)},
               {2, {-0.0}, {0}, 0.0},                          {1, {-0.0}, {0}, 0.0 /* 0.0 + -0.0 */},
               {1, {inf, -inf}, {0, 0}, kNaN},                 {2, {inf, -inf}, {0, 0}, inf}};
  for (const auto& c : cases) {
    const double sum = runGuarded(kReductions[c.reduction], {c.a.size(), Placement::AtEnd, 0}, c.a, c.b);
    EXPECT_TRUE(std::isnan(c.expected) ? std::isnan(sum) : bitsOf(c.expected) == bitsOf(sum))
        << kReductions[c.reduction].name << " gave " << sum;
  }
}

// A float accumulator stalls at 2^24; the double one does not.
TEST(ReductionCases, SumOfOnesStaysExactPastTwoToTheTwentyFour) {
  const uint32_t n = 1u << 24;
  std::vector<float> ones(n + 1, 1.0f);
  EXPECT_SAME_BITS(16777216.0, tqcalcSumValues_float(ones.data(), n));
  EXPECT_SAME_BITS(16777217.0, tqcalcSumValues_float(ones.data(), n + 1));
}

// Digest cases: edge values and random data at counts around the step sizes.
constexpr uint32_t kDigestCounts[] = {0, 1, 3, 4, 7, 15, 16, 17, 33, 1000};

template <auto f, class T = float>
void digestSums(Invoker& invoker, uint32_t seed, double scale, bool edges = false) {
  const auto edgeList = edgeValues<T>();
  for (uint32_t n : kDigestCounts) {
    auto v = randomValues<T>(n, n + seed, scale);
    for (std::size_t i = 0; edges && i < n && i < edgeList.size(); i += 3) v[i * 5 % n] = edgeList[i];
    invoker.digest(invoker.call<std::remove_pointer_t<decltype(f)>>(v.data(), n));
  }
}
TQ_DIGEST_CASE(tqcalcSumValues_double, 0xc2abb0a6a51de896) {
  digestSums<tqcalcSumValues_double, double>(invoker, 0, 1e6);
  for (const double& edge : edgeValues<double>())
    invoker.digest(invoker.call<decltype(tqcalcSumValues_double)>(&edge, 1u));
}
TQ_DIGEST_CASE(tqcalcSumValues_float, 0x9d33491868d2df31) { digestSums<tqcalcSumValues_float>(invoker, 0, 1e6); }
TQ_DIGEST_CASE(tqcalcSumAbsValues_float, 0x6eb06c9dd56a041e) { digestSums<tqcalcSumAbsValues_float>(invoker, 1, 1e2, true); }
TQ_DIGEST_CASE(tqcalcSumSquaredValues_float, 0xc7d50896bd6791c8) { digestSums<tqcalcSumSquaredValues_float>(invoker, 2, 3e30); }
TQ_DIGEST_CASE(tqcalcMultiplyVectorsAndCalcSum_float, 0x820d1ba0d07edea5) {
  for (uint32_t n : kDigestCounts) {
    auto a = randomValues<float>(n, n + 3, 1e3), b = randomValues<float>(n, n + 4, 1e-3);
    invoker.digest(invoker.call<decltype(tqcalcMultiplyVectorsAndCalcSum_float)>(a.data(), b.data(), n));
  }
}

}  // namespace
}  // namespace tq::test
