// Core and combustion-analysis properties the harness rows cannot express:
// the fast logarithm's described values, the magnitude flag's and the
// averaging width's slots, float indices past 2^24, outputs beyond the
// caches, the raw copy in place and its first maximum across lanes and the
// vector path's chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/fast_log10.h"
#include "support/bits.h"
#include "support/harness.h"

namespace tq::test {
namespace {

TEST(FastLog10, DescribedValuesOfTheScalarForm) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, double> cases[] = {
      {1.0f, 0.0}, {2.0f, 0.3010300099849701}, {0.5f, -0.3010300099849701}, {10.0f, 1.0000156164169312},
      {100.0f, 1.9999374151229858}, {0.001f, -3.0000011920928955}, {-10.0f, 1.0000156164169312},
      {9.999999717180685e-10f, -8.999992370605469}, {std::nextafter(2.0f, 0.0f), 0.30091169476509094},
      {0.0f, -38.23080825805664}, {-0.0f, -38.23080825805664},
      {0x1p-149f, -38.23080825805664}, {0x1.fffffcp-127f, -37.92989730834961},  // the subnormals' ends
      {inf, 38.53184127807617}, {-inf, 38.53184127807617}, {std::numeric_limits<float>::quiet_NaN(), 38.707862854003906}};
  for (const auto& [x, expected] : cases) EXPECT_SAME_BITS(float(expected), fastLog10(x)) << "x = " << x;
}

// (3, 4) gives 5, or 25 with any nonzero flag byte. The flag travels in a
// 4-byte slot (a register on x86-64) of which only the low byte is the
// host's: the upper bits are set with the low byte 0 and 1.
TEST(Elementwise, MagnitudeFlagIsTheLowByteOfItsSlot) {
  using WideFlag = void(TQCALC_CDECL*)(double*, const double*, uint32_t, uint32_t);
  const auto wide = reinterpret_cast<WideFlag>(reinterpret_cast<void (*)()>(&tqcalcComplexVectorAbs_double_cdecl));
  std::vector<double> pairs, out(20);
  for (int i = 0; i < 20; ++i) pairs.insert(pairs.end(), {3.0 * (i + 1), 4.0 * (i + 1)});
  for (uint32_t count : {1u, 20u})
    for (uint32_t flag : {0u, 0xFFFFFF00u, 0x101u, 0x3u, 0x1Bu, 0x80u, 0xF3u, 0xFFFFFFFFu}) {
      wide(out.data(), pairs.data(), flag, count);
      EXPECT_SAME_BITS(flag & 0xFF ? 25.0 * count * count : 5.0 * count, out[count - 1]) << flag;
    }
}

// Past 2^24 the float index rounds (to even) before the product, and the
// vector path switches to rounding exact double indices: the elements on
// both sides of the switch, in vector steps and in the tail, follow the
// definition.
TEST(LinearFill, FloatIndicesAboveTwoToTheTwentyFour) {
  const uint32_t count = (1u << 24) + 45;
  std::vector<float> buffer(count), expected(count);
  for (float slope : {1.0f, 0.3f}) {
    tqcalcChannelFillBufferWithLinearFunction_float(buffer.data(), count, slope, -7.0f);
    ref::tqcalcChannelFillBufferWithLinearFunction_float(expected.data(), count, slope, -7.0f);
    for (uint32_t i = (1u << 24) - 64; i < count; ++i) ASSERT_TRUE(sameBits(expected[i], buffer[i])) << i;
  }
}

// Outputs of 32 MiB and more bypass the caches (non-temporal stores from the
// first 32-byte boundary on): the reference's bits in every element, the
// unaligned head included, out of place, in place and in two-vector steps.
TEST(Elementwise, OutputsBeyondTheCachesKeepTheirBits) {
  for (const char* name : {"tqcalcVectorsMax_float", "tqcalcMultiplyVectors_double", "tqcalcComplexVectorAbs_float",
                           "tqcalcMultiplyVectorByScalar_float", "tqcalcChannelFillBufferWithLinearFunction_double",
                           "tqcalcChannelFillBufferWithLinearFunction_float"}) {
    const Op& o = op(name);
    const auto args = parseArgs(o.shape);
    const uint32_t n = uint32_t((32u << 20) / args[0].size() + 13);
    const long double* q = o.params.empty() ? nullptr : o.params[0].data();
    // Library, reference; one element more for the misaligned output.
    std::vector<Bytes> a[2] = {arrays(args, n + 1, q, EXACT, 0)};
    a[1] = a[0];
    std::vector<void*> p[2];
    for (int side = 0; side < 2; ++side)
      for (std::size_t k = 0; k < args.size(); ++k) p[side].push_back(a[side][k].data() + (k == 0 ? args[0].size() : 0));
    o.run(p[0].data(), q, n);
    o.reference(p[1].data(), q, n);
    EXPECT_TRUE(a[0][0] == a[1][0]) << name;
  }
}

// Only the low 16 bits of the width slot count: 0x10005 and 0xFFFF0005
// through a full 32-bit slot (whose upper bytes really are nonzero on i386)
// act as 5.
TEST(AveragingFilter, OnlyTheLowHalfOfTheWidthSlotCounts) {
  using Wide = void(TQCALC_STDCALL*)(const float*, float*, uint32_t, uint32_t);
  for (auto f : {tqcalcCACalcAveFilter_float, tqcalcCACalcAveFilter_float_scalar})
    for (uint32_t count : {40u, 4000u}) {
      const auto x = randomValues<float>(count, 3, 10.0);
      std::vector<float> expected(count), actual(count);
      f(x.data(), expected.data(), 5, count);
      for (uint32_t w : {0x10005u, 0xFFFF0005u}) {
        reinterpret_cast<Wide>(reinterpret_cast<void (*)()>(f))(x.data(), actual.data(), w, count);
        EXPECT_SAME_BITS(expected, actual) << std::hex << w;
      }
    }
}

// In place (one array for raw data and channel): the range moves down to
// element 0, the elements past it keep their raw values.
TEST(CopyRawDataToChannels, InPlace) {
  for (uint32_t count = 0; count <= 40; ++count)
    for (uint32_t first : {0u, 3u}) {
      auto raw = randomValues<float>(first + count, count, 10.0), expected = raw;
      float peak[2];
      uint32_t index[2];
      ref::tqCalcCACopyRawDataToChannels(expected.data(), expected.data(), first, first + count, 0.5f, &peak[0], &index[0]);
      tqCalcCACopyRawDataToChannels(raw.data(), raw.data(), first, first + count, 0.5f, &peak[1], &index[1]);
      EXPECT_SAME_BITS(expected, raw) << count << " " << first;
      EXPECT_TRUE(sameBits(peak[0], peak[1]) && index[0] == index[1]) << count << " " << first;
    }
}

// The maximum at several positions (in different lanes, sets of lanes, the
// tail; and on both sides of a 2^20-sample chunk of the vector path),
// everything else lower: the lowest position wins. Indices above 2^31 are
// reported as unsigned rawData indices.
TEST(CopyRawDataToChannels, RepeatedMaximumReportsTheFirst) {
  for (uint32_t seed = 0; seed < 203; ++seed) {
    const uint32_t count = seed < 200 ? 203 : (1u << 20) + 45;
    std::vector<float> raw = randomValues<float>(count, seed, 10.0), channel(count);
    std::vector<uint32_t> at{(1u << 20) + 5};
    if (seed == 201) at.push_back((1u << 20) - 3);
    if (seed < 200) at.clear();
    for (uint32_t j = 0; seed < 200 && j <= seed % 5; ++j) at.push_back((seed * 37 + j * (seed % 3 ? 8 : 41)) % count);
    for (uint32_t p : at) raw[p] = 11.0f;
    const uint32_t first = seed == 202 ? 0xF0000000u : 0;  // raw moved back by firstIndex
    const float* base = reinterpret_cast<const float*>(uintptr_t(raw.data()) - uintptr_t(first) * sizeof(float));
    float peak;
    uint32_t index;
    tqCalcCACopyRawDataToChannels(base, channel.data(), first, first + count, 0.0f, &peak, &index);
    EXPECT_EQ(first + *std::min_element(at.begin(), at.end()), index) << "seed " << seed;
    EXPECT_TRUE(sameBits(11.0f, peak) && sameBits(raw, channel)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tq::test
