// Element-wise arithmetic: output element i from the elements i of one or two
// inputs and at most two scalars.
//
// Each formula is written once, as a generic lambda over the lane type, and
// runs on scalars (float, double) and on vectors (F32x8, F64x4; the 128-bit
// lanes for the square roots): every step maps to one IEEE operation of the
// element precision, so the scalar and the vector path perform the same
// operations in the same order and agree bit for bit. The overlap of the
// arrays decides between them (simd/loops.h, vectorSafe): a destination that
// starts inside an input, above its first byte, runs one element at a time.
#include <cstddef>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// destination[i] = formula(inputs[i]...), all arrays of T; `stepsPerTurn`
// vector steps are needed before the vector path pays.
template <class V, unsigned stepsPerTurn = 2, unsigned unroll = 2, class T, class Formula, class... Inputs>
inline void map(T* destination, uint32_t count, Formula formula, const Inputs*... inputs) {
  const std::size_t bytes = std::size_t(count) * sizeof(T);
  const bool safe = (true && ... && vectorSafe(destination, inputs, bytes));
  const bool inPlace = (false || ... || (destination == inputs));
  sweep<V, stepsPerTurn, unroll>(count, safe, destination, inPlace, [&](auto lanes, std::size_t i, auto stores) {
    using L = decltype(lanes);
    stores.put(destination + i, formula(load<L>(inputs + i)...));
  });
}

template <class T>
void addScalarToVector(T* destination, const T* source, T addend, uint32_t count) {
  map<Wide<T>>(destination, count, [=](auto x) { return add(splatLike(x, addend), x); }, source);
}

template <class T>
void multiplyVectorByScalar(T* values, uint32_t count, T scalar) {
  map<Wide<T>>(values, count, [=](auto x) { return mul(x, splatLike(x, scalar)); }, values);
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

// Four vectors per step: maxNumber's first test then covers them all and
// costs little beside the loads, maxima and stores. 32-bit x86 has eight
// vector registers, too few for four of each input and the test: there two
// vectors make a step.
#if defined(__x86_64__)
template <class T> using MaxLanes = Twice<Twice<Wide<T>>>;
#else
template <class T> using MaxLanes = Twice<Wide<T>>;
#endif
template <class T>
void vectorsMax(T* destination, const T* valuesA, const T* valuesB, uint32_t count) {
  map<MaxLanes<T>, 1, 1>(destination, count, [](auto a, auto b) { return maxNumber(a, b); }, valuesA, valuesB);
}

// Output i lies at or below input pair i when the destination starts at or
// below the source, so writing over the front of the source is one of the
// vector-safe layouts.
template <class T>
void complexVectorAbs(T* destination, const T* source, bool squared, uint32_t count) {
  const bool safe = vectorSafe(destination, source, 2 * std::size_t(count) * sizeof(T));
  sweep<Wide<T>>(count, safe, destination, static_cast<const void*>(destination) == source, [&](auto lanes, std::size_t i, auto stores) {
    decltype(lanes) re, im;
    deinterleave(source + 2 * i, re, im);
    const auto sum = add(mul(re, re), mul(im, im));
    stores.put(destination + i, squared ? sum : squareRoot(sum));
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
  map<F32x8>(
      destination, count,
      [=](auto a, auto b) { return mul(add(mul(splatLike(b, factorB), b), a), splatLike(a, scale)); }, valuesA,
      valuesB);
}

void TQCALC_STDCALL tqcalcSubtractVectorsAndMultiplyByScalar_float(float* destination, const float* valuesA,
                                                                   const float* valuesB, uint32_t count,
                                                                   float scale) {
  map<F32x8>(
      destination, count, [=](auto a, auto b) { return mul(sub(a, b), splatLike(a, scale)); }, valuesA, valuesB);
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
