#include "tqcalc.h"

namespace {
constexpr int32_t kMajorVersion = 3;
constexpr int32_t kMinorVersion = 4;
constexpr int32_t kOldestCompatibleHost = 13;
}  // namespace

extern "C" void TQCALC_STDCALL tqcalcGetVersion(int32_t* majorVersion, int32_t* minorVersion,
                                                int32_t hostVersion, int32_t* isCompatible) {
  *majorVersion = kMajorVersion;
  *minorVersion = kMinorVersion;
  *isCompatible = hostVersion >= kOldestCompatibleHost ? 1 : 0;
}
