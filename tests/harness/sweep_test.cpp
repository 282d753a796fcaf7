// Every row of the harness: counts 0..40 at every misalignment and longer
// ones at the thresholds, each array
// flush against an inaccessible page (after it, or before it for arrays read
// backwards), sentinel bytes around and in the outputs; results must be the
// reference's bits, inputs unchanged, nothing written outside the outputs.
// Element-wise rows also give the bits of one-element calls (the scalar
// path) and the ascending result on overlapping arrays.
#include <gtest/gtest.h>

#include <memory>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/harness.h"

namespace tq::test {
namespace {

// Same bits, except that any NaN matches any NaN in floating arrays (IEEE
// leaves payloads open; the one-element comparison is strict).
::testing::AssertionResult sameArray(const Arg& a, const Bytes& expected, const Bytes& actual, bool strict) {
  for (std::size_t i = 0; i < expected.size(); i += a.size()) {
    if (!std::memcmp(&expected[i], &actual[i], a.size())) continue;
    const double e = valueOf(a, &expected[i]), g = valueOf(a, &actual[i]);
    if (!strict && a.kind != RAW && std::isnan(e) && std::isnan(g)) continue;
    return ::testing::AssertionFailure() << "element " << i / a.size() << ": expected " << describe(e) << ", got " << describe(g);
  }
  return ::testing::AssertionSuccess();
}

void check(const Op& o, const Params& q, uint32_t n, Placement placement, std::size_t offset) {
  const auto args = parseArgs(o.shape);
  std::vector<Bytes> initial = arrays(args, n, q.data(), o.flags, uint32_t(n * 5 + offset));
  std::vector<Bytes> plain = initial;
  std::vector<std::unique_ptr<GuardedBytes>> guarded;
  std::vector<unsigned char*> gStarts, pStarts;
  for (std::size_t k = 0; k < args.size(); ++k) {
    guarded.emplace_back(new GuardedBytes(plain[k].size(), placement, offset));
    std::copy(plain[k].begin(), plain[k].end(), guarded[k]->begin());
    gStarts.push_back(guarded[k]->begin()), pStarts.push_back(plain[k].data());
  }
  const auto values = [&](std::size_t k) { return Bytes(gStarts[k], gStarts[k] + plain[k].size()); };
  SCOPED_TRACE(::testing::Message() << o.name << ", count " << n << ", offset " << offset
                                    << (placement == Placement::AtEnd ? " (flush at the end)" : "")
                                    << ", first scalar " << double(q.empty() ? 0 : q[0]));
  const double expected = o.reference(pointers(args, pStarts, n, q.data()).data(), q.data(), n);
  const double actual = o.run(pointers(args, gStarts, n, q.data()).data(), q.data(), n);
  EXPECT_TRUE(sameBits(expected, actual) || (std::isnan(expected) && std::isnan(actual)))
      << "result " << describe(actual) << ", expected " << describe(expected);
  for (std::size_t k = 0; k < args.size(); ++k) {
    EXPECT_TRUE(sameArray(args[k], plain[k], values(k), false)) << "array " << k;
    EXPECT_TRUE(guarded[k]->untouched()) << "written outside array " << k;
  }
  if (!(o.flags & ELEMENTWISE)) return;
  for (uint32_t i = 0; i < n; ++i) {
    std::vector<void*> p;
    for (std::size_t k = 0; k < args.size(); ++k) p.push_back(&initial[k][i * args[k].mul * args[k].size()]);
    o.run(p.data(), q.data(), 1);
  }
  for (std::size_t k = 0; k < args.size(); ++k)
    EXPECT_TRUE(sameArray(args[k], initial[k], values(k), true)) << "one-element calls, array " << k;
}

class Sweep : public ::testing::TestWithParam<Op> {};

TEST_P(Sweep, EveryCountOffsetAndGuardGivesTheReferenceBits) {
  const Op& o = GetParam();
  std::size_t step = 1;
  for (const Arg& a : parseArgs(o.shape)) step = o.flags & BYTES ? 1 : std::max(step, a.size());
  // Counts to 40 at every start offset, to 160 flush at the end; past that
  // the steps, the segments' ends and the averaging filter's regime
  // thresholds (widths 2, 3, 7 and 20 at 64, 96, 224 and 640 in double, at
  // twice that in float), flush against either end.
  for (const Params& q : o.params.empty() ? std::vector<Params>{{}} : o.params) {
    for (uint32_t count = 0; count <= 160; ++count) {
      check(o, q, count, Placement::AtEnd, 0);
      for (std::size_t offset = 0; count <= 40 && offset < 32; offset += step) check(o, q, count, Placement::AtStart, offset);
    }
    for (uint32_t count : {191u, 192u, 223u, 224u, 255u, 256u, 447u, 448u, 639u, 640u, 1000u, 1279u, 1280u, 4099u})
      for (Placement placement : {Placement::AtEnd, Placement::AtStart}) check(o, q, count, placement, 0);
  }
}

// Overlap: the destination at the input (shift 0) or a few elements either
// side of it; the result is that of one element at a time in ascending
// order, which one-element calls on a copy of the memory give (narrowing
// included; widening may not overlap at all). Shifts count output elements.
TEST_P(Sweep, OverlappingArraysGiveTheAscendingResult) {
  const Op& o = GetParam();
  const auto args = parseArgs(o.shape);
  const int out = int(std::find_if(args.begin(), args.end(), [](const Arg& a) { return a.role == OUT; }) - args.begin());
  if (!(o.flags & ELEMENTWISE) || out == int(args.size())) return;  // no separate output
  const std::size_t es = args[out].size();
  for (std::size_t which = 0; which < args.size(); ++which) {
    if (args[which].role != IN || args[which].size() < es) continue;  // widening: no overlap allowed
    for (uint32_t n = 0; n <= 40; ++n)
      for (int shift = -9; shift <= 9; ++shift) {
        Bytes memory(400 * es), other(400 * es);
        generate(args[which], o.flags, n + 3, memory);
        generate(args[which], o.flags, n + 4, other);
        Bytes expected = memory;
        const auto call = [&](Bytes& m, uint32_t i, uint32_t count) {
          std::vector<void*> p;
          for (std::size_t k = 0; k < args.size(); ++k) {
            const std::size_t at = (k == std::size_t(out) ? 40 * es + shift * int(es) : 40 * es) + i * args[k].mul * args[k].size();
            p.push_back(k == which || k == std::size_t(out) ? &m[at] : &other[at]);
          }
          o.run(p.data(), o.params.empty() ? nullptr : o.params[0].data(), count);
        };
        for (uint32_t i = 0; i < n; ++i) call(expected, i, 1);
        call(memory, 0, n);
        ASSERT_TRUE(expected == memory) << o.name << " count " << n << " shift " << shift << " input " << which;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Sweep, ::testing::ValuesIn(ops()), [](const auto& info) { return std::string(info.param.name); });

// Exact values known for each export, worked out by hand.
struct Described {
  const char* op;
  uint32_t n;
  Params q;
  std::vector<std::vector<double>> in, out;  // per array; empty: sentinels / not checked
  double result;
};
std::vector<double> rep(std::size_t count, double v) { return std::vector<double>(count, v); }
constexpr double kInf = INFINITY, kNaN = NAN, kMin = FLT_MIN;
const Described kDescribed[] = {
    {"tqcalcGetVersion", 0, {13}, {}, {{3}, {4}, {1}}, 0},
    {"tqcalcGetVersion", 0, {12}, {}, {{3}, {4}, {0}}, 0},
    {"tqcalcSumAbsValues_float", 3, {}, {{-1.5, 2.5, -0.0}}, {}, 4.0},
    {"tqcalcSumAbsValues_float", 1, {}, {{-0.0}}, {}, 0.0},
    {"tqcalcSumAbsValues_float", 2, {}, {{kInf, -kInf}}, {}, kInf},
    {"tqcalcSumValues_float", 1, {}, {{-0.0}}, {}, 0.0},  // 0.0 + -0.0
    {"tqcalcSumValues_float", 2, {}, {{kInf, -kInf}}, {}, kNaN},
    {"tqcalcSumSquaredValues_float", 2, {}, {{3, -4}}, {}, 25.0},
    // Squares of floats are formed in double: no overflow.
    {"tqcalcSumSquaredValues_float", 1, {}, {{3.4e38}}, {}, double(3.4e38f) * double(3.4e38f)},
    {"tqcalcMultiplyVectorsAndCalcSum_float", 3, {}, {{1, 2, 3}, {4, 5, 6}}, {}, 32.0},
    {"tqcalcAddVectorsAndMultiplyByScalar_float", 1, {3, 0.5}, {{}, {1}, {2}}, {{3.5}}, 0},
    {"tqcalcSubtractVectorsAndMultiplyByScalar_float", 1, {-1}, {{}, {5}, {2}}, {{-3}}, 0},
    {"tqcalcVectorsMax_float", 2, {}, {{}, {kNaN, -0.0}, {1, 0.0}}, {{1, 0.0}}, 0},
    {"tqcalcSqrtVector_float", 1, {}, {{}, {-1}}, {{kNaN}}, 0},
    {"tqcalcComplexVectorAbs_float", 2, {0}, {{}, {3, 4, 2e19, 0}}, {{5, kInf}}, 0},  // no rescaling
    {"tqcalcComplexVectorAbs_double", 1, {1}, {{}, {3, 4}}, {{25}}, 0},
    {"tqcalcConvertInt32ToInt16", 4, {}, {{70000, 32768, -32769, -1}}, {{}, {4464, -32768, 32767, -1}}, 0},
    {"tqcalcConvertInt16ToInt32", 2, {}, {{-32768, 32767}}, {{}, {-32768, 32767}}, 0},
    {"tqcalcChannelFillBufferWithLinearFunction_double", 5, {0.5, -1}, {}, {{-1, -0.5, 0, 0.5, 1}}, 0},
    {"tqcalcChannelFillBufferWithLinearFunction_float", 1, {123.5, -0.25}, {}, {{-0.25}}, 0},
    {"tqcalcCACalcFilter_float", 3, {1}, {{1, 2, 3}, {0.5, 0.25, 0.125}}, {}, 2.125},
    {"tqcalcCACalcFilter_float", 3, {2}, {{1, 2, 3}, {0.5, 9, 0.25, 9, 0.125}}, {}, 2.125},
    {"tqcalcCACalcFilter_int16_t", 3, {0}, {{1, 2, 3}, {0.5}}, {}, 3.0},  // stride 0: coefficients[0] throughout
    {"tqcalcCACalcFilter_int16_t", 1, {1}, {{-32768}, {1}}, {}, -32768.0},
    // Rounded to nearest, ties to even, on the sequential and the vector path.
    {"tqcalcCACalcFilter_int32_t", 1, {1}, {{16777217}, {1}}, {}, 16777216.0},
    {"tqcalcCACalcFilter_int32_t", 2, {1}, {{16777217, 16777219}, {1, 0}}, {}, 16777220.0},
    {"tqcalcCACalcFilter_int32_t", 8, {1}, {{16777217, 16777219, -16777217, 7, 16777217, 3, 1, 16777217}, {1, 0, 0, 0, 0, 0, 0, 0}}, {}, 16777216.0},
    {"tqcalcCACalcAveFilter_double", 7, {3}, {{1, 2, 3, 4, 5, 6, 7}}, {{}, {2, 2, 3, 4, 5, 6, 6}}, 0},
    {"tqcalcCACalcAveFilter_float", 7, {3}, {{1, 2, 3, 4, 5, 6, 7}}, {{}, {2, 2, 3, 4, 5, 6, 6}}, 0},
    {"tqcalcCACalcAveFilter_double_scalar", 200, {3}, {rep(200, 1)}, {{}, rep(200, 1)}, 0},
    {"tqCalcCACopyRawDataToChannels", 4, {1, 1}, {{0, 5, 9, 9, 2}}, {{}, {4, 8, 8, 1}, {8}, {2}}, 0},
    {"tqCalcCACopyRawDataToChannels", 3, {0, 1}, {{-2, 0, -6}}, {{}, {-3, -1, -7}, {kMin}, {-1}}, 0},
    {"tqCalcCACopyRawDataToChannels", 2, {0, 0}, {{kNaN, 1}}, {{}, {kNaN, 1}, {1}, {1}}, 0},
    // Equal to the floor is not above it; the smallest value above is.
    {"tqCalcCACopyRawDataToChannels", 2, {0, 0}, {{kMin, 0x1.000002p-126}}, {{}, {}, {0x1.000002p-126}, {1}}, 0},
    {"tqCalcCAOverallPressure", 13, {0, 3}, {rep(13, 6), rep(13, 2)}, {{}, rep(13, 3), {3}}, 0},
    {"tqCalcCAOverallPressure", 13, {0, 0}, {rep(13, -1), rep(13, 6)}, {{}, rep(13, -1), {kMin}}, 0},
    // A count beyond 2^32 read whole (its low half, 1, would give 1).
    {"tqCalcCAOverallPressure", 13, {0, (1ull << 32) + 1}, {rep(13, 0), rep(13, 2)}, {{}, rep(13, 2), {2}}, 0},
    // n + 1 wraps to 0 in the tail (reciprocal infinite); groups use n + 1.0.
    {"tqCalcCAOverallPressure", 9, {0, UINT64_MAX}, {rep(9, 1), rep(9, 1)}, {{}, {1, 1, 1, 1, 1, 1, 1, 1, kInf}, {kInf}}, 0},
    {"tqCalcCAOverallPressure", 5, {10, 1}, {{1, 2, 3, 4, 5}, rep(5, 3)}, {{}, {2, 2.5, 3, 3.5, 4}, {4}}, 0},
    {"tqCalcCAOverallPressure", 0, {7, 5}, {}, {{}, {}, {kMin}}, 0},
    {"tqCalcCARunningVal", 5, {100, 1, 4}, {{2, 4, 6, 8, 10}, {}, rep(5, 2)}, {{}, {}, {4, 6, 8, 10, 12}, {2, 3, 4, 5, 6}}, 0},
    // While filling, the divisor is float(k) + 1: for k = 2^24 + 1 that is 2^24.
    {"tqCalcCARunningVal", 9, {0, (1u << 24) + 1, 1u << 25}, {rep(9, 1), {}, rep(9, 2)}, {{}, {}, rep(9, 3), rep(9, 0x3p-24)}, 0},
    {"tqCalcCARunningVal", 13, {0, 3, 3}, {rep(13, 12), rep(13, 3), rep(13, 18)}, {{}, {}, rep(13, 27), rep(13, 9)}, 0},
    {"tqcalcCAPV_lin", 2, {-100, 100, 2, 0.5}, {{1, -1.25}}, {{}, {3, -2}}, 0},  // 3.0 and -2.0 - 0.5 truncated
    {"tqcalcCAPV_lin", 8, {-100, 100, 1, 0}, {rep(8, 2.5)}, {{}, rep(8, 2)}, 0},  // ties to even
    {"tqcalcCAPV_lin", 2, {0, 640, 1, 0}, {{1000, -5}}, {{}, {640, 0}}, 0},
    {"tqcalcCAPV_lin", 9, {0, 640, 1, 0}, {rep(9, 1000)}, {{}, rep(9, 640)}, 0},
    {"tqcalcCAPV_log", 8, {-1e5, 1e5, 100, 0, 1}, {{1, 10, 100, 1000, 0, -5, 0.5, 2}}, {{}, {0, 100, 200, 300, -900, -900, -30, 30}}, 0},
    {"tqcalcCAPV_log", 7, {-1e5, 1e5, 100, 0, 1}, {{1, 10, 100, 1000, 0, -5, 0.5}}, {{}, {0, 100, 200, 300, -900, -900, -30}}, 0},
    {"tqcalcCAPV_log", 8, {-1e5, 1e5, 100, 50, 10}, {{1, 10, 100, 1000, 0, -5, 0.5, 2}}, {{}, {-50, 50, 150, 250, -850, -850, -80, -20}}, 0},
    {"tqcalcCAPV_log", 7, {-1e5, 1e5, 100, 50, 10}, {{1, 10, 100, 1000, 0, -5, 0.5}}, {{}, {-50, 50, 150, 250, -850, -850, -80}}, 0},
};

void PrintTo(const Described& c, std::ostream* out) { *out << c.op << " count " << c.n; }

class DescribedCase : public ::testing::TestWithParam<Described> {};

TEST_P(DescribedCase, GivesTheDescribedBits) {
  const Described& c = GetParam();
  const Op& o = op(c.op);
  const auto args = parseArgs(o.shape);
  std::vector<Bytes> a;
  std::vector<unsigned char*> starts;
  const auto fill = [&](std::size_t k, const std::vector<double>& values, Bytes& out) {
    for (std::size_t i = 0; i < values.size(); ++i) store(args[k], out, i, values[i]);
  };
  for (std::size_t k = 0; k < args.size(); ++k) {
    a.emplace_back(args[k].count(c.n, c.q.data()) * args[k].size(), GuardedBytes::kSentinel);
    if (k < c.in.size()) fill(k, c.in[k], a[k]);
    starts.push_back(a[k].data());
  }
  const double result = o.run(pointers(args, starts, c.n, c.q.data()).data(), c.q.data(), c.n);
  SCOPED_TRACE(::testing::Message() << c.op << " count " << c.n);
  EXPECT_TRUE(sameBits(c.result, result) || (std::isnan(c.result) && std::isnan(result))) << describe(result);
  for (std::size_t k = 0; k < c.out.size(); ++k) {
    Bytes expected = a[k];
    fill(k, c.out[k], expected);
    EXPECT_TRUE(sameArray(args[k], expected, a[k], false)) << "array " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, DescribedCase, ::testing::ValuesIn(kDescribed));

}  // namespace
}  // namespace tq::test
