/* A Windows host that declares the entries by their exported names, without
 * the header (as another language's foreign-function layer does): the cdecl
 * twins as plain C functions, a stdcall entry under its undecorated name. It
 * links through the import library of plain names, tqcalc-avx.dll.a. */
#include <stdint.h>
#include <stdio.h>

double tqcalcSumValues_float_cdecl(const float *values, uint32_t count);
double __stdcall sumValues(const float *values, uint32_t count) __asm__("_tqcalcSumValues_float");
void __stdcall getVersion(int32_t *major, int32_t *minor, int32_t hostVersion,
                          int32_t *isCompatible) __asm__("_tqcalcGetVersion");

int main(void) {
  const float samples[5] = {1.0f, -2.0f, 3.0f, -4.0f, 5.0f};
  int32_t major = -1, minor = -1, compatible = -1;
  getVersion(&major, &minor, 13, &compatible);
  int failures = compatible != 1;
  failures += tqcalcSumValues_float_cdecl(samples, 5) != 3.0;
  failures += sumValues(samples, 5) != 3.0;
  printf("tqcalc-avx %d.%d through plain names: %s\n", (int)major, (int)minor,
         failures ? "FAILED" : "ok");
  return failures != 0;
}
