#include "core/fast_log10.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
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

std::vector<float> lanes4(__m128 v) {
  std::vector<float> out(4);
  _mm_storeu_ps(out.data(), v);
  return out;
}
std::vector<float> lanes8(__m256 v) {
  std::vector<float> out(8);
  _mm256_storeu_ps(out.data(), v);
  return out;
}

TEST(FastLog10, DescribedValuesOfTheScalarForm) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float x;
    double expected;
  } cases[] = {
      {1.0f, 0.0},
      {2.0f, 0.3010300099849701},
      {0.5f, -0.3010300099849701},
      {10.0f, 1.0000156164169312},
      {100.0f, 1.9999374151229858},
      {0.001f, -3.0000011920928955},
      {-10.0f, 1.0000156164169312},
      {9.999999717180685e-10f, -8.999992370605469},
      {std::nextafter(2.0f, 0.0f), 0.30091169476509094},
      {0.0f, -38.23080825805664},
      {-0.0f, -38.23080825805664},
      {floatOf(1), -38.23080825805664},           // smallest subnormal
      {floatOf(0x007FFFFF), -37.92989730834961},  // largest subnormal
      {inf, 38.53184127807617},
      {-inf, 38.53184127807617},
      {floatOf(0x7FC00000), 38.707862854003906},
  };
  for (const auto& c : cases) EXPECT_SAME_BITS(float(c.expected), fastLog10(c.x)) << "x = " << c.x;
}

// Powers of two are exact up to the final float scaling in the lane forms.
TEST(FastLog10, LaneFormsAtPowersOfTwo) {
  for (int k = -126; k <= 127; k += 31) {
    const float x = std::ldexp(1.0f, k);
    const float expected = float(k) * fastlog::kLog10Of2Float;
    EXPECT_SAME_BITS(std::vector<float>(4, expected), lanes4(fastLog10x4(_mm_set1_ps(x)))) << k;
    EXPECT_SAME_BITS(std::vector<float>(8, expected), lanes8(fastLog10x8(_mm256_set1_ps(-x)))) << k;
  }
}

// Results as integers that order like the floats, so that differences count
// units in the last place.
inline int32_t ordered(float v) {
  int32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits < 0 ? int32_t(0x80000000u - uint32_t(bits)) : bits;
}

constexpr uint32_t kChunk = 4096;

// The worst of each property over consecutive patterns of one sign and
// exponent (fractions ascending), and where it was first seen.
struct Worst {
  double error = 0;        // from the exact log10, normal inputs only
  double errorOneToTwo = 0;  // the same for inputs in [1, 2)
  uint32_t falling = 0;    // results below their predecessor beyond rounding noise
  int32_t laneUlps = 0;    // four-lane form against the scalar form
  uint32_t eightDiffers = 0, notFinite = 0;
  uint32_t errorAt = 0, errorOneToTwoAt = 0, fallingAt = 0, laneAt = 0, eightAt = 0, finiteAt = 0;
};

struct Chunk {
  alignas(32) float x[kChunk];
  alignas(32) float scalar[kChunk];
  alignas(32) float four[kChunk];
  alignas(32) float eight[kChunk];
  alignas(32) double log2OfM[kChunk];  // exact, of each pattern's significand
};

// `count` patterns from `first` (a multiple of 8, same sign and exponent),
// `previous` the scalar result of the pattern before `first` or -inf.
// Plain element-wise loops: at O3 GCC vectorises them with the same IEEE
// operations (no contraction, no fast-math), which is what keeps all 2^32
// patterns in seconds.
__attribute__((optimize("O3"))) void sweepChunk(Chunk& c, uint32_t first, uint32_t count, float previous,
                                                 Worst& worst) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t bits = first + i;
    std::memcpy(&c.x[i], &bits, sizeof bits);
  }
  for (uint32_t i = 0; i < count; ++i) c.scalar[i] = fastLog10(c.x[i]);
  for (uint32_t i = 0; i < count; i += 4) _mm_store_ps(c.four + i, fastLog10x4(_mm_load_ps(c.x + i)));
  for (uint32_t i = 0; i < count; i += 8) _mm256_store_ps(c.eight + i, fastLog10x8(_mm256_load_ps(c.x + i)));

  const int field = int(first >> 23 & 0xFF);
  double error = 0;
  if (field != 0 && field != 255) {
    // A max reduction GCC will not vectorise (NaN rules): by hand.
    const __m256d e = _mm256_set1_pd(field - 127), log10Of2 = _mm256_set1_pd(0.30102999566398119521);
    __m256d worstLanes = _mm256_setzero_pd();
    for (uint32_t i = 0; i < count; i += 4) {
      const __m256d exact = _mm256_mul_pd(_mm256_add_pd(e, _mm256_load_pd(c.log2OfM + i)), log10Of2);
      const __m256d d = _mm256_sub_pd(_mm256_cvtps_pd(_mm_load_ps(c.scalar + i)), exact);
      worstLanes = _mm256_max_pd(worstLanes, _mm256_andnot_pd(_mm256_set1_pd(-0.0), d));
    }
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, worstLanes);
    error = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
  }
  const auto falls = [](float before, float after) {
    return before - after > std::fabs(before) * 0x1p-22f + 0x1p-24f;
  };
  uint32_t falling = falls(previous, c.scalar[0]);
  for (uint32_t i = 1; i < count; ++i) falling += falls(c.scalar[i - 1], c.scalar[i]);
  int32_t laneUlps = 0;
  uint32_t eightDiffers = 0, notFinite = 0;
  for (uint32_t i = 0; i < count; ++i) {
    laneUlps = std::max(laneUlps, std::abs(ordered(c.scalar[i]) - ordered(c.four[i])));
    eightDiffers += ordered(c.four[i]) != ordered(c.eight[i]);
    notFinite += !(std::fabs(c.scalar[i]) <= std::numeric_limits<float>::max());
  }
  if (error > worst.error) worst.error = error, worst.errorAt = first;
  if (field == 127 && error > worst.errorOneToTwo) worst.errorOneToTwo = error, worst.errorOneToTwoAt = first;
  if (falling && !worst.falling) worst.fallingAt = first;
  worst.falling += falling;
  if (laneUlps > worst.laneUlps) worst.laneUlps = laneUlps, worst.laneAt = first;
  if (eightDiffers && !worst.eightDiffers) worst.eightAt = first;
  if (notFinite && !worst.notFinite) worst.finiteAt = first;
  worst.eightDiffers += eightDiffers;
  worst.notFinite += notFinite;
}

