// Shared pieces of the benchmark suites: the three buffer sizes, counters in
// elements/ns and bytes/s, and the plain-read baseline.
#pragma once

#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tq::bench {

// Elements: L1-resident, L2-resident and DRAM-sized buffers.
constexpr std::int64_t kL1 = 4 << 10;
constexpr std::int64_t kL2 = 64 << 10;
constexpr std::int64_t kDram = 16 << 20;

inline void sizes(benchmark::internal::Benchmark* b) { b->Arg(kL1)->Arg(kL2)->Arg(kDram); }

// Reports elements per nanosecond and bytes moved (read + written) per second.
inline void setCounters(benchmark::State& state, std::int64_t elements, std::int64_t bytesPerElement) {
  const double total = double(state.iterations()) * double(elements);
  state.counters["elem/ns"] = benchmark::Counter(total / 1e9, benchmark::Counter::kIsRate);
  state.SetBytesProcessed(std::int64_t(total) * bytesPerElement);
}

// 64-byte aligned, filled with a deterministic ramp of small values.
template <class T>
struct Buffer {
  explicit Buffer(std::size_t count, double scale = 1.0) : n(count) {
    p = static_cast<T*>(std::aligned_alloc(64, (count * sizeof(T) + 63) / 64 * 64 + 64));
    for (std::size_t i = 0; i < count; ++i) p[i] = T(double(i % 1000) * scale * 0.001 - 0.25);
  }
  ~Buffer() { std::free(p); }
  Buffer(const Buffer&) = delete;
  T* data() const { return p; }
  T* p;
  std::size_t n;
};

// The fastest plain read of a buffer: 256-bit loads OR-ed into independent
// registers, no arithmetic dependency worth the name.
inline void streamRead(const void* data, std::size_t bytes) {
  auto* p = static_cast<const char*>(data);
  __m256 a = _mm256_setzero_ps(), b = a, c = a, d = a;
  std::size_t i = 0;
  for (; i + 128 <= bytes; i += 128) {
    a = _mm256_or_ps(a, _mm256_loadu_ps(reinterpret_cast<const float*>(p + i)));
    b = _mm256_or_ps(b, _mm256_loadu_ps(reinterpret_cast<const float*>(p + i + 32)));
    c = _mm256_or_ps(c, _mm256_loadu_ps(reinterpret_cast<const float*>(p + i + 64)));
    d = _mm256_or_ps(d, _mm256_loadu_ps(reinterpret_cast<const float*>(p + i + 96)));
  }
  __m256 all = _mm256_or_ps(_mm256_or_ps(a, b), _mm256_or_ps(c, d));
  benchmark::DoNotOptimize(all);
}

// The plain copy baseline for kernels that read one array and write one.
inline void streamCopy(void* to, const void* from, std::size_t bytes) {
  std::memcpy(to, from, bytes);
  benchmark::ClobberMemory();
}

}  // namespace tq::bench
