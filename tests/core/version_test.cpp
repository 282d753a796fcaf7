#include <gtest/gtest.h>

#include <climits>

#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

class Version : public ::testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(Version, ReportsThreeFourAndCompatibilityFromThirteenOn) {
  const auto [hostVersion, compatible] = GetParam();
  int32_t major = -1, minor = -1, isCompatible = -1;
  tqcalcGetVersion(&major, &minor, hostVersion, &isCompatible);
  EXPECT_EQ(major, 3);
  EXPECT_EQ(minor, 4);
  EXPECT_EQ(isCompatible, compatible);
}

INSTANTIATE_TEST_SUITE_P(HostVersions, Version,
                         ::testing::Values(std::pair{12, 0}, std::pair{13, 1}, std::pair{-1, 0},
                                           std::pair{INT32_MIN, 0}, std::pair{INT32_MAX, 1}, std::pair{0, 0}));

TQ_DIGEST_CASE(tqcalcGetVersion, 0x2891d1164d30d33) {
  for (int32_t host : {INT32_MIN, -13, 0, 12, 13, 14, INT32_MAX}) {
    int32_t out[3] = {-7, -7, -7};
    invoker.call<decltype(tqcalcGetVersion)>(&out[0], &out[1], host, &out[2]);
    invoker.digest(out);
  }
}

}  // namespace
}  // namespace tq::test