double log2OfSignificand(uint32_t fraction) { return std::log2(1.0 + std::ldexp(double(fraction), -23)); }

// Bounds, with what they allow for:
//  - accuracy: 1.21e-4 is the approximation's own error (1.19e-4 in [1, 2),
//    where no allowance is needed); far from 0 the float rounding of q + e and of
//    the result adds up to half a unit of the result, 1.9e-6 at |result| >= 32,
//    so the bound is 1.21e-4 plus that half unit at the largest results;
//  - monotonicity: the polynomial is increasing in m, but its float
//    evaluation is not exactly: rounding noise of a unit or two in
//    p * (m - 1) (below 2^-24 after scaling) and in the roundings after it
//    (below 2 ulps of the result, at most |result| 2^-22) lets a result fall
//    that far below its predecessor, never more (`falls` in sweepChunk);
//  - four lanes against scalar: one unit (float against double scaling).
constexpr double kAccuracy = 1.21e-4 + 0x1p-19;  // half an ulp at 32..64

void expectWithinBounds(const Worst& w) {
  EXPECT_LE(w.error, kAccuracy) << "chunk at 0x" << std::hex << w.errorAt;
  EXPECT_LE(w.errorOneToTwo, 1.19e-4) << "chunk at 0x" << std::hex << w.errorOneToTwoAt;
  EXPECT_EQ(0u, w.falling) << "first chunk at 0x" << std::hex << w.fallingAt;
  EXPECT_LE(w.laneUlps, 1) << "chunk at 0x" << std::hex << w.laneAt;
  EXPECT_EQ(0u, w.eightDiffers) << "eight lanes differ from four, first chunk at 0x" << std::hex << w.eightAt;
  EXPECT_EQ(0u, w.notFinite) << "first chunk at 0x" << std::hex << w.finiteAt;
  std::printf("worst error %.6g, lanes %d ulp apart\n", w.error, w.laneUlps);
}

#if defined(__SANITIZE_ADDRESS__)
// Billions of instrumented calls: the exhaustive sweep belongs to the plain
// build.
TEST(FastLog10, DISABLED_EveryBitPattern) {}
#elif defined(__i386__)
// Under emulation: every 4099th block of eight patterns, all signs and
// exponents included.
TEST(FastLog10, StridedBitPatterns) {
  Chunk c;
  Worst worst;
  for (uint64_t block = 0; block < (uint64_t(1) << 29); block += 4099) {
    const uint32_t first = uint32_t(block << 3);
    for (uint32_t i = 0; i < 8; ++i) c.log2OfM[i] = log2OfSignificand((first & 0x7FFFFFu) + i);
    sweepChunk(c, first, 8, -std::numeric_limits<float>::infinity(), worst);
  }
  expectWithinBounds(worst);
}
#else
// Every one of the 2^32 patterns. Significands outermost, in chunks whose
// exact logarithms are computed once for all 512 signs and exponents.
TEST(FastLog10, EveryBitPattern) {
  const auto start = std::chrono::steady_clock::now();
  Chunk c;
  Worst worst;
  std::vector<float> previous(512, -std::numeric_limits<float>::infinity());
  for (uint32_t fraction = 0; fraction < (1u << 23); fraction += kChunk) {
    for (uint32_t i = 0; i < kChunk; ++i) c.log2OfM[i] = log2OfSignificand(fraction + i);
    for (uint32_t top = 0; top < 512; ++top) {
      sweepChunk(c, top << 23 | fraction, kChunk, previous[top], worst);
      previous[top] = c.scalar[kChunk - 1];
    }
  }
  expectWithinBounds(worst);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("seconds", std::to_string(seconds));
  std::printf("all 2^32 patterns in %.1f s\n", seconds);
}
#endif

}  // namespace
}  // namespace tq::test
