// The loop skeletons the kernels share, in the vocabulary of simd/lanes.h:
//  - sweep: element-wise, vector steps where the arrays' overlap allows them,
//    non-temporal stores for outputs larger than the caches, a scalar tail;
//  - reduceSteps: whole vector steps into a fixed number of accumulators,
//    combined in a fixed order;
//  - blocksOverlappingTail: the first block unaligned, the body from the first
//    aligned boundary, the last block once more, ending at the last element.
#pragma once

#include <cstddef>
#include <cstdint>

#include "simd/lanes.h"

// Loops over the few vectors of one turn (accumulators, index vectors,
// unrolled steps) must be unrolled completely: only then do those vectors
// live in registers rather than in a stack array.
#define TQ_UNROLL _Pragma("GCC unroll 8")

namespace tq::simd {

// The overlap rule of element-wise kernels. A sequential loop stores element
// i before it reads element i + 1; a vector step loads its lanes before it
// stores them. That gives the sequential result whenever the destination
// starts at or below an input (whatever it overwrites has been read already,
// in the same or an earlier step) or lies wholly above it. A destination
// that starts inside an input, above its first byte, would feed values the
// sequential loop has just stored into later elements: that case must run
// one element at a time.
inline bool vectorSafe(const void* destination, const void* input, std::size_t inputBytes) {
  const auto d = reinterpret_cast<std::uintptr_t>(destination);
  const auto s = reinterpret_cast<std::uintptr_t>(input);
  return d <= s || d - s >= inputBytes;
}

// Outputs of this many bytes and more go out with non-temporal stores: they
// do not fit the last-level cache of the processors the library is built
// for, so caching them would only evict the inputs, and the stores would
// each first read the line they overwrite.
constexpr std::size_t kStreamingBytes = std::size_t(32) << 20;

// How a step stores its result: plainly, or non-temporally (the destination
// is then 32-byte aligned for every vector step).
struct PlainStores {
  template <class V> static void put(void* p, V v) { store(p, v); }
};
struct StreamingStores {
  template <class V> static void put(void* p, V v) { storeStreaming(p, v); }
};

// Runs `vectorSteps(stores)` with the stores fit for `count` elements of T
// at `destination`: plain ones; or, from kStreamingBytes on (and with the
// destination aligned to T), non-temporal ones, after `single(i)` has done
// the elements before the first 32-byte boundary (advancing i past them).
// `inPlace`: the destination is also read, so its lines come into the cache
// anyway and plain stores are cheaper.
template <class T, class Index, class Single, class VectorSteps>
TQ_LANES void withStores(const T* destination, uint32_t count, Index& i, bool inPlace, Single single,
                         VectorSteps vectorSteps) {
  const auto address = reinterpret_cast<std::uintptr_t>(destination);
  if (!inPlace && std::size_t(count) * sizeof(T) >= kStreamingBytes && address % sizeof(T) == 0) {
    for (; (address + std::size_t(i) * sizeof(T)) % 32 != 0; ++i) single(i);
    vectorSteps(StreamingStores{});
    streamingDone();
  } else {
    vectorSteps(PlainStores{});
  }
}

// Steps over [0, count): `step(V{}, i, stores)` handles lanes i .. i + w - 1,
// `step(S{}, i, stores)` element i alone, where S is V's element type and
// `stores` says how to store (see withStores, also for `inPlace`). `unroll`
// steps make one loop turn; what is left after the last turn takes steps of
// HalfOf<V> (half the width of a Twice type, so that at most half a step is
// left to the one-element loop; V itself otherwise). Vector steps run only
// when the count reaches `stepsPerTurn` of those remainder steps and the
// caller found the overlap harmless (by the rule above). Whatever path an
// element takes, it is computed by the same formula, so the results do not
// depend on the path. The skeleton and its loop are always inlined into the
// kernel: an outlined loop reloads the kernel's pointers from their closure
// every turn, as the vector stores may alias anything.
template <class V, unsigned stepsPerTurn = 2, unsigned unroll = 2, class Step>
TQ_LANES void sweep(uint32_t count, bool vectorsAllowed, const ScalarOf<V>* destination, bool inPlace, Step step) {
  using S = ScalarOf<V>;
  constexpr std::size_t width = widthOf<V>;
  const std::size_t n = count;  // pointer-width indices: plain addressing in the loop
  std::size_t i = 0;
  using Rest = typename HalfOf<V>::type;
  if (vectorsAllowed && n >= stepsPerTurn * widthOf<Rest>) {
    withStores(
        destination, count, i, inPlace, [&](std::size_t at) { step(S{}, at, PlainStores{}); },
        [&](auto stores) __attribute__((always_inline)) {
          // `i + turn <= n` lets the compiler keep one add and one compare per
          // turn (`n - i >= turn` is recomputed each turn). It cannot wrap: i
          // <= n, and no array a process can address comes within a turn of
          // the index type's limit.
          for (; i + unroll * width <= n; i += unroll * width) {
            TQ_UNROLL for (unsigned k = 0; k < unroll; ++k) step(V{}, i + k * width, stores);
          }
          for (; n - i >= widthOf<Rest>; i += widthOf<Rest>) step(Rest{}, i, stores);
        });
  }
  // One element at a time: with partly overlapping arrays each store must
  // land before the next load (the compiler keeps this order, as it cannot
  // prove the arrays distinct).
  for (; i < n; ++i) step(S{}, i, PlainStores{});
}

// Whole vector steps from index i on, while `count - i` holds one:
// `term(i)` gives the lanes of elements i .. i + w - 1 (w: the width of the
// accumulator type V). `accumulators` independent sums take the steps in
// turn, so that the loop does not wait on the latency of one addition; a
// remaining step goes into the first. The sums are combined pairwise,
// ((a0 + a1) + (a2 + a3)), so the order depends only on the count. `i` is
// left at the first element not taken.
template <unsigned accumulators, class V, class Term>
inline V reduceSteps(uint32_t count, uint32_t& i, Term term) {
  static_assert(accumulators == 1 || accumulators == 2 || accumulators == 4);
  constexpr uint32_t width = widthOf<V>;
  V acc[accumulators];
  TQ_UNROLL for (unsigned k = 0; k < accumulators; ++k) acc[k] = splat<V>(0);
  for (; count - i >= accumulators * width; i += accumulators * width) {
    TQ_UNROLL for (unsigned k = 0; k < accumulators; ++k) acc[k] = add(acc[k], term(i + k * width));
  }
  for (; count - i >= width; i += width) acc[0] = add(acc[0], term(i));
  TQ_UNROLL for (unsigned half = accumulators / 2; half > 0; half /= 2) {
    TQ_UNROLL for (unsigned k = 0; k < half; ++k) acc[k] = add(acc[2 * k], acc[2 * k + 1]);
  }
  return acc[0];
}

// For count >= width: `block(i)` on elements i .. i + width - 1 for i = 0,
// then from the first `alignment`-byte boundary of `base` after element 0 in
// whole blocks, then once more for the last block, which ends at the last
// element. Elements of the overlapping blocks are processed twice: the
// kernel must give them the same value both times.
template <uint32_t width, uint32_t alignment, class T, class Block>
inline void blocksOverlappingTail(const T* base, uint32_t count, Block block) {
  block(0u);
  uint32_t i = uint32_t((0u - reinterpret_cast<std::uintptr_t>(base)) % alignment / sizeof(T));
  if (i == 0) i = width;
  for (; count - i >= width; i += width) block(i);
  if (i != count) block(count - width);
}

// Running extremes folded out of their lanes by the scan rule: a lane
// replaces lo or hi only when it is below or above it, so NaN lanes and
// equal values never do.
template <class T, class V>
inline void foldExtremes(T& lo, T& hi, V low, V high) {
  const auto lows = lanesOf(low), highs = lanesOf(high);
  for (std::size_t k = 0; k < widthOf<V>; ++k) {
    if (lo > lows.at[k]) lo = lows.at[k];
    if (highs.at[k] > hi) hi = highs.at[k];
  }
}

// Steps 0 .. steps - 1 (steps >= 2) of a kernel in three stages, each step
// w = width(V) elements of input and output: `front(x)`, `middle(f, x)` and
// `back(m, x)` (the result), x being the step's input. A turn starts step
// s + 2, continues step s + 1 and finishes step s, so the instructions
// the processor sees together belong to three independent steps: it holds
// too few waiting operations to overlap a long dependent chain (divisions,
// polynomials) with the next steps by itself. The stages see each step's
// lanes once and in the same order, so the results are those of the
// stages run in a row; the input is read again by each stage (cheaper than
// keeping it in a register) and must not overlap the output.
template <class V, class Front, class Middle, class Back>
inline void pipelined3(const ScalarOf<V>* input, ScalarOf<V>* output, std::size_t steps, Front front,
                       Middle middle, Back back) {
  constexpr std::size_t w = widthOf<V>;
  const auto in = [input](std::size_t s) { return load<V>(input + s * w); };
  auto started = front(in(1));
  auto continued = middle(front(in(0)), in(0));
  std::size_t s = 0;
  for (; s + 2 < steps; ++s) {
    const auto nextStarted = front(in(s + 2));
    const auto nextContinued = middle(started, in(s + 1));
    store(output + s * w, back(continued, in(s)));
    started = nextStarted, continued = nextContinued;
  }
  store(output + s * w, back(continued, in(s)));
  store(output + (s + 1) * w, back(middle(started, in(s + 1)), in(s + 1)));
}

}  // namespace tq::simd
