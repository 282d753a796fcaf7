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

#if !defined(__SANITIZE_ADDRESS__)  // billions of instrumented calls: the plain build's
// Results as integers that order like the floats: differences count units
// in the last place.
int32_t ordered(float v) {
  int32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits < 0 ? int32_t(0x80000000u - uint32_t(bits)) : bits;
}

// Accuracy: the approximation's own 1.19e-4 in [1, 2); elsewhere 1.21e-4
// plus half an ulp of the largest results (the float roundings of q + e and
// of the result). Four lanes within one unit of the scalar form (float
// against double scaling), eight lanes the bits of four; results finite.
// Plain loops: at O3 GCC vectorises them with the same IEEE operations,
// which keeps 2^32 patterns in seconds.
constexpr uint32_t kChunk = 4096;
__attribute__((optimize("O3"))) uint32_t broken(uint32_t first, uint32_t count, const double* log2OfM) {
  alignas(32) float x[kChunk], scalar[kChunk], four[kChunk], eight[kChunk];
  for (uint32_t i = 0; i < count; ++i) x[i] = floatOf(first + i), scalar[i] = fastLog10(x[i]);
  for (uint32_t i = 0; i < count; i += 4) simd::store(four + i, fastLog10Lanes(simd::load<simd::F32x4>(x + i)));
  for (uint32_t i = 0; i < count; i += 8) simd::store(eight + i, fastLog10Lanes(simd::load<simd::F32x8>(x + i)));
  const int field = int(first >> 23 & 0xFF);
  const double e = field - 127, bound = field == 127 ? 1.19e-4 : field == 0 || field == 255 ? HUGE_VAL : 1.21e-4 + 0x1p-19;
  uint32_t failures = 0;
  for (uint32_t i = 0; i < count; ++i)
    failures += !(std::fabs(double(scalar[i]) - (e + log2OfM[i]) * 0.30102999566398119521) <= bound) +
                (std::abs(ordered(scalar[i]) - ordered(four[i])) > 1) + (ordered(four[i]) != ordered(eight[i])) +
                !(std::fabs(scalar[i]) <= std::numeric_limits<float>::max());
  return failures;
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
  std::vector<double> log2OfM(kCount);
  for (uint32_t fraction = 0; fraction < (1u << 23); fraction += kStep) {
    for (uint32_t i = 0; i < kCount; ++i) log2OfM[i] = std::log2(1.0 + std::ldexp(double(fraction + i), -23));
    for (uint32_t top = 0; top < 512; ++top)
      ASSERT_EQ(0u, broken(top << 23 | fraction, kCount, log2OfM.data())) << "patterns from 0x" << std::hex << (top << 23 | fraction);
  }
}
#endif

}  // namespace
}  // namespace tq::test
