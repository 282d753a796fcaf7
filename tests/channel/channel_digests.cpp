// Digest cases of the channel family: fixed inputs, edge values included,
// every output digested. The inputs, calls and digest order never change.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "support/bits.h"
#include "support/invoke.h"

namespace tq::test {
namespace {

#define TQ_CALL(name, ...) invoker.call<decltype(name)>(__VA_ARGS__)

// Every code (and an invalid one) at strides 1, -2 and 0 and counts 0..5,
// from random bytes with edge values among the floats and doubles.
template <class Params, class F>
void digestScaled(Invoker& invoker, decltype(Params::scale) scale, decltype(Params::offset) offset) {
  using Out = std::remove_pointer_t<decltype(Params::destination)>;
  std::vector<unsigned char> bytes(8 * 40);
  uint32_t state = 12345;
  for (auto& b : bytes) b = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
  const auto fe = edgeValues<float>();
  const auto de = edgeValues<double>();
  std::memcpy(&bytes[0], fe.data(), fe.size() * 4);
  std::memcpy(&bytes[8 * 24], de.data(), 16 * 8);
  for (uint32_t code = 0; code <= 11; ++code)
    for (int32_t stride : {1, -2, 0})
      for (int32_t count = 0; count <= 5; ++count) {
        std::vector<Out> out(11, Out(-7));
        const Params p{&bytes[8 * 20], out.data(), scale, offset, count, code, stride};
        invoker.call<F>(&p);
        invoker.digest(out);
      }
}
TQ_DIGEST_CASE(tqcalcChannelGetScaledValuesAtPos_double, 0x641f3429e02cb4d9) {
  digestScaled<ScaledValuesParamsDouble, decltype(tqcalcChannelGetScaledValuesAtPos_double)>(invoker, 0.3, -2.5);
}
TQ_DIGEST_CASE(tqcalcChannelGetScaledValuesAtPos_float, 0x866b4112374ab99b) {
  digestScaled<ScaledValuesParamsFloat, decltype(tqcalcChannelGetScaledValuesAtPos_float)>(invoker, 0.3f, -2.5f);
}

// Lengths around the steps, positions at both ends and inside, random
// taps with edge values in the history of the longest.
TQ_DIGEST_CASE(tqcalcFIRFilter_float, 0xd6c602718aa34078) {
  for (int32_t length : {-1, 0, 1, 3, 7, 8, 9, 31, 32, 33, 64, 100, 1023}) {
    const std::size_t n = std::size_t(std::max(length, 0));
    auto h = randomValues<float>(n, n + 1, 1e3), c = randomValues<float>(n, n + 2, 1e-2);
    for (std::size_t i = 0; length == 100 && i < 16; ++i) h[i * 6] = edgeValues<float>()[i];
    for (int32_t position : {0, 1, length / 2, length - 1, length})
      if (position >= 0) invoker.digest(TQ_CALL(tqcalcFIRFilter_float, h.data(), c.data(), length, position));
  }
}

// A white sequence with edge values (which stick, so late in the run) from
// a zero state and from a random one; every result and the final states,
// NaNs as one NaN (which of two NaNs an addition passes on is the
// compiler's choice of operand order).
TQ_DIGEST_CASE(tqcalcPinkFilter_double, 0x112001ef0860e512) {
  for (uint32_t seed : {0u, 1u}) {
    PinkFilterState state{};
    if (seed) std::memcpy(&state, randomValues<double>(8, seed, 1.0).data(), sizeof state);
    auto white = randomValues<double>(300, seed + 5, 1.0);
    const auto edges = edgeValues<double>();
    for (std::size_t i = 0; i < edges.size(); ++i) white[284 + i] = edges[(i + 4) % edges.size()];
    const auto oneNaN = [](double v) { return std::isnan(v) ? NAN : v; };
    for (double w : white) invoker.digest(oneNaN(TQ_CALL(tqcalcPinkFilter_double, &state, w)));
    for (double v : {state.b0, state.b1, state.b2, state.b3, state.b4, state.b5, state.b6, state.direct}) invoker.digest(oneNaN(v));
  }
}

// IIR: a resonant second-order cascade (type 0 order 2, and type 3 at
// order 4), a general one of order 3 and of order 0, each from the same
// state through one irregular run of samples with edge values late in it;
// every output and the final taps.
template <class T, class Run>
void digestIir(Invoker& invoker, Run run) {
  for (const auto& [type, order] : {std::pair{0, 2}, std::pair{3, 4}, std::pair{0, 3}, std::pair{0, 0}}) {
    const std::size_t perSection = type == 3 || order == 2 ? 3 : std::size_t(order + 1);
    std::vector<IIRTap> taps(2 * perSection);
    const auto c = randomValues<double>(4 * taps.size(), uint32_t(order + 7 * type), 0.45);
    for (std::size_t i = 0; i < taps.size(); ++i) taps[i] = {c[4 * i], c[4 * i + 1], c[4 * i + 2], c[4 * i + 3]};
    const double gains[2] = {1.5, -0.75};
    IIRFilterState state{type, 2, order, 0, gains, taps.data()};
    auto samples = randomValues<T>(120, uint32_t(order), 3.0);
    const auto edges = edgeValues<T>();
    for (std::size_t i = 0; i < edges.size(); ++i) samples[100 + i] = edges[i];
    invoker.digest(run(state, samples));
    invoker.digest(taps);
  }
}
template <class T, class F>
void digestIirSingle(Invoker& invoker) {
  digestIir<T>(invoker, [&](IIRFilterState& s, const std::vector<T>& x) {
    std::vector<double> y;
    for (T v : x) y.push_back(invoker.call<F>(&s, v));
    return y;
  });
}
template <class T, class F>
void digestIirBlock(Invoker& invoker) {
  digestIir<T>(invoker, [&](IIRFilterState& s, std::vector<T> x) {
    for (std::size_t at = 0, n = 0; at < x.size(); at += n, n = (n * 7 + 3) % 41) {
      n = std::min(n, x.size() - at);
      invoker.call<F>(&s, x.data() + at, x.data() + at, uint32_t(n));
    }
    return x;
  });
}
TQ_DIGEST_CASE(tqcalcIIRFilter_double, 0x79372aba84e6b727) { digestIirSingle<double, decltype(tqcalcIIRFilter_double)>(invoker); }
TQ_DIGEST_CASE(tqcalcIIRFilter_float, 0xa2fdf641736242c6) { digestIirSingle<float, decltype(tqcalcIIRFilter_float)>(invoker); }
TQ_DIGEST_CASE(tqcalcIIRFilterArr_double, 0x79372aba84e6b727) { digestIirBlock<double, decltype(tqcalcIIRFilterArr_double)>(invoker); }
TQ_DIGEST_CASE(tqcalcIIRFilterArr_float, 0x5d2acdc782c3a25f) { digestIirBlock<float, decltype(tqcalcIIRFilterArr_float)>(invoker); }

// CHS: Creates that fail and succeed; then per ratio a stream of a slow
// sine with edge values, in irregular blocks (one refused as too large),
// a Reset midway, Stop, a refused call after it, Destroy. Every status,
// count and output is digested; the entry under test takes its calls, the
// others are called directly. Outputs digest NaNs as one NaN: which NaN an
// addition passes on follows the compiler's operand order.
enum ChsEntry { kCreate, kDestroy, kInterpolate, kReset, kStop };
template <ChsEntry under>
void digestChs(Invoker& invoker) {
#define TQ_CHS(entry, name, ...) (under == entry ? invoker.call<decltype(name)>(__VA_ARGS__) : name(__VA_ARGS__))
  CHSInterpolator* h = nullptr;
  const auto outputs = [&](const float* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) invoker.digest(std::isnan(out[i]) ? NAN : out[i]);
  };
  for (const CHSInterpolatorParams& bad : {CHSInterpolatorParams{0, 1, 8}, {1, NAN, 8}, {1, 1, 2}, {1, 1, 12}, {1e-300, 1e300, 8}})
    invoker.digest(TQ_CHS(kCreate, tqcalcCHSInterpolator_Create, &h, &bad));
  invoker.digest(TQ_CHS(kCreate, tqcalcCHSInterpolator_Create, nullptr, nullptr));
  invoker.digest(TQ_CHS(kDestroy, tqcalcCHSInterpolator_Destroy, nullptr));
  invoker.digest(TQ_CHS(kReset, tqcalcCHSInterpolator_Reset, nullptr));
  for (double ratio : {1.0, 2.0, 0.5, 3.7, 0.3, 0.91875}) {
    const CHSInterpolatorParams params{48000, 48000 * ratio, 64};
    invoker.digest(TQ_CHS(kCreate, tqcalcCHSInterpolator_Create, &h, &params));
    std::vector<float> x(700);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = float(std::sin(0.01 * double(i)) * 1e3);
    const auto edges = edgeValues<float>();
    for (std::size_t i = 0; i < edges.size(); ++i) x[600 + 3 * i] = edges[i];
    float* out = nullptr;
    uint32_t count = 0;
    for (std::size_t at = 0, n = 1; at < x.size(); at += n, n = (n * 13 + 5) % 63 + 1) {
      n = std::min(n, x.size() - at);
      invoker.digest(TQ_CHS(kInterpolate, tqcalcCHSInterpolator_InterpolateValues, h, x.data() + at, uint32_t(n), &out, &count));
      invoker.digest(count), outputs(out, count);
      if (at == 300) invoker.digest(TQ_CHS(kReset, tqcalcCHSInterpolator_Reset, h));
    }
    invoker.digest(TQ_CHS(kInterpolate, tqcalcCHSInterpolator_InterpolateValues, h, x.data(), 63u, &out, &count));
    invoker.digest(TQ_CHS(kStop, tqcalcCHSInterpolator_Stop, h, &out, &count));
    invoker.digest(count), outputs(out, count);
    invoker.digest(TQ_CHS(kStop, tqcalcCHSInterpolator_Stop, h, &out, &count));
    invoker.digest(TQ_CHS(kInterpolate, tqcalcCHSInterpolator_InterpolateValues, h, x.data(), 1u, &out, &count));
    invoker.digest(TQ_CHS(kDestroy, tqcalcCHSInterpolator_Destroy, h));
  }
#undef TQ_CHS
}
TQ_DIGEST_CASE(tqcalcCHSInterpolator_Create, 0x2938b76a5e269e9a) { digestChs<kCreate>(invoker); }
TQ_DIGEST_CASE(tqcalcCHSInterpolator_Destroy, 0x2938b76a5e269e9a) { digestChs<kDestroy>(invoker); }
TQ_DIGEST_CASE(tqcalcCHSInterpolator_InterpolateValues, 0x2938b76a5e269e9a) { digestChs<kInterpolate>(invoker); }
TQ_DIGEST_CASE(tqcalcCHSInterpolator_Reset, 0x2938b76a5e269e9a) { digestChs<kReset>(invoker); }
TQ_DIGEST_CASE(tqcalcCHSInterpolator_Stop, 0x2938b76a5e269e9a) { digestChs<kStop>(invoker); }

}  // namespace
}  // namespace tq::test
