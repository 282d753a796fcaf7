// Digest cases of the interpolator object: its five entries share one
// stream, so one case drives them all and each entry under test takes its
// own calls. The inputs, calls and digest order never change.
#include <algorithm>
#include <cmath>

#include "support/bits.h"
#include "support/invoke.h"

namespace tq::test {
namespace {

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
