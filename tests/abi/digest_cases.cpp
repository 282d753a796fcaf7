// The digest cases: each feeds fixed inputs (edge values included) through
// the entry under test and digests every output. The recorded numbers pin
// the bits across targets and across rewrites of the library: a case's
// inputs, calls and order of digested bytes must never change.
#include <cmath>
#include <cstring>

#include "support/bits.h"
#include "support/invoke.h"

namespace tq::test {
namespace {

#define TQ_CALL(name, ...) invoker.call<decltype(name)>(__VA_ARGS__)

TQ_DIGEST_CASE(tqcalcGetVersion, 0x2891d1164d30d33) {
  for (int32_t host : {INT32_MIN, -13, 0, 12, 13, 14, INT32_MAX}) {
    int32_t out[3] = {-7, -7, -7};
    TQ_CALL(tqcalcGetVersion, &out[0], &out[1], host, &out[2]);
    invoker.digest(out);
  }
}

// Reductions: edge values and random data at counts around the step sizes.
constexpr uint32_t kSumCounts[] = {0, 1, 3, 4, 7, 15, 16, 17, 33, 1000};
template <auto f, class T = float>
void digestSums(Invoker& invoker, uint32_t seed, double scale, bool edges = false) {
  const auto edgeList = edgeValues<T>();
  for (uint32_t n : kSumCounts) {
    auto v = randomValues<T>(n, n + seed, scale);
    for (std::size_t i = 0; edges && i < n && i < edgeList.size(); i += 3) v[i * 5 % n] = edgeList[i];
    invoker.digest(invoker.call<std::remove_pointer_t<decltype(f)>>(v.data(), n));
  }
}
TQ_DIGEST_CASE(tqcalcSumValues_double, 0xc2abb0a6a51de896) {
  digestSums<tqcalcSumValues_double, double>(invoker, 0, 1e6);
  for (const double& edge : edgeValues<double>()) invoker.digest(TQ_CALL(tqcalcSumValues_double, &edge, 1u));
}
TQ_DIGEST_CASE(tqcalcSumValues_float, 0x9d33491868d2df31) { digestSums<tqcalcSumValues_float>(invoker, 0, 1e6); }
TQ_DIGEST_CASE(tqcalcSumAbsValues_float, 0x6eb06c9dd56a041e) { digestSums<tqcalcSumAbsValues_float>(invoker, 1, 1e2, true); }
TQ_DIGEST_CASE(tqcalcSumSquaredValues_float, 0xc7d50896bd6791c8) { digestSums<tqcalcSumSquaredValues_float>(invoker, 2, 3e30); }
TQ_DIGEST_CASE(tqcalcMultiplyVectorsAndCalcSum_float, 0x820d1ba0d07edea5) {
  for (uint32_t n : kSumCounts) {
    auto a = randomValues<float>(n, n + 3, 1e3), b = randomValues<float>(n, n + 4, 1e-3);
    invoker.digest(TQ_CALL(tqcalcMultiplyVectorsAndCalcSum_float, a.data(), b.data(), n));
  }
}

// Random values with the edge values spread over them.
template <class T>
std::vector<T> withEdges(std::size_t count, std::uint32_t seed) {
  auto values = randomValues<T>(count, seed, 100.0);
  const auto edges = edgeValues<T>();
  for (std::size_t i = 0; i < edges.size() && i < count; ++i) values[(i * 7 + seed) % count] = edges[i];
  return values;
}

// Element-wise: every output element at counts around the steps, plus one
// element behind the output; each call in `calls` on fresh arrays.
template <class T, class... Calls>
void digestElementwise(Invoker& invoker, Calls... calls) {
  for (uint32_t n : {0u, 1u, 3u, 7u, 8u, 15u, 16u, 17u, 40u, 301u}) {
    const auto one = [&](auto call) {
      const auto a = withEdges<T>(2 * n + 1, n + 1), b = withEdges<T>(2 * n + 1, n + 2);
      std::vector<T> out(n + 1, T(7));
      call(out.data(), a.data(), b.data(), n);
      invoker.digest(out);
    };
    (one(calls), ...);
  }
}
#define TQ_ELEMENTWISE_CASE(name, T, digest, ...)                                           \
  TQ_DIGEST_CASE(name, digest) {                                                            \
    digestElementwise<T>(invoker, [&](T* d, [[maybe_unused]] const T* a, [[maybe_unused]] const T* b, uint32_t n) { __VA_ARGS__; }); \
  }
TQ_ELEMENTWISE_CASE(tqcalcAddScalarToVector_double, double, 0xe7f619e9090bd2b4, TQ_CALL(tqcalcAddScalarToVector_double_cdecl, d, a, 0.75, n))
TQ_ELEMENTWISE_CASE(tqcalcAddScalarToVector_float, float, 0xe602516271707e93, TQ_CALL(tqcalcAddScalarToVector_float_cdecl, d, a, 0.75f, n))
TQ_ELEMENTWISE_CASE(tqcalcAddVectorsAndMultiplyByScalar_float, float, 0x886ae7630e451a8e,
                    TQ_CALL(tqcalcAddVectorsAndMultiplyByScalar_float, d, a, b, n, -3.25f, 0.1f))
TQ_ELEMENTWISE_CASE(tqcalcSubtractVectorsAndMultiplyByScalar_float, float, 0x2fe53115102f68fa,
                    TQ_CALL(tqcalcSubtractVectorsAndMultiplyByScalar_float, d, a, b, n, 0.3f))
// In place by definition: the destination is filled with the input first.
TQ_ELEMENTWISE_CASE(tqcalcMultiplyVectorByScalar_double, double, 0xa3d451dab70d1390,
                    (void(n && std::memmove(d, a, n * 8)), TQ_CALL(tqcalcMultiplyVectorByScalar_double, d, n, -1.7)))
TQ_ELEMENTWISE_CASE(tqcalcMultiplyVectorByScalar_float, float, 0x384669f409d6032f,
                    (void(n && std::memmove(d, a, n * 4)), TQ_CALL(tqcalcMultiplyVectorByScalar_float, d, n, -1.7f)))
TQ_ELEMENTWISE_CASE(tqcalcMultiplyVectors_double, double, 0x2cf625e6dedd835a, TQ_CALL(tqcalcMultiplyVectors_double_cdecl, d, a, b, n))
TQ_ELEMENTWISE_CASE(tqcalcMultiplyVectors_float, float, 0x24fa16ec47b535a6, TQ_CALL(tqcalcMultiplyVectors_float_cdecl, d, a, b, n))
TQ_ELEMENTWISE_CASE(tqcalcSqrtVector_double, double, 0x34c0a6a7e1059ff5, TQ_CALL(tqcalcSqrtVector_double_cdecl, d, a, n))
TQ_ELEMENTWISE_CASE(tqcalcSqrtVector_float, float, 0xa38fa54b14f3c79a, TQ_CALL(tqcalcSqrtVector_float_cdecl, d, a, n))
TQ_ELEMENTWISE_CASE(tqcalcVectorsMax_double, double, 0xfc8029dfc87ff971, TQ_CALL(tqcalcVectorsMax_double_cdecl, d, a, b, n))
TQ_ELEMENTWISE_CASE(tqcalcVectorsMax_float, float, 0xb5eca74c6351230d, TQ_CALL(tqcalcVectorsMax_float_cdecl, d, a, b, n))
#define TQ_MAGNITUDE_CASE(name, T, digest)                                                            \
  TQ_DIGEST_CASE(name, digest) {                                                                      \
    const auto flag = [&](uint8_t f) { return [&, f](T* d, const T* a, const T*, uint32_t n) { TQ_CALL(name##_cdecl, d, a, f, n); }; }; \
    digestElementwise<T>(invoker, flag(0), flag(0x80));                                              \
  }
TQ_MAGNITUDE_CASE(tqcalcComplexVectorAbs_double, double, 0x5f4e2e3b0089eb66)
TQ_MAGNITUDE_CASE(tqcalcComplexVectorAbs_float, float, 0xcae2c9f5146c8392)

// Conversions: integers over the whole 32-bit range, 16-bit boundaries included.
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
constexpr uint32_t kConversionCounts[] = {0, 1, 3, 4, 7, 8, 15, 16, 17, 40, 301};
template <auto f, class From, class To>
void digestIntegers(Invoker& invoker) {
  for (uint32_t n : kConversionCounts) {
    const auto wide = integers(n, n);
    const std::vector<From> in(wide.begin(), wide.end());
    std::vector<To> out(n + 1, 7);
    invoker.call<std::remove_pointer_t<decltype(f)>>(in.data(), out.data(), n);
    invoker.digest(out);
  }
}
TQ_DIGEST_CASE(tqcalcConvertInt16ToInt32, 0xd5af467a8d689bc5) { digestIntegers<tqcalcConvertInt16ToInt32, int16_t, int32_t>(invoker); }
TQ_DIGEST_CASE(tqcalcConvertInt32ToInt16, 0x6321bd0db0d1d029) { digestIntegers<tqcalcConvertInt32ToInt16, int32_t, int16_t>(invoker); }
TQ_DIGEST_CASE(tqcalcCADoubleArrToSingleArrInplace, 0x9071c06ea682ed1c) {
  for (uint32_t n : kConversionCounts) {
    auto block = randomValues<double>(n + 1, n, 1e39);
    const auto edges = edgeValues<double>();
    for (std::size_t i = 0; i < n && i < edges.size(); ++i) block[i * 3 % n] = edges[i];
    float* f = TQ_CALL(tqcalcCADoubleArrToSingleArrInplace, block.data(), n);
    invoker.digest(f == reinterpret_cast<float*>(block.data()));
    invoker.digest(block);
  }
}
TQ_DIGEST_CASE(tqcalcCASingleArrToDoubleArrInplace, 0xe71c6b6256e52ed0) {
  for (uint32_t n : kConversionCounts) {
    std::vector<double> block(n + 1, -3.0);
    const auto values = randomValues<float>(n, n, 1e30);
    if (n) std::memcpy(block.data(), values.data(), n * sizeof(float));
    double* d = TQ_CALL(tqcalcCASingleArrToDoubleArrInplace, block.data(), n);
    invoker.digest(d == block.data());
    invoker.digest(block);
  }
}

// Linear fill: a rounding line, then a half-length overflowing one on top.
template <auto f, class T>
void digestFill(Invoker& invoker, std::initializer_list<uint32_t> counts, T bigSlope, T bigIntercept) {
  for (uint32_t n : counts) {
    std::vector<T> buffer(n + 1, T(5));
    invoker.call<std::remove_pointer_t<decltype(f)>>(buffer.data(), n, T(0.1), T(-3.3));
    invoker.call<std::remove_pointer_t<decltype(f)>>(buffer.data(), n / 2, bigSlope, bigIntercept);
    invoker.digest(buffer);
  }
}
TQ_DIGEST_CASE(tqcalcChannelFillBufferWithLinearFunction_double, 0xb27a1b74c9460603) {
  digestFill<tqcalcChannelFillBufferWithLinearFunction_double>(invoker, {0, 1, 7, 8, 9, 17, 300}, -1e300, 1e300);
}
TQ_DIGEST_CASE(tqcalcChannelFillBufferWithLinearFunction_float, 0xdaf66f45b9c765ad) {
  digestFill<tqcalcChannelFillBufferWithLinearFunction_float>(invoker, {0, 1, 15, 16, 17, 33, 300}, 3e37f, -3e38f);
}

// Which NaN a sum of NaNs and opposite infinities passes on is left open
// (IEEE; compilers order commutative operands freely): all NaNs count as one.
template <class T>
T oneNaN(T v) { return std::isnan(v) ? std::numeric_limits<T>::quiet_NaN() : v; }

// Crank-angle filters: tap counts around the steps, strides 0, 1 and 2.
template <class T, class Filter>
void digestFilter(Invoker& invoker, const std::vector<double>& values) {
  std::vector<T> samples(values.begin(), values.end());
  const auto c = randomValues<float>(2 * samples.size(), 5, 2.0);
  for (uint32_t taps : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 17u, 64u})
    for (uint32_t stride : {0u, 1u, 2u}) invoker.digest(oneNaN(invoker.call<Filter>(samples.data() + taps, taps, c.data(), stride)));
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_float, 0xbd997d81df5bbe66) {
  auto x = randomValues<double>(65, 1, 1e4);
  const auto edges = edgeValues<float>();
  for (std::size_t i = 0; i < edges.size(); ++i) x[40 + i] = edges[i];
  digestFilter<float, decltype(tqcalcCACalcFilter_float)>(invoker, x);
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_int16_t, 0x6392aad8fc76e9ba) {
  auto x = randomValues<double>(65, 2, 32767);
  x[3] = -32768;
  digestFilter<int16_t, decltype(tqcalcCACalcFilter_int16_t)>(invoker, x);
}
TQ_DIGEST_CASE(tqcalcCACalcFilter_int32_t, 0x9f7430ef76f1fed1) {
  auto x = randomValues<double>(65, 3, 2147483647.0);
  x[5] = -2147483648.0;
  x[6] = 16777217;
  digestFilter<int32_t, decltype(tqcalcCACalcFilter_int32_t)>(invoker, x);
}

// Averaging filters: the described example, thresholds, edge values, long signals.
template <class T, class F>
void digestAverage(Invoker& invoker) {
  const std::pair<uint32_t, uint16_t> cases[] = {{0, 0},   {1, 0},   {7, 3},     {63, 2},    {64, 2},
                                                 {128, 2}, {130, 1}, {1000, 15}, {4099, 51}, {40, 41}};
  for (const auto& [count, w] : cases) {
    auto x = randomValues<T>(count, count + w, 1e3);
    const auto edges = edgeValues<T>();
    for (std::size_t i = 0; count >= 1000 && i < edges.size(); ++i) x[(i + 1) * count / 17] = edges[i];
    std::vector<T> y(count + 1, T(-7));  // one beyond: digested, must stay
    invoker.call<F>(x.data(), y.data(), w, count);
    for (T& v : y) v = oneNaN(v);
    invoker.digest(y);
  }
}
#define TQ_AVERAGE_DIGEST_CASE(name, T, digest) \
  TQ_DIGEST_CASE(name, digest) { digestAverage<T, decltype(name)>(invoker); }
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_double, double, 0x3c5b2fa706c43b6c)
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_float, float, 0x6e704b4e1eed6381)
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_double_scalar, double, 0xe4c7c7cbc25ce31b)
TQ_AVERAGE_DIGEST_CASE(tqcalcCACalcAveFilter_float_scalar, float, 0xd0de0c8d9ff22f2a)

// Cycle channels: counts across the groups of eight, edge values every fifth sample.
template <class Call>
void digestCycles(std::initializer_list<uint64_t> cycles, uint32_t oldSeed, double oldScale, Call call) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 16u, 33u, 40u})
    for (uint64_t n : cycles) {
      std::vector<float> cycle = randomValues<float>(count, count + 1, 1e3);
      const auto edges = edgeValues<float>();
      std::vector<float> old = randomValues<float>(count, uint32_t(n) + oldSeed, oldScale);
      for (std::size_t i = 0; i < count; i += 5) cycle[i] = edges[(i + count) % edges.size()];
      call(cycle, old, count, n);
    }
}
TQ_DIGEST_CASE(tqCalcCAOverallPressure, 0xdd17dd37cb87ba86) {
  digestCycles({0, 2, 77, (5ull << 32) + 9, UINT64_MAX}, 2, 1e3, [&](auto& cycle, auto& average, uint32_t count, uint64_t n) {
    float peak;
    TQ_CALL(tqCalcCAOverallPressure, cycle.data(), average.data(), 1u, count + 1, n, &peak);
    invoker.digest(average), invoker.digest(peak);
  });
}
TQ_DIGEST_CASE(tqCalcCARunningVal, 0x988ca0938e7f796b) {
  digestCycles({0, 1, 4, 5, (3ull << 32) + 1}, 3, 5e3, [&](auto& cycle, auto& sums, uint32_t count, uint64_t k) {
    const std::vector<float> oldest = randomValues<float>(count, count + 2, 1e3);
    std::vector<float> means(count);
    TQ_CALL(tqCalcCARunningVal, cycle.data(), oldest.data(), sums.data(), means.data(), 3u, count + 2, k, 5u);
    invoker.digest(sums), invoker.digest(means);
  });
}

