// Bit-exact comparison helpers: exactness is asserted on bit patterns, and a
// failure prints the values in hex-float form.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace tq::test {

// The bit pattern of a number, as an unsigned integer of its size.
template <class T>
auto bitsOf(T v) {
  std::conditional_t<sizeof(T) == 8, std::uint64_t, std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint16_t>> b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

template <class T>
std::string describe(T v) {
  char text[64];
  if constexpr (std::is_floating_point_v<T>) return std::snprintf(text, sizeof text, "%.17g (%a)", double(v), double(v)), text;
  return std::to_string(static_cast<long long>(v));
}

// Same bits (so +0.0 != -0.0, and a NaN equals only the same NaN).
template <class T>
::testing::AssertionResult sameBits(T expected, T actual) {
  if (bitsOf(expected) == bitsOf(actual)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << describe(expected) << ", got " << describe(actual);
}

template <class T>
::testing::AssertionResult sameBits(const std::vector<T>& expected, const std::vector<T>& actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << "sizes differ: " << expected.size() << " vs " << actual.size();
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (bitsOf(expected[i]) != bitsOf(actual[i])) return sameBits(expected[i], actual[i]) << " at element " << i;
  return ::testing::AssertionSuccess();
}

#define EXPECT_SAME_BITS(expected, actual) EXPECT_TRUE(::tq::test::sameBits((expected), (actual)))

// Values that break kernels: signed zeros, infinities, NaN, subnormals and
// the extremes of the type.
template <class T>
std::vector<T> edgeValues() {
  using L = std::numeric_limits<T>;
  return {T(0),         -T(0),          T(1),       -T(1),      L::infinity(), -L::infinity(),
          L::quiet_NaN(), L::denorm_min(), -L::denorm_min(), L::min(),   L::max(),      -L::max(),
          L::epsilon(),  T(0.1),        T(-2.5),    T(1e-3)};
}

// Deterministic pseudo-random values in [-scale, scale): a tiny LCG so that
// every target produces the same sequence.
template <class T>
std::vector<T> randomValues(std::size_t count, std::uint32_t seed, double scale = 1.0) {
  std::vector<T> out(count);
  std::uint32_t state = seed * 2654435761u + 1u;
  for (auto& v : out) {
    state = state * 1664525u + 1013904223u;
    v = T((double(state >> 8) / double(1u << 24) * 2.0 - 1.0) * scale);
  }
  return out;
}

}  // namespace tq::test
