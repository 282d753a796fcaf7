#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

constexpr float kFloor = std::numeric_limits<float>::min();
const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Distance in representable floats (same sign assumed by the callers).
int64_t ulps(float a, float b) { return std::llabs(int64_t(bitsOf(a)) - int64_t(bitsOf(b))); }

// ---- Overall pressure -------------------------------------------------------

struct Folded {
  std::vector<float> average;
  float maxValue;
};

// The definition: whole groups of eight in double, the rest in float with the
// reciprocal of n + 1 (formed as a 64-bit integer).
Folded folded(std::vector<float> average, const std::vector<float>& cycle, uint64_t n) {
  const std::size_t groups = average.size() / 8 * 8;
  float peak = kFloor;
  for (std::size_t i = 0; i < average.size(); ++i) {
    const float a = i < groups ? float((double(average[i]) * double(n) + double(cycle[i])) / (double(n) + 1.0))
                               : (float(double(n)) * average[i] + cycle[i]) * (1.0f / float(double(n + 1)));
    average[i] = a;
    if (a > peak) peak = a;
  }
  return {average, peak};
}

Folded fold(std::vector<float> average, const std::vector<float>& cycle, uint64_t n, uint32_t first = 0) {
  float peak = -1.0f;
  tqCalcCAOverallPressure(cycle.data(), average.data(), first, first + uint32_t(average.size()), n, &peak);
  return {average, peak};
}

void expectSame(const Folded& expected, const Folded& actual) {
  EXPECT_SAME_BITS(expected.average, actual.average);
  EXPECT_SAME_BITS(expected.maxValue, actual.maxValue);
}

TEST(OverallPressure, DescribedCases) {
  // 13 samples: a group of eight and a tail of five.
  const std::vector<float> cycle = randomValues<float>(13, 1, 50.0);
  Folded first = fold(std::vector<float>(13, 123.0f), cycle, 0);
  EXPECT_SAME_BITS(cycle, first.average) << "with no earlier cycle the mean is the cycle";
  EXPECT_SAME_BITS(*std::max_element(cycle.begin(), cycle.end()), first.maxValue);
  expectSame({std::vector<float>(13, -1.0f), kFloor}, fold(std::vector<float>(13, 9.0f), std::vector<float>(13, -1.0f), 0));
  expectSame({std::vector<float>(13, 3.0f), 3.0f}, fold(std::vector<float>(13, 2.0f), std::vector<float>(13, 6.0f), 3));

  // An infinite old value times a zero count gives NaN, in both paths.
  std::vector<float> old(13, 1.0f);
  old[2] = old[10] = kInf;
  const Folded poisoned = fold(old, std::vector<float>(13, 1.0f), 0);
  EXPECT_TRUE(std::isnan(poisoned.average[2]) && std::isnan(poisoned.average[10]));

  // The largest count: n + 1 wraps to 0 in the tail (reciprocal infinite),
  // while the groups use n + 1.0 in double.
  const Folded wrapped = fold(std::vector<float>(9, 1.0f), std::vector<float>(9, 1.0f), UINT64_MAX);
  EXPECT_SAME_BITS((std::vector<float>{1, 1, 1, 1, 1, 1, 1, 1, kInf}), wrapped.average);
  EXPECT_SAME_BITS(kInf, wrapped.maxValue);

  float peak = -1.0f;
  tqCalcCAOverallPressure(nullptr, nullptr, 7, 7, 5, &peak);
  EXPECT_SAME_BITS(kFloor, peak) << "nothing folded, the floor reported";
}

// The indices only give the count: firstIndex 10, endIndex 15 updates 0..4.
TEST(OverallPressure, ProcessesFromElementZero) {
  GuardedArray<float> cycle(5, Placement::AtEnd), average(5, Placement::AtEnd);
  cycle.assign({1, 2, 3, 4, 5});
  average.assign({3, 3, 3, 3, 3});
  float peak;
  tqCalcCAOverallPressure(cycle.data(), average.data(), 10, 15, 1, &peak);
  EXPECT_SAME_BITS((std::vector<float>{2, 2.5f, 3, 3.5f, 4}), average.values());
  EXPECT_SAME_BITS(4.0f, peak);
  EXPECT_TRUE(average.untouched());
}

