// The roads' checks: each prints one summary line and says whether it held.
#pragma once

#include <cmath>
#include <cstdio>

namespace demo {

inline bool check(bool ok, const char* what) {
  std::printf("  check: %-62s %s\n", what, ok ? "ok" : "FAILED");
  return ok;
}

// A value against the one the synthesis predicts, within a tolerance.
inline bool check(const char* what, double value, double expected, double tolerance, const char* unit) {
  const bool ok = std::fabs(value - expected) <= tolerance;
  std::printf("  %-34s %12.4f %-6s (expected %.4f +- %.4g) %s\n", what, value, unit, expected, tolerance,
              ok ? "ok" : "FAILED");
  return ok;
}

}  // namespace demo
