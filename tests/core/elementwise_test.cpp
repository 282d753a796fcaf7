#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

template <class T, class F, class D>
constexpr auto pick(F forFloat, D forDouble) {
  if constexpr (std::is_same_v<T, float>) return forFloat;
  else return forDouble;
}

// IEEE leaves the payload of a NaN result open: the definition is met by any
// NaN. (Vector and scalar paths are still compared bit for bit.)
template <class T>
bool sameValue(T expected, T actual) {
  return bitsOf(expected) == bitsOf(actual) || (std::isnan(expected) && std::isnan(actual));
}

// Random values with the edge values spread over them.
template <class T>
std::vector<T> input(std::size_t count, std::uint32_t seed) {
  auto values = randomValues<T>(count, seed, 100.0);
  const auto edges = edgeValues<T>();
  for (std::size_t i = 0; i < edges.size() && i < count; ++i) values[(i * 7 + seed) % count] = edges[i];
  return values;
}

// An operation as the tests see it: `apply` calls the export on arrays
// through `call` (directly, or through a digest case's Invoker), `at` is the
// definition of output element i. `stride` input elements feed one output;
// `inputs` is the number of input arrays the destination may alias.
#define TQ_OP(Name, inputCount, strideCount, CALL, AT)                                                  \
  template <class T_>                                                                                 \
  struct Name {                                                                                       \
    using T = T_;                                                                                     \
    static constexpr int inputs = inputCount, stride = strideCount;                                   \
    template <class C>                                                                                \
    static void apply(C call, T* d, [[maybe_unused]] const T* a, [[maybe_unused]] const T* b, uint32_t n) { \
      CALL;                                                                                           \
    }                                                                                                 \
    static T at([[maybe_unused]] const T* a, [[maybe_unused]] const T* b, std::size_t i) { return AT; } \
  };
#define TQ_BY_TYPE(name) pick<T>(name##_float_cdecl, name##_double_cdecl)
TQ_OP(AddScalar, 1, 1, call(TQ_BY_TYPE(tqcalcAddScalarToVector), d, a, T(0.75), n), T(0.75) + a[i])
TQ_OP(ScaledSum, 2, 1, call(tqcalcAddVectorsAndMultiplyByScalar_float, d, a, b, n, -3.25f, 0.1f),
      (-3.25f * b[i] + a[i]) * 0.1f)
TQ_OP(ScaledDifference, 2, 1, call(tqcalcSubtractVectorsAndMultiplyByScalar_float, d, a, b, n, 0.3f),
      (a[i] - b[i]) * 0.3f)
// In place by definition: the destination is filled with the input first.
TQ_OP(Scale, 0, 1,
      (void(n && std::memmove(d, a, n * sizeof(T))),
       call(pick<T>(tqcalcMultiplyVectorByScalar_float, tqcalcMultiplyVectorByScalar_double), d, n, T(-1.7))),
      a[i] * T(-1.7))
TQ_OP(Product, 2, 1, call(TQ_BY_TYPE(tqcalcMultiplyVectors), d, a, b, n), a[i] * b[i])
TQ_OP(Sqrt, 1, 1, call(TQ_BY_TYPE(tqcalcSqrtVector), d, a, n), std::sqrt(a[i]))
TQ_OP(Magnitude, 1, 2, call(TQ_BY_TYPE(tqcalcComplexVectorAbs), d, a, uint8_t(0), n),
      std::sqrt(a[2 * i] * a[2 * i] + a[2 * i + 1] * a[2 * i + 1]))
TQ_OP(SquaredMagnitude, 1, 2, call(TQ_BY_TYPE(tqcalcComplexVectorAbs), d, a, uint8_t(0x80), n),
      a[2 * i] * a[2 * i] + a[2 * i + 1] * a[2 * i + 1])
// fmax, with the choice C leaves open made: +0 from a mixed pair of zeros.
TQ_OP(Max, 2, 1, call(TQ_BY_TYPE(tqcalcVectorsMax), d, a, b, n),
      a[i] == 0 && b[i] == 0 ? (std::signbit(a[i]) && std::signbit(b[i]) ? -T(0) : T(0)) : std::fmax(a[i], b[i]))

template <class O, class T>
void run(T* d, const T* a, const T* b, uint32_t n) {
  O::apply([](auto* f, auto... args) { f(args...); }, d, a, b, n);
}

