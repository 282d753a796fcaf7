#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "support/bits.h"
#include "support/guarded.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {
namespace {

// Integers over the whole 32-bit range, the 16-bit boundaries included.
std::vector<int32_t> integers(std::size_t count, uint32_t seed) {
  std::vector<int32_t> v(count);
  uint32_t state = seed * 2654435761u + 7u;
  const int32_t edges[] = {0, -1, 1, 32767, 32768, -32768, -32769, 65535, 65536, 70000, INT32_MIN, INT32_MAX};
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    v[i] = i % 3 == 0 ? edges[(i / 3 + seed) % 12] : int32_t(state);
  }
  return v;
}

// The float values of a buffer's first 4 * count bytes.
std::vector<float> floatsOf(const void* bytes, std::size_t count) {
  std::vector<float> v(count);
  if (count) std::memcpy(v.data(), bytes, count * sizeof(float));
  return v;
}

// Every count and start offset, arrays flush against inaccessible pages.
// Narrowing is modulo 65536 (no saturation), also in place.
TEST(Conversions, IntegersOnEveryCountAndOffset) {
  for (const Layout& layout : sweepLayouts(40, 4)) {
    const std::size_t n = layout.count;
    const auto wide = integers(n, uint32_t(n + layout.offset));
    std::vector<int16_t> narrow(n), narrowed(n), front(n);
    for (std::size_t i = 0; i < n; ++i) {
      narrow[i] = int16_t(wide[i] ^ (wide[i] >> 16));
      narrowed[i] = int16_t(uint16_t(uint32_t(wide[i])));
    }
    GuardedArray<int16_t> in16(layout), out16(layout);
    GuardedArray<int32_t> in32(layout), out32(layout);
    in16.assign(narrow);
    in32.assign(wide);
    tqcalcConvertInt16ToInt32(in16.data(), out32.data(), uint32_t(n));
    tqcalcConvertInt32ToInt16(in32.data(), out16.data(), uint32_t(n));
    SCOPED_TRACE(testing::Message() << "count " << n << " offset " << layout.offset);
    EXPECT_SAME_BITS(std::vector<int32_t>(narrow.begin(), narrow.end()), out32.values());
    EXPECT_SAME_BITS(narrowed, out16.values());
    EXPECT_TRUE(in16.untouched() && out16.untouched() && in32.untouched() && out32.untouched());
    tqcalcConvertInt32ToInt16(in32.data(), reinterpret_cast<int16_t*>(in32.data()), uint32_t(n));
    if (n) std::memcpy(front.data(), in32.data(), n * 2);
    EXPECT_SAME_BITS(narrowed, front) << "in place";
  }
}

// The in-place pair on a block of `count` doubles flush against inaccessible
// pages, at every count (9, not a multiple of a step, included) and offset:
// narrowing writes exactly the first 4 * count bytes, widening restores the
// exact doubles, and the round trip gives back the float bits.
TEST(Conversions, InPlaceOnEveryCountAndOffset) {
  for (const Layout& layout : sweepLayouts(40, 8)) {
    const std::size_t n = layout.count;
    auto values = randomValues<double>(n, uint32_t(n), 1e40);
    const auto edges = edgeValues<double>();
    for (std::size_t i = 0; i < n && i < edges.size(); ++i) values[(i * 5 + n) % n] = edges[i];
    GuardedArray<double> block(layout);
    block.assign(values);
    SCOPED_TRACE(testing::Message() << "count " << n << " offset " << layout.offset);
    EXPECT_EQ(static_cast<void*>(block.data()), tqcalcCADoubleArrToSingleArrInplace(block.data(), uint32_t(n)));
    const std::vector<float> narrowed(values.begin(), values.end());
    const auto* bytes = reinterpret_cast<const char*>(block.data());
    EXPECT_SAME_BITS(narrowed, floatsOf(bytes, n));
    EXPECT_TRUE(n == 0 || !std::memcmp(bytes + 4 * n, reinterpret_cast<const char*>(values.data()) + 4 * n, 4 * n))
        << "the bytes behind the floats changed";
    EXPECT_EQ(static_cast<void*>(block.data()), tqcalcCASingleArrToDoubleArrInplace(block.data(), uint32_t(n)));
    EXPECT_SAME_BITS(std::vector<double>(narrowed.begin(), narrowed.end()), block.values());
    tqcalcCADoubleArrToSingleArrInplace(block.data(), uint32_t(n));
    EXPECT_SAME_BITS(narrowed, floatsOf(bytes, n)) << "round trip";
    EXPECT_TRUE(block.untouched());
  }
}

