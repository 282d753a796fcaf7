// Cursor search: the cell nearest to a cursor, in a window of 32-bit cells,
// whose value is not excluded.
//
// Rows in order, each in groups of four columns: the four cells are compared
// with every excluded value (kept broadcast in a scratch array, made once per
// call: on the stack up to 63 values, from the heap beyond). A group whose
// cells all hold the first value is dropped at once; for the others the
// squared distances are formed in float lanes, and only cells below the best
// distance so far are compared with the rest of the list (a farther cell
// cannot change the result, excluded or not). The survivors are offered lane
// by lane, in column order with the strict comparison, so that every result
// is that of the sequential scan (equal distances go to the earliest cell).
// The last 0..3 columns of a row go one at a time.
#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdlib>

#include "simd/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

constexpr int32_t kStackExclusions = 63;

struct Best {
  float distance;
  uint32_t* value;
  int32_t* column;
  int32_t* row;
  void offer(float d, uint32_t v, int32_t c, int32_t r) {
    if (d < distance) distance = d, *value = v, *column = c, *row = r;
  }
};

// Differences wrap around in 32 bits, as the lanes' do.
inline float squaredDistance(int32_t from, int32_t to) {
  const float d = float(int32_t(uint32_t(from) - uint32_t(to)));
  return d * d;
}

// `excluded(j)` gives excluded value j broadcast to four lanes.
template <class Excluded>
void search(const uint32_t* cells, int32_t pitch, int32_t width, int32_t height, int32_t cursorX, int32_t cursorY,
            Best& best, const uint32_t* excludedValues, int32_t excludedCount, Excluded excluded) {
  alignas(16) static constexpr int32_t kLaneColumns[4] = {0, 1, 2, 3};
  const std::ptrdiff_t rowStep = pitch / 4 * 4;  // toward zero: -7 gives -4
  const I32x4 firstDx = sub(splat<I32x4>(cursorX), load<I32x4>(kLaneColumns));
  const int32_t groupColumns = width & ~3;
  for (int32_t r = 0; r < height; ++r) {
    const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const char*>(cells) - r * rowStep);
    const float dy2 = squaredDistance(cursorY, r);
    const auto group = [&](int32_t c) {
      const I32x4 v = load<I32x4>(row + c);
      // The first value (the background, as a rule) drops most groups. Then
      // only cells nearer than the best so far can change the result: the
      // rest of the list is compared for them alone, four values per test.
      unsigned out = excludedCount > 0 ? laneMask(cmpEq(v, excluded(0))) : 0;
      if (out == 0xF) return;
      const F32x4 x = toFloat(sub(firstDx, splat<I32x4>(c))), d = add(mul(x, x), splat<F32x4>(dy2));
      out |= ~laneMask(cmpLt(d, splat<F32x4>(best.distance))) & 0xF;
      int32_t j = 1;
      for (; excludedCount - j >= 4 && out != 0xF; j += 4)
        out |= laneMask(bitOr(bitOr(cmpEq(v, excluded(j)), cmpEq(v, excluded(j + 1))),
                              bitOr(cmpEq(v, excluded(j + 2)), cmpEq(v, excluded(j + 3)))));
      for (; j < excludedCount && out != 0xF; ++j) out |= laneMask(cmpEq(v, excluded(j)));
      if (out == 0xF) return;
      const auto distances = lanesOf(d);
      for (int32_t k = 0; k < 4; ++k)
        if (!(out >> k & 1)) best.offer(distances.at[k], row[c + k], c + k, r);
    };
    int32_t c = 0;
    // Two groups wholly of the first excluded value are dropped by one test.
    if (excludedCount > 0) {
      const I32x4 first = excluded(0);
      for (; groupColumns - c >= 8; c += 8) {
        if ((laneMask(cmpEq(load<I32x4>(row + c), first)) & laneMask(cmpEq(load<I32x4>(row + c + 4), first))) == 0xF) continue;
        group(c), group(c + 4);
      }
    }
    for (; c < groupColumns; c += 4) group(c);
    for (int32_t c = groupColumns; c < width; ++c) {
      bool out = false;
      for (int32_t j = 0; j < excludedCount && !out; ++j) out = row[c] == excludedValues[j];
      if (!out) best.offer(squaredDistance(cursorX, c) + dy2, row[c], c, r);
    }
  }
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcFindCursorXY(const uint32_t* cells, int32_t pitch, int32_t width, int32_t height,
                                                  int32_t cursorX, int32_t cursorY, uint32_t* foundValue,
                                                  int32_t* foundColumn, int32_t* foundRow,
                                                  const uint32_t* excludedValues, int32_t excludedCount) {
  if (width <= 0 || height <= 0) return;
  Best best{FLT_MAX, foundValue, foundColumn, foundRow};
  const int32_t count = std::max(excludedCount, 0);
  const auto run = [&](auto excluded) {
    search(cells, pitch, width, height, cursorX, cursorY, best, excludedValues, count, excluded);
  };
  I32x4 onStack[kStackExclusions];
  I32x4* scratch = onStack;
  if (count > kStackExclusions)
    scratch = std::size_t(count) > SIZE_MAX / sizeof(I32x4) ? nullptr
                                                            : static_cast<I32x4*>(std::malloc(sizeof(I32x4) * std::size_t(count)));
  if (scratch == nullptr) {
    // No scratch: broadcast each value where it is used.
    run([=](int32_t j) { return splat<I32x4>(int32_t(excludedValues[j])); });
    return;
  }
  for (int32_t j = 0; j < count; ++j) scratch[j] = splat<I32x4>(int32_t(excludedValues[j]));
  run([=](int32_t j) { return scratch[j]; });
  if (scratch != onStack) std::free(scratch);
}
