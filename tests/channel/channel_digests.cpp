// Digest cases of the channel family: fixed inputs, edge values included,
// every output digested. The inputs, calls and digest order never change.
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

}  // namespace
}  // namespace tq::test
