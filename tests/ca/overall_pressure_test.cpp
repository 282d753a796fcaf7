#include "ca/ca_test.h"

namespace tq::test {
namespace {

constexpr float kFloor = std::numeric_limits<float>::min();

// Distance in representable floats (same sign assumed by the callers).
int64_t ulps(float a, float b) { return std::llabs(int64_t(bitsOf(a)) - int64_t(bitsOf(b))); }

// ---- Overall pressure -------------------------------------------------------

struct Folded { std::vector<float> average; float maxValue; };

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

// The indices only give the count: the arrays are processed from element 0.
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
  const auto cycle = randomValues<float>(13, 1, 50.0);
  const auto all = [](float v) { return std::vector<float>(13, v); };
  expectSame({cycle, *std::max_element(cycle.begin(), cycle.end())}, fold(all(123.0f), cycle, 0));
  expectSame({all(-1.0f), kFloor}, fold(all(6.0f), all(-1.0f), 0));
  expectSame({all(3.0f), 3.0f}, fold(all(2.0f), all(6.0f), 3));
  // A count beyond 2^32 is read whole: its low half alone (1) would give 1.
  expectSame({all(2.0f), 2.0f}, fold(all(2.0f), all(0.0f), (1ull << 32) + 1));
  // An infinite old value times a zero count gives NaN, in both paths.
  std::vector<float> old = all(1.0f);
  old[2] = old[10] = kInf;
  const Folded poisoned = fold(old, all(1.0f), 0);
  EXPECT_TRUE(std::isnan(poisoned.average[2]) && std::isnan(poisoned.average[10]));
  // The largest count: n + 1 wraps to 0 in the tail (reciprocal infinite),
  // while the groups use n + 1.0 in double.
  expectSame({{1, 1, 1, 1, 1, 1, 1, 1, kInf}, kInf}, fold(std::vector<float>(9, 1.0f), std::vector<float>(9, 1.0f), UINT64_MAX));
  // Nothing folded: the floor reported. The indices only give the count:
  // firstIndex 10, endIndex 15 updates elements 0..4.
  expectSame({{}, kFloor}, fold({}, {}, 5, 7));
  expectSame({{2, 2.5f, 3, 3.5f, 4}, 4.0f}, fold({3, 3, 3, 3, 3}, {1, 2, 3, 4, 5}, 1, 10));
}

TEST(OverallPressure, EveryCountAndStartMatchesTheDefinition) {
  for (const Layout& layout : sweepLayouts(40, sizeof(float))) {
    GuardedArray<float> cycle(layout), average(layout);
    for (uint64_t n : std::vector<uint64_t>{0, 1, 6, 1000003, (1ull << 32) + 3}) {
      const auto cycleValues = randomValues<float>(layout.count, uint32_t(n) + 1, 100.0),
                 oldValues = randomValues<float>(layout.count, uint32_t(n) + 2, 100.0);
      cycle.assign(cycleValues), average.assign(oldValues);
      float peak = -1.0f;
      tqCalcCAOverallPressure(cycle.data(), average.data(), 3, 3 + uint32_t(layout.count), n, &peak);
      SCOPED_TRACE(::testing::Message() << "count " << layout.count << " offset " << layout.offset << " n " << n);
      expectSame(folded(oldValues, cycleValues, n), {average.values(), peak});
      EXPECT_TRUE(average.untouched() && cycle.untouched() && sameBits(cycleValues, cycle.values()));
    }
  }
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
      invoker.digest(average), invoker.digest(peak);
    }
  }
}

// ---- Running value ----------------------------------------------------------

struct Window { std::vector<float> sums, means; };

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
  const bool full = k >= n;
  const float divisor = k == 0 ? 1.0f : full ? float(n) : float(double(k)) + 1.0f;
  const std::size_t groups = cycle.size() / 8 * 8;
  for (std::size_t i = 0; i < cycle.size(); ++i) {
    const float s = k == 0 ? cycle[i] : !full ? cycle[i] + sums[i]
                    : i < groups ? (cycle[i] + sums[i]) - oldest[i] : (cycle[i] - oldest[i]) + sums[i];
    EXPECT_SAME_BITS(s, actual.sums[i]) << "sum " << i;
    EXPECT_LE(ulps(s / divisor, actual.means[i]), i < groups || k == 0 ? 0 : 2)
        << "mean " << i << ": " << s / divisor << " vs " << actual.means[i];
  }
}

