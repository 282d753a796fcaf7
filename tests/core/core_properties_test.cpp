// What the harness's exact sweeps cannot show: reductions on general data
// (free summation order), the accumulator's width, NaN anywhere, and the
// magnitude flag's slot.
#include <gtest/gtest.h>

#include <cstring>

#include "support/bits.h"
#include "support/harness.h"

namespace tq::test {
namespace {

const struct {
  const char* name;
  double (*term)(double a, double b);
} kReductions[] = {{"tqcalcSumValues_double", [](double a, double) { return a; }},
                   {"tqcalcSumValues_float", [](double a, double) { return a; }},
                   {"tqcalcSumAbsValues_float", [](double a, double) { return std::fabs(a); }},
                   {"tqcalcSumSquaredValues_float", [](double a, double) { return a * a; }},
                   {"tqcalcMultiplyVectorsAndCalcSum_float", [](double a, double b) { return a * b; }}};

// Runs a reduction row on `a` (and `b`), converted to its element types.
double reduce(const Op& o, const std::vector<double>& a, const std::vector<double>& b, bool reference = false) {
  std::vector<float> fa(a.begin(), a.end()), fb(b.begin(), b.end());
  std::vector<double> da = a;
  void* p[] = {o.shape[1] == 'd' ? static_cast<void*>(da.data()) : fa.data(), fb.data()};
  return (reference ? o.reference : o.run)(p, nullptr, uint32_t(a.size()));
}

// The summation order is free: within the classic bound 2 (n - 1) u sum|terms|
// of two orderings of the same terms. A NaN anywhere gives NaN.
TEST(Reductions, RandomDataWithinTheSummationBoundAndNaNAnywhere) {
  for (const auto& [name, term] : kReductions) {
    const Op& o = op(name);
    for (uint32_t count : {5u, 64u, 1000u, 4099u}) {
      const auto a = randomValues<float>(count, 1, 1e3), b = randomValues<float>(count, 2, 1e-2);
      const std::vector<double> da(a.begin(), a.end()), db(b.begin(), b.end());
      double magnitude = 0.0;
      for (uint32_t i = 0; i < count; ++i) magnitude += std::fabs(term(da[i], db[i]));
      EXPECT_NEAR(reduce(o, da, db, true), reduce(o, da, db), 2.0 * (count - 1) * 0x1p-53 * magnitude) << name << count;
    }
    for (std::size_t count = 1; count <= 24; ++count)
      for (std::size_t at = 0; at < count; ++at) {
        std::vector<double> a(count, 1.0), b(count, 1.0);
        (at % 2 && name[6] == 'M' ? b : a)[at] = NAN;
        EXPECT_TRUE(std::isnan(reduce(o, a, b))) << name << " " << count << " " << at;
      }
  }
}

// A float accumulator stalls at 2^24; the double one does not.
TEST(Reductions, SumOfOnesStaysExactPastTwoToTheTwentyFour) {
  std::vector<float> ones((1u << 24) + 1, 1.0f);
  EXPECT_SAME_BITS(16777216.0, tqcalcSumValues_float(ones.data(), 1u << 24));
  EXPECT_SAME_BITS(16777217.0, tqcalcSumValues_float(ones.data(), (1u << 24) + 1));
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
    for (uint32_t i = (1u << 24) - 64; i < count; ++i) ASSERT_SAME_BITS(expected[i], buffer[i]) << i;
  }
  tqcalcChannelFillBufferWithLinearFunction_float(buffer.data(), count, 1.0f, 0.0f);
  EXPECT_SAME_BITS(16777220.0f, buffer[16777219]) << "index 2^24 + 3 rounds to 2^24 + 4 (ties to even)";
}

// Outputs of 32 MiB and more bypass the caches (non-temporal stores from the
// first 32-byte boundary on): the same bits as the reference in every
// element, the unaligned head included, for out-of-place, in-place and
// two-vector steps.
TEST(Elementwise, OutputsBeyondTheCachesKeepTheirBits) {
  for (const char* name : {"tqcalcVectorsMax_float", "tqcalcMultiplyVectors_double", "tqcalcComplexVectorAbs_float",
                           "tqcalcMultiplyVectorByScalar_float", "tqcalcChannelFillBufferWithLinearFunction_double",
                           "tqcalcChannelFillBufferWithLinearFunction_float"}) {
    const Op& o = op(name);
    const auto args = parseArgs(o.shape);
    const uint32_t n = uint32_t((32u << 20) / args[0].size() + 13);
    const long double* q = o.params.empty() ? nullptr : o.params[0].data();
    std::vector<std::vector<double>> arrays[2];  // library, reference; one element more for the offset
    for (auto& side : arrays)
      for (std::size_t k = 0; k < args.size(); ++k) {
        side.emplace_back(((args[k].count(n, q) + 1) * args[k].size() + 7) / 8);
        for (std::size_t i = 0; i < side.back().size(); ++i) side.back()[i] = double(i % 1013) * (k + 0.37) - 300.0;
      }
    std::vector<void*> p[2];
    for (int side = 0; side < 2; ++side)
      for (std::size_t k = 0; k < args.size(); ++k)
        p[side].push_back(reinterpret_cast<char*>(arrays[side][k].data()) + (k == 0 ? args[0].size() : 0));
    o.run(p[0].data(), q, n);
    o.reference(p[1].data(), q, n);
    EXPECT_TRUE(arrays[0][0] == arrays[1][0] || !std::memcmp(arrays[0][0].data(), arrays[1][0].data(), arrays[0][0].size() * 8))
        << name;
  }
}

}  // namespace
}  // namespace tq::test
