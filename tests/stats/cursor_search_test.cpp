// Cursor search: the described cases, and what the harness row leaves out
// (its pitch is positive, its exclusions few): pitches either way and off
// the multiple of 4, exclusions past eight, on the stack's limit and on the
// heap, on random grids of few values (ties everywhere).
#include <gtest/gtest.h>

#include "support/bits.h"
#include "support/harness.h"

namespace tq::test {
namespace {

struct Found {
  uint32_t value = 0xDEAD;
  int32_t column = -99, row = -99;
  bool operator==(const Found& o) const { return value == o.value && column == o.column && row == o.row; }
};
std::ostream& operator<<(std::ostream& out, const Found& f) { return out << f.value << " at " << f.column << "," << f.row; }
template <class F>
Found find(F f, const uint32_t* cells, int32_t pitch, int32_t width, int32_t height, int32_t cx, int32_t cy,
           const uint32_t* excluded, int32_t count) {
  Found r;
  f(cells, pitch, width, height, cx, cy, &r.value, &r.column, &r.row, excluded, count);
  return r;
}

TEST(CursorSearch, EqualsTheSequentialScan) {
  std::vector<uint32_t> excluded;
  for (double e : randomValues<double>(200, 1, 20.0)) excluded.push_back(uint32_t(std::abs(int(e))));  // the grid holds 0..7
  for (int32_t width : {1, 3, 4, 7, 13})
    for (int32_t pitch : {4 * width, 4 * width + 3, -4 * width - 2, -4 * width - 8}) {
      const int32_t height = 1 + width % 4 * 2, words = std::abs(pitch / 4) * (height - 1) + width;
      std::vector<uint32_t> grid;
      for (double v : randomValues<double>(std::size_t(words), uint32_t(width * 7 + pitch), 4.0)) grid.push_back(uint32_t(int(v) + 4));
      const uint32_t* cells = grid.data() + (pitch > 0 ? words - width : 0);  // row 0 highest in memory for a positive pitch
      for (int32_t count : {0, 9, 13, 63, 64, 200})
        for (const auto& [cx, cy] : {std::pair{width / 2, height / 2}, {-3, 1}, {width + 2, -5}})
          EXPECT_EQ(find(ref::tqcalcFindCursorXY, cells, pitch, width, height, cx, cy, excluded.data(), count),
                    find(tqcalcFindCursorXY, cells, pitch, width, height, cx, cy, excluded.data(), count))
              << "width " << width << " pitch " << pitch << " excluded " << count << " cursor " << cx << "," << cy;
    }
}

TEST(CursorSearch, DescribedCases) {
  // 3 x 3, cursor (1, 1): the centre excluded, (2, 1) the one candidate.
  const uint32_t grid[9] = {7, 7, 7, 7, 7, 5, 7, 7, 7}, seven[2] = {7, 7}, sides[4] = {1, 7, 7, 2};
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 3, 1, 1, seven, 1), (Found{5, 2, 1}));
  // Distance 1 to the right wins over distance 2 to the left.
  EXPECT_EQ(find(tqcalcFindCursorXY, sides, 16, 4, 1, 2, 0, seven, 1), (Found{2, 3, 0}));
  // Width 7, only (5, 0) a candidate: found beyond the last group of four.
  const uint32_t line[7] = {7, 7, 7, 7, 7, 3, 7};
  EXPECT_EQ(find(tqcalcFindCursorXY, line, 28, 7, 1, 5, 0, seven, 2), (Found{3, 5, 0}));
  // Everything excluded, or no rows: the outputs stay.
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 1, 1, 1, seven, 1), Found{});
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 0, 1, 1, nullptr, 0), Found{});
  // Cursor at column -10: column 0 wins, nearest row first.
  EXPECT_EQ(find(tqcalcFindCursorXY, grid, -12, 3, 3, -10, 2, nullptr, 0), (Found{7, 0, 2}));
}

}  // namespace
}  // namespace tq::test
