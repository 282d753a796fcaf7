// Channel buffers and filters: what the harness rows (every code, stride,
// count and guard; streams and blocks against the reference, every entry)
// cannot say. The worked values exactly; the CHS interpolator's statuses in
// their order, its lifecycle, what Reset keeps and a slow sine; IIR impulse
// responses up to the clamp and orders beyond the rows'; the scaled
// conversions whose rounding is easy to get wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "reference/reference.h"
#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

CHSInterpolator* const kSentinel = reinterpret_cast<CHSInterpolator*>(std::uintptr_t(0x5A5A5A50));

struct Object {
  explicit Object(double ratio, uint32_t length = 8) {
    const CHSInterpolatorParams p{1000.0, 1000.0 * ratio, length};
    EXPECT_EQ(0u, tqcalcCHSInterpolator_Create(&h, &p));
  }
  ~Object() { EXPECT_EQ(0u, tqcalcCHSInterpolator_Destroy(h)); }
  // The outputs of a block, or of Stop for none.
  std::vector<float> feed(std::vector<float> x = {}) {
    float* out = nullptr;
    uint32_t count = 7;
    EXPECT_EQ(0u, x.empty() ? tqcalcCHSInterpolator_Stop(h, &out, &count)
                            : tqcalcCHSInterpolator_InterpolateValues(h, x.data(), uint32_t(x.size()), &out, &count));
    last = out;
    return std::vector<float>(out, out + count);
  }
  CHSInterpolator* h = kSentinel;
  const float* last = nullptr;  // the buffer of the latest outputs
};

TEST(ChsInterpolator, CreateStatusesLeaveTheHandleAlone) {
  const struct { double in, out; uint32_t length, status; } cases[] = {
      {1, 1, 0, 4}, {1, 1, 3, 4}, {1, 1, 6, 4}, {1, 1, 1, 4}, {1, 1, 2, 4}, {0, 1, 8, 1}, {0, 1, 3, 1}, {1, -1, 3, 1},
      {NAN, 1, 8, 1}, {1, NAN, 8, 1}, {1e-300, 1e300, 8, 1}, {1e300, 1e-300, 8, 1}, {1, 1, 0x80000000u, 1},
#if UINTPTR_MAX == 0xFFFFFFFF  // a ring, or an output buffer, beyond 32-bit memory
      {1, 1e-3, 1u << 30, 1}, {1, 3e8, 4, 1},
#endif
  };
  CHSInterpolator* h = kSentinel;
  for (const auto& c : cases) {
    const CHSInterpolatorParams p{c.in, c.out, c.length};
    EXPECT_EQ(c.status, tqcalcCHSInterpolator_Create(&h, &p)) << c.in << " " << c.out << " " << c.length;
  }
  const CHSInterpolatorParams fine{1, 1, 8};
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Create(&h, nullptr));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Create_cdecl(nullptr, &fine));
  EXPECT_EQ(kSentinel, h);
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Destroy(nullptr));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Reset(nullptr));
}

TEST(ChsInterpolator, CallStatusesInTheirOrder) {
  Object o(1.0);
  const float x[7] = {1, 2, 3, 4, 5, 6, 7};
  float* out = reinterpret_cast<float*>(kSentinel);
  uint32_t count = 99;
  EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(nullptr, x, 1, &out, &count));
  EXPECT_EQ(1u, tqcalcCHSInterpolator_Stop(nullptr, &out, &count));
  for (int round = 0; round < 2; ++round) {  // the same before and after Stop
    EXPECT_EQ(1u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 0, &out, &count));
    EXPECT_EQ(2u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 7, &out, &count));  // nothing appended
    if (round > 0) break;
    EXPECT_TRUE(sameBits(std::vector<float>{1, 2, 3, 4, 5}, o.feed({1, 2, 3, 4, 5, 6})));  // L - 2 accepted
    o.feed();
  }
  EXPECT_EQ(3u, tqcalcCHSInterpolator_InterpolateValues(o.h, x, 1, &out, &count));
  EXPECT_EQ(3u, tqcalcCHSInterpolator_Stop(o.h, &out, &count));
  EXPECT_TRUE(count == 99 && out == reinterpret_cast<float*>(kSentinel));
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset(o.h));
  EXPECT_TRUE(o.feed().empty());
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset(o.h));
  EXPECT_TRUE(o.feed({1}).empty());  // one sample: no interval yet
}