TEST(OverallPressure, EveryCountAndStartMatchesTheDefinition) {
  for (const Layout& layout : sweepLayouts(40, sizeof(float))) {
    GuardedArray<float> cycle(layout), average(layout);
    for (uint64_t n : std::vector<uint64_t>{0, 1, 6, 1000003, (1ull << 32) + 3}) {
      const auto cycleValues = randomValues<float>(layout.count, uint32_t(n) + 1, 100.0);
      const auto oldValues = randomValues<float>(layout.count, uint32_t(n) + 2, 100.0);
      cycle.assign(cycleValues);
      average.assign(oldValues);
      float peak = -1.0f;
      tqCalcCAOverallPressure(cycle.data(), average.data(), 3, 3 + uint32_t(layout.count), n, &peak);
      SCOPED_TRACE(::testing::Message() << "count " << layout.count << " offset " << layout.offset << " n " << n);
      expectSame(folded(oldValues, cycleValues, n), {average.values(), peak});
      EXPECT_TRUE(average.untouched());
      EXPECT_SAME_BITS(cycleValues, cycle.values());
    }
  }
}

// A count above 2^32 must be read whole: with only its low slot (1) the mean
// of 2 and 0 would be 1; with all of it the mean stays at 2 to float accuracy.
TEST(OverallPressure, CountsBeyondTwoToTheThirtyTwo) {
  const uint64_t n = (1ull << 32) + 1;
  const Folded r = fold(std::vector<float>(12, 2.0f), std::vector<float>(12, 0.0f), n);
  expectSame(folded(std::vector<float>(12, 2.0f), std::vector<float>(12, 0.0f), n), r);
  for (float a : r.average) EXPECT_SAME_BITS(2.0f, a);
}

// Many cycles folded one by one against the plain mean. Each step rounds the
// new mean to float (groups) or makes four float roundings (tail: n*a, +x,
// the reciprocal, the product; all terms positive, so each is within u of the
// result's magnitude), i.e. at most 4u*A with A the largest value. An error
// made at cycle j is scaled by j/N by the later steps, so after N cycles the
// error is at most sum_j 4u*A*j/N = 2(N+1)u*A.
TEST(OverallPressure, CumulativeMeanOfManyCycles) {
  const uint32_t samples = 21, cycles = 300;
  std::vector<double> exactSum(samples, 0.0);
  std::vector<float> average(samples, 0.0f);
  for (uint32_t c = 0; c < cycles; ++c) {
    std::vector<float> cycle = randomValues<float>(samples, c + 5, 0.5);
    for (uint32_t i = 0; i < samples; ++i) cycle[i] += 1.5f, exactSum[i] += cycle[i];  // in [1, 2)
    average = fold(average, cycle, c).average;
  }
  const double bound = 2.0 * (cycles + 1) * std::ldexp(1.0, -24) * 2.0;
  for (uint32_t i = 0; i < samples; ++i) EXPECT_NEAR(exactSum[i] / cycles, average[i], bound) << i;

  // A ramp: the mean of 0, 1, ..., n is n / 2, every step exact in double,
  // so the groups are exact throughout.
  std::vector<float> ramp(8, 0.0f);
  for (uint32_t c = 0; c < cycles; ++c) ramp = fold(ramp, std::vector<float>(8, float(c)), c).average;
  EXPECT_SAME_BITS(std::vector<float>(8, (cycles - 1) / 2.0f), ramp);
}

TQ_DIGEST_CASE(tqCalcCAOverallPressure, 0xdd17dd37cb87ba86) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 16u, 33u, 40u}) {
    for (uint64_t n : std::vector<uint64_t>{0, 2, 77, (5ull << 32) + 9, UINT64_MAX}) {
      std::vector<float> cycle = randomValues<float>(count, count + 1, 1e3);
      std::vector<float> average = randomValues<float>(count, uint32_t(n) + 2, 1e3);
      const auto edges = edgeValues<float>();
      for (std::size_t i = 0; i < count; i += 5) cycle[i] = edges[(i + count) % edges.size()];
      float peak;
      invoker.call<decltype(tqCalcCAOverallPressure)>(cycle.data(), average.data(), 1u, count + 1, n, &peak);
      invoker.digest(average);
      invoker.digest(peak);
    }
  }
}

// ---- Running value ----------------------------------------------------------

struct Window {
  std::vector<float> sums, means;
};

Window slide(const std::vector<float>& cycle, const std::vector<float>* oldest, std::vector<float> sums,
             uint64_t k, uint32_t n, uint32_t first = 0) {
  std::vector<float> means(cycle.size(), -1.0f);
  tqCalcCARunningVal(cycle.data(), oldest ? oldest->data() : nullptr, sums.data(), means.data(), first,
                     first + uint32_t(cycle.size()) - 1, k, n);
  return {sums, means};
}

