// Unbalance: the described sets, at one element and at five (four in
// single precision, one in double), count 0 on one-element arrays. Every
// count against the definition is the harness row's.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "support/guarded.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

struct Result {
  float t0, t1, t2, negative, zero, negativeFirst, zeroFirst, s0[2], s1[2], s2[2];
};

// n elements of magnitudes m1..m3 and angles a1..a3, each array flush
// against a guard page.
Result uniform(uint32_t n, float m1, float m2, float m3, float a1, float a2, float a3, uint32_t count) {
  std::vector<std::unique_ptr<GuardedArray<float>>> g;
  for (float v : {m1, m2, m3, a1, a2, a3}) g.emplace_back(new GuardedArray<float>(n, Placement::AtEnd)), g.back()->assign(std::vector<float>(n, v));
  Result r;
  const PowerUnbalanceParams p{g[0]->data(), g[1]->data(), g[2]->data(), g[3]->data(), g[4]->data(), g[5]->data(),
                               &r.t0, &r.t1, &r.t2, &r.negative, &r.zero, &r.negativeFirst, &r.zeroFirst,
                               r.s0, r.s1, r.s2, count};
  tqcalcPowerUnbalance(&p);
  return r;
}

TEST(Unbalance, DescribedSets) {
  for (uint32_t n : {1u, 5u}) {
    const Result b = uniform(n, 230, 230, 230, 0, 120, 240, n);
    EXPECT_NEAR(230, b.s1[0], 1e-4);
    EXPECT_NEAR(0, b.s1[1], 1e-4);
    EXPECT_NEAR(0, std::hypot(b.s0[0], b.s0[1]) + std::hypot(b.s2[0], b.s2[1]), 1e-4);
    EXPECT_NEAR(230 * std::sqrt(double(n)), b.t1, 2e-3);
    EXPECT_NEAR(0, b.t0 + b.t2 + b.negative + b.zero + b.negativeFirst + b.zeroFirst, 1e-3);
    const Result r = uniform(n, 230, 230, 230, 0, 240, 120, n);
    EXPECT_NEAR(230, r.s2[0], 1e-4);
    EXPECT_NEAR(230 * std::sqrt(double(n)), r.t2, 2e-3);
    EXPECT_NEAR(0, r.t1, 2e-3);
    const Result same = uniform(n, 100, 100, 100, 30, 30, 30, n);
    EXPECT_NEAR(50 * std::sqrt(3.0), same.s0[0], 1e-4);
    EXPECT_NEAR(50, same.s0[1], 1e-4);
    const Result missing = uniform(n, 230, 230, 0, 0, 120, 240, n);
    EXPECT_NEAR(50, missing.zeroFirst, 1e-4);
    EXPECT_NEAR(50, missing.negativeFirst, 1e-4);
    EXPECT_NEAR(50, missing.zero, 1e-4);
    const Result zero = uniform(n, 0, 0, 0, 10, 20, 30, n);
    for (float v : {zero.t0, zero.t1, zero.t2, zero.negative, zero.zero, zero.negativeFirst, zero.zeroFirst, zero.s1[0],
                    zero.s1[1]})
      EXPECT_SAME_BITS(0.0f, v);
  }
  // count 0 on one-element arrays: element 0 still gives the first components.
  const Result c0 = uniform(1, 230, 230, 230, 0, 120, 240, 0);
  EXPECT_NEAR(230, c0.s1[0], 1e-4);
  for (float v : {c0.t0, c0.t1, c0.t2, c0.negative, c0.zero}) EXPECT_SAME_BITS(0.0f, v);
}

}  // namespace
}  // namespace tq::test
