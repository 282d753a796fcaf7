#include "ca/ca_test.h"

namespace tq::test {
namespace {

template <class T> struct Ave;
template <> struct Ave<double> {
  static constexpr auto general = tqcalcCACalcAveFilter_double, general_cdecl = tqcalcCACalcAveFilter_double_cdecl,
                        sequential = tqcalcCACalcAveFilter_double_scalar;
  static constexpr uint32_t segments = 5, minCount = 64, divisor = 32;
};
template <> struct Ave<float> {
  static constexpr auto general = tqcalcCACalcAveFilter_float, general_cdecl = tqcalcCACalcAveFilter_float_cdecl,
                        sequential = tqcalcCACalcAveFilter_float_scalar;
  static constexpr uint32_t segments = 9, minCount = 128, divisor = 64;
};

template <class T>
bool segmented(uint16_t w, uint32_t count) { return count >= Ave<T>::minCount && w <= count / Ave<T>::divisor; }

// Both forms as defined, step by step and one segment after the other (the
// library runs the segments in vector lanes). count < W leaves y as it is.
template <class T>
std::vector<T> model(const std::vector<T>& x, uint16_t w, bool segmentedForm, std::vector<T> y) {
  const std::size_t n = x.size(), W = w | 1u, H = W / 2, S = segmentedForm ? Ave<T>::segments : 1;
  const std::size_t L = (n + S - 1) / S;
  const T width = T(W), r = T(1) / width;
  if (n < W) return y;
  T m = 0;
  for (std::size_t s = 0; s < S; ++s) {
    if (segmentedForm) {
      T sum = x[s * L];
      for (std::size_t k = 1; k < W; ++k) sum += x[s * L + k];
      m = r * sum;
    } else {
      for (std::size_t k = 0; k < W; ++k) m = (T(k) * m + x[k]) / T(k + 1);
    }
    for (std::size_t i = 0; s == 0 && i <= H; ++i) y[i] = m;
    const std::size_t end = s + 1 < S ? (s + 1) * L + H : n - H - 1;
    for (std::size_t p = s * L + H + 1; p <= end; ++p)
      y[p] = m = s + 1 < S ? ((x[p + H] + width * m) - x[p - H - 1]) / width : ((width * m + x[p + H]) - x[p - H - 1]) * r;
  }
  for (std::size_t i = n - H - 1; i < n; ++i) y[i] = m;
  return y;
}

template <class T, class F>
std::vector<T> run(F* f, const std::vector<T>& x, uint32_t w) {
  std::vector<T> y(x.size(), T(-7));
  reinterpret_cast<void(TQCALC_STDCALL*)(const T*, T*, uint32_t, uint32_t)>(reinterpret_cast<void (*)()>(f))(
      x.data(), y.data(), w, uint32_t(x.size()));
  return y;
}

template <class T>
class AveragingFilter : public ::testing::Test {};
using SampleTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(AveragingFilter, SampleTypes);

TYPED_TEST(AveragingFilter, DescribedValues) {
  using T = TypeParam;
  for (auto f : {Ave<T>::general, Ave<T>::sequential}) {
    EXPECT_SAME_BITS((std::vector<T>{2, 2, 3, 4, 5, 6, 6}), run<T>(f, {1, 2, 3, 4, 5, 6, 7}, 3));
    const auto x = randomValues<T>(40, 3, 10.0);
    EXPECT_SAME_BITS(run<T>(f, x, 5), run<T>(f, x, 4)) << "an even width is raised to the next odd one";
    std::vector<T> integers(40);
    for (std::size_t i = 0; i < integers.size(); ++i) integers[i] = T(int(i * 7 % 23) - 11);
    for (uint16_t w : {0, 1}) EXPECT_SAME_BITS(integers, run<T>(f, integers, w)) << "W = 1 copies";
    // count = W: the incremental mean of the whole input everywhere (one
    // rounding per step: within 3 W u max|x|).
    for (uint16_t W : {3, 49, 301}) {
      const auto x = randomValues<T>(W, W, 1.0), y = run<T>(f, x, W);
      double mean = 0.0;
      for (T v : x) mean += double(v) / W;
      for (T v : y) ASSERT_SAME_BITS(y[0], v);
      EXPECT_NEAR(mean, double(y[0]), 3.0 * W * std::numeric_limits<T>::epsilon());
    }
  }
  const std::vector<double> ones(200, 1.0);
  EXPECT_SAME_BITS(ones, run<double>(Ave<double>::sequential, ones, 3));
  EXPECT_NE(1.0, run<double>(Ave<double>::sequential, ones, 49)[150]) << "1/49 is inexact: the mean drifts";
}

// Every count 0..40 with widths up to past the count on guarded arrays at
// every element-aligned offset (count < W touches nothing), then the regime
// thresholds (count and raw width at and just past the bounds, last segments
// empty or of one position, long signals): each form gives the bits of its
// definition, the general one the segmented definition inside its regime.
TYPED_TEST(AveragingFilter, EveryPathAndPlacementGivesTheDefinedBits) {
  using T = TypeParam;
  const uint32_t c0 = Ave<T>::minCount, d = Ave<T>::divisor;
  std::vector<std::pair<Layout, uint16_t>> cases;
  for (const Layout& layout : sweepLayouts(40, sizeof(T)))
    for (uint16_t w : {0, 1, 2, 3, 6, 7, 20, 39, 40, 41}) cases.push_back({layout, w});
  std::vector<std::pair<uint32_t, uint16_t>> thresholds = {
      {c0 - 1, 0}, {c0 - 1, 1}, {c0, 3}, {c0, 4}, {2 * c0 - 1, 3}, {2 * c0 - 1, 4}, {2 * c0, 4}, {2 * c0, 5},
      {1000, uint16_t(1000 / d)}, {1000, uint16_t(1000 / d + 1)}, {4099, 51}, {65537, 63}, {65537, 64},
      {sizeof(void*) == 8 ? 1000003u : 100003u, 501}};
  for (uint32_t count = c0; count < c0 + 3 * Ave<T>::segments; ++count)
    for (uint16_t w = 0; w <= 2; ++w) thresholds.push_back({count, w});
  for (const auto& [count, w] : thresholds)
    for (Placement placement : {Placement::AtEnd, Placement::AtStart}) cases.push_back({{count, placement, 0}, w});
  for (const auto& [layout, w] : cases) {
    const std::size_t n = layout.count;
    const auto x = randomValues<T>(n, uint32_t(n) + w, 100.0);
    GuardedArray<T> in(layout), out(n, layout.placement == Placement::AtEnd ? Placement::AtStart : Placement::AtEnd);
    in.assign(x);
    for (auto f : {Ave<T>::general, Ave<T>::sequential}) {
      out.assign(std::vector<T>(n, T(-7)));
      f(in.data(), out.data(), w, uint32_t(n));
      ASSERT_SAME_BITS(model(x, w, f == Ave<T>::general && segmented<T>(w, uint32_t(n)), std::vector<T>(n, T(-7))),
                       out.values()) << "count " << n << " w " << w << " offset " << layout.offset;
      ASSERT_TRUE(in.untouched() && out.untouched());
    }
  }
  EXPECT_TRUE(segmented<double>(2, 64) && !segmented<double>(3, 64) && !segmented<double>(2, 63));
}

// A NaN stays in a running mean: to the end of the signal sequentially, to
// the end of its segment in the segmented regime.
TYPED_TEST(AveragingFilter, NaNSpreadsToTheEndOfItsSegment) {
  using T = TypeParam;
  const uint32_t L = 200, count = L * Ave<T>::segments, H = 2, at = 2 * L + 100;
  std::vector<T> x(count, T(1));
  x[at] = std::numeric_limits<T>::quiet_NaN();
  const auto general = run<T>(Ave<T>::general, x, 5), sequential = run<T>(Ave<T>::sequential, x, 5);
  for (uint32_t i = 0; i < count; ++i) {
    ASSERT_EQ(i >= at - H, bool(std::isnan(sequential[i]))) << i;
    ASSERT_EQ(i >= at - H && i <= 3 * L + H, bool(std::isnan(general[i]))) << i;
  }
}

// Only the low 16 bits of the width slot count: 0x10005 passed through a
// full 32-bit slot (on i386 its upper bytes really are nonzero) acts as 5.
TYPED_TEST(AveragingFilter, UpperBytesOfTheWidthSlotAreIgnored) {
  using T = TypeParam;
  using Cdecl = void(TQCALC_CDECL*)(const T*, T*, uint32_t, uint32_t);
  for (uint32_t count : {40u, 4000u}) {
    const auto x = randomValues<T>(count, 17, 5.0);
    std::vector<T> y(count);
    reinterpret_cast<Cdecl>(reinterpret_cast<void (*)()>(Ave<T>::general_cdecl))(x.data(), y.data(), 0xFFFF0005u, count);
    EXPECT_SAME_BITS(run<T>(Ave<T>::general, x, 5), y);
    for (auto f : {Ave<T>::general, Ave<T>::sequential}) EXPECT_SAME_BITS(run<T>(f, x, 5), run<T>(f, x, 0x10005u));
  }
}

// Digest cases: the described example, thresholds, edge values, long signals.
template <class T, class F>
void digestAverage(Invoker& invoker) {
  const std::pair<uint32_t, uint16_t> cases[] = {{0, 0},   {1, 0},    {7, 3},     {63, 2},    {64, 2},
                                                 {128, 2}, {130, 1}, {1000, 15}, {4099, 51}, {40, 41}};
  for (const auto& [count, w] : cases) {
    auto x = randomValues<T>(count, count + w, 1e3);
    const auto edges = edgeValues<T>();
    for (std::size_t i = 0; count >= 1000 && i < edges.size(); ++i) x[(i + 1) * count / 17] = edges[i];
    std::vector<T> y(count + 1, T(-7));  // one beyond: digested, must stay
    invoker.call<F>(x.data(), y.data(), w, count);
    // Where NaNs meet (a NaN input and inf - inf) IEEE leaves open which one
    // passes on, and compilers order commutative operands freely: all NaNs
    // count as one.
    for (T& v : y) v = std::isnan(v) ? std::numeric_limits<T>::quiet_NaN() : v;
    invoker.digest(y);
  }
}
#define TQ_AVERAGE_DIGEST_CASE(name, T, digest) \
  TQ_DIGEST_CASE(name, digest) { digestAverage<T, decltype(name)>(invoker); }
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_double, double, 0x3c5b2fa706c43b6c)
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_float, float, 0x6e704b4e1eed6381)
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_double_scalar, double, 0xe4c7c7cbc25ce31b)
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_float_scalar, float, 0xd0de0c8d9ff22f2a)

}  // namespace
}  // namespace tq::test
