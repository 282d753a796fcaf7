/* The public header compiled as C (C11, no extensions needed): declarations,
 * convention macros and records must all be valid C. */
#include "tqcalc.h"

double tqTestSumFromC(const float* values, uint32_t count) {
  int32_t major, minor, compatible;
  tqcalcGetVersion_cdecl(&major, &minor, 13, &compatible);
  return tqcalcSumValues_float(values, count) + (major == 3 && minor == 4 && compatible == 1 ? 0.0 : 1e9);
}