// Checks one call against the definition: sums exact (the order of the three
// terms differs between the groups and the tail), means of the groups the
// exact quotient, means of the tail within two units in the last place.
void expectWindow(const std::vector<float>& cycle, const std::vector<float>& oldest, const std::vector<float>& sums,
                  uint64_t k, uint32_t n, const Window& actual) {
  if (k == 0) {
    EXPECT_SAME_BITS(cycle, actual.sums);
    EXPECT_SAME_BITS(cycle, actual.means);
    return;
  }
  const bool full = k >= n;
  const float divisor = full ? float(n) : float(double(k)) + 1.0f;
  const std::size_t groups = cycle.size() / 8 * 8;
  for (std::size_t i = 0; i < cycle.size(); ++i) {
    const float s = !full ? cycle[i] + sums[i] : i < groups ? (cycle[i] + sums[i]) - oldest[i]
                                                            : (cycle[i] - oldest[i]) + sums[i];
    EXPECT_SAME_BITS(s, actual.sums[i]) << "sum " << i;
    if (i < groups)
      EXPECT_SAME_BITS(s / divisor, actual.means[i]) << "mean " << i;
    else
      EXPECT_LE(ulps(s / divisor, actual.means[i]), 2) << "mean " << i << ": " << s / divisor << " vs " << actual.means[i];
  }
}

TEST(RunningVal, DescribedWindowOfThree) {
  // 13 samples: a group and a tail; these quotients are exact in both.
  const std::vector<float> first(13, 3.0f);
  std::vector<float> sums(13, 0.0f);
  const float means[] = {3, 4.5f, 6, 9}, expectedSums[] = {3, 9, 18, 27};
  for (uint64_t k = 0; k < 4; ++k) {
    const Window w = slide(std::vector<float>(13, 3.0f * float(k + 1)), k == 3 ? &first : nullptr, sums, k, 3);
    EXPECT_SAME_BITS(std::vector<float>(13, expectedSums[k]), w.sums) << "k " << k;
    EXPECT_SAME_BITS(std::vector<float>(13, means[k]), w.means) << "k " << k;
    sums = w.sums;
  }
}

TEST(RunningVal, CountFromTheInclusiveLastIndex) {
  // lastIndex + 1 == firstIndex: nothing is read or written (null pointers).
  tqCalcCARunningVal(nullptr, nullptr, nullptr, nullptr, 5, 4, 3, 2);
  // firstIndex 0, lastIndex 4: five samples, from element 0 whatever firstIndex.
  for (uint32_t first : {0u, 100u}) {
    GuardedArray<float> cycle(5, Placement::AtEnd), sums(5, Placement::AtEnd), means(5, Placement::AtEnd);
    cycle.assign({2, 4, 6, 8, 10});
    sums.assign({2, 2, 2, 2, 2});
    tqCalcCARunningVal(cycle.data(), nullptr, sums.data(), means.data(), first, first + 4, 1, 4);
    EXPECT_SAME_BITS((std::vector<float>{4, 6, 8, 10, 12}), sums.values());
    EXPECT_SAME_BITS((std::vector<float>{2, 3, 4, 5, 6}), means.values());
    EXPECT_TRUE(sums.untouched() && means.untouched());
  }
}

TEST(RunningVal, EveryCountAndStartMatchesTheDefinition) {
  struct Mode { uint64_t k; uint32_t n; };
  for (const Layout& layout : sweepLayouts(40, sizeof(float))) {
    GuardedArray<float> cycle(layout), oldest(layout), sums(layout), means(layout);
    for (Mode mode : {Mode{0, 4}, Mode{2, 5}, Mode{9, 4}, Mode{6, 7}, Mode{7, 7}}) {
      const auto c = randomValues<float>(layout.count, uint32_t(mode.k) + 1, 100.0);
      const auto o = randomValues<float>(layout.count, uint32_t(mode.k) + 2, 100.0);
      const auto s = randomValues<float>(layout.count, uint32_t(mode.k) + 3, 500.0);
      cycle.assign(c), oldest.assign(o), sums.assign(s);
      tqCalcCARunningVal(cycle.data(), oldest.data(), sums.data(), means.data(), 2, 1 + uint32_t(layout.count),
                         mode.k, mode.n);
      SCOPED_TRACE(::testing::Message() << "count " << layout.count << " offset " << layout.offset << " k " << mode.k);
      expectWindow(c, o, s, mode.k, mode.n, {sums.values(), means.values()});
      EXPECT_TRUE(sums.untouched() && means.untouched());
      EXPECT_SAME_BITS(c, cycle.values());
      EXPECT_SAME_BITS(o, oldest.values());
    }
  }
}

