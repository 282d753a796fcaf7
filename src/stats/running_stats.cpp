// Running minimum, maximum, sum and sum of squares: the caller's values are
// updated with the samples of each call.
//
// Below one vector the sequential step, s in single precision for float and
// int16 samples. From one vector on, whole blocks (s in double) and the
// samples after them one at a time; float samples then form s in double one
// at a time too, int16 samples in single precision, and int16 blocks start
// at the array's first 16-byte boundary, the samples before it taken one at
// a time like the tail. Which samples take the double path thus depends on
// the address for int16, on the count alone for the other types.
#include "stats/running_stats.h"
#include "tqcalc.h"

namespace {

using namespace tq::stats;

template <class T>
void runningStats(const T* values, uint32_t count, T* minValue, T* maxValue, double* sum, double* sumOfSquares,
                  OffsetOf<T> offset) {
  if (count == 0) return;
  Running<T> r{*minValue, *maxValue, *sum, *sumOfSquares};
  const auto [head, end] = splitAt(values, count);
  // Below one block the head takes every sample, so only int16's tail (after
  // its last aligned block) forms s in single precision.
  const bool singleTail = std::is_same_v<T, int16_t>;
  for (std::size_t i = 0; i < head; ++i) addSample(r, values[i], offset, true);
  const auto block = [=](std::size_t i) { return load<Block<T>>(values + i); };
  addBlocks(r, offset, head, end, block, block);
  for (std::size_t i = end; i < count; ++i) addSample(r, values[i], offset, singleTail);
  *minValue = r.lo, *maxValue = r.hi, *sum = r.sum, *sumOfSquares = r.squares;
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcGetMinMaxAveRMS_double(const double* values, uint32_t count, double* minValue,
                                                            double* maxValue, double* sum, double* sumOfSquares,
                                                            double offset) {
  runningStats(values, count, minValue, maxValue, sum, sumOfSquares, offset);
}
extern "C" void TQCALC_STDCALL tqcalcGetMinMaxAveRMS_float(const float* values, uint32_t count, float* minValue,
                                                           float* maxValue, double* sum, double* sumOfSquares,
                                                           float offset) {
  runningStats(values, count, minValue, maxValue, sum, sumOfSquares, offset);
}
extern "C" void TQCALC_STDCALL tqcalcGetMinMaxAveRMS_int16_t(const int16_t* values, uint32_t count, int16_t* minValue,
                                                             int16_t* maxValue, double* sum, double* sumOfSquares,
                                                             float offset) {
  runningStats(values, count, minValue, maxValue, sum, sumOfSquares, offset);
}
extern "C" void TQCALC_STDCALL tqcalcGetMinMaxAveRMS_int32_t(const int32_t* values, uint32_t count, int32_t* minValue,
                                                             int32_t* maxValue, double* sum, double* sumOfSquares,
                                                             double offset) {
  runningStats(values, count, minValue, maxValue, sum, sumOfSquares, offset);
}
