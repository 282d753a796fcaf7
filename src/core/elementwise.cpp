// Element-wise arithmetic: output element i from the elements i of one or two
// inputs and at most two scalars.
//
// Each formula is written once, as a generic lambda over the value type, and
// runs both on scalars (float, double) and on vectors (__m256, __m256d; the
// 128-bit types for the square roots). The overloads in core/lanes.h map each
// step of a formula to one IEEE operation of the same precision, so the two
// paths perform the same operations in the same order and agree bit for bit.
//
// Overlap. The sequential definition stores element i before it reads
// element i + 1. A vector step loads its lanes before it stores them; that
// gives the sequential result whenever the destination starts at or below an
// input (whatever it overwrites has been read already, in the same or an
// earlier step) or lies wholly above it. A destination that starts inside an
// input, above its first byte, feeds values the sequential loop has just
// stored into later elements: that case runs the scalar loop, which stores
// each element before it loads the next.
#include <cstddef>

#include "core/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// Steps over [0, count): `step(V{}, i)` handles lanes i .. i + width - 1 of
// vector type V, `step(T{}, i)` element i. Vector steps run only when the
// count reaches one loop turn of `stepsPerTurn` steps, and only when the
// caller found the arrays' overlap harmless.
template <class V, uint32_t stepsPerTurn = 2, class Step>
inline void sweep(uint32_t count, bool vectorSafe, Step step) {
  constexpr uint32_t width = Lanes<V>::width;
  uint32_t i = 0;
  if (vectorSafe && count >= stepsPerTurn * width) {
    for (; count - i >= 2 * width; i += 2 * width) {
      step(V{}, i);
      step(V{}, i + width);
    }
    if (count - i >= width) {
      step(V{}, i);
      i += width;
    }
  }
  // One element at a time: with partly overlapping arrays each store must
  // land before the next load (the compiler keeps this order, as it cannot
  // prove the arrays distinct).
  for (; i < count; ++i) step(typename Lanes<V>::Scalar{}, i);
}

// Harmless for vector steps: the destination starts at or below the input,
// or beyond its last byte.
inline bool vectorSafe(const void* destination, const void* input, std::size_t inputBytes) {
  const auto d = reinterpret_cast<std::uintptr_t>(destination);
  const auto s = reinterpret_cast<std::uintptr_t>(input);
  return d <= s || d - s >= inputBytes;
}

// destination[i] = formula(inputs[i]...), all arrays of T.
template <class V, uint32_t stepsPerTurn = 2, class T, class Formula, class... Inputs>
inline void map(T* destination, uint32_t count, Formula formula, const Inputs*... inputs) {
  const bool safe = (true && ... && vectorSafe(destination, inputs, std::size_t(count) * sizeof(T)));
  sweep<V, stepsPerTurn>(count, safe, [&](auto tag, uint32_t i) {
    using L = Lanes<decltype(tag)>;
    L::store(destination + i, formula(L::load(inputs + i)...));
  });
}

template <class T>
void addScalarToVector(T* destination, const T* source, T addend, uint32_t count) {
  map<Wide<T>>(destination, count, [=](auto x) { return add(splat(x, addend), x); }, source);
}

template <class T>
void multiplyVectorByScalar(T* values, uint32_t count, T scalar) {
  map<Wide<T>>(values, count, [=](auto x) { return mul(x, splat(x, scalar)); }, values);
}

template <class T>
void multiplyVectors(T* destination, const T* valuesA, const T* valuesB, uint32_t count) {
  map<Wide<T>>(destination, count, [](auto a, auto b) { return mul(a, b); }, valuesA, valuesB);
}

// One 256-bit step is a whole turn: the square root's latency, not the loop,
// sets the pace.
template <class T>
void sqrtVector(T* destination, const T* source, uint32_t count) {
  map<Wide<T>, 1>(destination, count, [](auto x) { return squareRoot(x); }, source);
}

template <class T>
void vectorsMax(T* destination, const T* valuesA, const T* valuesB, uint32_t count) {
  map<Wide<T>>(destination, count, [](auto a, auto b) { return maximum(a, b); }, valuesA, valuesB);
}

