// Digest cases of the power-analysis exports: fixed inputs, edge values
// among them, at counts around the vector steps; every output digested.
#include <cmath>
#include <cstring>

#include "support/bits.h"
#include "support/flicker_state.h"
#include "support/invoke.h"

namespace tq::test {
namespace {

#define TQ_CALL(name, ...) invoker.call<decltype(name)>(__VA_ARGS__)

constexpr int32_t kCounts[] = {-5, 0, 1, 2, 3, 4, 5, 8, 9, 16, 17, 33, 1000};

// Random values with edge values at a few places (none for count <= 8, so
// that the small counts pin finite results).
template <class T>
std::vector<T> values(int32_t count, uint32_t seed, double scale, bool edges = false) {
  auto v = randomValues<T>(count > 0 ? std::size_t(count) : 0, seed, scale);
  const auto e = edgeValues<T>();
  for (std::size_t i = 0; edges && v.size() > 8 && i < e.size(); i += 5) v[(i * 11 + seed) % v.size()] = e[i];
  return v;
}

TQ_DIGEST_CASE(tqcalcPowerPandQsum, 0x6e4adc9f201e50af) {
  for (int32_t n : kCounts) {
    const auto u = values<float>(2 * n, n + 1, 300, true), i = values<float>(2 * n, n + 2, 20);
    double out[2] = {-1, -1};
    TQ_CALL(tqcalcPowerPandQsum, u.data(), i.data(), n, &out[0], &out[1]);
    invoker.digest(out);
  }
}

TQ_DIGEST_CASE(tqcalcPowerMultiplyAndSquareElementsAndSumVector_float, 0x14b67ae17678afc1) {
  for (int32_t n : kCounts)
    for (float s : {0.1f, -3e20f}) {
      const auto v = values<float>(n, n + 3, 1e3, s < 0);
      invoker.digest(TQ_CALL(tqcalcPowerMultiplyAndSquareElementsAndSumVector_float, v.data(), n, s));
    }
}

TQ_DIGEST_CASE(tqcalcPowerSumVectorMultipliedWithScalar_double, 0x14ba855e80271e2e) {
  for (int32_t n : kCounts)
    for (int32_t flag : {0, 1, -7}) {
      const auto in = values<double>(n, n + 4, 1e5, true);
      std::vector<float> out(in.size() + 1, -9.0f);
      PowerSumVectorParams r{in.data(), out.data(), flag ? -0.0 : 12.5, 0.7f, n, flag};
      TQ_CALL(tqcalcPowerSumVectorMultipliedWithScalar_double, &r);
      invoker.digest(out);
      invoker.digest(r.absSum);
    }
}

TQ_DIGEST_CASE(tqcalcPowerCalculatePosAndNegEnergy, 0x3ad3a6c395d37caa) {
  for (int32_t n : kCounts) {
    const auto u = values<float>(n, n + 5, 400, true), i = values<float>(n, n + 6, 30);
    double out[2] = {-1, -1};
    TQ_CALL(tqcalcPowerCalculatePosAndNegEnergy, u.data(), i.data(), n, &out[0], &out[1]);
    invoker.digest(out);
  }
}

TQ_DIGEST_CASE(tqcalcPowerCalculatePosAndNegEnergyOnCondition, 0x288863ffc9598193) {
  for (int32_t n : kCounts) {
    const auto u = values<float>(n, n + 7, 400, true), i = values<float>(n, n + 8, 30), c = values<float>(n, n + 9, 1, true);
    double out[2] = {-1, -1};
    TQ_CALL(tqcalcPowerCalculatePosAndNegEnergyOnCondition, u.data(), i.data(), c.data(), n, &out[0], &out[1]);
    invoker.digest(out);
  }
}

// A spectrum whose bins turn by 37 degrees and grow, with edge values.
TQ_DIGEST_CASE(tqcalcPowerAngles, 0x2ebd45a464790f9b) {
  const auto s = values<float>(2 * 140, 11, 50, true);  // 13 orders at 10.24 bins reach bin 134
  const float steps[][2] = {{0, 1}, {-120, 1}, {37.5f, 1.5f}, {1e4f, 2.25f}, {-7e5f, 0.3f}, {3.7f, 10.24f}};
  for (int32_t n : {-1, 0, 1, 2, 5, 13})
    for (const auto& step : steps) {
      std::vector<float> out(n > 0 ? n + 1 : 1, -9.0f);
      TQ_CALL(tqcalcPowerAngles, s.data(), out.data(), n, step[0], step[1]);
      invoker.digest(out);
    }
}

TQ_DIGEST_CASE(tqcalcPowerFindIndexOfMaxAmplitude, 0x9c4e9089a5fdd0a9) {
  for (int32_t n : kCounts) {
    auto s = values<float>(2 * n, n + 12, 10, true);
    invoker.digest(TQ_CALL(tqcalcPowerFindIndexOfMaxAmplitude, s.data(), uint32_t(std::max(n, 0))));
    for (auto& v : s) v = std::round(v / 4);  // ties
    invoker.digest(TQ_CALL(tqcalcPowerFindIndexOfMaxAmplitude, s.data(), uint32_t(std::max(n, 0))));
  }
}

TQ_DIGEST_CASE(tqcalcPowerHarmonicZero, 0x7798936092975a53) {
  for (int32_t n : kCounts) {
    const auto s = values<float>(2 * n, n + 13, 1e3, n > 100);
    invoker.digest(TQ_CALL(tqcalcPowerHarmonicZero, s.data(), uint32_t(std::max(n, 0))));
  }
}

TQ_DIGEST_CASE(tqcalcPowerCalcFIR_float, 0x8cbd3b2eafa3cf0d) {
  const auto ring = values<float>(100, 14, 3, true), sets = values<float>(48, 15, 1);
  for (uint32_t length : {16u, 17u, 100u})
    for (uint32_t position = 0; position <= length; ++position) {
      const PowerFirParams r{ring.data(), sets.data(), position, position % 3, length};
      invoker.digest(TQ_CALL(tqcalcPowerCalcFIR_float, &r));
    }
}

// Counts across the library/kernel switch and the eight-lane steps, inputs
// up to the range's end and edge values.
template <auto f>
void digestFastTrig(Invoker& invoker, double scale, uint32_t seed) {
  for (int32_t n : kCounts) {
    if (n < 0) continue;
    const auto in = values<float>(n, n + seed, scale, true);
    std::vector<float> out(n + 1, -9.0f);
    invoker.call<std::remove_pointer_t<decltype(f)>>(in.data(), out.data(), uint32_t(n));
    invoker.digest(out);
  }
  const float wide[] = {1e7f, 1.6e9f, 1.7e9f, 3e9f, -1e38f, 100.0f, -99.99f, 0.66f, 0.6600001f, 2.4142137f};
  float out[10];
  invoker.call<std::remove_pointer_t<decltype(f)>>(wide, out, 10u);
  invoker.digest(out);
}
TQ_DIGEST_CASE(tqcalcSin_float, 0x07a0b1fb32c65a41) { digestFastTrig<tqcalcSin_float>(invoker, 100, 16); }
TQ_DIGEST_CASE(tqcalcATan_float, 0x65535a1e2f1ada2c) { digestFastTrig<tqcalcATan_float>(invoker, 5, 17); }

// Mains-like phasors with random deviations, and edge values.
TQ_DIGEST_CASE(tqcalcPowerUnbalance, 0x75f2e2da89a21b14) {
  for (int32_t n : kCounts) {
    const std::size_t size = std::size_t(std::max(n, 1));
    std::vector<float> in[6];
    for (int k = 0; k < 6; ++k) {
      in[k] = values<float>(int32_t(size), uint32_t(n + 20 + k), k < 3 ? 10 : 30, n > 100);
      for (float& v : in[k]) v += k < 3 ? 230.0f : 120.0f * float(k - 3);
    }
    std::vector<float> out(14, -9.0f);
    float* o = out.data();
    const PowerUnbalanceParams r{in[0].data(), in[1].data(), in[2].data(), in[3].data(), in[4].data(), in[5].data(),
                                 o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, o + 7, o + 9, o + 11,
                                 uint32_t(std::max(n, 0))};
    TQ_CALL(tqcalcPowerUnbalance, &r);
    invoker.digest(out);
  }
}

// A 50 Hz triangle of 1 per unit at 2 kHz, stepped by 1 % at 8.8 Hz (no C
// library: the same inputs on every target), from a reset state, in blocks
// of the counts; every output and the histories after each block. Then a
// block with edge values.
TQ_DIGEST_CASE(tqcalcPowerFlicker, 0x7864f1d7f66e999f) {
  double h[kFlickerHistories] = {};
  PowerFlickerState s = flickerState(h, kFlicker2kHz);
  s.highPassIn[0] = -9999999.0;
  uint32_t t = 0;
  for (int32_t n : kCounts) {
    if (n < 0) continue;
    std::vector<float> in(n), out(n + 1, -9.0f);
    for (float& v : in) v = float((1 + 0.01 * (t / 114 % 2)) * (std::abs(int(t % 40) - 20) / 5.0 - 2)), ++t;
    TQ_CALL(tqcalcPowerFlicker, &s, in.data(), out.data(), uint32_t(n));
    invoker.digest(out);
    invoker.digest(h);
  }
  const auto edges = values<float>(40, 30, 2, true);
  std::vector<float> out(40);
  TQ_CALL(tqcalcPowerFlicker, &s, edges.data(), out.data(), 40u);
  invoker.digest(out);
  invoker.digest(h);
}

}  // namespace
}  // namespace tq::test
