// Cursor search: the sequential float model on random grids of few values
// (ties everywhere), widths 1..13, pitches either way and off the multiple
// of 4, cursors inside and outside, exclusions none, one, on the stack's
// limit, on the heap; the window flush against a guard page on both sides;
// and the described cases.
#include <gtest/gtest.h>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

struct Found {
  uint32_t value = 0xDEAD;
  int32_t column = -99, row = -99;
  bool operator==(const Found& o) const { return value == o.value && column == o.column && row == o.row; }
};
std::ostream& operator<<(std::ostream& out, const Found& f) { return out << f.value << " at " << f.column << "," << f.row; }

TEST(CursorSearch, EqualsTheSequentialScan) {
  const auto exclusions = randomValues<double>(200, 1, 20.0);
  std::vector<uint32_t> excluded;
  for (double e : exclusions) excluded.push_back(uint32_t(std::abs(int(e))));  // 0..19; the grid holds 0..7
  for (int32_t width = 1; width <= 13; ++width)
    for (int32_t extra : {0, 3, -2, 8}) {
      const int32_t height = 1 + width % 4 * 2;
      for (int32_t sign : {1, -1}) {
        const int32_t pitch = sign * (4 * width + extra), rowBytes = std::abs(pitch / 4 * 4);
        const std::size_t words = std::size_t(rowBytes / 4) * (height - 1) + width;
        const auto r = randomValues<double>(words, uint32_t(width * 7 + extra), 4.0);
        std::vector<uint32_t> memory;
        for (double v : r) memory.push_back(uint32_t(int(v) + 4));
        for (Placement placement : {Placement::AtStart, Placement::AtEnd}) {
          GuardedArray<uint32_t> grid(words, placement);
          grid.assign(memory);
          // Row 0 is the highest row in memory for a positive pitch.
          const uint32_t* cells = grid.data() + (sign > 0 ? words - width : 0);
          for (int32_t count : {0, 1, 63, 64, 200, -1})
            for (const auto& [cx, cy] : {std::pair{width / 2, height / 2}, {-3, 1}, {width + 2, -5}, {1, height}}) {
              Found expected, got;
              ref::tqcalcFindCursorXY(cells, pitch, width, height, cx, cy, &expected.value, &expected.column,
                                      &expected.row, excluded.data(), count);
              tqcalcFindCursorXY(cells, pitch, width, height, cx, cy, &got.value, &got.column, &got.row,
                                 count > 0 ? excluded.data() : nullptr, count);
              EXPECT_EQ(expected, got) << "width " << width << " pitch " << pitch << " excluded " << count
                                       << " cursor " << cx << "," << cy;
            }
        }
      }
    }
}

TEST(CursorSearch, DescribedCases) {
  // 3 x 3, cursor (1, 1): the centre excluded, (2, 1) the one candidate.
  uint32_t grid[9] = {7, 7, 7, 7, 7, 5, 7, 7, 7};
  const uint32_t seven[2] = {7, 7};
  Found f;
  tqcalcFindCursorXY(grid, -12, 3, 3, 1, 1, &f.value, &f.column, &f.row, seven, 1);
  EXPECT_EQ(f, (Found{5, 2, 1}));
  // Width 7, only (5, 0) a candidate: found beyond the last group of four.
  uint32_t line[7] = {7, 7, 7, 7, 7, 3, 7};
  f = {};
  tqcalcFindCursorXY(line, 28, 7, 1, 5, 0, &f.value, &f.column, &f.row, seven, 2);
  EXPECT_EQ(f, (Found{3, 5, 0}));
  // Everything excluded, or no rows: the outputs stay.
  f = {};
  tqcalcFindCursorXY(grid, -12, 3, 1, 1, 1, &f.value, &f.column, &f.row, seven, 1);
  EXPECT_EQ(f, Found{});
  tqcalcFindCursorXY(grid, -12, 3, 0, 1, 1, &f.value, &f.column, &f.row, nullptr, 0);
  EXPECT_EQ(f, Found{});
  // Cursor at column -10: column 0 wins, nearest row first.
  tqcalcFindCursorXY(grid, -12, 3, 3, -10, 2, &f.value, &f.column, &f.row, nullptr, 0);
  EXPECT_EQ(f, (Found{7, 0, 2}));
}

}  // namespace
}  // namespace tq::test