// Output i lies at or below input pair i when the destination starts at or
// below the source, so writing over the front of the source is one of the
// vector-safe layouts.
template <class T>
void complexVectorAbs(T* destination, const T* source, bool squared, uint32_t count) {
  const bool safe = vectorSafe(destination, source, 2 * std::size_t(count) * sizeof(T));
  sweep<Wide<T>>(count, safe, [&](auto tag, uint32_t i) {
    using X = decltype(tag);
    X re, im;
    deinterleave(source + 2 * i, re, im);
    const X sum = add(mul(re, re), mul(im, im));
    Lanes<X>::store(destination + i, squared ? sum : squareRoot(sum));
  });
}

}  // namespace

extern "C" {

void TQCALC_CDECL tqcalcAddScalarToVector_double_cdecl(double* destination, const double* source, double addend,
                                                       uint32_t count) {
  addScalarToVector(destination, source, addend, count);
}

void TQCALC_CDECL tqcalcAddScalarToVector_float_cdecl(float* destination, const float* source, float addend,
                                                      uint32_t count) {
  addScalarToVector(destination, source, addend, count);
}

void TQCALC_STDCALL tqcalcAddVectorsAndMultiplyByScalar_float(float* destination, const float* valuesA,
                                                              const float* valuesB, uint32_t count, float factorB,
                                                              float scale) {
  map<__m256>(
      destination, count, [=](auto a, auto b) { return mul(add(mul(splat(b, factorB), b), a), splat(a, scale)); },
      valuesA, valuesB);
}

void TQCALC_STDCALL tqcalcSubtractVectorsAndMultiplyByScalar_float(float* destination, const float* valuesA,
                                                                   const float* valuesB, uint32_t count,
                                                                   float scale) {
  map<__m256>(
      destination, count, [=](auto a, auto b) { return mul(sub(a, b), splat(a, scale)); }, valuesA, valuesB);
}

void TQCALC_STDCALL tqcalcMultiplyVectorByScalar_double(double* values, uint32_t count, double scalar) {
  multiplyVectorByScalar(values, count, scalar);
}

void TQCALC_STDCALL tqcalcMultiplyVectorByScalar_float(float* values, uint32_t count, float scalar) {
  multiplyVectorByScalar(values, count, scalar);
}

void TQCALC_CDECL tqcalcMultiplyVectors_double_cdecl(double* destination, const double* valuesA,
                                                     const double* valuesB, uint32_t count) {
  multiplyVectors(destination, valuesA, valuesB, count);
}

void TQCALC_CDECL tqcalcMultiplyVectors_float_cdecl(float* destination, const float* valuesA,
                                                    const float* valuesB, uint32_t count) {
  multiplyVectors(destination, valuesA, valuesB, count);
}

void TQCALC_CDECL tqcalcSqrtVector_double_cdecl(double* destination, const double* source, uint32_t count) {
  sqrtVector(destination, source, count);
}

void TQCALC_CDECL tqcalcSqrtVector_float_cdecl(float* destination, const float* source, uint32_t count) {
  sqrtVector(destination, source, count);
}

// The flag is a byte in a 4-byte slot: only the low byte is the host's, the
// others may hold anything.
void TQCALC_CDECL tqcalcComplexVectorAbs_double_cdecl(double* destination, const double* source,
                                                      uint8_t squaredMagnitude, uint32_t count) {
  complexVectorAbs(destination, source, squaredMagnitude != 0, count);
}

void TQCALC_CDECL tqcalcComplexVectorAbs_float_cdecl(float* destination, const float* source,
                                                     uint8_t squaredMagnitude, uint32_t count) {
  complexVectorAbs(destination, source, squaredMagnitude != 0, count);
}

void TQCALC_CDECL tqcalcVectorsMax_double_cdecl(double* destination, const double* valuesA, const double* valuesB,
                                                uint32_t count) {
  vectorsMax(destination, valuesA, valuesB, count);
}

void TQCALC_CDECL tqcalcVectorsMax_float_cdecl(float* destination, const float* valuesA, const float* valuesB,
                                               uint32_t count) {
  vectorsMax(destination, valuesA, valuesB, count);
}

}  // extern "C"