TEST(ChsInterpolator, DescribedLifecycle) {
  Object o(1.0), twice(2.0);
  EXPECT_TRUE(sameBits({3, -1, 4}, o.feed({3, -1, 4, 1})));
  EXPECT_TRUE(sameBits({1, -5, 9, 2}, o.feed({-5, 9, 2, -6})));
  EXPECT_TRUE(sameBits({-6}, o.feed()));
  EXPECT_SAME_BITS(-5.0f, o.last[1]);  // only the outputs are written: the slot after keeps its value
  // Twice the rate: every sample, and halfway 0.5625 (P1 + P2) - 0.0625 (P0 + P3).
  EXPECT_TRUE(sameBits({3, 0.6875, -1, 1.4375, 4, 3.1875, 1}, twice.feed({3, -1, 4, 1, -5})));
}

// Reset keeps the ring. Positions p <= samplesIn - 2 read sample m + 2 <=
// samplesIn, an unwritten slot only at t = 0, where its weight is 0: the
// old stream shows only as 0 x inf = NaN there. At ratio 0.75 output 3 falls
// on sample 4 of 6 and reads the slot of sample 6.
TEST(ChsInterpolator, ResetKeepsTheRing) {
  Object used(0.75), fresh(0.75);
  for (int k = 0; k < 3; ++k) used.feed(std::vector<float>(6, INFINITY));
  EXPECT_EQ(0u, tqcalcCHSInterpolator_Reset_cdecl(used.h));
  const auto got = used.feed({1, 2, 3, 4, 5, 6}), clean = fresh.feed({1, 2, 3, 4, 5, 6});
  ASSERT_EQ(4u, got.size());
  EXPECT_TRUE(sameBits(std::vector<float>(clean.begin(), clean.end() - 1), std::vector<float>(got.begin(), got.end() - 1)));
  EXPECT_SAME_BITS(5.0f, clean[3]);
  EXPECT_TRUE(std::isnan(got[3]));
}

// A slow sine (400 samples a cycle, where the cubic's own error is below
// 1e-6) at ratios that divide and do not: output i lies at i / ratio, within
// 1e-5 of the sine there once its support has left the clamped first sample.
TEST(ChsInterpolator, FollowsASlowSine) {
  const double w = 2 * 3.14159265358979323846 / 400;
  for (double ratio : {0.91875, 3.7, 0.3, 2.0}) {
    Object o(ratio, 64);
    std::vector<float> out, x(62);
    for (int block = 0; block < 20; ++block) {
      for (int k = 0; k < 62; ++k) x[std::size_t(k)] = float(std::sin(w * (62 * block + k)));
      const auto y = o.feed(x);
      out.insert(out.end(), y.begin(), y.end());
    }
    ASSERT_GT(out.size(), 300u);
    for (std::size_t i = std::size_t(ratio) + 1; i < out.size(); ++i)
      ASSERT_NEAR(std::sin(w * double(i) / ratio), out[i], 1e-5) << ratio << " " << i;
  }
}

// Many objects created, fed and destroyed, failing Creates among them: the
// sanitizer build's leak checker sees nothing left behind.
TEST(ChsInterpolator, ManyLifecyclesLeaveNothing) {
  const float x[6] = {1, 2, 3, 4, 5, 6};
  for (uint32_t k = 0; k < 10000; ++k) {
    CHSInterpolator* h = nullptr;
    const CHSInterpolatorParams p{1000, k % 3 ? 918.75 : 4000, k % 5 ? 8u : 6u};
    ASSERT_EQ(k % 5 ? 0u : 4u, tqcalcCHSInterpolator_Create(&h, &p));
    float* out = nullptr;
    uint32_t n = 0;
    ASSERT_TRUE(k % 5 == 0 || (!tqcalcCHSInterpolator_InterpolateValues(h, x, 6, &out, &n) && !tqcalcCHSInterpolator_Destroy(h)));
  }
}

