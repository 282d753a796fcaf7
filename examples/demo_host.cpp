// The demo host: loads nothing but the library, synthesises its own channel
// data, and runs the roads a measurement application takes through the
// library. Usage: tqcalc-demo [output-folder]
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "roads.h"
#include "tqcalc.h"

// The interface version this host was written against.
constexpr int32_t kHostInterfaceVersion = 13;

int main(int argc, char** argv) {
  const std::string output = argc > 1 ? argv[1] : "demo-output";
  std::filesystem::create_directories(output);

  int32_t major = 0, minor = 0, compatible = 0;
  tqcalcGetVersion(&major, &minor, kHostInterfaceVersion, &compatible);
  std::printf("tqcalc-avx %d.%d, host interface %d: %s\n\n", major, minor, kHostInterfaceVersion,
              compatible ? "compatible" : "NOT compatible");
  if (!compatible) return 1;

  bool ok = demo::runChannelStatistics();
  ok = demo::runCombustionAnalysis(output) && ok;
  ok = demo::runSignalRoad(output) && ok;
  ok = demo::runGraphRoad(output) && ok;
  ok = demo::runPowerQualityRoad(output) && ok;
  std::printf("\n%s\n", ok ? "all checks passed" : "SOME CHECKS FAILED");
  return ok ? 0 : 1;
}
