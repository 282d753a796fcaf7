// Element-wise arithmetic, sample format conversions and the linear fill,
// each beside the scalar loop of its definition, the memcpy (or, for the
// fills, memset) baseline at the same sizes up to DRAM, VOLK's AVX kernel
// where one does the same or a close job (the row name says how it differs),
// and for the maximum a plain AVX maxps/maxpd loop: the roof of a kernel
// that must also order NaNs and signed zeros.
#include <string>

#include "bench_support.h"
#include "tqcalc.h"

#if defined(TQ_HAVE_VOLK)
#include <volk/volk_complex.h>
#include <volk/volk_32f_convert_64f.h>
#include <volk/volk_32f_s32f_add_32f.h>
#include <volk/volk_32f_s32f_multiply_32f.h>
#include <volk/volk_32f_sqrt_32f.h>
#include <volk/volk_32f_x2_max_32f.h>
#include <volk/volk_32f_x2_multiply_32f.h>
#include <volk/volk_32f_x2_subtract_32f.h>
#include <volk/volk_32fc_magnitude_32f.h>
#include <volk/volk_32fc_magnitude_squared_32f.h>
#include <volk/volk_64f_convert_32f.h>
#include <volk/volk_64f_x2_max_64f.h>
#include <volk/volk_64f_x2_multiply_64f.h>
#endif

namespace tq::bench {
namespace {

// In-place conversions start from doubles whose bit pattern is two copies of
// 2.0f: narrowed, each pair of floats reads back as the same double, so every
// iteration converts the same values (drifting data would reach subnormals
// and time the processor's assists instead).
constexpr double kSelfSimilar = 2.0000000037252903;  // 0x4000000040000000

// kernel(d, a, b, n) on arrays d (out, of D), a (in, of A, 2n for complex
// pairs; filled with `fill` when not 0) and b; `bytes`: what one element
// moves (reads + writes).
template <class D, class A, int bytes, class Kernel>
void elementwise(benchmark::State& state, Kernel kernel, double fill = 0.0) {
  const std::size_t n = std::size_t(state.range(0));
  Buffer<A> a(2 * n, 1.0), b(n, 2.0);
  Buffer<D> d(n);
  for (std::size_t i = 0; fill != 0.0 && i < 2 * n; ++i) a.p[i] = A(fill);
  // Escaped, so that the compiler keeps the stores of inlined kernels.
  benchmark::DoNotOptimize(a.p), benchmark::DoNotOptimize(b.p), benchmark::DoNotOptimize(d.p);
  for (auto _ : state) {
    kernel(d.data(), a.data(), b.data(), uint32_t(n));
    benchmark::ClobberMemory();
  }
  setCounters(state, std::int64_t(n), bytes);
}
// The copy baseline: per element, `bytes / 2` read and as many written.
template <int bytes>
void copy(benchmark::State& state) {
  const std::size_t total = std::size_t(state.range(0)) * bytes / 2;
  Buffer<char> from(total), to(total);
  for (auto _ : state) streamCopy(to.data(), from.data(), total);
  setCounters(state, state.range(0), bytes);
}
// A fill byte that is not zero: some CPUs write zero-filled lines much
// faster than any other pattern (one we measured: memset 0 at 70 GB/s,
// memset 7 and non-temporal stores of any value at 42), and a fill's values
// are never all-zero bytes, so the zero memset is not a yardstick for them.
template <int bytes>
void write(benchmark::State& state) {
  elementwise<double, double, bytes>(state, [](double* d, double*, double*, uint32_t n) { std::memset(d, 0x41, std::size_t(n) * bytes); });
}

// The export, the scalar loop of its definition (the same call) and the
// copy baseline; FILL as in elementwise().
#define TQ_ROWS(operation, entry, D, A, bytes, FILL, ...)                                                          \
  Row{#operation "/tqcalc", [](benchmark::State& s) { elementwise<D, A, bytes>(s, []([[maybe_unused]] D* d, [[maybe_unused]] A* a, [[maybe_unused]] A* b, uint32_t n) { \
        auto f = entry; __VA_ARGS__; }, FILL); }},                                                                \
  Row{#operation "/scalar", [](benchmark::State& s) { elementwise<D, A, bytes>(s, []([[maybe_unused]] D* d, [[maybe_unused]] A* a, [[maybe_unused]] A* b, uint32_t n) { \
        auto f = TQ_SCALAR_LOOP(operation); __VA_ARGS__; }, FILL); }},                                            \
  Row{#operation "/copy", copy<bytes>}
#define TQ_PAIR_ROWS(op, T, bytes, ...) TQ_ROWS(op, op, T, T, bytes, 0.0, __VA_ARGS__)
#define TQ_CDECL_ROWS(op, T, bytes, ...) TQ_ROWS(op, op##_cdecl, T, T, bytes, 0.0, __VA_ARGS__)
// A peer row on the arrays of elementwise().
#define TQ_PEER(name, D, A, bytes, ...) \
  Row{name, [](benchmark::State& s) { elementwise<D, A, bytes>(s, []([[maybe_unused]] D* d, [[maybe_unused]] A* a, [[maybe_unused]] A* b, uint32_t n) { __VA_ARGS__; }); }}

// The AVX roof of the maximum: MAXPS/MAXPD alone (a NaN in the first
// operand passes the second), unaligned, no tail handling beyond a scalar loop.
template <class T, class V, V (*max)(V, V)>
void avxMax(T* d, const T* a, const T* b, uint32_t n) {
  constexpr uint32_t lanes = sizeof(V) / sizeof(T);
  uint32_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const V r = max(loadUnaligned<V>(a + i), loadUnaligned<V>(b + i));
    std::memcpy(d + i, &r, sizeof r);
  }
  for (; i < n; ++i) d[i] = a[i] > b[i] ? a[i] : b[i];
}
V8f maxps(V8f a, V8f b) { return __builtin_ia32_maxps256(a, b); }
V4d maxpd(V4d a, V4d b) { return __builtin_ia32_maxpd256(a, b); }

