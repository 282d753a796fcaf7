// Sums of one or two vectors, accumulated in double.
//
// The vector path adds four terms per 256-bit step into four independent
// accumulators (16 elements per turn): one accumulator would leave the loop
// waiting on the latency of every addition. Remaining whole steps go into the
// first accumulator, the last 0..3 elements are added one at a time after the
// lanes are combined. The order depends only on `count`, never on alignment,
// so a given input always gives the same bits.
#include <cmath>

#include "core/simd.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// `vectorTerm(i)` gives the terms of elements i..i+3, `scalarTerm(i)` the
// term of element i, both in double.
template <class VectorTerm, class ScalarTerm>
inline double reduce(uint32_t count, VectorTerm vectorTerm, ScalarTerm scalarTerm) {
  __m256d acc0 = _mm256_setzero_pd();
  __m256d acc1 = _mm256_setzero_pd();
  __m256d acc2 = _mm256_setzero_pd();
  __m256d acc3 = _mm256_setzero_pd();
  uint32_t i = 0;
  for (; count - i >= 16; i += 16) {
    acc0 = _mm256_add_pd(acc0, vectorTerm(i));
    acc1 = _mm256_add_pd(acc1, vectorTerm(i + 4));
    acc2 = _mm256_add_pd(acc2, vectorTerm(i + 8));
    acc3 = _mm256_add_pd(acc3, vectorTerm(i + 12));
  }
  for (; count - i >= 4; i += 4) acc0 = _mm256_add_pd(acc0, vectorTerm(i));
  double sum = horizontalSum(_mm256_add_pd(_mm256_add_pd(acc0, acc1), _mm256_add_pd(acc2, acc3)));
  for (; i < count; ++i) sum += scalarTerm(i);
  return sum;
}

}  // namespace

extern "C" double TQCALC_STDCALL tqcalcSumValues_double(const double* values, uint32_t count) {
  return reduce(
      count, [=](uint32_t i) { return _mm256_loadu_pd(values + i); },
      [=](uint32_t i) { return loadUnaligned(values + i); });
}

extern "C" double TQCALC_STDCALL tqcalcSumValues_float(const float* values, uint32_t count) {
  return reduce(
      count, [=](uint32_t i) { return loadWidened(values + i); },
      [=](uint32_t i) { return double(loadUnaligned(values + i)); });
}

extern "C" double TQCALC_STDCALL tqcalcSumAbsValues_float(const float* values, uint32_t count) {
  // Clearing the sign bit (rather than negating) keeps -0.0 -> +0.0 and NaN.
  return reduce(
      count, [=](uint32_t i) { return _mm256_cvtps_pd(absoluteValue(_mm_loadu_ps(values + i))); },
      [=](uint32_t i) { return std::fabs(double(loadUnaligned(values + i))); });
}

extern "C" double TQCALC_STDCALL tqcalcSumSquaredValues_float(const float* values, uint32_t count) {
  return reduce(
      count,
      [=](uint32_t i) {
        const __m256d x = loadWidened(values + i);
        return _mm256_mul_pd(x, x);
      },
      [=](uint32_t i) {
        const double x = loadUnaligned(values + i);
        return x * x;
      });
}

extern "C" double TQCALC_STDCALL tqcalcMultiplyVectorsAndCalcSum_float(const float* valuesA,
                                                                       const float* valuesB,
                                                                       uint32_t count) {
  return reduce(
      count, [=](uint32_t i) { return _mm256_mul_pd(loadWidened(valuesA + i), loadWidened(valuesB + i)); },
      [=](uint32_t i) { return double(loadUnaligned(valuesA + i)) * double(loadUnaligned(valuesB + i)); });
}