TQ_DIGEST_CASE(tqCalcCACopyRawDataToChannels, 0x2cb6a9612a3b577d) {
  for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 16u, 33u, 40u, 77u}) {
    std::vector<float> raw = randomValues<float>(count + 2, count, 100.0), channel(count);
    const auto edges = edgeValues<float>();
    for (std::size_t i = 0; i < raw.size(); i += 3) raw[i] = edges[i % edges.size()];
    float maxValue = 0;
    uint32_t maxIndex = 0;
    TQ_CALL(tqCalcCACopyRawDataToChannels, raw.data(), channel.data(), 2u, count + 2, -0.75f, &maxValue, &maxIndex);
    invoker.digest(channel), invoker.digest(maxValue), invoker.digest(maxIndex);
  }
}

// p-V coordinates: edge values and random data across the threshold of 8.
template <class Call>
void digestPV(Invoker& invoker, uint32_t seedOffset, Call call) {
  for (uint32_t n : {0u, 1u, 5u, 7u, 8u, 9u, 17u, 100u}) {
    auto values = randomValues<float>(n, n + seedOffset, 1e3);
    const auto edges = edgeValues<float>();
    for (std::size_t i = 0; i < n; i += 5) values[i] = edges[(i / 5 + n + seedOffset) % edges.size()];
    std::vector<int32_t> out(n);
    call(values.data(), n, out.data());
    invoker.digest(out);
  }
}
TQ_DIGEST_CASE(tqcalcCAPV_lin, 0x7bf836b892722f07) {
  digestPV(invoker, 0, [&](float* v, uint32_t n, int32_t* out) { TQ_CALL(tqcalcCAPV_lin, v, n, out, -5000, 4000, 3.5f, -0.25f); });
}
TQ_DIGEST_CASE(tqcalcCAPV_log, 0x25efe75946f1ad2e) {
  digestPV(invoker, 1, [&](float* v, uint32_t n, int32_t* out) { TQ_CALL(tqcalcCAPV_log, v, n, out, -800, 3000, 100.0f, 50.0f, 10.0f); });
}

}  // namespace
}  // namespace tq::test
