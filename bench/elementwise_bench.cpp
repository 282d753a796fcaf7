// Element-wise arithmetic, sample format conversions and the linear fill,
// each beside a plain loop of its definition (compiled without the
// auto-vectoriser, so that it is the scalar loop it claims to be), the copy
// baseline for the bandwidth comparison, and VOLK's AVX kernel where one does
// the same or a close job (the row name says how it differs).
#include <cmath>
#include <cstring>
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

#define TQ_SCALAR_LOOP __attribute__((noipa, optimize("no-tree-vectorize")))

namespace tq::bench {
namespace {

// One row: kernel(d, a, b, n) on n-element arrays d (out, of D), a (in, of
// A, 2n for complex pairs), b (in). `bytes` is what one element moves (reads
// + writes).
template <class D, class A = D, class Kernel>
void row(const std::string& operation, const std::string& variant, int bytes, Kernel kernel, double fill = 0.0) {
  benchmark::RegisterBenchmark((operation + "/" + variant).c_str(),
                               [=](benchmark::State& state) {
                                 const std::size_t n = std::size_t(state.range(0));
                                 Buffer<A> a(2 * n, 1.0), b(n, 2.0);
                                 Buffer<D> d(n);
                                 if (fill != 0.0)
                                   for (std::size_t i = 0; i < 2 * n; ++i) a.p[i] = A(fill);
                                 // Escaped, so that the compiler keeps the stores of inlined kernels.
                                 benchmark::DoNotOptimize(a.p);
                                 benchmark::DoNotOptimize(b.p);
                                 benchmark::DoNotOptimize(d.p);
                                 for (auto _ : state) {
                                   kernel(d.data(), a.data(), b.data(), uint32_t(n));
                                   benchmark::ClobberMemory();
                                 }
                                 setCounters(state, std::int64_t(n), bytes);
                               })
      ->Apply(sizes);
}

// The copy baseline: per element, `bytes / 2` read and as many written.
void copyRow(const std::string& operation, int bytes) {
  benchmark::RegisterBenchmark((operation + "/copy").c_str(),
                               [=](benchmark::State& state) {
                                 const std::size_t total = std::size_t(state.range(0)) * bytes / 2;
                                 Buffer<char> from(total), to(total);
                                 for (auto _ : state) streamCopy(to.data(), from.data(), total);
                                 setCounters(state, state.range(0), bytes);
                               })
      ->Apply(sizes);
}

template <class T, class F>
TQ_SCALAR_LOOP void scalarMap(T* d, const T* a, const T* b, uint32_t n, F f) {
  for (uint32_t i = 0; i < n; ++i) d[i] = f(a[i], b[i]);
}
template <class T, class F>
TQ_SCALAR_LOOP void scalarPairs(T* d, const T* a, uint32_t n, F f) {
  for (uint32_t i = 0; i < n; ++i) d[i] = f(a[2 * i], a[2 * i + 1]);
}
template <class To, class From>
TQ_SCALAR_LOOP void scalarConvert(To* d, const From* a, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = To(a[i]);
}

// The in-place conversions as plain loops; memcpy since the same bytes are
// seen as both types.
TQ_SCALAR_LOOP void scalarNarrow(void* buffer, uint32_t n) {
  auto* bytes = static_cast<char*>(buffer);
  for (uint32_t i = 0; i < n; ++i) {
    double v;
    std::memcpy(&v, bytes + 8 * std::size_t(i), 8);
    const float f = float(v);
    std::memcpy(bytes + 4 * std::size_t(i), &f, 4);
  }
}
TQ_SCALAR_LOOP void scalarWiden(void* buffer, uint32_t n) {
  auto* bytes = static_cast<char*>(buffer);
  for (uint32_t i = n; i-- > 0;) {
    float f;
    std::memcpy(&f, bytes + 4 * std::size_t(i), 4);
    const double v = f;
    std::memcpy(bytes + 8 * std::size_t(i), &v, 8);
  }
}

// Element-wise rows of one type: ours, the scalar loop, the copy baseline.
template <class T, class Kernel, class F>
void arithmeticRows(const std::string& operation, int arrays, Kernel ours, F definition) {
  row<T>(operation, "tqcalc", arrays * int(sizeof(T)), ours);
  row<T>(operation, "scalar", arrays * int(sizeof(T)),
         [definition](T* d, T* a, T* b, uint32_t n) { scalarMap(d, a, b, n, definition); });
  copyRow(operation, 2 * int(sizeof(T)));
}

void registerArithmetic() {
  arithmeticRows<float>(
      "AddScalarToVector_float", 2,
      [](float* d, float* a, float*, uint32_t n) { tqcalcAddScalarToVector_float_cdecl(d, a, 0.5f, n); },
      [](float a, float) { return 0.5f + a; });
  arithmeticRows<double>(
      "AddScalarToVector_double", 2,
      [](double* d, double* a, double*, uint32_t n) { tqcalcAddScalarToVector_double_cdecl(d, a, 0.5, n); },
      [](double a, double) { return 0.5 + a; });
  arithmeticRows<float>(
      "AddVectorsAndMultiplyByScalar_float", 3,
      [](float* d, float* a, float* b, uint32_t n) { tqcalcAddVectorsAndMultiplyByScalar_float(d, a, b, n, 3, 0.5f); },
      [](float a, float b) { return (3.0f * b + a) * 0.5f; });
  arithmeticRows<float>(
      "SubtractVectorsAndMultiplyByScalar_float", 3,
      [](float* d, float* a, float* b, uint32_t n) { tqcalcSubtractVectorsAndMultiplyByScalar_float(d, a, b, n, 0.5f); },
      [](float a, float b) { return (a - b) * 0.5f; });
  // In place: the one array is read and written.
  arithmeticRows<float>(
      "MultiplyVectorByScalar_float", 2,
      [](float* d, float*, float*, uint32_t n) { tqcalcMultiplyVectorByScalar_float(d, n, -1.0f); },
      [](float a, float) { return a * -1.0f; });
  arithmeticRows<double>(
      "MultiplyVectorByScalar_double", 2,
      [](double* d, double*, double*, uint32_t n) { tqcalcMultiplyVectorByScalar_double(d, n, -1.0); },
      [](double a, double) { return a * -1.0; });
  arithmeticRows<float>(
      "MultiplyVectors_float", 3,
      [](float* d, float* a, float* b, uint32_t n) { tqcalcMultiplyVectors_float_cdecl(d, a, b, n); },
      [](float a, float b) { return a * b; });
  arithmeticRows<double>(
      "MultiplyVectors_double", 3,
      [](double* d, double* a, double* b, uint32_t n) { tqcalcMultiplyVectors_double_cdecl(d, a, b, n); },
      [](double a, double b) { return a * b; });
  arithmeticRows<float>(
      "SqrtVector_float", 2, [](float* d, float* a, float*, uint32_t n) { tqcalcSqrtVector_float_cdecl(d, a, n); },
      [](float a, float) { return std::sqrt(a); });
  arithmeticRows<double>(
      "SqrtVector_double", 2,
      [](double* d, double* a, double*, uint32_t n) { tqcalcSqrtVector_double_cdecl(d, a, n); },
      [](double a, double) { return std::sqrt(a); });
  arithmeticRows<float>(
      "VectorsMax_float", 3, [](float* d, float* a, float* b, uint32_t n) { tqcalcVectorsMax_float_cdecl(d, a, b, n); },
      [](float a, float b) { return std::fmax(a, b); });
  arithmeticRows<double>(
      "VectorsMax_double", 3,
      [](double* d, double* a, double* b, uint32_t n) { tqcalcVectorsMax_double_cdecl(d, a, b, n); },
      [](double a, double b) { return std::fmax(a, b); });
}

template <class T>
void magnitudeRows(const std::string& operation, bool squared) {
  row<T>(operation, "tqcalc", 3 * int(sizeof(T)), [squared](T* d, T* a, T*, uint32_t n) {
    if constexpr (std::is_same_v<T, float>) tqcalcComplexVectorAbs_float_cdecl(d, a, squared, n);
    else tqcalcComplexVectorAbs_double_cdecl(d, a, squared, n);
  });
  row<T>(operation, "scalar", 3 * int(sizeof(T)), [squared](T* d, T* a, T*, uint32_t n) {
    scalarPairs(d, a, n, [squared](T re, T im) { return squared ? re * re + im * im : std::sqrt(re * re + im * im); });
  });
  copyRow(operation, 2 * int(sizeof(T)));
}

// In-place conversions. The narrowing rows start from doubles whose bit
// pattern is two copies of 2.0f: narrowed, each pair of floats reads back as
// the same double, so every iteration converts the same values (drifting
// data would reach subnormals and time the processor's assists instead).
constexpr double kSelfSimilar = 2.0000000037252903;  // 0x4000000040000000

void registerConversions() {
  row<int32_t, int16_t>("ConvertInt16ToInt32", "tqcalc", 6,
                        [](int32_t* d, int16_t* a, int16_t*, uint32_t n) { tqcalcConvertInt16ToInt32(a, d, n); });
  row<int32_t, int16_t>("ConvertInt16ToInt32", "scalar", 6,
                        [](int32_t* d, int16_t* a, int16_t*, uint32_t n) { scalarConvert(d, a, n); });
  copyRow("ConvertInt16ToInt32", 6);
  row<int16_t, int32_t>("ConvertInt32ToInt16", "tqcalc", 6,
                        [](int16_t* d, int32_t* a, int32_t*, uint32_t n) { tqcalcConvertInt32ToInt16(a, d, n); });
  row<int16_t, int32_t>("ConvertInt32ToInt16", "scalar", 6,
                        [](int16_t* d, int32_t* a, int32_t*, uint32_t n) { scalarConvert(d, a, n); });
  copyRow("ConvertInt32ToInt16", 6);

  row<double>(
      "CADoubleArrToSingleArrInplace", "tqcalc", 12,
      [](double*, double* a, double*, uint32_t n) { tqcalcCADoubleArrToSingleArrInplace(a, n); }, kSelfSimilar);
  row<double>(
      "CADoubleArrToSingleArrInplace", "scalar", 12,
      [](double*, double* a, double*, uint32_t n) { scalarNarrow(a, n); }, kSelfSimilar);
  copyRow("CADoubleArrToSingleArrInplace", 12);
  row<double>(
      "CASingleArrToDoubleArrInplace", "tqcalc", 12,
      [](double*, double* a, double*, uint32_t n) { tqcalcCASingleArrToDoubleArrInplace(a, n); }, kSelfSimilar);
  row<double>(
      "CASingleArrToDoubleArrInplace", "scalar", 12,
      [](double*, double* a, double*, uint32_t n) { scalarWiden(a, n); }, kSelfSimilar);
  copyRow("CASingleArrToDoubleArrInplace", 12);

  // Writes only: the baseline is a plain memset of the buffer.
  for (const char* type : {"float", "double"}) {
    const std::string operation = std::string("ChannelFillBufferWithLinearFunction_") + type;
    const bool isFloat = type[0] == 'f';
    const int bytes = isFloat ? 4 : 8;
    row<double>(operation, "tqcalc", bytes, [isFloat](double* d, double*, double*, uint32_t n) {
      if (isFloat) tqcalcChannelFillBufferWithLinearFunction_float(reinterpret_cast<float*>(d), n, 0.5f, -1.0f);
      else tqcalcChannelFillBufferWithLinearFunction_double(d, n, 0.5, -1.0);
    });
    row<double>(operation, "write", bytes, [bytes](double* d, double*, double*, uint32_t n) {
      std::memset(d, 0, std::size_t(n) * bytes);
    });
  }
  row<double>("ChannelFillBufferWithLinearFunction_double", "scalar", 8, [](double* d, double*, double*, uint32_t n) {
    [](double* out, uint32_t count) TQ_SCALAR_LOOP {
      for (uint32_t i = 0; i < count; ++i) out[i] = double(i) * 0.5 + -1.0;
    }(d, n);
  });
  row<float>("ChannelFillBufferWithLinearFunction_float", "scalar", 4, [](float* d, float*, float*, uint32_t n) {
    [](float* out, uint32_t count) TQ_SCALAR_LOOP {
      for (uint32_t i = 0; i < count; ++i) out[i] = float(double(i)) * 0.5f + -1.0f;
    }(d, n);
  });
}

#if defined(TQ_HAVE_VOLK)
void registerVolk() {
  row<float>("AddScalarToVector_float", "volk_avx", 8,
             [](float* d, float* a, float*, uint32_t n) { volk_32f_s32f_add_32f_u_avx(d, a, 0.5f, n); });
  row<float>("SubtractVectorsAndMultiplyByScalar_float", "volk_avx(subtract only)", 12,
             [](float* d, float* a, float* b, uint32_t n) { volk_32f_x2_subtract_32f_u_avx(d, a, b, n); });
  row<float>("MultiplyVectorByScalar_float", "volk_avx", 8,
             [](float* d, float*, float*, uint32_t n) { volk_32f_s32f_multiply_32f_u_avx(d, d, -1.0f, n); });
  row<float>("MultiplyVectors_float", "volk_avx", 12,
             [](float* d, float* a, float* b, uint32_t n) { volk_32f_x2_multiply_32f_u_avx(d, a, b, n); });
  row<double>("MultiplyVectors_double", "volk_avx", 24,
              [](double* d, double* a, double* b, uint32_t n) { volk_64f_x2_multiply_64f_u_avx(d, a, b, n); });
  row<float>("SqrtVector_float", "volk_avx", 8,
             [](float* d, float* a, float*, uint32_t n) { volk_32f_sqrt_32f_u_avx(d, a, n); });
  row<float>("VectorsMax_float", "volk_avx(maxps: NaN in b wins)", 12,
             [](float* d, float* a, float* b, uint32_t n) { volk_32f_x2_max_32f_u_avx(d, a, b, n); });
  row<double>("VectorsMax_double", "volk_avx(maxpd: NaN in b wins)", 24,
              [](double* d, double* a, double* b, uint32_t n) { volk_64f_x2_max_64f_u_avx(d, a, b, n); });
  row<float>("ComplexVectorAbs_float", "volk_avx", 12, [](float* d, float* a, float*, uint32_t n) {
    volk_32fc_magnitude_32f_u_avx(d, reinterpret_cast<lv_32fc_t*>(a), n);
  });
  row<float>("ComplexVectorAbs_float_squared", "volk_avx", 12, [](float* d, float* a, float*, uint32_t n) {
    volk_32fc_magnitude_squared_32f_u_avx(d, reinterpret_cast<lv_32fc_t*>(a), n);
  });
  row<double>("CADoubleArrToSingleArrInplace", "volk_avx(out of place)", 12, [](double* d, double* a, double*, uint32_t n) {
    volk_64f_convert_32f_u_avx(reinterpret_cast<float*>(d), a, n);
  });
  row<double>("CASingleArrToDoubleArrInplace", "volk_avx(out of place)", 12, [](double* d, double* a, double*, uint32_t n) {
    volk_32f_convert_64f_u_avx(d, reinterpret_cast<float*>(a), n);
  });
}
#endif

const bool registered = [] {
  registerArithmetic();
  magnitudeRows<float>("ComplexVectorAbs_float", false);
  magnitudeRows<float>("ComplexVectorAbs_float_squared", true);
  magnitudeRows<double>("ComplexVectorAbs_double", false);
  registerConversions();
#if defined(TQ_HAVE_VOLK)
  registerVolk();
#endif
  return true;
}();

}  // namespace
}  // namespace tq::bench
