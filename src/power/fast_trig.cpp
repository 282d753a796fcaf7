// Fast sine and arc tangent over float arrays.
#include <cmath>

#include "power/fast_trig.h"
#include "tqcalc.h"

namespace {

using namespace tq::power;

// One to three elements: the C library in double, rounded. From four on the
// lane kernel for every element: whole eight-lane steps, two per turn so
// that one step's division and polynomial latency hides behind the other's,
// then one step ending at the last element (its lanes recomputed from the
// input, which the output does not overlap). Four to seven elements take
// two four-lane steps the same way.
template <class Kernel>
inline void fastArray(const float* input, float* output, uint32_t count, double (*library)(double), Kernel kernel) {
  const std::size_t n = count;
  if (n < 4) {
    for (std::size_t i = 0; i < n; ++i) output[i] = narrow(library(widen(input[i])));
    return;
  }
  if (n < 8) {
    store(output, kernel(load<F32x4>(input)));
    store(output + n - 4, kernel(load<F32x4>(input + n - 4)));
    return;
  }
  std::size_t i = 0;
  for (; n - i >= 16; i += 16) {
    const F32x8 a = kernel(load<F32x8>(input + i)), b = kernel(load<F32x8>(input + i + 8));
    store(output + i, a);
    store(output + i + 8, b);
  }
  if (n - i >= 8) store(output + i, kernel(load<F32x8>(input + i))), i += 8;
  if (i != n) store(output + n - 8, kernel(load<F32x8>(input + n - 8)));
}

double librarySin(double x) { return std::sin(x); }
double libraryAtan(double x) { return std::atan(x); }

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcSin_float(const float* input, float* output, uint32_t count) {
  fastArray(input, output, count, librarySin, [](auto x) { return fastSin(x); });
}

extern "C" void TQCALC_STDCALL tqcalcATan_float(const float* input, float* output, uint32_t count) {
  fastArray(input, output, count, libraryAtan, [](auto x) { return fastAtan(x); });
}