const bool registered = registerRows({
    TQ_CDECL_ROWS(tqcalcAddScalarToVector_float, float, 8, f(d, a, 0.5f, n)),
    TQ_CDECL_ROWS(tqcalcAddScalarToVector_double, double, 16, f(d, a, 0.5, n)),
    TQ_PAIR_ROWS(tqcalcAddVectorsAndMultiplyByScalar_float, float, 12, f(d, a, b, n, 3.0f, 0.5f)),
    TQ_PAIR_ROWS(tqcalcSubtractVectorsAndMultiplyByScalar_float, float, 12, f(d, a, b, n, 0.5f)),
    // In place: the one array is read and written.
    TQ_PAIR_ROWS(tqcalcMultiplyVectorByScalar_float, float, 8, f(d, n, -1.0f)),
    TQ_PAIR_ROWS(tqcalcMultiplyVectorByScalar_double, double, 16, f(d, n, -1.0)),
    TQ_CDECL_ROWS(tqcalcMultiplyVectors_float, float, 12, f(d, a, b, n)),
    TQ_CDECL_ROWS(tqcalcMultiplyVectors_double, double, 24, f(d, a, b, n)),
    TQ_CDECL_ROWS(tqcalcSqrtVector_float, float, 8, f(d, a, n)),
    TQ_CDECL_ROWS(tqcalcSqrtVector_double, double, 16, f(d, a, n)),
    TQ_CDECL_ROWS(tqcalcVectorsMax_float, float, 12, f(d, a, b, n)),
    TQ_PEER("tqcalcVectorsMax_float/avx_roof(maxps)", float, float, 12, (avxMax<float, V8f, maxps>(d, a, b, n))),
    TQ_CDECL_ROWS(tqcalcVectorsMax_double, double, 24, f(d, a, b, n)),
    TQ_PEER("tqcalcVectorsMax_double/avx_roof(maxpd)", double, double, 24, (avxMax<double, V4d, maxpd>(d, a, b, n))),
    TQ_CDECL_ROWS(tqcalcComplexVectorAbs_float, float, 12, f(d, a, 0, n)),
    TQ_PEER("tqcalcComplexVectorAbs_float_squared/tqcalc", float, float, 12, tqcalcComplexVectorAbs_float_cdecl(d, a, 1, n)),
    TQ_CDECL_ROWS(tqcalcComplexVectorAbs_double, double, 24, f(d, a, 0, n)),
    TQ_ROWS(tqcalcConvertInt16ToInt32, tqcalcConvertInt16ToInt32, int32_t, int16_t, 6, 0.0, f(a, d, n)),
    TQ_ROWS(tqcalcConvertInt32ToInt16, tqcalcConvertInt32ToInt16, int16_t, int32_t, 6, 0.0, f(a, d, n)),
    TQ_ROWS(tqcalcCADoubleArrToSingleArrInplace, tqcalcCADoubleArrToSingleArrInplace, double, double, 12, kSelfSimilar, f(a, n)),
    TQ_ROWS(tqcalcCASingleArrToDoubleArrInplace, tqcalcCASingleArrToDoubleArrInplace, double, double, 12, kSelfSimilar, f(a, n)),
    // Writes only: beside a plain memset of the buffer.
    TQ_PAIR_ROWS(tqcalcChannelFillBufferWithLinearFunction_float, float, 4, f(d, n, 0.5f, -1.0f)),
    Row{"tqcalcChannelFillBufferWithLinearFunction_float/write(memset)", write<4>},
    TQ_PAIR_ROWS(tqcalcChannelFillBufferWithLinearFunction_double, double, 8, f(d, n, 0.5, -1.0)),
    Row{"tqcalcChannelFillBufferWithLinearFunction_double/write(memset)", write<8>},
#if defined(TQ_HAVE_VOLK)
    // VOLK has no double scaling or double add-scalar kernel.
    TQ_PEER("tqcalcAddScalarToVector_float/volk_avx", float, float, 8, volk_32f_s32f_add_32f_u_avx(d, a, 0.5f, n)),
    TQ_PEER("tqcalcSubtractVectorsAndMultiplyByScalar_float/volk_avx(subtract only)", float, float, 12,
            volk_32f_x2_subtract_32f_u_avx(d, a, b, n)),
    TQ_PEER("tqcalcMultiplyVectorByScalar_float/volk_avx", float, float, 8, volk_32f_s32f_multiply_32f_u_avx(d, d, -1.0f, n)),
    TQ_PEER("tqcalcMultiplyVectors_float/volk_avx", float, float, 12, volk_32f_x2_multiply_32f_u_avx(d, a, b, n)),
    TQ_PEER("tqcalcMultiplyVectors_double/volk_avx", double, double, 24, volk_64f_x2_multiply_64f_u_avx(d, a, b, n)),
    TQ_PEER("tqcalcSqrtVector_float/volk_avx", float, float, 8, volk_32f_sqrt_32f_u_avx(d, a, n)),
    TQ_PEER("tqcalcVectorsMax_float/volk_avx(maxps: NaN in b wins)", float, float, 12, volk_32f_x2_max_32f_u_avx(d, a, b, n)),
    TQ_PEER("tqcalcVectorsMax_double/volk_avx(maxpd: NaN in b wins)", double, double, 24, volk_64f_x2_max_64f_u_avx(d, a, b, n)),
    TQ_PEER("tqcalcComplexVectorAbs_float/volk_avx", float, float, 12,
            volk_32fc_magnitude_32f_u_avx(d, reinterpret_cast<lv_32fc_t*>(a), n)),
    TQ_PEER("tqcalcComplexVectorAbs_float_squared/volk_avx", float, float, 12,
            volk_32fc_magnitude_squared_32f_u_avx(d, reinterpret_cast<lv_32fc_t*>(a), n)),
    // In place like ours: each block of doubles is read before its front is written.
    Row{"tqcalcCADoubleArrToSingleArrInplace/volk_avx(in place)",
        [](benchmark::State& s) {
          elementwise<double, double, 12>(
              s, [](double*, double* a, double*, uint32_t n) { volk_64f_convert_32f_u_avx(reinterpret_cast<float*>(a), a, n); },
              kSelfSimilar);
        }},
    TQ_PEER("tqcalcCASingleArrToDoubleArrInplace/volk_avx(out of place)", double, double, 12,
            volk_32f_convert_64f_u_avx(d, reinterpret_cast<float*>(a), n)),
#endif
});

}  // namespace
}  // namespace tq::bench