TEST(Conversions, DescribedValues) {
  const int32_t wide[] = {70000, 32768, -32769, -1};
  int16_t narrow[4];
  tqcalcConvertInt32ToInt16(wide, narrow, 4);
  EXPECT_SAME_BITS((std::vector<int16_t>{4464, -32768, 32767, -1}), std::vector<int16_t>(narrow, narrow + 4));
  const int16_t extremes[] = {-32768, 32767};
  int32_t widened[2];
  tqcalcConvertInt16ToInt32(extremes, widened, 2);
  EXPECT_SAME_BITS((std::vector<int32_t>{-32768, 32767}), std::vector<int32_t>(widened, widened + 2));
  double block[3] = {1.0, 0.1, 1e300};
  const double tail[2] = {block[1], block[2]};
  const float* floats = tqcalcCADoubleArrToSingleArrInplace(block, 3);
  EXPECT_SAME_BITS((std::vector<float>{1.0f, 0.1f, std::numeric_limits<float>::infinity()}), floatsOf(floats, 3));
  EXPECT_EQ(0, std::memcmp(reinterpret_cast<const char*>(tail) + 4, floats + 3, 12)) << "last 12 bytes unchanged";
}

constexpr uint32_t kDigestCounts[] = {0, 1, 3, 4, 7, 8, 15, 16, 17, 40, 301};

template <auto f, class From, class To>
void digestIntegers(Invoker& invoker) {
  for (uint32_t n : kDigestCounts) {
    const auto wide = integers(n, n);
    const std::vector<From> in(wide.begin(), wide.end());
    std::vector<To> out(n + 1, 7);
    invoker.call<std::remove_pointer_t<decltype(f)>>(in.data(), out.data(), n);
    invoker.digest(out);
  }
}
TQ_DIGEST_CASE(tqcalcConvertInt16ToInt32, 0xd5af467a8d689bc5) {
  digestIntegers<tqcalcConvertInt16ToInt32, int16_t, int32_t>(invoker);
}
TQ_DIGEST_CASE(tqcalcConvertInt32ToInt16, 0x6321bd0db0d1d029) {
  digestIntegers<tqcalcConvertInt32ToInt16, int32_t, int16_t>(invoker);
}
TQ_DIGEST_CASE(tqcalcCADoubleArrToSingleArrInplace, 0x9071c06ea682ed1c) {
  for (uint32_t n : kDigestCounts) {
    auto block = randomValues<double>(n + 1, n, 1e39);
    const auto edges = edgeValues<double>();
    for (std::size_t i = 0; i < n && i < edges.size(); ++i) block[i * 3 % n] = edges[i];
    float* f = invoker.call<decltype(tqcalcCADoubleArrToSingleArrInplace)>(block.data(), n);
    invoker.digest(f == reinterpret_cast<float*>(block.data()));
    invoker.digest(block);
  }
}
TQ_DIGEST_CASE(tqcalcCASingleArrToDoubleArrInplace, 0xe71c6b6256e52ed0) {
  for (uint32_t n : kDigestCounts) {
    std::vector<double> block(n + 1, -3.0);
    const auto values = randomValues<float>(n, n, 1e30);
    if (n) std::memcpy(block.data(), values.data(), n * sizeof(float));
    double* d = invoker.call<decltype(tqcalcCASingleArrToDoubleArrInplace)>(block.data(), n);
    invoker.digest(d == block.data());
    invoker.digest(block);
  }
}

}  // namespace
}  // namespace tq::test
