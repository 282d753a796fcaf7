// Fast sine and arc tangent over float arrays.
#include <cmath>

#include "power/fast_trig.h"
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::power;

// One to three elements: the C library in double, rounded. From four on the
// kernel for every element: whole eight-lane steps through the three-stage
// pipeline (one alone without it), then one step ending at the last element
// (its lanes recomputed from the input, which the output does not overlap).
// Four to seven elements take two four-lane steps the same way.
template <class Stages>
inline void fastArray(const float* input, float* output, uint32_t count, double (*library)(double)) {
  const std::size_t n = count;
  if (n < 4) {
    for (std::size_t i = 0; i < n; ++i) output[i] = narrow(library(widen(input[i])));
    return;
  }
  if (n < 8) {
    store(output, runStages<Stages>(load<F32x4>(input)));
    store(output + n - 4, runStages<Stages>(load<F32x4>(input + n - 4)));
    return;
  }
  const std::size_t steps = n / 8;
  if (steps == 1) {
    store(output, runStages<Stages>(load<F32x8>(input)));
  } else {
    pipelined3<F32x8>(
        input, output, steps, [](F32x8 x) { return Stages::front(x); },
        [](const auto& s, F32x8 x) { return Stages::middle(s, x); },
        [](const auto& s, F32x8 x) { return Stages::back(s, x); });
  }
  if (n % 8 != 0) store(output + n - 8, runStages<Stages>(load<F32x8>(input + n - 8)));
}

double librarySin(double x) { return std::sin(x); }
double libraryAtan(double x) { return std::atan(x); }

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcSin_float(const float* input, float* output, uint32_t count) {
  fastArray<SineStages>(input, output, count, librarySin);
}

extern "C" void TQCALC_STDCALL tqcalcATan_float(const float* input, float* output, uint32_t count) {
  fastArray<AtanStages>(input, output, count, libraryAtan);
}
