// Scaled channel values: the conversions whose rounding is easy to get
// wrong, with exact values; pairs value by value; counts that write nothing.
// Every code at every stride, count and guard is the harness rows'.
#include <gtest/gtest.h>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

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

// Pairs are read value by value at the stride, not pair by pair.
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