template <class O>
class Elementwise : public ::testing::Test {};
using Operations =
    ::testing::Types<AddScalar<float>, AddScalar<double>, ScaledSum<float>, ScaledDifference<float>, Scale<float>, Scale<double>,
                     Product<float>, Product<double>, Sqrt<float>, Sqrt<double>, Magnitude<float>,
                     SquaredMagnitude<float>, Magnitude<double>, SquaredMagnitude<double>, Max<float>,
                     Max<double>>;
TYPED_TEST_SUITE(Elementwise, Operations);

// Every count across the vector thresholds at every start offset, arrays
// flush against inaccessible pages: the definition holds, the bulk call gives
// the bits of one-element calls (the scalar path), nothing outside the
// arrays and nothing in the inputs changes. Count 0 may come with null arrays.
TYPED_TEST(Elementwise, GuardedSweepMatchesDefinitionAndScalarPath) {
  using O = TypeParam;
  using T = typename O::T;
  run<O, T>(nullptr, nullptr, nullptr, 0);
  for (const Layout& layout : sweepLayouts(40, sizeof(T))) {
    const std::size_t n = layout.count, inputCount = n * O::stride;
    const Layout inputLayout{inputCount, layout.placement, layout.offset};
    GuardedArray<T> a(inputLayout), b(inputLayout), d(layout);
    const auto av = input<T>(inputCount, 1), bv = input<T>(inputCount, 2);
    a.assign(av);
    b.assign(bv);
    run<O>(d.data(), a.data(), b.data(), uint32_t(n));
    const auto out = d.values();
    std::vector<T> single(n);
    for (std::size_t i = 0; i < n; ++i) run<O>(&single[i], a.data() + i * O::stride, b.data() + i * O::stride, 1);
    SCOPED_TRACE(testing::Message() << "count " << n << " offset " << layout.offset);
    EXPECT_SAME_BITS(single, out);
    for (std::size_t i = 0; i < n; ++i) EXPECT_TRUE(sameValue(O::at(av.data(), bv.data(), i), out[i])) << i;
    EXPECT_SAME_BITS(av, a.values());
    EXPECT_SAME_BITS(bv, b.values());
    EXPECT_TRUE(a.untouched() && b.untouched() && d.untouched());
  }
}

// The destination equal to an input (shift 0) or shifted against it by a few
// elements either way, at every count: the result is that of one element at
// a time in ascending order, which the reference gets from one-element calls
// on a copy of the memory.
TYPED_TEST(Elementwise, InPlaceAndOverlappingArraysGiveTheAscendingResult) {
  using O = TypeParam;
  using T = typename O::T;
  for (int which = 0; which < O::inputs; ++which)
    for (uint32_t n = 0; n <= 40; ++n)
      for (int shift = -9; shift <= 9; ++shift) {
        auto memory = input<T>(160, n + 3), other = input<T>(80, n + 4), expected = memory;
        const auto call = [&](std::vector<T>& m, std::size_t i, uint32_t count) {
          T* in = m.data() + 40 + i * O::stride;
          const T* o = other.data() + i * O::stride;
          run<O>(m.data() + 40 + shift + i, which == 0 ? in : o, which == 1 ? in : o, count);
        };
        for (std::size_t i = 0; i < n; ++i) call(expected, i, 1);
        call(memory, 0, n);
        EXPECT_SAME_BITS(expected, memory) << "count " << n << " shift " << shift << " input " << which;
      }
}

TEST(ElementwiseCases, DescribedValues) {
  float a = 1, b = 2, out = 0;
  tqcalcAddVectorsAndMultiplyByScalar_float(&out, &a, &b, 1, 3, 0.5f);
  EXPECT_SAME_BITS(3.5f, out);
  a = 5;
  tqcalcSubtractVectorsAndMultiplyByScalar_float(&out, &a, &b, 1, -1);
  EXPECT_SAME_BITS(-3.0f, out);
  a = std::numeric_limits<float>::quiet_NaN(), b = 1;
  tqcalcVectorsMax_float_cdecl(&out, &a, &b, 1);
  EXPECT_SAME_BITS(1.0f, out);
  a = -1;
  tqcalcSqrtVector_float_cdecl(&out, &a, 1);
  EXPECT_TRUE(std::isnan(out));
  const float big[] = {2e19f, 0};
  tqcalcComplexVectorAbs_float_cdecl(&out, big, 0, 1);
  EXPECT_SAME_BITS(std::numeric_limits<float>::infinity(), out) << "no rescaling";
}

