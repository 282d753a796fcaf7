// Sample format conversions: 16 <-> 32-bit integers between two arrays, and
// double <-> float within one buffer.
//
// The in-place pair works because float element i lies at byte 4i and double
// element i at byte 8i. Narrowing runs upwards: the store of float i ends at
// or below the start of double i, so no double is overwritten before it is
// read. Widening runs downwards for the mirror reason. A vector step loads
// its whole input before it stores, and the same arguments hold for the step
// as a block. Elements are accessed through memcpy or unaligned intrinsics,
// since the same bytes are seen as both types.
#include <cstddef>

#include "core/lanes.h"
#include "tqcalc.h"

namespace {

using tq::simd::Lanes;

inline __m128i load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void store128(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// The low 16 bits of each 32-bit lane of a and b, in order.
inline __m128i lowHalves(__m128i a, __m128i b) {
  const __m128i pick = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
  return _mm_unpacklo_epi64(_mm_shuffle_epi8(a, pick), _mm_shuffle_epi8(b, pick));
}

inline int16_t low16(int32_t v) { return int16_t(uint16_t(uint32_t(v))); }

}  // namespace

extern "C" {

void TQCALC_STDCALL tqcalcConvertInt16ToInt32(const int16_t* source, int32_t* destination, uint32_t count) {
  uint32_t i = 0;
  for (; count - i >= 16; i += 16) {
    const __m128i front = load128(source + i);
    const __m128i back = load128(source + i + 8);
    store128(destination + i, _mm_cvtepi16_epi32(front));
    store128(destination + i + 4, _mm_cvtepi16_epi32(_mm_unpackhi_epi64(front, front)));
    store128(destination + i + 8, _mm_cvtepi16_epi32(back));
    store128(destination + i + 12, _mm_cvtepi16_epi32(_mm_unpackhi_epi64(back, back)));
  }
  for (; i < count; ++i) destination[i] = source[i];
}

// The 16-bit stores trail the 32-bit loads, so destination == source works;
// so does any destination at or below the source. A destination starting
// inside the source, above it, takes the sequential loop (same rule as the
// element-wise kernels).
void TQCALC_STDCALL tqcalcConvertInt32ToInt16(const int32_t* source, int16_t* destination, uint32_t count) {
  const auto d = reinterpret_cast<std::uintptr_t>(destination);
  const auto s = reinterpret_cast<std::uintptr_t>(source);
  uint32_t i = 0;
  if (d <= s || d - s >= std::size_t(count) * 4) {
    for (; count - i >= 16; i += 16) {
      const __m128i a = load128(source + i), b = load128(source + i + 4);
      const __m128i c = load128(source + i + 8), e = load128(source + i + 12);
      store128(destination + i, lowHalves(a, b));
      store128(destination + i + 8, lowHalves(c, e));
    }
  }
  for (; i < count; ++i) Lanes<int16_t>::store(destination + i, low16(Lanes<int32_t>::load(source + i)));
}

float* TQCALC_STDCALL tqcalcCADoubleArrToSingleArrInplace(void* buffer, uint32_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  uint32_t i = 0;
  // Four doubles (bytes 8i .. 8i+31) in, four floats (4i .. 4i+15) out.
  for (; count - i >= 4; i += 4)
    _mm_storeu_ps(reinterpret_cast<float*>(bytes + 4 * i),
                  _mm256_cvtpd_ps(_mm256_loadu_pd(reinterpret_cast<const double*>(bytes + 8 * i))));
  for (; i < count; ++i) Lanes<float>::store(bytes + 4 * i, float(Lanes<double>::load(bytes + 8 * i)));
  return static_cast<float*>(buffer);
}

double* TQCALC_STDCALL tqcalcCASingleArrToDoubleArrInplace(void* buffer, uint32_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  uint32_t i = count;
  // The top elements beyond the last multiple of eight first, one at a time.
  while (i % 8 != 0) {
    --i;
    Lanes<double>::store(bytes + 8 * i, double(Lanes<float>::load(bytes + 4 * i)));
  }
  // Eight floats (bytes 4i .. 4i+31) in, eight doubles (8i .. 8i+63) out.
  while (i != 0) {
    i -= 8;
    const __m256 v = _mm256_loadu_ps(reinterpret_cast<const float*>(bytes + 4 * i));
    auto* out = reinterpret_cast<double*>(bytes + 8 * i);
    _mm256_storeu_pd(out + 4, _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)));
    _mm256_storeu_pd(out, _mm256_cvtps_pd(_mm256_castps256_ps128(v)));
  }
  return static_cast<double*>(buffer);
}

}  // extern "C"
