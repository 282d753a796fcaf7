// Sums of one or two vectors, accumulated in double.
//
// The vector path adds four terms per 256-bit step into four independent
// accumulators (16 elements per turn): one accumulator would leave the loop
// waiting on the latency of every addition. The accumulators are combined in
// a fixed order, then the last 0..3 elements are added one at a time. The
// order depends only on `count`, never on alignment, so a given input always
// gives the same bits.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// term(lanes, i) gives the double terms of elements i .. i + w - 1 for the
// lane type of `lanes` (F64x4, or double for one element).
template <class Term>
inline double reduce(uint32_t count, Term term) {
  uint32_t i = 0;
  double sum = sumLanes(reduceSteps<4, F64x4>(count, i, [&](uint32_t at) { return term(F64x4{}, at); }));
  for (; i < count; ++i) sum += term(double{}, i);
  return sum;
}

// The float lanes of a double lane type, loaded and widened exactly.
inline F64x4 loadWidened(F64x4, const float* p) { return widen(load<F32x4>(p)); }
inline double loadWidened(double, const float* p) { return widen(load<float>(p)); }

}  // namespace

extern "C" double TQCALC_STDCALL tqcalcSumValues_double(const double* values, uint32_t count) {
  return reduce(count, [=](auto lanes, uint32_t i) { return load<decltype(lanes)>(values + i); });
}

extern "C" double TQCALC_STDCALL tqcalcSumValues_float(const float* values, uint32_t count) {
  return reduce(count, [=](auto lanes, uint32_t i) { return loadWidened(lanes, values + i); });
}

// Clearing the sign bit (rather than negating) keeps -0.0 -> +0.0 and NaN.
extern "C" double TQCALC_STDCALL tqcalcSumAbsValues_float(const float* values, uint32_t count) {
  return reduce(count, [=](auto lanes, uint32_t i) { return abs(loadWidened(lanes, values + i)); });
}

extern "C" double TQCALC_STDCALL tqcalcSumSquaredValues_float(const float* values, uint32_t count) {
  return reduce(count, [=](auto lanes, uint32_t i) {
    const auto x = loadWidened(lanes, values + i);
    return mul(x, x);
  });
}

extern "C" double TQCALC_STDCALL tqcalcMultiplyVectorsAndCalcSum_float(const float* valuesA,
                                                                       const float* valuesB,
                                                                       uint32_t count) {
  return reduce(count, [=](auto lanes, uint32_t i) {
    return mul(loadWidened(lanes, valuesA + i), loadWidened(lanes, valuesB + i));
  });
}
