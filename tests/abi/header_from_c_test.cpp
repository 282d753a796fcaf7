#include <gtest/gtest.h>

#include <cstdint>

extern "C" double tqTestSumFromC(const float* values, uint32_t count);

TEST(PublicHeader, UsableFromC) {
  const float values[] = {1.5f, 2.5f, -1.0f};
  EXPECT_EQ(tqTestSumFromC(values, 3), 3.0);
}
