// The CHS interpolator: a resampler object over a power-of-two ring of
// input samples, cubic Hermite interpolation with Catmull-Rom tangents.
//
// Choices the object makes:
//  - Create refuses ring lengths 1 and 2 (no block would fit, or the
//    support points would lie outside the ring), a ratio that is not a
//    positive finite number, and sizes it cannot allocate or count (an
//    output buffer of 2^31 values and more); it then frees what it took and
//    leaves the handle untouched.
//  - The ring holds twice `bufferLength` slots, zeroed, while blocks stay
//    limited to bufferLength - 2: a full block then never overwrites the
//    sample before the first interval still to be interpolated, and an
//    output at t = 0 reads an unwritten slot as 0 (with weight 0).
//  - The output buffer holds the most one call can produce,
//    trunc((bufferLength - 2) * ratio) + 1 values, plus one, and at least
//    `outputCapacity`.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "simd/loops.h"
#include "tqcalc.h"

using namespace tq::simd;

struct CHSInterpolator {
  CHSInterpolatorParams params;
  float* ring;
  uint32_t ringLength;  // the block limit's base: bufferLength
  uint64_t samplesIn;
  float* outputBuffer;
  uint64_t samplesOut;
  double ratio;
  int32_t outputCapacity;
  float edgePoints[4];
  uint8_t stopped;
  uint32_t ringMask;  // of the ring's 2 * bufferLength slots
};

namespace {

constexpr double kCountLimit = 2147483648.0;  // 2^31 values

void release(CHSInterpolator* o) {
  std::free(o->ring);
  std::free(o->outputBuffer);
  std::free(o);
}

// The Catmull-Rom cubic through P1 (t = 0) and P2 (t = 1), coefficients
// grouped as (P3 and P2 terms) + (P1 and P0 terms), all in float; one
// output (float) or four side by side (F32x4), the same operations. A
// negated term is subtracted rather than added: the compiler turns a scalar
// a + (-b) into a - b, which keeps a NaN's sign where the vector negation
// would flip it.
template <class V>
struct Cubic {
  V c0, c1, c2, c3;
  static Cubic of(const V* p) {
    const auto k = [&](float c) { return splatLike(p[0], c); };
    return {mul(p[1], k(2)), sub(p[2], p[0]), add(sub(mul(p[2], k(4)), p[3]), add(mul(p[1], k(-5)), mul(p[0], k(2)))),
            add(add(p[3], mul(p[2], k(-3))), sub(mul(p[1], k(3)), p[0]))};
  }
  V at(V t) const {
    const V t2 = mul(t, t), t3 = mul(t2, t);
    return mul(splatLike(t, 0.5f), add(add(c0, mul(c1, t)), add(mul(c2, t2), mul(c3, t3))));
  }
};

// Samples m - 1 .. m + 2 from the ring; before sample 0, sample 0 itself.
inline void supportPoints(const CHSInterpolator* o, uint64_t m, float* p) {
  p[0] = o->ring[(m == 0 ? 0 : m - 1) & o->ringMask];
  for (uint64_t k = 1; k < 4; ++k) p[k] = o->ring[(m + k - 1) & o->ringMask];
}

// Outputs samplesOut .. last into the buffer; returns their number.
uint32_t produce(CHSInterpolator* o) {
  if (o->samplesIn < 2) return 0;
  const double ratio = o->ratio;
  const auto last = uint64_t(mul(double(o->samplesIn - 2), ratio));
  const uint64_t n = last + 1 - o->samplesOut;
  const double start = div(double(o->samplesOut), ratio);
  uint64_t i = 0;
  // Four outputs side by side: positions start + i / ratio with the same
  // division and addition in every lane as one by one, each lane its own
  // cubic.
  for (; n - i >= 4; i += 4) {
    const F64x4 p = add(splat<F64x4>(start), div(ramp<F64x4>(double(i)), splat<F64x4>(ratio)));
    const F64x4 whole = roundDown(p);
    const auto m = lanesOf(whole);
    float q[4][4];
    TQ_UNROLL for (unsigned k = 0; k < 4; ++k) supportPoints(o, uint64_t(m.at[k]), q[k]);
    F32x4 points[4];
    TQ_UNROLL for (unsigned j = 0; j < 4; ++j) points[j] = lanesFrom(q[0][j], q[1][j], q[2][j], q[3][j]);
    store(o->outputBuffer + i, Cubic<F32x4>::of(points).at(narrow(sub(p, whole))));
  }
  // The rest one by one, the cubic kept while the interval's slot stays.
  uint64_t cachedSlot = ~uint64_t(0);
  Cubic<float> cubic{};
  for (; i < n; ++i) {
    const double p = add(start, div(double(i), ratio));
    const auto m = uint64_t(p);
    if ((m & o->ringMask) != cachedSlot) {
      cachedSlot = m & o->ringMask;
      supportPoints(o, m, o->edgePoints);
      cubic = Cubic<float>::of(o->edgePoints);
    }
    o->outputBuffer[i] = cubic.at(narrow(sub(p, double(m))));
  }
  o->samplesOut += n;
  return uint32_t(n);
}

}  // namespace

