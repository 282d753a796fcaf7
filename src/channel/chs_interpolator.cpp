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
// grouped as (P3 and P2 terms) + (P1 and P0 terms), all in float.
struct Cubic {
  float c0, c1, c2, c3;
  static Cubic of(const float* p) {
    return {mul(p[1], 2.0f), add(p[2], negate(p[0])),
            add(add(negate(p[3]), mul(p[2], 4.0f)), add(mul(p[1], -5.0f), mul(p[0], 2.0f))),
            add(add(p[3], mul(p[2], -3.0f)), add(mul(p[1], 3.0f), negate(p[0])))};
  }
  float at(float t) const {
    const float t2 = mul(t, t), t3 = mul(t2, t);
    return mul(0.5f, add(add(c0, mul(c1, t)), add(mul(c2, t2), mul(c3, t3))));
  }
};

// Outputs samplesOut .. last into the buffer; returns their number.
uint32_t produce(CHSInterpolator* o) {
  if (o->samplesIn < 2) return 0;
  const double ratio = o->ratio;
  const auto last = uint64_t(mul(double(o->samplesIn - 2), ratio));
  const uint64_t n = last + 1 - o->samplesOut;
  const double start = div(double(o->samplesOut), ratio);
  uint64_t cachedSlot = ~uint64_t(0);
  Cubic cubic{};
  uint64_t i = 0;
  const auto emit = [&](double p, uint64_t at) {
    const auto m = uint64_t(p);
    const float t = narrow(sub(p, double(m)));
    if ((m & o->ringMask) != cachedSlot) {
      cachedSlot = m & o->ringMask;
      // The point before sample 0 is sample 0 itself.
      const uint64_t first = m == 0 ? 0 : m - 1;
      o->edgePoints[0] = o->ring[first & o->ringMask];
      for (uint64_t k = 1; k < 4; ++k) o->edgePoints[k] = o->ring[(m + k - 1) & o->ringMask];
      cubic = Cubic::of(o->edgePoints);
    }
    o->outputBuffer[at] = cubic.at(t);
  };
  // Positions four at a time: start + i / ratio, the same division and
  // addition in every lane as one by one.
  for (; n - i >= 4; i += 4) {
    const auto p = lanesOf(add(splat<F64x4>(start), div(ramp<F64x4>(double(i)), splat<F64x4>(ratio))));
    TQ_UNROLL for (unsigned k = 0; k < 4; ++k) emit(p.at[k], i + k);
  }
  for (; i < n; ++i) emit(add(start, div(double(i), ratio)), i);
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
      std::size_t(perCall) > maxSlots)
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
  const uint32_t first = room < count ? uint32_t(room) : count;
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
