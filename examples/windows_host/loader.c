/* A minimal 32-bit Windows host: loads tqcalc-avx.dll from the path given on
 * the command line, checks the interface version, and calls a few entries
 * through typed pointers resolved by name, as a measurement host does. It
 * needs no import library and no header: a host declares what it calls.
 *
 *   tqcalc-loader.exe C:\path\to\tqcalc-avx.dll
 *
 * Exit status 0 when every result is the expected one. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

typedef void(__stdcall *GetVersionFn)(int32_t *major, int32_t *minor, int32_t hostVersion,
                                      int32_t *isCompatible);
typedef double(__stdcall *SumFn)(const float *values, uint32_t count);
typedef void(__stdcall *ScaleFn)(float *values, uint32_t count, float scalar);
typedef void(__stdcall *AverageFn)(const double *input, double *output, uint16_t windowWidth,
                                   uint32_t count);
typedef void(__cdecl *SqrtFn)(double *destination, const double *source, uint32_t count);

static int failures;

static void check(int ok, const char *what) {
  printf("%-52s %s\n", what, ok ? "ok" : "FAILED");
  failures += !ok;
}

static FARPROC resolve(HMODULE module, const char *name) {
  FARPROC entry = GetProcAddress(module, name);
  if (!entry) {
    fprintf(stderr, "%s: not exported\n", name);
    exit(1);
  }
  return entry;
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s PATH\\tqcalc-avx.dll\n", argv[0]);
    return 2;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], (unsigned long)GetLastError());
    return 1;
  }

  /* GetProcAddress returns FARPROC; going through void* is the usual way
   * to a typed pointer without a cast warning. */
  GetVersionFn getVersion = (GetVersionFn)(void *)resolve(module, "tqcalcGetVersion");
  int32_t major = 0, minor = 0, compatible = -1;
  getVersion(&major, &minor, 13, &compatible);
  printf("tqcalc-avx %d.%d, host interface 13 %s\n", major, minor,
         compatible ? "accepted" : "refused");
  check(major == 3 && minor == 4 && compatible == 1, "tqcalcGetVersion");

  float samples[5] = {1.0f, -2.0f, 3.0f, -4.0f, 5.0f};
  SumFn sum = (SumFn)(void *)resolve(module, "tqcalcSumValues_float");
  SumFn sumSquares = (SumFn)(void *)resolve(module, "tqcalcSumSquaredValues_float");
  check(sum(samples, 5) == 3.0 && sumSquares(samples, 5) == 55.0,
        "tqcalcSumValues_float, tqcalcSumSquaredValues_float");

  ScaleFn scale = (ScaleFn)(void *)resolve(module, "tqcalcMultiplyVectorByScalar_float");
  scale(samples, 5, -0.5f);
  check(samples[0] == -0.5f && samples[3] == 2.0f && samples[4] == -2.5f,
        "tqcalcMultiplyVectorByScalar_float");

  /* Exported only under its decorated stdcall name. */
  double level[8] = {2.5, 2.5, 2.5, 2.5, 2.5, 2.5, 2.5, 2.5}, smoothed[8] = {0};
  AverageFn average = (AverageFn)(void *)resolve(module, "_tqcalcCACalcAveFilter_double_scalar@16");
  average(level, smoothed, 3, 8);
  check(smoothed[0] == 2.5 && smoothed[7] == 2.5, "_tqcalcCACalcAveFilter_double_scalar@16");

  /* A cdecl-only kernel. */
  double squares[3] = {4.0, 9.0, 2.25}, roots[3] = {0};
  SqrtFn root = (SqrtFn)(void *)resolve(module, "tqcalcSqrtVector_double_cdecl");
  root(roots, squares, 3);
  check(roots[0] == 2.0 && roots[1] == 3.0 && roots[2] == 1.5, "tqcalcSqrtVector_double_cdecl");

  FreeLibrary(module);
  return failures ? 1 : 0;
}