// The cycle index is read whole (on i386 from two slots): 2^32 with only its
// low slot would be the first cycle, a copy.
TEST(RunningVal, CycleIndexBeyondTwoToTheThirtyTwo) {
  const std::vector<float> cycle = randomValues<float>(11, 3, 10.0), oldest = randomValues<float>(11, 4, 10.0),
                           sums = randomValues<float>(11, 5, 30.0);
  for (uint64_t k : std::vector<uint64_t>{1ull << 32, (1ull << 33) + 1})
    for (uint32_t n : {3u, 0xFFFFFFFFu}) expectWindow(cycle, oldest, sums, k, n, slide(cycle, &oldest, sums, k, n));
  // While filling, the divisor is k as a float plus 1: for k = 2^24 + 1 that
  // is 2^24 (not 2^24 + 2), and dividing by it is exact.
  const Window w = slide(std::vector<float>(9, 1.0f), nullptr, std::vector<float>(9, 2.0f), (1u << 24) + 1, 1u << 25);
  EXPECT_SAME_BITS(std::vector<float>(9, 3.0f * std::ldexp(1.0f, -24)), w.means);
  // A window of 0 cycles divides by zero; the sums stay finite.
  const Window zero = slide(std::vector<float>(9, 1.0f), &cycle, std::vector<float>(9, 0.0f), 1, 0);
  for (std::size_t i = 0; i < 9; ++i) EXPECT_TRUE(std::isfinite(zero.sums[i]) && !std::isfinite(zero.means[i]));
}

// Many cycles through the window against the plain mean of the last N.
// Integer-valued cycles keep every sum exact, so the group means are the
// correctly rounded true means and the tail within two units of them.
// Random cycles: every update rounds twice with |terms| <= (N+1)A, so after K
// calls a sum is off by at most 2K(N+1)uA and the mean by that over N plus
// two units of the mean.
TEST(RunningVal, MovingMeanOfManyCycles) {
  const uint32_t samples = 13, window = 7, cycles = 60;
  for (bool integers : {true, false}) {
    std::vector<std::vector<float>> history;
    std::vector<float> sums(samples);
    for (uint32_t c = 0; c < cycles; ++c) {
      std::vector<float> cycle = randomValues<float>(samples, c + 9, integers ? 1000.0 : 1.0);
      for (float& v : cycle) v = integers ? std::round(v) : v + 1.0f;  // random ones in [0, 2)
      history.push_back(cycle);
      const Window w = slide(cycle, c >= window ? &history[c - window] : nullptr, sums, c, window);
      sums = w.sums;
      const uint32_t inWindow = std::min(c + 1, window);
      for (uint32_t i = 0; i < samples; ++i) {
        double exact = 0.0;
        for (uint32_t j = c + 1 - inWindow; j <= c; ++j) exact += history[j][i];
        if (integers) {
          const float mean = float(exact) / float(inWindow);
          EXPECT_LE(ulps(mean, w.means[i]), i < 8 ? 0 : 2) << "cycle " << c << " sample " << i;
        } else {
          const double bound = 2.0 * (c + 1) * (window + 1) * std::ldexp(1.0, -24) * 2.0 / inWindow +
                               2 * std::ldexp(1.0, -23);
          EXPECT_NEAR(exact / inWindow, w.means[i], bound) << "cycle " << c << " sample " << i;
        }
      }
    }
  }
}

TQ_DIGEST_CASE(tqCalcCARunningVal, 0x988ca0938e7f796b) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 16u, 33u, 40u}) {
    for (uint64_t k : std::vector<uint64_t>{0, 1, 4, 5, (3ull << 32) + 1}) {
      std::vector<float> cycle = randomValues<float>(count, count + 1, 1e3);
      const std::vector<float> oldest = randomValues<float>(count, count + 2, 1e3);
      std::vector<float> sums = randomValues<float>(count, uint32_t(k) + 3, 5e3), means(count);
      const auto edges = edgeValues<float>();
      for (std::size_t i = 0; i < count; i += 5) cycle[i] = edges[(i + count) % edges.size()];
      invoker.call<decltype(tqCalcCARunningVal)>(cycle.data(), oldest.data(), sums.data(), means.data(), 3u,
                                                 count + 2, k, 5u);
      invoker.digest(sums);
      invoker.digest(means);
    }
  }
}

}  // namespace
}  // namespace tq::test
