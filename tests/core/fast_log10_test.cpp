#include "core/fast_log10.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bits.h"

namespace tq::test {
namespace {

TEST(FastLog10, DescribedValuesOfTheScalarForm) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, double> cases[] = {
      {1.0f, 0.0}, {2.0f, 0.3010300099849701}, {0.5f, -0.3010300099849701}, {10.0f, 1.0000156164169312},
      {100.0f, 1.9999374151229858}, {0.001f, -3.0000011920928955}, {-10.0f, 1.0000156164169312},
      {9.999999717180685e-10f, -8.999992370605469}, {std::nextafter(2.0f, 0.0f), 0.30091169476509094},
      {0.0f, -38.23080825805664}, {-0.0f, -38.23080825805664},
      {0x1p-149f, -38.23080825805664}, {0x1.fffffcp-127f, -37.92989730834961},  // the subnormals' ends
      {inf, 38.53184127807617}, {-inf, 38.53184127807617}, {std::numeric_limits<float>::quiet_NaN(), 38.707862854003906}};
  for (const auto& [x, expected] : cases) EXPECT_SAME_BITS(float(expected), fastLog10(x)) << "x = " << x;
}

}  // namespace
}  // namespace tq::test
