// Buffers filled with a straight line over the sample index:
// buffer[i] = i * slope + intercept, product and sum each rounded in the
// buffer's precision.
//
// Every element takes its index afresh, never a running sum of slopes. The
// vector paths carry the index in a vector and step it by adding the exact
// integer step, which stays exact: in double for every 32-bit index, in float
// as long as the indices are below 2^24. Beyond that the float fill forms
// the exact double index and rounds it to float once, as the scalar path
// does: float(double(i)), never float(i) directly, which i386 compilers
// build from a signed conversion and a second rounding above 2^31.
#include <algorithm>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

template <class T>
inline T indexAsT(uint32_t i) {
  return T(double(i));
}

template <class V, class T = ScalarOf<V>>
inline V lineAt(V index, T slope, T intercept) {
  return add(mul(index, splatLike(index, slope)), splatLike(index, intercept));
}

// Scalar elements [from, count).
template <class T>
inline void fillTail(T* buffer, uint32_t from, uint32_t count, T slope, T intercept) {
  for (uint32_t i = from; i < count; ++i) buffer[i] = lineAt(indexAsT<T>(i), slope, intercept);
}

constexpr uint32_t kExactFloatIndices = 1u << 24;

// Four index vectors stepping side by side, so that the loop waits on no
// chain of additions: lane k of vector c starts at first + c w + k (w the
// lane count of V) and each steps by 4 w per turn, exactly (the caller keeps
// the indices where V's type holds them exactly). `turn(index)` gets the
// four vectors of each turn from element i on while `end - i` holds a turn.
template <class V, class Turn>
inline void indexTurns(uint32_t& i, uint32_t end, Turn turn) {
  constexpr uint32_t w = widthOf<V>;
  using S = ScalarOf<V>;
  const V step = splat<V>(S(4 * w));
  V index[4];
  S first = S(double(i));
  TQ_UNROLL for (V& v : index) {
    v = ramp<V>(first);
    first = first + S(w);
  }
  for (; end - i >= 4 * w; i += 4 * w) {
    turn(index);
    TQ_UNROLL for (V& v : index) v = add(v, step);
  }
}

}  // namespace

extern "C" {

void TQCALC_STDCALL tqcalcChannelFillBufferWithLinearFunction_double(double* buffer, uint32_t count, double slope,
                                                                     double intercept) {
  uint32_t i = 0;
  if (count >= 8) {
    withStores(buffer, count, i, false, [&](uint32_t at) { fillTail(buffer, at, at + 1, slope, intercept); },
               [&](auto stores) {
                 indexTurns<F64x4>(i, count, [&](const F64x4* index) {
                   TQ_UNROLL for (uint32_t c = 0; c < 4; ++c)
                     stores.put(buffer + i + 4 * c, lineAt(index[c], slope, intercept));
                 });
               });
  }
  fillTail(buffer, i, count, slope, intercept);
}

void TQCALC_STDCALL tqcalcChannelFillBufferWithLinearFunction_float(float* buffer, uint32_t count, float slope,
                                                                    float intercept) {
  uint32_t i = 0;
  if (count >= 16) {
    withStores(buffer, count, i, false, [&](uint32_t at) { fillTail(buffer, at, at + 1, slope, intercept); },
               [&](auto stores) {
                 // Exact float indices: turns that end at or below 2^24.
                 indexTurns<F32x8>(i, std::min(count, kExactFloatIndices),
                                   [&](const F32x8* index) {
                                     TQ_UNROLL for (uint32_t c = 0; c < 4; ++c)
                                       stores.put(buffer + i + 8 * c, lineAt(index[c], slope, intercept));
                                   });
                 // Above 2^24: exact double indices, each rounded to float once.
                 indexTurns<F64x4>(i, count, [&](const F64x4* index) {
                   stores.put(buffer + i, lineAt(narrowPair(index[0], index[1]), slope, intercept));
                   stores.put(buffer + i + 8, lineAt(narrowPair(index[2], index[3]), slope, intercept));
                 });
               });
  }
  fillTail(buffer, i, count, slope, intercept);
}

}  // extern "C"