TEST(FirFilter, DescribedCases) {
  const float h[3] = {2, 3, 5}, c[3] = {7, 11, 13}, big[2] = {0x1p24f, 1}, ones[2] = {1, 1};
  const struct { const float *h, *c; int32_t length, position; double expected; } cases[] = {
      {h, c, 1, 0, 14}, {h, c, 1, 1, 14}, {h, c, 3, 1, 7.0 * 3 + 11 * 5 + 13 * 2}, {h, c, 3, 2, 7.0 * 5 + 11 * 2 + 13 * 3},
      {nullptr, nullptr, 0, 0, 0}, {nullptr, nullptr, -8, 0, 0},  // nothing read for length <= 0
      {big, ones, 2, 0, 0x1p24}};                                 // the sum stays single precision
  for (const auto& k : cases) EXPECT_SAME_BITS(k.expected, tqcalcFIRFilter_float(k.h, k.c, k.length, k.position)) << k.length;
}

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

// No sections pass the input (widened); type 3 at order 4 keeps three taps
// per section (six in all): each y[n] = 2 x[n] + x[n-2], the second at gain
// 0.5, in place.
TEST(IirFilter, NoSectionsAndTypeThree) {
  Filter none(0, 0, 2, 3), three(3, 2, 4, 3);
  EXPECT_SAME_BITS(double(0.1f), tqcalcIIRFilter_float(&none.state, 0.1f));
  std::vector<float> y = {0.1f, -1e30f, NAN};
  const std::vector<float> x = y;
  tqcalcIIRFilterArr_float(&none.state, x.data(), y.data(), 3);
  EXPECT_TRUE(sameBits(x, y));
  for (std::size_t s = 0; s < 2; ++s) three.taps[3 * s].b = 1, three.taps[3 * s + 2].b = 2;
  three.gains[1] = 0.5;
  std::vector<double> z = {1, 0, 0, 0, 0, 0};
  tqcalcIIRFilterArr_double(&three.state, z.data(), z.data(), 6);
  EXPECT_TRUE(sameBits({2, 0, 2, 0, 0.5, 0}, z));
}

// Stable sections (the harness rows' mostly clamp) of order 2 and of high
// orders (one section's history beyond, at and below 32 taps is kept
// differently), two sections, blocks longer than the internal chunk:
// outputs and taps equal the definition's bits.
TEST(IirFilter, LongBlocksAndHighOrdersMatchTheDefinition) {
  for (int32_t order : {2, 31, 32, 33, 40}) {
    const std::size_t perSection = std::size_t(order) + 1, taps = 2 * perSection;
    Filter a(0, 2, order, perSection), b(0, 2, order, perSection);
    const auto c = randomValues<double>(2 * taps, std::uint32_t(order), 0.05);
    for (std::size_t i = 0; i < taps; ++i) a.taps[i] = b.taps[i] = {c[i] * 3, -c[i], c[2 * i % taps], c[taps + i]};
    a.gains[1] = b.gains[1] = 1.5;
    const auto input = randomValues<double>(600, 7, 1e3);
    std::vector<double> got(600), expected(600);
    tqcalcIIRFilterArr_double(&a.state, input.data(), got.data(), 600);
    ref::tqcalcIIRFilterArr_double(&b.state, input.data(), expected.data(), 600);
    EXPECT_TRUE(sameBits(expected, got)) << order;
    EXPECT_EQ(0, std::memcmp(a.taps.data(), b.taps.data(), taps * sizeof(IIRTap))) << order;
  }
}

// The worked values (state bits exact, results within 4 ulp), the delayed
// term gone on the third call, a zero state kept at zero.
TEST(PinkFilter, WorkedValues) {
  PinkFilterState s{}, zero{};
  EXPECT_NEAR(0.32943712, tqcalcPinkFilter_double(&s, 1.0), 4 * 0x1p-54);
  const double w = 0.2;
  const PinkFilterState first{w * 0.0555179, w * 0.0750759, w * 0.153852, w * 0.3104856, w * 0.5329522, w * -0.016898,
                              w * 0.115926, w * 0.5362};
  EXPECT_EQ(0, std::memcmp(&first, &s, sizeof s));
  EXPECT_NEAR(0.194013318, tqcalcPinkFilter_double_cdecl(&s, 0.0), 1e-9);
  // Third call: the decayed memories only (with a delayed term it would be 0.15488).
  EXPECT_NEAR(0.13169295, tqcalcPinkFilter_double(&s, 0.0), 1e-8);
  EXPECT_SAME_BITS(0.0, s.b6);
  EXPECT_SAME_BITS(0.0, tqcalcPinkFilter_double(&zero, 0.0));
  for (double v : {zero.b0, zero.b1, zero.b2, zero.b3, zero.b4, zero.b5, zero.b6, zero.direct}) EXPECT_EQ(0.0, v);
}

