// Digest cases of the power-analysis exports: fixed inputs, edge values
// among them, at counts around the vector steps; every output digested.
#include <cmath>
#include <cstring>

#include "support/bits.h"
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

}  // namespace
}  // namespace tq::test