extern "C" {

uint32_t TQCALC_STDCALL tqcalcCHSInterpolator_Create(CHSInterpolator** interpolatorOut, const CHSInterpolatorParams* params) {
  if (!params || !interpolatorOut || !(params->inputRate > 0) || !(params->outputRate > 0)) return CHSStatusInvalidArgument;
  const double ratio = params->outputRate / params->inputRate;
  if (!(ratio > 0) || !std::isfinite(ratio)) return CHSStatusInvalidArgument;
  const uint32_t length = params->bufferLength;
  if (length < 4 || (length & (length - 1)) != 0) return CHSStatusBadBufferLength;
  const double capacity = std::trunc((double(length) + 1) * ratio);
  const double perCall = std::trunc(double(length - 2) * ratio) + 2;
  const std::size_t maxSlots = std::numeric_limits<std::size_t>::max() / sizeof(float);
  if (!(capacity < kCountLimit) || !(perCall < kCountLimit) || std::size_t(length) > maxSlots / 2 ||
      std::size_t(std::max(perCall, capacity)) > maxSlots)
    return CHSStatusInvalidArgument;
  auto* o = static_cast<CHSInterpolator*>(std::calloc(1, sizeof(CHSInterpolator)));
  if (!o) return CHSStatusInvalidArgument;
  o->ring = static_cast<float*>(std::calloc(2 * std::size_t(length), sizeof(float)));
  o->outputBuffer = static_cast<float*>(std::malloc(sizeof(float) * std::size_t(std::max(perCall, capacity))));
  if (!o->ring || !o->outputBuffer) {
    release(o);
    return CHSStatusInvalidArgument;
  }
  o->params = *params;
  o->ratio = ratio;
  o->ringLength = length;
  o->outputCapacity = int32_t(capacity);
  o->ringMask = 2 * length - 1;
  *interpolatorOut = o;
  return CHSStatusOk;
}

uint32_t TQCALC_STDCALL tqcalcCHSInterpolator_Destroy(CHSInterpolator* interpolator) {
  if (!interpolator) return CHSStatusInvalidArgument;
  release(interpolator);
  return CHSStatusOk;
}

uint32_t TQCALC_STDCALL tqcalcCHSInterpolator_InterpolateValues(CHSInterpolator* o, const float* values, uint32_t count,
                                                                float** outputValues, uint32_t* outputCount) {
  if (!o || count == 0) return CHSStatusInvalidArgument;
  if (count > o->ringLength - 2) return CHSStatusBlockTooLarge;
  if (o->stopped) return CHSStatusStopped;
  // Two straight pieces: up to the ring's end, then from its start.
  const uint64_t slot = o->samplesIn & o->ringMask, room = uint64_t(o->ringMask) + 1 - slot;
  const auto first = uint32_t(std::min(room, uint64_t(count)));
  std::memcpy(o->ring + slot, values, sizeof(float) * first);
  std::memcpy(o->ring, values + first, sizeof(float) * (count - first));
  o->samplesIn += count;
  *outputCount = produce(o);
  *outputValues = o->outputBuffer;
  return CHSStatusOk;
}

uint32_t TQCALC_STDCALL tqcalcCHSInterpolator_Reset(CHSInterpolator* o) {
  if (!o) return CHSStatusInvalidArgument;
  o->samplesIn = 0, o->samplesOut = 0, o->stopped = 0;
  return CHSStatusOk;
}

uint32_t TQCALC_STDCALL tqcalcCHSInterpolator_Stop(CHSInterpolator* o, float** outputValues, uint32_t* outputCount) {
  if (!o) return CHSStatusInvalidArgument;
  if (o->stopped) return CHSStatusStopped;
  const float newest = o->ring[(o->samplesIn - 1) & o->ringMask];
  tqcalcCHSInterpolator_InterpolateValues(o, &newest, 1, outputValues, outputCount);
  o->stopped = 1;
  return CHSStatusOk;
}

}  // extern "C"