// (3, 4) gives 5, or 25 with any nonzero flag byte. The flag travels in a
// 4-byte slot (a register on x86-64) of which only the low byte is the
// host's: the upper bits are set with the low byte 0 and 1.
TEST(ElementwiseCases, MagnitudeFlagIsTheLowByteOfItsSlot) {
  using WideFlag = void(TQCALC_CDECL*)(double*, const double*, uint32_t, uint32_t);
  const auto wide = reinterpret_cast<WideFlag>(reinterpret_cast<void (*)()>(&tqcalcComplexVectorAbs_double_cdecl));
  std::vector<double> pairs, out(20);
  for (int i = 0; i < 20; ++i) pairs.insert(pairs.end(), {3.0 * (i + 1), 4.0 * (i + 1)});
  for (uint32_t count : {1u, 20u})
    for (uint32_t flag : {0u, 0xFFFFFF00u, 0x101u, 0x3u, 0x1Bu, 0x80u, 0xF3u, 0xFFFFFFFFu}) {
      wide(out.data(), pairs.data(), flag, count);
      EXPECT_SAME_BITS(flag & 0xFF ? 25.0 * count * count : 5.0 * count, out[count - 1]) << flag;
    }
}

// Digest cases: every output element of calls at counts around the steps,
// edge values included, plus one element behind the output.
template <class... Ops>
void digestOps(Invoker& invoker) {
  const auto through = [&](auto* f, auto... args) { invoker.call<std::remove_pointer_t<decltype(f)>>(args...); };
  for (uint32_t n : {0u, 1u, 3u, 7u, 8u, 15u, 16u, 17u, 40u, 301u}) {
    const auto one = [&](auto op) {
      using T = typename decltype(op)::T;
      const auto a = input<T>(2 * n + 1, n + 1), b = input<T>(2 * n + 1, n + 2);
      std::vector<T> out(n + 1, T(7));
      decltype(op)::apply(through, out.data(), a.data(), b.data(), n);
      invoker.digest(out);
    };
    (one(Ops{}), ...);
  }
}
TQ_DIGEST_CASE(tqcalcAddScalarToVector_double, 0xe7f619e9090bd2b4) { digestOps<AddScalar<double>>(invoker); }
TQ_DIGEST_CASE(tqcalcAddScalarToVector_float, 0xe602516271707e93) { digestOps<AddScalar<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcAddVectorsAndMultiplyByScalar_float, 0x886ae7630e451a8e) { digestOps<ScaledSum<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcSubtractVectorsAndMultiplyByScalar_float, 0x2fe53115102f68fa) { digestOps<ScaledDifference<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcMultiplyVectorByScalar_double, 0xa3d451dab70d1390) { digestOps<Scale<double>>(invoker); }
TQ_DIGEST_CASE(tqcalcMultiplyVectorByScalar_float, 0x384669f409d6032f) { digestOps<Scale<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcMultiplyVectors_double, 0x2cf625e6dedd835a) { digestOps<Product<double>>(invoker); }
TQ_DIGEST_CASE(tqcalcMultiplyVectors_float, 0x24fa16ec47b535a6) { digestOps<Product<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcSqrtVector_double, 0x34c0a6a7e1059ff5) { digestOps<Sqrt<double>>(invoker); }
TQ_DIGEST_CASE(tqcalcSqrtVector_float, 0xa38fa54b14f3c79a) { digestOps<Sqrt<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcComplexVectorAbs_double, 0x5f4e2e3b0089eb66) { digestOps<Magnitude<double>, SquaredMagnitude<double>>(invoker); }
TQ_DIGEST_CASE(tqcalcComplexVectorAbs_float, 0xcae2c9f5146c8392) { digestOps<Magnitude<float>, SquaredMagnitude<float>>(invoker); }
TQ_DIGEST_CASE(tqcalcVectorsMax_double, 0xfc8029dfc87ff971) { digestOps<Max<double>>(invoker); }
TQ_DIGEST_CASE(tqcalcVectorsMax_float, 0xb5eca74c6351230d) { digestOps<Max<float>>(invoker); }

}  // namespace
}  // namespace tq::test
