// Channel family beside the scalar loops of its definitions: scaled values
// (int16 samples into float, the common acquisition case).
#include "bench_support.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

template <class F>
void scaledInt16(benchmark::State& state, F f) {
  const auto n = int32_t(state.range(0));
  Buffer<int16_t> in(std::size_t(n), 1000.0);
  Buffer<float> out{std::size_t(n)};
  const ScaledValuesParamsFloat p{in.data(), out.data(), 0.001f, -0.5f, n, ChannelSampleInt16, 1};
  for (auto _ : state) {
    f(&p);
    benchmark::ClobberMemory();
  }
  setCounters(state, n, 6);
}

const bool registered = registerRows({
    Row{"ChannelGetScaledValuesAtPos_float_int16/tqcalc",
        [](benchmark::State& s) { scaledInt16(s, tqcalcChannelGetScaledValuesAtPos_float); }},
    Row{"ChannelGetScaledValuesAtPos_float_int16/scalar",
        [](benchmark::State& s) { scaledInt16(s, TQ_SCALAR_LOOP(tqcalcChannelGetScaledValuesAtPos_float)); }},
});

}  // namespace
}  // namespace tq::bench
