#include "core/fast_log10.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "support/bits.h"

namespace tq::test {
namespace {

float floatOf(uint32_t bits) {
  float x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

TEST(FastLog10, DescribedValuesOfTheScalarForm) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, double> cases[] = {
      {1.0f, 0.0}, {2.0f, 0.3010300099849701}, {0.5f, -0.3010300099849701}, {10.0f, 1.0000156164169312},
      {100.0f, 1.9999374151229858}, {0.001f, -3.0000011920928955}, {-10.0f, 1.0000156164169312},
      {9.999999717180685e-10f, -8.999992370605469}, {std::nextafter(2.0f, 0.0f), 0.30091169476509094},
      {0.0f, -38.23080825805664}, {-0.0f, -38.23080825805664},
      {floatOf(1), -38.23080825805664},           // smallest subnormal
      {floatOf(0x007FFFFF), -37.92989730834961},  // largest subnormal
      {inf, 38.53184127807617}, {-inf, 38.53184127807617}, {floatOf(0x7FC00000), 38.707862854003906}};
  for (const auto& [x, expected] : cases) EXPECT_SAME_BITS(float(expected), fastLog10(x)) << "x = " << x;
}

// Powers of two are exact up to the final float scaling in the lane forms.
TEST(FastLog10, LaneFormsAtPowersOfTwo) {
  alignas(32) float lanes[12];
  for (int k = -126; k <= 127; k += 31) {
    const float x = std::ldexp(1.0f, k);
    simd::store(lanes, fastLog10Lanes(simd::splat<simd::F32x4>(x)));
    simd::store(lanes + 4, fastLog10Lanes(simd::splat<simd::F32x8>(-x)));
    for (float r : lanes) EXPECT_SAME_BITS(float(k) * fastlog::kLog10Of2Float, r) << k;
  }
}

#if defined(__SANITIZE_ADDRESS__)
// Billions of instrumented calls: the exhaustive sweep belongs to the plain
// build.
TEST(FastLog10, DISABLED_EveryBitPattern) {}
#else
// Results as integers that order like the floats, so that differences count
// units in the last place.
inline int32_t ordered(float v) {
  int32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits < 0 ? int32_t(0x80000000u - uint32_t(bits)) : bits;
}

constexpr uint32_t kChunk = 4096;
struct Chunk {
  alignas(32) float x[kChunk];
  alignas(32) float scalar[kChunk];
  alignas(32) float four[kChunk];
  alignas(32) float eight[kChunk];
  alignas(32) double log2OfM[kChunk];  // exact, of each pattern's significand
};

// The properties broken by the `count` patterns from `first` (a multiple of
// 8, one sign and exponent), as bits: 1 accuracy, 2 monotonicity, 4 four
// lanes against scalar, 8 eight lanes against four, 16 not finite.
// `previous` is the scalar result of a smaller pattern of the same octave,
// or -inf. Bounds:
//  - accuracy: the approximation's own 1.19e-4 in [1, 2); elsewhere 1.21e-4
//    plus half an ulp of the largest results (the float roundings of q + e
//    and of the result), 2^-19 at 32..64;
//  - monotonicity: the polynomial increases in m, its float evaluation not
//    exactly: a unit or two in p * (m - 1) (below 2^-24 after scaling) and in
//    the roundings after it (below |result| 2^-22) may make a result fall
//    that far below its predecessor, never more;
//  - four lanes against scalar: one unit (float against double scaling);
//    eight lanes give the bits of four.
// Plain element-wise loops: at O3 GCC vectorises them with the same IEEE
// operations (no contraction, no fast-math), which keeps 2^32 patterns in
// seconds.
__attribute__((optimize("O3"))) unsigned brokenProperties(Chunk& c, uint32_t first, uint32_t count,
                                                          float previous) {
  for (uint32_t i = 0; i < count; ++i) c.x[i] = floatOf(first + i);
  for (uint32_t i = 0; i < count; ++i) c.scalar[i] = fastLog10(c.x[i]);
  for (uint32_t i = 0; i < count; i += 4) simd::store(c.four + i, fastLog10Lanes(simd::load<simd::F32x4>(c.x + i)));
  for (uint32_t i = 0; i < count; i += 8) simd::store(c.eight + i, fastLog10Lanes(simd::load<simd::F32x8>(c.x + i)));
  const int field = int(first >> 23 & 0xFF);
  const double e = field - 127, bound = field == 127 ? 1.19e-4 : field == 0 || field == 255 ? HUGE_VAL : 1.21e-4 + 0x1p-19;
  const auto falls = [](float before, float after) { return before - after > std::fabs(before) * 0x1p-22f + 0x1p-24f; };
  uint32_t inaccurate = 0, falling = falls(previous, c.scalar[0]), lanes = 0, eight = 0, notFinite = 0;
  for (uint32_t i = 0; i < count; ++i)
    inaccurate += !(std::fabs(double(c.scalar[i]) - (e + c.log2OfM[i]) * 0.30102999566398119521) <= bound);
  for (uint32_t i = 1; i < count; ++i) falling += falls(c.scalar[i - 1], c.scalar[i]);
  for (uint32_t i = 0; i < count; ++i) {
    lanes += std::abs(ordered(c.scalar[i]) - ordered(c.four[i])) > 1;
    eight += ordered(c.four[i]) != ordered(c.eight[i]);
    notFinite += !(std::fabs(c.scalar[i]) <= std::numeric_limits<float>::max());
  }
  const unsigned broken = (inaccurate != 0) | (falling != 0) << 1 | (lanes != 0) << 2 | (eight != 0) << 3 | (notFinite != 0) << 4;
  return broken;
}

// Every one of the 2^32 patterns; under i386 emulation blocks of eight at a
// stride, all signs and exponents included. Significands outermost, so that
// their exact logarithms are computed once for all 512 signs and exponents.
TEST(FastLog10, EveryBitPattern) {
#if defined(__i386__)
  constexpr uint32_t kCount = 8, kStep = 8 * 4099;
#else
  constexpr uint32_t kCount = kChunk, kStep = kChunk;
#endif
  Chunk c;
  std::vector<float> previous(512, -std::numeric_limits<float>::infinity());
  for (uint32_t fraction = 0; fraction < (1u << 23); fraction += kStep) {
    for (uint32_t i = 0; i < kCount; ++i) c.log2OfM[i] = std::log2(1.0 + std::ldexp(double(fraction + i), -23));
    for (uint32_t top = 0; top < 512; ++top) {
      ASSERT_EQ(0u, brokenProperties(c, top << 23 | fraction, kCount, previous[top]))
          << "patterns from 0x" << std::hex << (top << 23 | fraction);
      previous[top] = c.scalar[kCount - 1];
    }
  }
}
#endif

}  // namespace
}  // namespace tq::test