TEST(RunningVal, DescribedCases) {
  // N = 3, constant cycles 3, 6, 9, 12, the first passed again as the oldest
  // at k = 3; 13 samples (a group and a tail, quotients exact in both).
  const std::vector<float> first(13, 3.0f);
  const float means[] = {3, 4.5f, 6, 9}, sums[] = {3, 9, 18, 27};
  Window w{std::vector<float>(13, 0.0f), {}};
  for (uint64_t k = 0; k < 4; ++k) {
    w = slide(std::vector<float>(13, 3.0f * float(k + 1)), k == 3 ? &first : nullptr, w.sums, k, 3);
    EXPECT_SAME_BITS(std::vector<float>(13, sums[k]), w.sums) << "k " << k;
    EXPECT_SAME_BITS(std::vector<float>(13, means[k]), w.means) << "k " << k;
  }
  // lastIndex + 1 == firstIndex: nothing is read or written (null pointers).
  tqCalcCARunningVal(nullptr, nullptr, nullptr, nullptr, 5, 4, 3, 2);
  // While filling, the divisor is k as a float plus 1: for k = 2^24 + 1 that
  // is 2^24 (not 2^24 + 2), and dividing by it is exact.
  const Window w24 = slide(std::vector<float>(9, 1.0f), nullptr, std::vector<float>(9, 2.0f), (1u << 24) + 1, 1u << 25);
  EXPECT_SAME_BITS(std::vector<float>(9, 3.0f * std::ldexp(1.0f, -24)), w24.means);
  // A window of 0 cycles divides by zero; the sums stay finite.
  const Window zero = slide(std::vector<float>(9, 1.0f), &first, std::vector<float>(9, 0.0f), 1, 0);
  for (std::size_t i = 0; i < 9; ++i) EXPECT_TRUE(std::isfinite(zero.sums[i]) && !std::isfinite(zero.means[i]));
  // firstIndex 0 (or 100), lastIndex 4 (or 104): five samples from element 0.
  for (uint32_t firstIndex : {0u, 100u}) {
    const Window five = slide({2, 4, 6, 8, 10}, nullptr, {2, 2, 2, 2, 2}, 1, 4, firstIndex);
    EXPECT_SAME_BITS((std::vector<float>{4, 6, 8, 10, 12}), five.sums);
    EXPECT_SAME_BITS((std::vector<float>{2, 3, 4, 5, 6}), five.means);
  }
}

// Cycle indices beyond 2^32 among the cases: read whole (on i386 from two
// slots), not as their low half (0 or 1: the first cycle, or filling).
TEST(RunningVal, EveryCountAndStartMatchesTheDefinition) {
  for (const Layout& layout : sweepLayouts(40, sizeof(float))) {
    GuardedArray<float> cycle(layout), oldest(layout), sums(layout), means(layout);
    for (auto [k, n] : std::vector<std::pair<uint64_t, uint32_t>>{
             {0, 4}, {2, 5}, {9, 4}, {6, 7}, {7, 7}, {1ull << 32, 3}, {(1ull << 33) + 1, 0xFFFFFFFFu}}) {
      const auto c = randomValues<float>(layout.count, uint32_t(k) + 1, 100.0),
                 o = randomValues<float>(layout.count, uint32_t(k) + 2, 100.0),
                 s = randomValues<float>(layout.count, uint32_t(k) + 3, 500.0);
      cycle.assign(c), oldest.assign(o), sums.assign(s);
      tqCalcCARunningVal(cycle.data(), oldest.data(), sums.data(), means.data(), 2, 1 + uint32_t(layout.count), k, n);
      SCOPED_TRACE(::testing::Message() << "count " << layout.count << " offset " << layout.offset << " k " << k);
      expectWindow(c, o, s, k, n, {sums.values(), means.values()});
      EXPECT_TRUE(sums.untouched() && means.untouched() && cycle.untouched() && oldest.untouched() &&
                  sameBits(c, cycle.values()) && sameBits(o, oldest.values()));
    }
  }
}

// Many integer-valued cycles through the window against the plain mean of the
// last N: every sum stays exact, so the group means are the correctly rounded
// true means and the tail ones within two units of them.
TEST(RunningVal, MovingMeanOfManyCycles) {
  const uint32_t samples = 13, window = 7, cycles = 60;
  std::vector<std::vector<float>> history;
  std::vector<float> sums(samples);
  for (uint32_t c = 0; c < cycles; ++c) {
    history.push_back(randomValues<float>(samples, c + 9, 1000.0));
    for (float& v : history.back()) v = std::round(v);
    const Window w = slide(history[c], c >= window ? &history[c - window] : nullptr, sums, c, window);
    sums = w.sums;
    const uint32_t inWindow = std::min(c + 1, window);
    for (uint32_t i = 0; i < samples; ++i) {
      double exact = 0.0;
      for (uint32_t j = c + 1 - inWindow; j <= c; ++j) exact += history[j][i];
      EXPECT_LE(ulps(float(exact) / float(inWindow), w.means[i]), i < 8 ? 0 : 2) << "cycle " << c << " sample " << i;
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
      invoker.digest(sums), invoker.digest(means);
    }
  }
}

}  // namespace
}  // namespace tq::test
