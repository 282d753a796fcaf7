// Crank-angle filters: one FIR output at one sample position, the samples
// read backwards from the newest, the coefficients forwards at a stride, all
// in float.
//
// Windows of at least one step run in vector groups: a group of n taps
// starting at tap j is the n samples ending at newestSample[-j], loaded as
// one unaligned vector (lane l holds tap j + n - 1 - l), times the matching
// coefficients in reversed lane order. Each lane keeps its own float sums
// (groups alternate between two accumulators); they are combined in a fixed
// order and the last 0..n-1 taps are then added one by one. The grouping
// depends only on tapCount, never on the address of the samples (unaligned
// loads cost nothing here), so a window gives the same bits wherever it lies.
// Shorter windows are summed sequentially in tap order. Vector arithmetic
// uses GCC's operators on the AVX types (each rounded, never contracted).
#include <cstddef>

#include "core/simd.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// Four lanes (float and int32 samples).
struct Lanes4 {
  using V = __m128;
  static constexpr std::size_t n = 4;
  // Lane l = c[(n - 1 - l) * stride].
  static V coefficients(const float* c, std::size_t stride) {
    return _mm_set_ps(c[0], c[stride], c[2 * stride], c[3 * stride]);
  }
  static V contiguousCoefficients(const float* c) {
    const V v = _mm_loadu_ps(c);
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3));
  }
  static V samples(const float* p) { return _mm_loadu_ps(p); }
  static V samples(const int32_t* p) {
    return _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
};

// Eight lanes (int16 samples: a 128-bit load holds eight of them).
struct Lanes8 {
  using V = __m256;
  static constexpr std::size_t n = 8;
  static V coefficients(const float* c, std::size_t s) {
    return _mm256_set_ps(c[0], c[s], c[2 * s], c[3 * s], c[4 * s], c[5 * s], c[6 * s], c[7 * s]);
  }
  static V contiguousCoefficients(const float* c) {
    const V inHalves = _mm256_permute_ps(_mm256_loadu_ps(c), _MM_SHUFFLE(0, 1, 2, 3));
    return _mm256_permute2f128_ps(inHalves, inHalves, 1);
  }
  // Sign-extended to 32 bits, then converted: exact for every int16.
  static V samples(const int16_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i low = _mm_cvtepi16_epi32(v);
    const __m128i high = _mm_cvtepi16_epi32(_mm_unpackhi_epi64(v, v));
    return _mm256_cvtepi32_ps(_mm256_insertf128_si256(_mm256_castsi128_si256(low), high, 1));
  }
};

template <class T> struct LanesFor { using type = Lanes4; };
template <> struct LanesFor<int16_t> { using type = Lanes8; };

// `coefficientsAt(j)` gives the coefficients of the group starting at tap j.
// Two accumulators, alternating groups: one would leave every step waiting
// on the latency of the previous addition.
template <class Lanes, class T, class Coefficients>
float groupedSum(const T* newest, std::size_t taps, std::size_t& j, Coefficients coefficientsAt) {
  constexpr std::size_t n = Lanes::n;
  const auto product = [&](std::size_t k) {
    return Lanes::samples(newest - std::ptrdiff_t(k + n - 1)) * coefficientsAt(k);
  };
  typename Lanes::V acc0{}, acc1{};
  for (; taps - j >= 2 * n; j += 2 * n) {
    acc0 = acc0 + product(j);
    acc1 = acc1 + product(j + n);
  }
  if (taps - j >= n) {
    acc0 = acc0 + product(j);
    j += n;
  }
  return horizontalSum(acc0 + acc1);
}

template <class T>
float crankAngleFilter(const T* newest, uint32_t tapCount, const float* coefficients, uint32_t stride) {
  using Lanes = typename LanesFor<T>::type;
  const std::size_t taps = tapCount, step = stride;
  std::size_t j = 0;
  float acc = 0.0f;
  if (taps >= Lanes::n) {
    // A plain table (stride 1) is loaded whole; the result is the same as
    // gathering it element by element.
    acc = step == 1 ? groupedSum<Lanes>(newest, taps, j,
                                        [=](std::size_t k) { return Lanes::contiguousCoefficients(coefficients + k); })
                    : groupedSum<Lanes>(newest, taps, j, [=](std::size_t k) {
                        return Lanes::coefficients(coefficients + k * step, step);
                      });
  }
  for (; j < taps; ++j) acc += float(newest[-std::ptrdiff_t(j)]) * coefficients[j * step];
  return acc;
}

}  // namespace

extern "C" float TQCALC_STDCALL tqcalcCACalcFilter_float(const float* newestSample, uint32_t tapCount,
                                                         const float* coefficients, uint32_t coefficientStride) {
  return crankAngleFilter(newestSample, tapCount, coefficients, coefficientStride);
}

extern "C" float TQCALC_STDCALL tqcalcCACalcFilter_int16_t(const int16_t* newestSample, uint32_t tapCount,
                                                           const float* coefficients, uint32_t coefficientStride) {
  return crankAngleFilter(newestSample, tapCount, coefficients, coefficientStride);
}

extern "C" float TQCALC_STDCALL tqcalcCACalcFilter_int32_t(const int32_t* newestSample, uint32_t tapCount,
                                                           const float* coefficients, uint32_t coefficientStride) {
  return crankAngleFilter(newestSample, tapCount, coefficients, coefficientStride);
}
