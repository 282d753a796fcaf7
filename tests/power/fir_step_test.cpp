// FIR step: which sample meets which coefficient at every position, and
// each case's summation order.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

float firAt(const std::vector<float>& ring, const std::vector<float>& sets, uint32_t position, uint32_t set) {
  const PowerFirParams r{ring.data(), sets.data(), position, set, uint32_t(ring.size())};
  return tqcalcPowerCalcFIR_float(&r);
}

// The oldest of the 16 samples before `position`, wrapping to the end.
uint32_t oldest(uint32_t position, uint32_t length) { return (position + length - 16) % length; }

// Set 2 of three (the others NaN) with one coefficient 1: tap j reads the
// j-th oldest sample, for every position of rings of 16, 17 and 100.
TEST(FirStep, OneHotTapsAtEveryPosition) {
  for (uint32_t length : {16u, 17u, 100u}) {
    std::vector<float> ring(length);
    for (uint32_t i = 0; i < length; ++i) ring[i] = float(i) + 1;
    for (uint32_t tap = 0; tap < 16; ++tap) {
      std::vector<float> sets(48, NAN);
      std::fill(sets.begin() + 32, sets.end(), 0.0f);
      sets[32 + tap] = 1;
      for (uint32_t position = 0; position <= length; ++position)
        EXPECT_SAME_BITS(ring[(oldest(position, length) + tap) % length], firAt(ring, sets, position, 2))
            << length << " " << position << " " << tap;
    }
  }
}

// All coefficients 1, the oldest sample 2^24 and the rest 1: one at a time
// every 1 is lost (2^24); the pairwise order keeps 14 of them.
TEST(FirStep, ContiguousPairwiseWrappedTapOrder) {
  for (uint32_t length : {16u, 17u, 100u})
    for (uint32_t position = 0; position <= length; ++position) {
      std::vector<float> ring(length, 1.0f), sets(16, 1.0f);
      const uint32_t start = oldest(position, length);
      ring[start] = 0x1p24f;
      const bool contiguous = length - start >= 16;
      EXPECT_SAME_BITS(contiguous ? 0x1p24f + 14 : 0x1p24f, firAt(ring, sets, position, 0)) << length << " " << position;
    }
}

}  // namespace
}  // namespace tq::test
