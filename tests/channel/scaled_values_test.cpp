// Scaled channel values: every code into both records at strides forwards,
// backwards and 0, counts -1..9, the source walked flush against a guard page
// at either end and the output flush against one; then the conversions whose
// rounding is easy to get wrong, with exact values.
#include <gtest/gtest.h>

#include "reference/reference.h"
#include "support/bits.h"
#include "support/guarded.h"

namespace tq::test {
namespace {

constexpr std::size_t kElementBytes[] = {1, 1, 2, 2, 4, 4, 8, 8, 4, 4, 8};

template <class T, class Bits>
T fromBits(Bits bits) {
  T v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// Random bytes (every integer pattern), with infinities, NaNs (a signalling
// one too), zeros and subnormals over the float and double samples.
std::vector<unsigned char> sampleBytes(uint32_t code, std::size_t count, uint32_t seed) {
  const std::size_t size = code <= 10 ? kElementBytes[code] : 1;
  std::vector<unsigned char> bytes(count * size);
  uint32_t state = seed * 2654435761u + 7;
  for (auto& b : bytes) b = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
  const bool isFloat = code == 5 || code == 9, isDouble = code == 7 || code == 10;
  const auto f = edgeValues<float>();
  const auto d = edgeValues<double>();
  for (std::size_t i = 0; (isFloat || isDouble) && i < count; i += 2) {
    const float fv = i % 6 == 4 ? fromBits<float>(0x7F800001u) : f[(i / 2 + seed) % f.size()];
    const double dv = i % 6 == 4 ? fromBits<double>(0x7FF0000000000001ull) : d[(i / 2 + seed) % d.size()];
    isFloat ? std::memcpy(&bytes[i * 4], &fv, 4) : std::memcpy(&bytes[i * 8], &dv, 8);
  }
  return bytes;
}

template <class Params, class F>
void sweep(F entry, decltype(Params::scale) scale, decltype(Params::offset) offset) {
  using Out = std::remove_pointer_t<decltype(Params::destination)>;
  for (uint32_t code : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 0xFFFFFFFFu})
    for (int32_t stride : {1, 3, 0, -1, -3})
      for (int32_t count = -1; count <= 9; ++count)
        for (Placement placement : {Placement::AtEnd, Placement::AtStart}) {
          const std::size_t size = code <= 10 ? kElementBytes[code] : 1;
          const int64_t n = count <= 0 || code > 10 ? 0 : code >= 9 ? 2 * count : count;
          const std::size_t extent = n ? std::size_t(n - 1) * std::size_t(std::abs(stride)) + 1 : 0;
          const auto bytes = sampleBytes(code, extent, uint32_t(count * 7 + stride + 11 * code));
          GuardedArray<unsigned char> source(bytes.size(), placement);
          source.assign(bytes);
          const std::size_t outputs = code >= 9 && code <= 10 && count > 0 ? 2 * count : std::max(count, 0);
          GuardedArray<Out> out(outputs, Placement::AtEnd);
          std::vector<Out> expected(outputs + 1, Out(-7));
          const unsigned char* first = stride < 0 && extent ? source.data() + (extent - 1) * size : source.data();
          const unsigned char* plainFirst = stride < 0 && extent ? bytes.data() + (extent - 1) * size : bytes.data();
          const Params p{first, out.data(), scale, offset, count, code, stride};
          const Params r{plainFirst, expected.data(), scale, offset, count, code, stride};
          SCOPED_TRACE(::testing::Message() << "code " << code << ", stride " << stride << ", count " << count);
          entry(&p);
          ref::scaledValues(&r);
          if (n == 0) expected.assign(outputs + 1, Out(-7));
          EXPECT_TRUE(out.untouched());
          expected.resize(outputs);
          const auto actual = out.values();
          // Only where something was written: untouched bytes hold the sentinel.
          if (n > 0) EXPECT_TRUE(sameBits(expected, actual));
        }
}

TEST(ScaledValues, EveryCodeStrideAndCountAgainstTheSequentialDefinition) {
  sweep<ScaledValuesParamsDouble>(tqcalcChannelGetScaledValuesAtPos_double, 0.3, -2.5);
  sweep<ScaledValuesParamsDouble>(tqcalcChannelGetScaledValuesAtPos_double_cdecl, -1e300, 0x1p-1074);
  sweep<ScaledValuesParamsFloat>(tqcalcChannelGetScaledValuesAtPos_float, 0.3f, -2.5f);
  sweep<ScaledValuesParamsFloat>(tqcalcChannelGetScaledValuesAtPos_float_cdecl, 3e38f, -0.0f);
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

// Pairs are read value by value at the stride, not pair by pair.
TEST(ScaledValues, PairsReadEveryValueAtTheStride) {
  float out[6] = {};
  const float all[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const ScaledValuesParamsFloat six{all, out, 9, 9, 3, ChannelSampleFloatPair, 2};
  tqcalcChannelGetScaledValuesAtPos_float_aligned_output(&six);
  EXPECT_EQ(std::vector<float>({1, 3, 5, 7, 9, 11}), std::vector<float>(out, out + 6));
}

}  // namespace
}  // namespace tq::test
