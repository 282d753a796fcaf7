// Copy with statistics: int16 samples `stride` elements apart gathered into a
// packed destination, the running statistics updated on the way by the core
// of the running statistics (stats/running_stats.h).
//
// Whole blocks of eight form the shifted sample in double, the samples
// before and after them one at a time in single precision. With stride 1 the
// blocks are aligned on the source (where the loads are); any other stride
// gathers eight samples one by one and stores them as an aligned block of
// the destination. Source offsets are pointer-width products, so that a
// stride of 0 or below walks the source as source[i * stride] without
// 32-bit wrap-around.
#include "stats/running_stats.h"
#include "tqcalc.h"

extern "C" void TQCALC_STDCALL tqcalcMoveAndGetMinMaxAveRMS_int16_t(int16_t* destination, const int16_t* source,
                                                                    uint32_t count, int16_t* minValue,
                                                                    int16_t* maxValue, double* sum,
                                                                    double* sumOfSquares, float offset,
                                                                    int32_t stride) {
  using namespace tq::stats;
  if (count == 0) return;
  Running<int16_t> r{*minValue, *maxValue, *sum, *sumOfSquares};
  const std::ptrdiff_t step = stride;
  const auto one = [&](std::size_t i) {
    const int16_t v = source[std::ptrdiff_t(i) * step];
    destination[i] = v;
    addSample(r, v, offset, true);
  };
  const auto [head, end] = splitAt(step == 1 ? source : destination, count);
  const auto copied = [=](std::size_t i) { return load<I16x8>(destination + i); };
  for (std::size_t i = 0; i < head; ++i) one(i);
  if (step == 1) {
    addBlocks(r, offset, head, end, [=](std::size_t i) {
      const I16x8 v = load<I16x8>(source + i);
      store(destination + i, v);
      return v;
    }, copied);
  } else {
    addBlocks(r, offset, head, end, [=](std::size_t i) {
      const I16x8 v = gather<I16x8>(source + std::ptrdiff_t(i) * step, step);
      store(destination + i, v);
      return v;
    }, copied);
  }
  for (std::size_t i = end; i < count; ++i) one(i);
  *minValue = r.lo, *maxValue = r.hi, *sum = r.sum, *sumOfSquares = r.squares;
}
