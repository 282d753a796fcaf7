// Raw data to cycle channels, overall pressure and running values beside the
// scalar loops of their definitions and the memcpy baseline of one array
// (each reads one or more arrays and writes one or two).
#include "bench_support.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

// Four buffers of n floats: a ramp, a half ramp, a larger ramp, scratch.
// `call(a, b, c, d, n)` is one call; `arrays` the floats one element moves.
template <int arrays, class Call>
void cycles(benchmark::State& state, Call call) {
  Buffer<float> a(state.range(0)), b(state.range(0), 0.5), c(state.range(0), 4.0), d(state.range(0));
  for (auto _ : state) {
    call(a.data(), b.data(), c.data(), d.data(), uint32_t(a.n));
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), arrays * sizeof(float));
}

// The export and its scalar loop, from the same call. The running value is
// timed at the window-full step, the one every call makes once the window is
// filled.
#define TQ_CYCLE_ROWS(name, arrays, ...)                                                                         \
  Row{#name "/tqcalc", [](benchmark::State& s) { cycles<arrays>(s, [](float* a, float* b, float* c, [[maybe_unused]] float* d, uint32_t n) { \
        auto f = name; __VA_ARGS__; }); }},                                                                       \
  Row{#name "/scalar", [](benchmark::State& s) { cycles<arrays>(s, [](float* a, float* b, float* c, [[maybe_unused]] float* d, uint32_t n) { \
        auto f = TQ_SCALAR_LOOP(name); __VA_ARGS__; }); }}

const bool registered = registerRows({
    TQ_CYCLE_ROWS(tqCalcCACopyRawDataToChannels, 2, uint32_t index; f(a, b, 0, n, 0.125f, c, &index)),
    TQ_CYCLE_ROWS(tqCalcCAOverallPressure, 3, f(a, b, 0, n, 41, c)),
    TQ_CYCLE_ROWS(tqCalcCARunningVal, 5, f(a, b, c, d, 0, n - 1, 100, 10)),
    {"CACycles/copy(memcpy)",
     [](benchmark::State& s) { cycles<2>(s, [](float* a, float* b, float*, float*, uint32_t n) { streamCopy(b, a, n * 4); }); }},
});

}  // namespace
}  // namespace tq::bench
