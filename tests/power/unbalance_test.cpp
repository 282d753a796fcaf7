// Unbalance: the described sets, count 0 on one-element arrays, one
// non-zero element at every index counted once, and agreement with a
// long-double Fortescue decomposition.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
#include "support/guarded.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

// pi to long double precision (M_PIl is not in every C library).
constexpr long double kPiL = 3.141592653589793238462643383279502884L;

struct Result {
  float t0, t1, t2, negative, zero, negativeFirst, zeroFirst, s0[2], s1[2], s2[2];
};

// Phase k has magnitudes m[k] and angles a[k]; every array holds `size`
// elements, flush against a guard page.
Result unbalance(const std::vector<float> (&in)[6], uint32_t count) {
  std::vector<std::unique_ptr<GuardedArray<float>>> g;
  for (const auto& v : in) {
    g.emplace_back(new GuardedArray<float>(v.size(), Placement::AtEnd));
    g.back()->assign(v);
  }
  Result r;
  const PowerUnbalanceParams p{g[0]->data(), g[1]->data(), g[2]->data(), g[3]->data(), g[4]->data(), g[5]->data(),
                               &r.t0, &r.t1, &r.t2, &r.negative, &r.zero, &r.negativeFirst, &r.zeroFirst,
                               r.s0, r.s1, r.s2, count};
  tqcalcPowerUnbalance(&p);
  return r;
}

// n elements all with the same phasors.
Result uniform(uint32_t n, float m1, float m2, float m3, float a1, float a2, float a3, uint32_t count) {
  const std::vector<float> in[6] = {std::vector<float>(n, m1), std::vector<float>(n, m2), std::vector<float>(n, m3),
                                    std::vector<float>(n, a1), std::vector<float>(n, a2), std::vector<float>(n, a3)};
  return unbalance(in, count);
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

// A balanced set at one index, zeros elsewhere: the totals count it once,
// in the groups of four and among the last elements alike.
TEST(Unbalance, OneElementCountsOnce) {
  for (uint32_t n = 1; n <= 13; ++n)
    for (uint32_t at = 0; at < n; ++at) {
      std::vector<float> in[6];
      for (auto& v : in) v.assign(n, 0.0f);
      in[0][at] = in[1][at] = in[2][at] = 230;
      in[3][at] = 10, in[4][at] = 130, in[5][at] = 250;
      const Result r = unbalance(in, n);
      EXPECT_NEAR(230, r.t1, 1e-3) << n << " " << at;
      EXPECT_NEAR(0, r.t0 + r.t2, 1e-3) << n << " " << at;
    }
}

// Against long double: first components within half an ulp plus 1e-12 of
// the magnitudes' sum; totals within the fast kernels' error.
TEST(Unbalance, AgreesWithLongDoubleFortescue) {
  for (uint32_t n : {1u, 3u, 4u, 7u, 8u, 13u, 64u}) {
    std::vector<float> in[6];
    for (int k = 0; k < 6; ++k) {
      in[k] = randomValues<float>(n, n * 6 + k, k < 3 ? 50 : 180);
      if (k < 3) for (float& v : in[k]) v += 200;
    }
    const Result r = unbalance(in, n);
    long double sums[3] = {0, 0, 0}, first[3][2] = {};
    double sumM = 0;
    for (uint32_t i = 0; i < n; ++i)
      for (int s = 0; s < 3; ++s) {
        const float turn[3][2] = {{0, 0}, {120, 240}, {240, 120}};
        long double re = 0, im = 0;
        for (int k = 0; k < 3; ++k) {
          const long double a = (long double)(k ? in[3 + k][i] - turn[s][k - 1] : in[3][i]) * (kPiL / 180);
          re += in[k][i] * cosl(a), im += in[k][i] * sinl(a);
          if (s == 0) sumM += in[k][i];
        }
        sums[s] += re * re + im * im;
        if (i == 0) first[s][0] = re / 3, first[s][1] = im / 3;
      }
    const float* got[3] = {r.s0, r.s1, r.s2};
    const float totals[3] = {r.t0, r.t1, r.t2};
    for (int s = 0; s < 3; ++s) {
      const double sum0 = double(in[0][0]) + in[1][0] + in[2][0];
      for (int c = 0; c < 2; ++c) {
        const float e = float(first[s][c]);
        EXPECT_LE(std::fabs(double(got[s][c]) - double(first[s][c])),
                  0.5 * (std::nextafter(std::fabs(e), INFINITY) - std::fabs(e)) + 1e-12 * sum0) << n << " " << s;
      }
      EXPECT_NEAR(double(sqrtl(sums[s]) / 3), totals[s], 4e-7 * sumM / 3 + 1e-6 * totals[s]) << n << " " << s;
    }
  }
}

}  // namespace
}  // namespace tq::test
