// Sample format conversions: 16 <-> 32-bit integers between two arrays, and
// double <-> float within one buffer.
//
// The in-place pair works because float element i lies at byte 4i and double
// element i at byte 8i. Narrowing runs upwards: the store of float i ends at
// or below the start of double i, so no double is overwritten before it is
// read. Widening runs downwards for the mirror reason. A vector step loads
// its whole input before it stores, and the same arguments hold for the step
// as a block. Elements are accessed through unaligned loads and stores, since
// the same bytes are seen as both types.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

inline int16_t low16(int32_t v) { return int16_t(uint16_t(uint32_t(v))); }

}  // namespace

extern "C" {

void TQCALC_STDCALL tqcalcConvertInt16ToInt32(const int16_t* source, int32_t* destination, uint32_t count) {
  uint32_t i = 0;
  for (; count - i >= 16; i += 16) {
    const I16x8 front = load<I16x8>(source + i), back = load<I16x8>(source + i + 8);
    store(destination + i, widenLow(front));
    store(destination + i + 4, widenHigh(front));
    store(destination + i + 8, widenLow(back));
    store(destination + i + 12, widenHigh(back));
  }
  for (; i < count; ++i) destination[i] = source[i];
}

// The 16-bit stores trail the 32-bit loads, so destination == source works,
// as does any destination by the element-wise overlap rule.
void TQCALC_STDCALL tqcalcConvertInt32ToInt16(const int32_t* source, int16_t* destination, uint32_t count) {
  uint32_t i = 0;
  if (vectorSafe(destination, source, std::size_t(count) * 4)) {
    for (; count - i >= 16; i += 16) {
      const I32x4 a = load<I32x4>(source + i), b = load<I32x4>(source + i + 4);
      const I32x4 c = load<I32x4>(source + i + 8), d = load<I32x4>(source + i + 12);
      store(destination + i, narrowModulo(a, b));
      store(destination + i + 8, narrowModulo(c, d));
    }
  }
  for (; i < count; ++i) store(destination + i, low16(load<int32_t>(source + i)));
}

// Doubles (bytes 8i ..) in, floats (4i ..) out, every load of a step before
// its stores; sixteen per step, then eight, four, one at a time.
float* TQCALC_STDCALL tqcalcCADoubleArrToSingleArrInplace(void* buffer, uint32_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t i = 0;  // pointer width: 8 i passes 2^32 from 2^29 doubles
  // Sixteen per turn, all four loads ahead of both stores: a store that the
  // core cannot yet prove apart from the next loads would hold them back.
  for (; count - i >= 16; i += 16) {
    const F64x4 a = load<F64x4>(bytes + 8 * i), b = load<F64x4>(bytes + 8 * i + 32);
    const F64x4 c = load<F64x4>(bytes + 8 * i + 64), d = load<F64x4>(bytes + 8 * i + 96);
    store(bytes + 4 * i, narrowPair(a, b));
    store(bytes + 4 * i + 32, narrowPair(c, d));
  }
  if (count - i >= 8) {
    store(bytes + 4 * i, narrowPair(load<F64x4>(bytes + 8 * i), load<F64x4>(bytes + 8 * i + 32)));
    i += 8;
  }
  if (count - i >= 4) {
    store(bytes + 4 * i, narrow(load<F64x4>(bytes + 8 * i)));
    i += 4;
  }
  for (; i < count; ++i) store(bytes + 4 * i, narrow(load<double>(bytes + 8 * i)));
  return static_cast<float*>(buffer);
}

double* TQCALC_STDCALL tqcalcCASingleArrToDoubleArrInplace(void* buffer, uint32_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t i = count;
  // The top elements beyond the last multiple of eight first, one at a time.
  while (i % 8 != 0) {
    --i;
    store(bytes + 8 * i, widen(load<float>(bytes + 4 * i)));
  }
  // Eight floats (bytes 4i .. 4i+31) in, eight doubles (8i .. 8i+63) out.
  while (i != 0) {
    i -= 8;
    const F32x8 v = load<F32x8>(bytes + 4 * i);
    store(bytes + 8 * i + 32, widen(highHalf(v)));
    store(bytes + 8 * i, widen(lowHalf(v)));
  }
  return static_cast<double*>(buffer);
}

}  // extern "C"
