// Copy with statistics: the destination holds the gathered samples, and the
// statistics are bit for bit those of the running statistics over the
// destination (whose blocks it shares for every stride but 1) or over the
// source (stride 1), for any data, counts 0..40, strides forward, zero and
// backward, and every natural offset of both arrays, guarded before and
// after. The precision split is counted as for the running statistics.
#include <gtest/gtest.h>

#include <cmath>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

struct Stats {
  int16_t lo, hi;
  double sum, squares;
};

void expectSame(const Stats& e, const Stats& g, const std::string& where) {
  EXPECT_EQ(e.lo, g.lo) << where;
  EXPECT_EQ(e.hi, g.hi) << where;
  EXPECT_SAME_BITS(e.sum, g.sum) << where;
  EXPECT_SAME_BITS(e.squares, g.squares) << where;
}

TEST(MoveWithStats, EqualsTheRunningStatisticsOfTheGatheredSamples) {
  for (int32_t stride : {1, 2, 3, 7, 0, -1, -3})
    for (uint32_t n = 0; n <= 40; ++n)
      for (std::size_t sourceOffset = 0; sourceOffset < 16; sourceOffset += 2)
        for (std::size_t destinationOffset = 0; destinationOffset < 16; destinationOffset += 6) {
          const std::size_t span = n ? (n - 1) * std::size_t(std::abs(stride)) + 1 : 0;
          const auto r = randomValues<double>(span, n + sourceOffset, 32767.0);
          // Backward strides start at the last element and run into the guard before the first.
          GuardedArray<int16_t> source(span, Placement::AtStart, sourceOffset);
          GuardedArray<int16_t> destination(n, n % 2 ? Placement::AtEnd : Placement::AtStart, destinationOffset);
          source.assign(std::vector<int16_t>(r.begin(), r.end()));
          const int16_t* from = source.data() + (stride < 0 ? span - 1 : 0);
          const std::string where = "stride " + std::to_string(stride) + " count " + std::to_string(n) + " offsets " +
                                    std::to_string(sourceOffset) + " " + std::to_string(destinationOffset);
          Stats got{-5, 5, 0.5, 3.0}, expected = got;
          const float offset = n % 3 ? 0.3f : 0x1p-12f;
          tqcalcMoveAndGetMinMaxAveRMS_int16_t(destination.data(), from, n, &got.lo, &got.hi, &got.sum, &got.squares,
                                               offset, stride);
          const auto copied = destination.values();
          for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(copied[i], from[std::ptrdiff_t(i) * stride]) << where << " at " << i;
          EXPECT_TRUE(destination.untouched()) << where;
          const int16_t* measured = stride == 1 ? from : destination.data();
          tqcalcGetMinMaxAveRMS_int16_t(measured, n, &expected.lo, &expected.hi, &expected.sum, &expected.squares, offset);
          expectSame(expected, got, where);
        }
}

// Samples 4096, offset 2^-12: (sumOfSquares - n 2^24) / 2 counts the samples
// of whole blocks (see the running statistics).
TEST(MoveWithStats, PrecisionSplitCounted) {
  for (int32_t stride : {1, 2, 3, 7})
    for (uint32_t n = 0; n <= 40; ++n)
      for (std::size_t sourceOffset = 0; sourceOffset < 16; sourceOffset += 2)
        for (std::size_t destinationOffset = 0; destinationOffset < 16; destinationOffset += 2) {
          const std::size_t span = n ? (n - 1) * std::size_t(stride) + 1 : 0;
          GuardedArray<int16_t> source(span, Placement::AtStart, sourceOffset), destination(n, Placement::AtStart, destinationOffset);
          source.assign(std::vector<int16_t>(span, 4096));
          Stats s{0, 0, 0, 0};
          tqcalcMoveAndGetMinMaxAveRMS_int16_t(destination.data(), source.data(), n, &s.lo, &s.hi, &s.sum, &s.squares,
                                               0x1p-12f, stride);
          const auto [first, end] = ref::doubleShiftRange(stride == 1 ? source.data() : destination.data(), n);
          EXPECT_EQ(std::lround((s.squares - n * 0x1p24) / 2), long(end - first))
              << "stride " << stride << " count " << n << " offsets " << sourceOffset << " " << destinationOffset;
        }
}

}  // namespace
}  // namespace tq::test
