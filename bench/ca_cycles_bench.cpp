// Raw copy with peak search, overall pressure and running value beside plain
// scalar loops of their definitions and the memcpy baseline of one array
// copied (the raw copy moves exactly those bytes; the averages move more:
// 12 and 20 bytes per sample, so their bytes/s is the figure to compare).
#include <limits>

#include "bench_support.h"
#include "tqcalc.h"

namespace tq::bench {
namespace {

constexpr float kFloor = std::numeric_limits<float>::min();

void copyRaw(benchmark::State& state) {
  Buffer<float> raw(state.range(0)), channel(state.range(0));
  float maxValue;
  uint32_t maxIndex;
  for (auto _ : state) {
    tqCalcCACopyRawDataToChannels(raw.data(), channel.data(), 0, uint32_t(raw.n), 0.125f, &maxValue, &maxIndex);
    benchmark::DoNotOptimize(maxIndex);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
}
void copyRawScalar(benchmark::State& state) {
  Buffer<float> raw(state.range(0)), channel(state.range(0));
  for (auto _ : state) {
    float maxValue = kFloor;
    uint32_t maxIndex = 0xFFFFFFFFu;
    for (uint32_t i = 0; i < raw.n; ++i) {
      const float v = raw.p[i] - 0.125f;
      if (v > maxValue) maxValue = v, maxIndex = i;
      channel.p[i] = v;
    }
    benchmark::DoNotOptimize(maxIndex);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 2 * sizeof(float));
}

void overall(benchmark::State& state) {
  Buffer<float> cycle(state.range(0)), average(state.range(0), 0.5);
  float peak;
  for (auto _ : state) {
    tqCalcCAOverallPressure(cycle.data(), average.data(), 0, uint32_t(cycle.n), 41, &peak);
    benchmark::DoNotOptimize(peak);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 3 * sizeof(float));
}
void overallScalar(benchmark::State& state) {
  Buffer<float> cycle(state.range(0)), average(state.range(0), 0.5);
  const double n = 41.0;
  for (auto _ : state) {
    float peak = kFloor;
    for (std::size_t i = 0; i < cycle.n; ++i) {
      const float a = float((double(average.p[i]) * n + double(cycle.p[i])) / (n + 1.0));
      average.p[i] = a;
      if (a > peak) peak = a;
    }
    benchmark::DoNotOptimize(peak);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 3 * sizeof(float));
}

// The window-full step, the one every call makes once the window is filled.
void running(benchmark::State& state) {
  Buffer<float> cycle(state.range(0)), oldest(state.range(0), 0.5), sums(state.range(0), 4.0),
      means(state.range(0));
  for (auto _ : state) {
    tqCalcCARunningVal(cycle.data(), oldest.data(), sums.data(), means.data(), 0, uint32_t(cycle.n) - 1, 100, 10);
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 5 * sizeof(float));
}
void runningScalar(benchmark::State& state) {
  Buffer<float> cycle(state.range(0)), oldest(state.range(0), 0.5), sums(state.range(0), 4.0),
      means(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(sums.data());
    for (std::size_t i = 0; i < cycle.n; ++i) {
      const float s = cycle.p[i] + sums.p[i] - oldest.p[i];
      sums.p[i] = s;
      means.p[i] = s / 10.0f;
    }
    benchmark::ClobberMemory();
  }
  setCounters(state, state.range(0), 5 * sizeof(float));
}

void copyBaseline(benchmark::State& state) {
  Buffer<float> from(state.range(0)), to(state.range(0));
  for (auto _ : state) streamCopy(to.data(), from.data(), from.n * sizeof(float));
  setCounters(state, state.range(0), 2 * sizeof(float));
}

BENCHMARK(copyRaw)->Name("CACopyRawDataToChannels/tqcalc")->Apply(sizes);
BENCHMARK(copyRawScalar)->Name("CACopyRawDataToChannels/scalar")->Apply(sizes);
BENCHMARK(copyBaseline)->Name("CACycles/copy(memcpy)")->Apply(sizes);
BENCHMARK(overall)->Name("CAOverallPressure/tqcalc")->Apply(sizes);
BENCHMARK(overallScalar)->Name("CAOverallPressure/scalar")->Apply(sizes);
BENCHMARK(running)->Name("CARunningVal/tqcalc")->Apply(sizes);
BENCHMARK(runningScalar)->Name("CARunningVal/scalar")->Apply(sizes);

}  // namespace
}  // namespace tq::bench