// One sample of `code` given as raw bits, scale and offset; the first output.
template <class Params, class Bits>
auto one(uint32_t code, Bits bits, decltype(Params::scale) scale = 1, decltype(Params::offset) offset = 0) {
  std::remove_pointer_t<decltype(Params::destination)> out[2] = {-7, -7};
  const Params p{&bits, out, scale, offset, 1, code, 0};
  if constexpr (std::is_same_v<Params, ScaledValuesParamsDouble>) tqcalcChannelGetScaledValuesAtPos_double(&p);
  else tqcalcChannelGetScaledValuesAtPos_float(&p);
  return out[0];
}
using D = ScaledValuesParamsDouble;
using F = ScaledValuesParamsFloat;

TEST(ScaledValues, ConversionTraps) {
  EXPECT_SAME_BITS(4294967295.0, one<D>(ChannelSampleUInt32, 0xFFFFFFFFu));  // unsigned, not -1
  EXPECT_SAME_BITS(4294967296.0f, one<F>(ChannelSampleUInt32, 0xFFFFFFFFu));
  EXPECT_SAME_BITS(2147483904.0f, one<F>(ChannelSampleUInt32, 0x80000081u));
  // 2^60 + 2^36 + 1: to double 2^60 + 2^36, a tie that float rounds to 2^60
  // (rounded directly it would be 2^60 + 2^37).
  EXPECT_SAME_BITS(0x1p60f, one<F>(ChannelSampleInt64, int64_t(0x1000001000000001)));
  EXPECT_SAME_BITS(0x1.000001p60, one<D>(ChannelSampleInt64, int64_t(0x1000001000000001)));
  EXPECT_SAME_BITS(-0x1p63, one<D>(ChannelSampleInt64, INT64_MIN));
  EXPECT_SAME_BITS(16777216.0f, one<F>(ChannelSampleInt32, 16777217));
  // Double samples into float: 3 * float(1/3) - 1 in double is 2^-25; in
  // float the product rounds to 1 first.
  EXPECT_SAME_BITS(0x1p-25f, one<F>(ChannelSampleDouble, 3.0, 1.0f / 3.0f, -1.0f));
  // The same bits, unsigned and signed.
  EXPECT_SAME_BITS(65535.0 * 0.5 + 1, one<D>(ChannelSampleUInt16, uint16_t(65535), 0.5, 1));
  EXPECT_SAME_BITS(-0.5f + 1, one<F>(ChannelSampleInt16, uint16_t(65535), 0.5f, 1));
  EXPECT_SAME_BITS(-128.0, one<D>(ChannelSampleInt8, uint8_t(0x80)));
  EXPECT_SAME_BITS(128.0, one<D>(ChannelSampleUInt8, uint8_t(0x80)));
  // Pairs are not scaled; into float a signalling NaN keeps its bits.
  EXPECT_EQ(0x7F800001u, bitsOf(one<F>(ChannelSampleFloatPair, 0x7F800001u, 2.0f, 1.0f)));
  EXPECT_EQ(0x7FF0000000000001u, bitsOf(one<D>(ChannelSampleDoublePair, 0x7FF0000000000001ull, 2.0, 1.0)));
  EXPECT_SAME_BITS(0x1p-149f, one<F>(ChannelSampleDoublePair, 0x1p-149, 2.0f, 1.0f));
}

// Pairs are read value by value at the stride, not pair by pair; a negative
// count or an unknown code writes nothing.
TEST(ScaledValues, PairsReadEveryValueAtTheStride) {
  float out[6] = {};
  const float all[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const ScaledValuesParamsFloat six{all, out, 9, 9, 3, ChannelSampleFloatPair, 2};
  tqcalcChannelGetScaledValuesAtPos_float_aligned_output(&six);
  EXPECT_EQ(std::vector<float>({1, 3, 5, 7, 9, 11}), std::vector<float>(out, out + 6));
  for (const ScaledValuesParamsFloat& none : {ScaledValuesParamsFloat{all, out, 1, 0, -1, ChannelSampleFloat, 1},
                                              ScaledValuesParamsFloat{all, out, 1, 0, 2, 12, 1}}) {
    tqcalcChannelGetScaledValuesAtPos_float(&none);
    EXPECT_EQ(1.0f, out[0]);
  }
}

}  // namespace
}  // namespace tq::test
