// Shared pieces of the benchmark suites: the three buffer sizes, counters in
// elements/ns and bytes/s, the plain read/copy/write baselines, the scalar
// baselines and registration from tables.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

// The scalar baselines are the tests' references (one definition each),
// compiled here without the auto-vectoriser so that they are the plain loops
// they claim to be. The fast logarithm comes first: its lane forms keep the
// library's flags.
#include "core/fast_log10.h"
#pragma GCC push_options
#pragma GCC optimize("no-tree-vectorize")
#include "reference/reference.h"
#pragma GCC pop_options

namespace tq::bench {

// A scalar baseline: the reference of `name`, called through a function the
// optimiser may not look into (no inlining, no cloning for constant
// arguments, no hoisting out of the timed loop).
template <auto f>
struct Opaque;
template <class R, class... A, R (*f)(A...)>
struct Opaque<f> {
  __attribute__((noipa)) static R call(A... args) { return f(args...); }
};
#define TQ_SCALAR_LOOP(name) (&::tq::bench::Opaque<&::tq::ref::name>::call)

// Elements per buffer. For a kernel on one float array they are L1-, L2- and
// DRAM-resident; kernels on more or wider arrays leave a level earlier
// (three float arrays of kL1 elements take 48 KiB: beyond a 32 KiB L1, and
// all of a 48 KiB one).
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

// 256-bit lanes without <immintrin.h> (only the library's SIMD layer
// includes it): GCC's vector extensions and AVX builtins.
typedef float V8f __attribute__((vector_size(32)));
typedef double V4d __attribute__((vector_size(32)));
template <class V>
inline V loadUnaligned(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The fastest plain read of a buffer: 256-bit loads OR-ed into independent
// registers, no arithmetic dependency worth the name.
inline void streamRead(const void* data, std::size_t bytes) {
  auto* p = static_cast<const char*>(data);
  V8f a = {}, b = a, c = a, d = a;
  for (std::size_t i = 0; i + 128 <= bytes; i += 128) {
    a = __builtin_ia32_orps256(a, loadUnaligned<V8f>(p + i));
    b = __builtin_ia32_orps256(b, loadUnaligned<V8f>(p + i + 32));
    c = __builtin_ia32_orps256(c, loadUnaligned<V8f>(p + i + 64));
    d = __builtin_ia32_orps256(d, loadUnaligned<V8f>(p + i + 96));
  }
  V8f all = __builtin_ia32_orps256(__builtin_ia32_orps256(a, b), __builtin_ia32_orps256(c, d));
  benchmark::DoNotOptimize(all);
}

// The plain copy baseline for kernels that read one array and write one.
inline void streamCopy(void* to, const void* from, std::size_t bytes) {
  std::memcpy(to, from, bytes);
  benchmark::ClobberMemory();
}

// Rows registered from a table: name, body, the arguments it runs at.
struct Row {
  const char* name;
  void (*run)(benchmark::State&);
  void (*args)(benchmark::internal::Benchmark*) = sizes;
};
inline bool registerRows(std::initializer_list<Row> rows) {
  for (const Row& row : rows) benchmark::RegisterBenchmark(row.name, row.run)->Apply(row.args);
  return true;
}

}  // namespace tq::bench
