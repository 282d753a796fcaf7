// The statistics core of the running statistics and of the copy that
// gathers them: running minimum, maximum, sum and sum of squares of shifted
// samples (s = v + offset), one sample at a time or in whole blocks of one
// vector.
//
// Blocks keep the minima and maxima in lanes seeded from the running values
// (samples go in as the first operand, so a NaN sample never replaces a
// number and a NaN running value stays, as in the sequential step) and the
// sums in four double lanes per half block; `blocksPerTurn` blocks make one
// loop turn, with accumulators of their own, so that the loop does not wait
// on the latency of one addition. The lane sums are combined in a fixed
// order and added to the running sums once per call.
#pragma once

#include <cstdint>
#include <type_traits>

#include "simd/loops.h"

namespace tq::stats {

using namespace tq::simd;

// The offset is a float where the short path forms s in single precision.
template <class T>
inline constexpr bool kSingleShift = std::is_same_v<T, float> || std::is_same_v<T, int16_t>;
template <class T> using OffsetOf = std::conditional_t<kSingleShift<T>, float, double>;

template <class T> using Block = Widest<T>;

// A block's samples as exact doubles, four per half.
TQ_LANES void toDoubles(F64x4 v, F64x4* d) { d[0] = v; }
TQ_LANES void toDoubles(F32x8 v, F64x4* d) { d[0] = widen(lowHalf(v)), d[1] = widen(highHalf(v)); }
TQ_LANES void toDoubles(I32x4 v, F64x4* d) { d[0] = toDouble(v); }
TQ_LANES void toDoubles(I16x8 v, F64x4* d) { d[0] = toDouble(widenLow(v)), d[1] = toDouble(widenHigh(v)); }

template <class T>
struct Running {
  T lo, hi;
  double sum, squares;
};

// One sample by the sequential definition; `single`: s rounded to float.
template <class T>
TQ_LANES void addSample(Running<T>& r, T v, OffsetOf<T> offset, bool single) {
  if (r.lo > v) r.lo = v;
  if (v > r.hi) r.hi = v;
  r.sum += double(v);
  double s;
  if constexpr (kSingleShift<T>)
    s = single ? double(float(v) + offset) : double(v) + double(offset);
  else
    s = double(v) + offset;
  r.squares += s * s;
}

// int16 sums are exact in double in any order (2^32 samples stay below 2^47),
// so the blocks' sum is gathered as integers: one multiply-add per block into
// 32-bit lanes, which go into exact double lanes before they could overflow,
// every kExactRun blocks. The double sums would give the same bits.
template <class T> inline constexpr bool kExactSum = std::is_same_v<T, int16_t>;
constexpr std::size_t kExactRun = std::size_t(1) << 14;  // |lane| <= 2^14 * 2^16

// Whole blocks i = first, first + w, ... below `end` (end - first a multiple
// of the width w): `block(i)` gives the samples i .. i + w - 1.
template <class T, class BlockAt>
TQ_LANES void addBlocks(Running<T>& r, OffsetOf<T> offset, std::size_t first, std::size_t end, BlockAt block) {
  using V = Block<T>;
  constexpr std::size_t width = widthOf<V>, halves = width / 4;
  constexpr unsigned turn = 4 / halves;  // four independent sums of each kind
  if (first == end) return;
  V lo[turn], hi[turn];
  F64x4 sum[4], squares[4];
  I32x4 exact = splat<I32x4>(0);
  const F64x4 shift = splat<F64x4>(double(offset));
  TQ_UNROLL for (unsigned k = 0; k < turn; ++k) lo[k] = splat<V>(r.lo), hi[k] = splat<V>(r.hi);
  TQ_UNROLL for (unsigned k = 0; k < 4; ++k) sum[k] = squares[k] = splat<F64x4>(0.0);
  const auto fold = [&](unsigned k, std::size_t at) {
    const V v = block(at);
    lo[k] = min(v, lo[k]);
    hi[k] = max(v, hi[k]);
    if constexpr (kExactSum<T>) exact = add(exact, addPairs(v));
    F64x4 d[halves];
    toDoubles(v, d);
    TQ_UNROLL for (unsigned h = 0; h < halves; ++h) {
      const F64x4 s = add(d[h], shift);
      if constexpr (!kExactSum<T>) sum[k * halves + h] = add(sum[k * halves + h], d[h]);
      squares[k * halves + h] = add(squares[k * halves + h], mul(s, s));
    }
  };
  // Runs of an even number of blocks: block j of the call still goes to the
  // accumulators j % turn.
  const std::size_t run = kExactSum<T> ? kExactRun * width : end - first;
  for (std::size_t i = first; i != end;) {
    const std::size_t runEnd = end - i > run ? i + run : end;
    for (; runEnd - i >= turn * width; i += turn * width) {
      TQ_UNROLL for (unsigned k = 0; k < turn; ++k) fold(k, i + k * width);
    }
    for (; i != runEnd; i += width) fold(0, i);
    if constexpr (kExactSum<T>) sum[0] = add(sum[0], toDouble(exact)), exact = splat<I32x4>(0);
  }
  TQ_UNROLL for (unsigned k = 1; k < turn; ++k) lo[0] = min(lo[k], lo[0]), hi[0] = max(hi[k], hi[0]);
  const auto lows = lanesOf(lo[0]), highs = lanesOf(hi[0]);
  for (std::size_t k = 0; k < width; ++k) {
    if (r.lo > lows.at[k]) r.lo = lows.at[k];
    if (highs.at[k] > r.hi) r.hi = highs.at[k];
  }
  r.sum += sumLanes(add(add(sum[0], sum[1]), add(sum[2], sum[3])));
  r.squares += sumLanes(add(add(squares[0], squares[1]), add(squares[2], squares[3])));
}

// Where the blocks of `count` samples lie: [head, end). int16 blocks start
// at the first 16-byte boundary of `base`; the other types block from
// element 0. Below one block, or with no whole block after the head, none.
struct Split {
  std::size_t head, end;
};
template <class T>
TQ_LANES Split splitAt(const T* base, uint32_t count) {
  constexpr std::size_t width = widthOf<Block<T>>;
  const std::size_t n = count;
  std::size_t head = 0;
  if constexpr (std::is_same_v<T, int16_t>) head = (0u - reinterpret_cast<std::uintptr_t>(base)) % 16 / 2;
  if (n < width || n - head < width) return {n, n};
  return {head, head + (n - head) / width * width};
}

}  // namespace tq::stats
