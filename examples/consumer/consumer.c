/* Calls one entry of each kind through the installed header and library:
 * a stdcall pair, a cdecl-only twin and a decorated-only entry. Exit status 0
 * when every result is the expected one. */
#include <stdio.h>
#include <tqcalc.h>

int main(void) {
  int failures = 0;
  int32_t major = -1, minor = -1, compatible = -1;
  tqcalcGetVersion(&major, &minor, 13, &compatible);
  failures += major != EXPECT_MAJOR || minor != EXPECT_MINOR || compatible != 1;

  const float samples[5] = {1.0f, -2.0f, 3.0f, -4.0f, 5.0f};
  failures += tqcalcSumValues_float(samples, 5) != 3.0;

  const double source[3] = {1.0, 2.0, 3.0};
  double shifted[3] = {0};
  tqcalcAddScalarToVector_double_cdecl(shifted, source, 0.5, 3);
  failures += shifted[0] != 1.5 || shifted[1] != 2.5 || shifted[2] != 3.5;

  /* A running mean of a constant is that constant. */
  const double level[8] = {2, 2, 2, 2, 2, 2, 2, 2};
  double mean[8] = {0};
  tqcalcCACalcAveFilter_double_scalar(level, mean, 3, 8);
  for (int i = 0; i < 8; ++i) failures += mean[i] != 2.0;

  printf("tqcalc-avx %d.%d: %s\n", (int)major, (int)minor, failures ? "FAILED" : "ok");
  return failures != 0;
}
