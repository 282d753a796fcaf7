// int16 running statistics and the copy with statistics: blocks summed in
// integers where that gives the double lanes' bits, in double elsewhere.
// Expected: the head one at a time, the blocks' total added once (through
// the int32 variant: the same double lanes), the tail one at a time; with
// entry sums of ulp 4 any other order rounds differently.
#include <gtest/gtest.h>

#include <cstring>

#include "reference/reference.h"
#include "support/guarded.h"

namespace tq::test {
namespace {

struct Stats {
  int16_t lo, hi;
  double sum, squares;
  bool operator==(const Stats& o) const {
    return lo == o.lo && hi == o.hi && std::memcmp(&sum, &o.sum, 2 * sizeof sum) == 0;
  }
};
constexpr Stats kEntry{100, -100, 0x1p54 / 3, 0x1p54 / 3};

Stats expected(const int16_t* v, uint32_t n, float offset, Stats s) {
  const auto [first, end] = ref::doubleShiftRange(v, n);
  ref::runningStats(v, uint32_t(first), &s.lo, &s.hi, &s.sum, &s.squares, offset, 0, 0);
  const std::vector<int32_t> block(v + first, v + end);
  int32_t lo = s.lo, hi = s.hi;
  tqcalcGetMinMaxAveRMS_int32_t(block.data(), uint32_t(block.size()), &lo, &hi, &s.sum, &s.squares, offset);
  s.lo = int16_t(lo), s.hi = int16_t(hi);
  ref::runningStats(v + end, uint32_t(n - end), &s.lo, &s.hi, &s.sum, &s.squares, offset, 0, 0);
  return s;
}

// The three calls on `v` (the copies at strides 1 and 3) against expected().
void check(const int16_t* v, uint32_t n, float offset, Stats entry = kEntry) {
  Stats got = entry;
  tqcalcGetMinMaxAveRMS_int16_t(v, n, &got.lo, &got.hi, &got.sum, &got.squares, offset);
  EXPECT_TRUE(got == expected(v, n, offset, entry)) << n << " offset " << offset << " at " << uintptr_t(v) % 16;
  std::vector<int16_t> wide(3 * std::size_t(n)), copy(n + 8);
  for (uint32_t i = 0; i < n; ++i) wide[3 * std::size_t(i)] = v[i];
  for (int32_t stride : {1, 3}) {
    int16_t* d = copy.data() + n % 8;  // the gather splits on the destination
    got = entry;
    tqcalcMoveAndGetMinMaxAveRMS_int16_t(d, stride == 1 ? v : wide.data(), n, &got.lo, &got.hi, &got.sum, &got.squares,
                                         offset, stride);
    EXPECT_TRUE(std::equal(v, v + n, d) && got == expected(stride == 1 ? v : d, n, offset, entry)) << n << " stride " << stride;
  }
}

// Dyadic offsets (-0 too) against non-dyadic ones; counts around the block;
// runs of -32768 (a pair of them is 2^31 in one 32-bit lane).
TEST(Int16Squares, ExactBlocksAtEveryStartAndCount) {
  for (float offset : {0.0f, -0.0f, 0.5f, -3.0f, -0.25f, 0.1f})
    for (uint32_t n : {7u, 8u, 9u, 15u, 16u, 17u, 24u, 33u, 100u})
      for (std::size_t start = 0; start < 16; start += 2) {
        GuardedArray<int16_t> a(n, Placement::AtStart, start);
        std::vector<int16_t> v(n);
        for (uint32_t i = 0; i < n; ++i) v[i] = i % 7 < 3 ? -32768 : i % 7 == 3 ? 32767 : int16_t(i * 2654435761u >> 16);
        a.assign(v);
        check(a.data(), n, offset);
      }
}

// Long counts on either side of an exact total of 2^53, where the double
// lanes begin to round and the integers must give way to them: near-extremes
// with offset +-1/2, random samples in [-4096, 0) and in the full range with
// offset 3/256 (where the lanes round differently from the exact total).
TEST(Int16Squares, LongCountsAroundTwoToThe53) {
  const struct { int16_t base; int bits; float offset; uint32_t n; } rows[] = {
      {32767, 3, 0.5f, 1u << 21}, {-32768, 3, -0.5f, 3u << 20}, {-4096, 12, 0x3p-8f, 1u << 14}, {0, 16, 0x3p-8f, 1u << 14}, {0, 16, 0x3p-8f, 40000}};
  for (const auto& row : rows) {
    std::vector<int16_t> buffer(row.n + 8);
    uint32_t state = row.n;
    for (auto& v : buffer) state = state * 1664525u + 1013904223u, v = int16_t(row.base ^ (state >> (32 - row.bits)));
    check(buffer.data() + (16 - uintptr_t(buffer.data()) % 16) % 16 / 2, row.n, row.offset, {0, 0, 0, 0});
  }
}

}  // namespace
}  // namespace tq::test
