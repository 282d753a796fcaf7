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

#include <algorithm>
#include <cmath>
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
// of the width w): `block(i)` gives the samples i .. i + w - 1. The shifted
// samples in double lanes, as defined.
template <class T, class BlockAt>
TQ_LANES void doubleBlocks(Running<T>& r, OffsetOf<T> offset, std::size_t first, std::size_t end, BlockAt block) {
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
    const std::size_t runEnd = std::min(end, i + run);
    for (; runEnd - i >= turn * width; i += turn * width) {
      TQ_UNROLL for (unsigned k = 0; k < turn; ++k) fold(k, i + k * width);
    }
    for (; i != runEnd; i += width) fold(0, i);
    if constexpr (kExactSum<T>) sum[0] = add(sum[0], toDouble(exact)), exact = splat<I32x4>(0);
  }
  TQ_UNROLL for (unsigned k = 1; k < turn; ++k) lo[0] = min(lo[k], lo[0]), hi[0] = max(hi[k], hi[0]);
  foldExtremes(r.lo, r.hi, lo[0], hi[0]);
  r.sum += sumLanes(add(add(sum[0], sum[1]), add(sum[2], sum[3])));
  r.squares += sumLanes(add(add(squares[0], squares[1]), add(squares[2], squares[3])));
}

// int16 blocks whose sum of squares the double lanes form without a single
// rounding: the offset a multiple of 2^-bits, so that every s * 2^bits is
// an integer S, and the total of the S^2 at most 2^53. Then every s, every
// s * s and every partial sum, in whatever order the lanes add them, is
// exact (the squares are never negative, so no partial sum exceeds the
// total), and the double lanes' result is the exact total. The exact total
// follows from the integer sums of v and v^2,
//   sum S^2 = 2^(2 bits) sum v^2 + 2^(bits + 1) scaled sum v + n scaled^2,
// with 16-bit multiply-adds, 64-bit lanes and no conversion per sample.
// That needs 128-bit integer operations only, where the double lanes take
// two conversions, two additions and two products per half block.
struct ExactShift {
  unsigned bits;   // offset = scaled * 2^-bits
  int64_t scaled;
};

// The exact form of `offset` for `samples` block samples, with the fewest
// bits: false for offsets no integer of at most 2^31 over 2^15 gives, or
// when the total could leave 2^62 (then the modulo 2^64 integer sums could
// not tell a large total from a small one).
TQ_LANES bool exactShift(float offset, std::size_t samples, ExactShift& e) {
  const double o = offset;
  if (!(std::fabs(o) <= 0x1p16)) return false;  // NaN and infinities too
  for (unsigned bits = 0; bits <= 15; ++bits) {
    const double scaled = o * double(1u << bits);
    if (scaled != truncate(scaled)) continue;
    const double largest = double(32768u << bits) + std::fabs(scaled);  // of |S|
    if (double(samples) * largest * largest >= 0x1p62) return false;
    e = {bits, int64_t(scaled)};
    return true;
  }
  return false;
}

// Minimum, maximum and the exact sums of v and v^2 over the blocks. Sums of
// pairs v^2 reach 2^31 and go straight into 64-bit lanes: the register read
// as 64-bit lanes adds the odd lanes 2^32 times too, and those are summed
// alone to take them out again (modulo 2^64, exact since the true sums stay
// below 2^64). The sums of v wait in 32-bit lanes for kExactRun blocks.
struct ExactSums {
  int16_t lo, hi;
  int64_t values;
  uint64_t squares;
};
template <class BlockAt>
TQ_LANES ExactSums exactBlocks(int16_t lo, int16_t hi, std::size_t first, std::size_t end, BlockAt block) {
  constexpr std::size_t width = 8, run = kExactRun * width;
  I16x8 low = splat<I16x8>(lo), high = splat<I16x8>(hi);
  I64x2 values = zeroI64x2(), words = zeroI64x2(), odd = zeroI64x2();
  for (std::size_t i = first; i != end;) {
    const std::size_t runEnd = std::min(end, i + run);
    I32x4 pairs = splat<I32x4>(0);
    const auto fold = [&](std::size_t at) {
      const I16x8 v = block(at);
      low = min(v, low), high = max(v, high);
      pairs = add(pairs, addPairs(v));
      const I32x4 squares = multiplyAddPairs(v, v);
      words = add(words, asWords(squares)), odd = add(odd, oddLanes(squares));
    };
    for (; runEnd - i >= 2 * width; i += 2 * width) fold(i), fold(i + width);
    if (i != runEnd) fold(i), i += width;
    values = add(values, add(widenLow(pairs), widenHigh(pairs)));
  }
  const uint64_t oddSum = sumLanes(odd);
  ExactSums e{lo, hi, int64_t(sumLanes(values)), sumLanes(words) - (oddSum << 32) + oddSum};
  foldExtremes(e.lo, e.hi, low, high);
  return e;
}

// The blocks, exactly in integers where that gives the double lanes' bits,
// else in double lanes. `again(i)` reads block i once more, from memory the
// first pass has settled: when the exact total turns out above 2^53 the
// sums are formed again in double (the extremes stand).
template <class T, class BlockAt, class Again>
TQ_LANES void addBlocks(Running<T>& r, OffsetOf<T> offset, std::size_t first, std::size_t end, BlockAt block,
                        Again again) {
  if constexpr (std::is_same_v<T, int16_t>) {
    ExactShift shift;
    if (first != end && exactShift(offset, end - first, shift)) {
      const ExactSums e = exactBlocks(r.lo, r.hi, first, end, block);
      const uint64_t k = uint64_t(shift.scaled), twice = 2 * shift.bits;
      const uint64_t total = (e.squares << twice) + ((uint64_t(e.values) * k) << (shift.bits + 1)) +
                             uint64_t(end - first) * k * k;
      r.lo = e.lo, r.hi = e.hi;
      if (total <= uint64_t(1) << 53) {
        r.sum += double(e.values);
        r.squares += double(total) / double(uint64_t(1) << twice);  // a power of two: exact
        return;
      }
      doubleBlocks(r, offset, first, end, again);
      return;
    }
  }
  doubleBlocks(r, offset, first, end, block);
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
