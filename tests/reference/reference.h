// The sequential definition of every export, once, with the export's own
// name and parameters: the tests compare the library with these, and the
// benchmarks run them as the scalar baselines. Plain loops, one element at a
// time in ascending order (which is also the defined result for overlapping
// element-wise arrays); no intrinsics, each operation rounded on its own.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <type_traits>
#include <vector>

#include "core/fast_log10.h"
#include "tqcalc.h"

namespace tq::ref {

inline void tqcalcGetVersion(int32_t* major, int32_t* minor, int32_t host, int32_t* ok) { *major = 3, *minor = 4, *ok = host >= 13; }

// Reductions accumulate in double; float inputs are widened first.
template <class T, class Term>
double sum(const T* v, uint32_t n, Term term) {
  double s = 0.0;
  for (uint32_t i = 0; i < n; ++i) s += term(double(v[i]), i);
  return s;
}
inline double tqcalcSumValues_double(const double* v, uint32_t n) { return sum(v, n, [](double x, uint32_t) { return x; }); }
inline double tqcalcSumValues_float(const float* v, uint32_t n) { return sum(v, n, [](double x, uint32_t) { return x; }); }
inline double tqcalcSumAbsValues_float(const float* v, uint32_t n) { return sum(v, n, [](double x, uint32_t) { return std::fabs(x); }); }
inline double tqcalcSumSquaredValues_float(const float* v, uint32_t n) { return sum(v, n, [](double x, uint32_t) { return x * x; }); }
inline double tqcalcMultiplyVectorsAndCalcSum_float(const float* a, const float* b, uint32_t n) { return sum(a, n, [b](double x, uint32_t i) { return x * double(b[i]); }); }

// Element-wise arithmetic: d[i] = at(i), one element at a time, ascending.
template <class T, class At>
void each(T* d, uint32_t n, At at) {
  for (uint32_t i = 0; i < n; ++i) d[i] = at(i);
}
template <class T> void tqcalcAddScalarToVector(T* d, const T* s, T c, uint32_t n) { each(d, n, [&](uint32_t i) { return c + s[i]; }); }
template <class T> void tqcalcMultiplyVectorByScalar(T* v, uint32_t n, T c) { each(v, n, [&](uint32_t i) { return v[i] * c; }); }
template <class T> void tqcalcMultiplyVectors(T* d, const T* a, const T* b, uint32_t n) { each(d, n, [&](uint32_t i) { return a[i] * b[i]; }); }
template <class T> void tqcalcSqrtVector(T* d, const T* s, uint32_t n) { each(d, n, [&](uint32_t i) { return std::sqrt(s[i]); }); }
template <class T> void tqcalcComplexVectorAbs(T* d, const T* s, uint8_t squared, uint32_t n) {
  each(d, n, [&](uint32_t i) { const T m = s[2 * i] * s[2 * i] + s[2 * i + 1] * s[2 * i + 1]; return squared ? m : std::sqrt(m); });
}
// fmax, with the choice C leaves open made: +0 from a mixed pair of zeros.
template <class T> void tqcalcVectorsMax(T* d, const T* a, const T* b, uint32_t n) {
  each(d, n, [&](uint32_t i) { return a[i] == 0 && b[i] == 0 ? (std::signbit(a[i]) && std::signbit(b[i]) ? -T(0) : T(0)) : std::fmax(a[i], b[i]); });
}
// Each template's exports, under their own names (TQ_TYPED2: double and float).
#define TQ_TYPED(name, T) inline constexpr auto& name##_##T = name<T>;
#define TQ_TYPED2(name) TQ_TYPED(name, double) TQ_TYPED(name, float)
TQ_TYPED2(tqcalcAddScalarToVector) TQ_TYPED2(tqcalcMultiplyVectorByScalar) TQ_TYPED2(tqcalcMultiplyVectors)
TQ_TYPED2(tqcalcSqrtVector) TQ_TYPED2(tqcalcComplexVectorAbs) TQ_TYPED2(tqcalcVectorsMax)
inline void tqcalcAddVectorsAndMultiplyByScalar_float(float* d, const float* a, const float* b, uint32_t n, float f, float c) { each(d, n, [&](uint32_t i) { return (f * b[i] + a[i]) * c; }); }
inline void tqcalcSubtractVectorsAndMultiplyByScalar_float(float* d, const float* a, const float* b, uint32_t n, float c) { each(d, n, [&](uint32_t i) { return (a[i] - b[i]) * c; }); }

// Sample format conversions. The in-place pair walks in the direction that
// reads every element before it is overwritten.
inline void tqcalcConvertInt16ToInt32(const int16_t* s, int32_t* d, uint32_t n) { each(d, n, [&](uint32_t i) { return s[i]; }); }
inline void tqcalcConvertInt32ToInt16(const int32_t* s, int16_t* d, uint32_t n) { each(d, n, [&](uint32_t i) { return int16_t(uint16_t(uint32_t(s[i]))); }); }
template <class From, class To>
To* inPlace(void* buffer, uint32_t n) {
  auto* bytes = static_cast<char*>(buffer);
  for (uint32_t j = 0; j < n; ++j) {
    const uint32_t i = sizeof(To) > sizeof(From) ? n - 1 - j : j;
    From v;
    std::memcpy(&v, bytes + sizeof v * i, sizeof v);
    const To t = To(v);
    std::memcpy(bytes + sizeof t * i, &t, sizeof t);
  }
  return static_cast<To*>(buffer);
}
inline float* tqcalcCADoubleArrToSingleArrInplace(void* buffer, uint32_t n) { return inPlace<double, float>(buffer, n); }
inline double* tqcalcCASingleArrToDoubleArrInplace(void* buffer, uint32_t n) { return inPlace<float, double>(buffer, n); }

// Crank-angle filter: tap order, float accumulator.
template <class T> float tqcalcCACalcFilter(const T* newest, uint32_t taps, const float* c, uint32_t stride) {
  float s = 0.0f;
  for (uint32_t j = 0; j < taps; ++j) s += float(newest[-std::ptrdiff_t(j)]) * c[std::size_t(j) * stride];
  return s;
}
TQ_TYPED(tqcalcCACalcFilter, float) TQ_TYPED(tqcalcCACalcFilter, int16_t) TQ_TYPED(tqcalcCACalcFilter, int32_t)

// Averaging filters. Sequential form: the incremental mean of the first
// window, then a running update. Segmented form (the general export's long
// signals): `segments` equal parts, each started from its own window sum.
template <class T> struct Ave { static constexpr uint32_t segments = 9, minCount = 128, divisor = 64; };
template <> struct Ave<double> { static constexpr uint32_t segments = 5, minCount = 64, divisor = 32; };
template <class T>
void averageFilter(const T* x, T* y, uint16_t w, uint32_t n, bool segmented) {
  const std::size_t W = w | 1u, H = W / 2, S = segmented ? Ave<T>::segments : 1, L = (n + S - 1) / S;
  const T width = T(W), r = T(1) / width;
  if (n < W) return;
  T m = 0;
  for (std::size_t s = 0; s < S; ++s) {
    if (segmented) {
      T sum = x[s * L];
      for (std::size_t k = 1; k < W; ++k) sum += x[s * L + k];
      m = r * sum;
    } else {
      for (std::size_t k = 0; k < W; ++k) m = (T(k) * m + x[k]) / T(k + 1);
    }
    for (std::size_t i = 0; s == 0 && i <= H; ++i) y[i] = m;
    const std::size_t end = s + 1 < S ? (s + 1) * L + H : n - H - 1;
    for (std::size_t p = s * L + H + 1; p <= end; ++p)
      y[p] = m = s + 1 < S ? ((x[p + H] + width * m) - x[p - H - 1]) / width : ((width * m + x[p + H]) - x[p - H - 1]) * r;
  }
  for (std::size_t i = n - H - 1; i < n; ++i) y[i] = m;
}
template <class T> void tqcalcCACalcAveFilter(const T* x, T* y, uint16_t w, uint32_t n) { averageFilter(x, y, w, n, n >= Ave<T>::minCount && w <= n / Ave<T>::divisor); }
TQ_TYPED2(tqcalcCACalcAveFilter)
inline void tqcalcCACalcAveFilter_double_scalar(const double* x, double* y, uint16_t w, uint32_t n) { averageFilter(x, y, w, n, false); }
inline void tqcalcCACalcAveFilter_float_scalar(const float* x, float* y, uint16_t w, uint32_t n) { averageFilter(x, y, w, n, false); }

// Raw data to cycle channels: the first maximum above FLT_MIN.
inline void tqCalcCACopyRawDataToChannels(const float* raw, float* channel, uint32_t first, uint32_t end, float offset,
                                          float* maxValue, uint32_t* maxIndex) {
  float peak = std::numeric_limits<float>::min();
  uint32_t at = 0xFFFFFFFFu;
  for (uint32_t i = first; i != end; ++i) {
    const float v = raw[i] - offset;
    if (v > peak) peak = v, at = i;
    channel[i - first] = v;
  }
  *maxValue = peak, *maxIndex = at;
}

// Cumulative mean: whole groups of eight in double, the 0..7 left in float
// with the reciprocal of n + 1 (formed as a 64-bit integer).
inline void tqCalcCAOverallPressure(const float* cycle, float* average, uint32_t first, uint32_t end, uint64_t n,
                                    float* maxValue) {
  const uint32_t count = end - first, groups = count / 8 * 8;
  float peak = std::numeric_limits<float>::min();
  for (uint32_t i = 0; i < count; ++i) {
    const float a = i < groups ? float((double(average[i]) * double(n) + double(cycle[i])) / (double(n) + 1.0))
                               : (float(double(n)) * average[i] + cycle[i]) * (1.0f / float(double(n + 1)));
    average[i] = a;
    if (a > peak) peak = a;
  }
  *maxValue = peak;
}

// Moving mean: groups divide, the tail multiplies by the reciprocal and sums
// in another order.
inline void tqCalcCARunningVal(const float* cycle, const float* oldest, float* sums, float* means, uint32_t first,
                               uint32_t last, uint64_t k, uint32_t window) {
  const uint32_t count = last - first + 1, groups = count / 8 * 8;
  const bool full = k >= window;
  const float divisor = k == 0 ? 1.0f : full ? float(window) : float(double(k)) + 1.0f;
  for (uint32_t i = 0; i < count; ++i) {
    const float s = k == 0 ? cycle[i] : !full ? cycle[i] + sums[i]
                    : i < groups ? (cycle[i] + sums[i]) - oldest[i] : (cycle[i] - oldest[i]) + sums[i];
    sums[i] = s;
    means[i] = k == 0 ? s : i < groups ? s / divisor : s * (1.0f / divisor);
  }
}

// p-V coordinates: below 8 values halves round away from zero (a float
// reciprocal, the scalar logarithm scaled in double), from 8 on to even (a
// quotient, the lane logarithm's float scaling). NaN clamps low.
inline void pvDiagram(bool logarithmic, const float* v, uint32_t n, int32_t* out, int32_t lo, int32_t hi, float scale,
                      float offset, float reference) {
  const bool vectorised = n >= 8;
  for (uint32_t i = 0; i < n; ++i) {
    float a = scale * v[i] + offset;
    if (logarithmic) {
      float t = vectorised ? v[i] / reference : (1.0f / reference) * v[i];
      if (!(t > 9.999999717180685e-10f)) t = 9.999999717180685e-10f;
      a = vectorised ? fastLog2(t) * scale * 0.3010300099849701f + offset
                     : float(double(fastLog10(t)) * double(scale) + double(offset));
    }
    if (!vectorised) a = a < 0 ? a - 0.5f : a + 0.5f;
    const double c = vectorised ? std::nearbyint(double(a)) : std::trunc(double(a));
    out[i] = std::isnan(a) ? lo : int32_t(std::fmin(std::fmax(c, double(lo)), double(hi)));
  }
}
inline void tqcalcCAPV_lin(const float* v, uint32_t n, int32_t* out, int32_t lo, int32_t hi, float scale, float offset) { pvDiagram(false, v, n, out, lo, hi, scale, offset, 1.0f); }
inline void tqcalcCAPV_log(const float* v, uint32_t n, int32_t* out, int32_t lo, int32_t hi, float scale, float offset, float reference) { pvDiagram(true, v, n, out, lo, hi, scale, offset, reference); }

// Scaled channel values: each value read at its own element offset, made a
// double (exact but for 64-bit integers), then scaled in the output's
// precision; into float the double is rounded first, Double samples scale
// in double, FloatPair bits are copied.
template <class Params>
void scaledValues(const Params* p) {
  using Out = std::remove_pointer_t<decltype(p->destination)>;
  const uint32_t code = p->sampleType;
  const int64_t n = code >= 9 ? 2 * int64_t(p->count) : p->count;
  const auto* base = static_cast<const char*>(p->source);
  for (int64_t i = 0; code <= 10 && i < n; ++i) {
    const std::ptrdiff_t at = std::ptrdiff_t(i) * p->stride;
    const auto get = [&](auto type) { decltype(type) v; std::memcpy(&v, base + at * std::ptrdiff_t(sizeof v), sizeof v); return v; };
    const double x = code == 0 ? get(uint8_t()) : code == 1 ? get(int8_t()) : code == 2 ? get(int16_t())
                   : code == 3 ? get(uint16_t()) : code == 4 ? get(int32_t()) : code == 5 || code == 9 ? get(float())
                   : code == 6 ? double(get(int64_t())) : code == 8 ? get(uint32_t()) : get(double());
    Out y = std::is_same_v<Out, double> ? Out(x * p->scale + p->offset) : Out(Out(x) * p->scale + p->offset);
    if (code == 7 && !std::is_same_v<Out, double>) y = Out(x * double(p->scale) + double(p->offset));
    if (code >= 9) y = Out(x);
    if (code == 9 + std::is_same_v<Out, double>) std::memcpy(&y, base + at * std::ptrdiff_t(sizeof y), sizeof y);
    p->destination[i] = y;
  }
}
inline void tqcalcChannelGetScaledValuesAtPos_double(const ScaledValuesParamsDouble* p) { scaledValues(p); }
inline void tqcalcChannelGetScaledValuesAtPos_float(const ScaledValuesParamsFloat* p) { scaledValues(p); }

// FIR filter: the two pieces in order, one float sum.
inline double tqcalcFIRFilter_float(const float* h, const float* c, int32_t length, int32_t position) {
  float s = 0.0f;
  for (int32_t k = 0; k < length - position; ++k) s += c[k] * h[position + k];
  for (int32_t j = 0; j < position; ++j) s += c[length - position + j] * h[j];
  return s;
}

// Pink noise: the section updates, then the terms in the library's fixed
// pairwise order, the previous b6 among them.
inline double tqcalcPinkFilter_double(PinkFilterState* s, double white) {
  const double w = white * 0.2;
  s->b0 = 0.99886 * s->b0 + w * 0.0555179, s->b1 = 0.99332 * s->b1 + w * 0.0750759;
  s->b2 = 0.969 * s->b2 + w * 0.153852, s->b3 = 0.8665 * s->b3 + w * 0.3104856;
  s->b4 = 0.55 * s->b4 + w * 0.5329522, s->b5 = -0.7616 * s->b5 + w * -0.016898;
  const double direct = w * 0.5362;
  const double r = ((s->b0 + s->b4) + (s->b2 + s->b6)) + ((s->b1 + s->b5) + (s->b3 + direct));
  s->b6 = w * 0.115926, s->direct = direct;
  return r;
}

// IIR filters: one sample at a time through the cascade, as defined.
inline double iirOne(IIRFilterState* f, double v) {
  const bool second = f->sectionOrder == 2 || f->filterType == 3;
  const int n = second ? 2 : std::max(f->sectionOrder, 0);
  for (int s = 0; s < f->sectionCount; ++s) {
    IIRTap* t = f->taps + std::size_t(s) * std::size_t(n + 1);
    for (int k = 0; k < n; ++k) t[k].x = t[k + 1].x, t[k].y = t[k + 1].y;
    t[n].x = v * f->sectionGains[s];
    double r, acc = 0.0;
    if (second) {
      r = t[2].b * t[2].x + ((t[1].b * t[1].x + t[0].b * t[0].x) - (t[1].a * t[1].y + t[0].a * t[0].y));
      r = r < 1e10 ? r : 1e10;
      r = r > -1e10 ? r : -1e10;
    } else {
      for (int k = 0; k < n; ++k) acc = (t[k].b * t[k].x - t[k].a * t[k].y) + acc;
      r = t[n].b * t[n].x + acc;
      r = r > -1e10 ? r : -1e10;
      r = r < 1e10 ? r : 1e10;
    }
    t[n].y = v = r;
  }
  return v;
}
template <class T> double tqcalcIIRFilter(IIRFilterState* f, T v) { return iirOne(f, v); }
template <class T> void tqcalcIIRFilterArr(IIRFilterState* f, const T* in, T* out, uint32_t n) { for (uint32_t i = 0; i < n; ++i) out[i] = T(iirOne(f, in[i])); }
TQ_TYPED2(tqcalcIIRFilter) TQ_TYPED2(tqcalcIIRFilterArr)

// CHS interpolator: the whole stream since Create or Reset kept in order (a
// sample not yet received reads as 0), every output computed afresh from
// its definition. The handle is this object.
struct ChsObject {
  double ratio;
  uint32_t length;
  std::vector<float> stream, outputs;
  uint64_t out = 0;
  bool stopped = false;
};
inline uint32_t tqcalcCHSInterpolator_Create(CHSInterpolator** handle, const CHSInterpolatorParams* p) {
  if (!p || !handle || !(p->inputRate > 0) || !(p->outputRate > 0) || !(p->outputRate / p->inputRate > 0) ||
      !std::isfinite(p->outputRate / p->inputRate))
    return 1;
  if (p->bufferLength < 4 || (p->bufferLength & (p->bufferLength - 1))) return 4;
  *handle = reinterpret_cast<CHSInterpolator*>(new ChsObject{p->outputRate / p->inputRate, p->bufferLength, {}, {}});
  return 0;
}
inline uint32_t tqcalcCHSInterpolator_Destroy(CHSInterpolator* h) { return h ? delete reinterpret_cast<ChsObject*>(h), 0 : 1; }
inline uint32_t tqcalcCHSInterpolator_Reset(CHSInterpolator* h) {
  auto* o = reinterpret_cast<ChsObject*>(h);
  if (o) o->stream.clear(), o->out = 0, o->stopped = false;
  return o ? 0 : 1;
}
inline uint32_t tqcalcCHSInterpolator_InterpolateValues(CHSInterpolator* h, const float* v, uint32_t n, float** values, uint32_t* count) {
  auto* o = reinterpret_cast<ChsObject*>(h);
  if (!o || n == 0) return 1;
  if (n > o->length - 2) return 2;
  if (o->stopped) return 3;
  o->stream.insert(o->stream.end(), v, v + n);
  const uint64_t in = o->stream.size();
  o->outputs.clear();
  const auto sample = [&](uint64_t k) { return k < in ? o->stream[k] : 0.0f; };
  for (uint64_t j = o->out, last = uint64_t(double(in - 2) * o->ratio); in >= 2 && j <= last; ++j) {
    const double p = double(o->out) / o->ratio + double(j - o->out) / o->ratio;
    const uint64_t m = uint64_t(std::floor(p));
    const float t = float(p - double(m));
    const float p0 = sample(m == 0 ? 0 : m - 1), p1 = sample(m), p2 = sample(m + 1), p3 = sample(m + 2);
    const float c0 = 2 * p1, c1 = p2 - p0, c2 = (-p3 + 4 * p2) + (-5 * p1 + 2 * p0), c3 = (p3 - 3 * p2) + (3 * p1 - p0);
    o->outputs.push_back(0.5f * ((c0 + c1 * t) + (c2 * (t * t) + c3 * (t * t * t))));
  }
  o->out += o->outputs.size();
  *values = o->outputs.data(), *count = uint32_t(o->outputs.size());
  return 0;
}
inline uint32_t tqcalcCHSInterpolator_Stop(CHSInterpolator* h, float** values, uint32_t* count) {
  auto* o = reinterpret_cast<ChsObject*>(h);
  if (!o) return 1;
  if (o->stopped) return 3;
  const float newest = o->stream.empty() ? 0.0f : o->stream.back();
  ::tq::ref::tqcalcCHSInterpolator_InterpolateValues(h, &newest, 1, values, count);
  o->stopped = true;
  return 0;
}

// Linear fill: the index rounded once to T, product and sum each rounded.
template <class T> void tqcalcChannelFillBufferWithLinearFunction(T* b, uint32_t n, T slope, T c) { each(b, n, [&](uint32_t i) { return T(T(double(i)) * slope) + c; }); }
TQ_TYPED2(tqcalcChannelFillBufferWithLinearFunction)

// Minimum and maximum: the scan from element 0, strict comparisons.
template <class T> void tqcalcGetMinMax(const T* v, uint32_t n, T* lo, T* hi) {
  if (n == 0) return;
  T a = v[0], b = v[0];
  for (uint32_t i = 1; i < n; ++i) {
    if (a > v[i]) a = v[i];
    if (v[i] > b) b = v[i];
  }
  *lo = a, *hi = b;
}
#define TQ_TYPED4(name) TQ_TYPED2(name) TQ_TYPED(name, int16_t) TQ_TYPED(name, int32_t)
TQ_TYPED4(tqcalcGetMinMax)

// Running statistics, one sample at a time. The shifted sample s = v + offset
// is formed in double for the samples the long path takes in whole blocks,
// in float (where the offset is a float) for the others: all of them below
// one vector; for int16 those before the first 16-byte boundary of the array
// and after its last whole block of eight.
template <class T, class O>
void runningStats(const T* v, uint32_t n, T* lo, T* hi, double* sum, double* squares, O offset, std::size_t first,
                  std::size_t end) {
  for (std::size_t i = 0; i < n; ++i) {
    if (*lo > v[i]) *lo = v[i];
    if (v[i] > *hi) *hi = v[i];
    *sum += double(v[i]);
    const double s = i >= first && i < end ? double(v[i]) + double(offset) : double(O(O(v[i]) + offset));
    *squares += s * s;
  }
}
template <class T>
std::pair<std::size_t, std::size_t> doubleShiftRange(const T* v, uint32_t n) {
  if (sizeof(T) == 8 || std::is_same_v<T, int32_t>) return {0, n};  // a double offset: always double
  const std::size_t head = std::is_same_v<T, int16_t> ? (0u - reinterpret_cast<std::uintptr_t>(v)) % 16 / 2 : 0;
  if (n < 8 || n - head < 8) return {0, 0};
  return std::is_same_v<T, int16_t> ? std::make_pair(head, head + (n - head) / 8 * 8) : std::make_pair(head, std::size_t(n));
}
// The offset is a double for double and int32_t samples, a float for the others.
template <class T, class O = std::conditional_t<sizeof(T) == 8 || std::is_same_v<T, int32_t>, double, float>>
void tqcalcGetMinMaxAveRMS(const T* v, uint32_t n, T* lo, T* hi, double* sum, double* squares, O offset) {
  const auto [first, end] = doubleShiftRange(v, n);
  runningStats(v, n, lo, hi, sum, squares, offset, first, end);
}
TQ_TYPED4(tqcalcGetMinMaxAveRMS)

// Copy with statistics: the samples gathered in order, split like those of
// the running statistics on the source (stride 1) or the destination.
inline void tqcalcMoveAndGetMinMaxAveRMS_int16_t(int16_t* d, const int16_t* s, uint32_t n, int16_t* lo, int16_t* hi,
                                                 double* sum, double* squares, float offset, int32_t stride) {
  for (std::size_t i = 0; i < n; ++i) d[i] = s[std::ptrdiff_t(i) * stride];
  const auto [first, end] = doubleShiftRange(stride == 1 ? s : d, n);
  runningStats(d, n, lo, hi, sum, squares, offset, first, end);
}

// XY graph values, point by point. `four`: the four-point form's guards,
// zero ranges, logarithm (float scaling) and rounding (ties to even); the
// one-point form's otherwise (double scaling; add 0.5, truncate).
inline void xyPoint(const XYGraphParams& p, int k, bool four) {
  const auto log10 = [four](double a) { return four ? double(fastLog2(float(a)) * fastlog::kLog10Of2Float) : double(fastLog10(float(a))); };
  const auto scale = [](double value, double start, double end, double ifZero) { return end - start == 0.0 ? ifZero : (value - start) / (end - start); };
  const auto pixel = [four](double position, int origin, int extent, int sign) {
    position = std::isnan(position) ? -1e6 : std::fmin(std::fmax(position, -1e6), 1e6);
    const double r = four ? std::nearbyint(position * extent) : std::trunc(position * extent + 0.5);
    return int32_t(std::fmin(std::fmax(origin + sign * r, -32768.0), 32767.0));
  };
  const int32_t index = p.startIndex + k;
  const double x = p.xSourceMode == 1 ? p.xValues[index] : p.xSourceMode == 2 ? index * p.xStep + p.xStart : index;
  double u = x;
  if (p.xAxisMode == 0) u = scale(x, p.xMin, p.xMax, p.xMin);
  if (p.xAxisMode == 1) u = scale(x > (four ? p.logXMin : 0.0) ? log10(x) : p.logXMin, p.logXMin, p.logXMax, p.logXMin);
  const double r = p.ySampleType == 5 ? double(static_cast<const float*>(p.yValues)[k]) : static_cast<const double*>(p.yValues)[k];
  const double y = p.yFactor * r + p.yOffset;
  const double v =
      p.yAxisMode == 0   ? scale(y, p.yMin, p.yMax, four ? 0.0 : p.yMin)
      : p.yAxisMode == 1 ? scale(y > (four ? p.yMin : 0.0) ? log10(y) : p.logYMin, p.logYMin, p.logYMax, p.logYMin)
                         : scale(y > (four ? 1e-12 : 0.0) ? p.dbFactor * 20.0 * log10(y / p.dbReference) : -400.0, p.yMin, p.yMax, four ? p.yMin : 0.0);
  p.xPixels[k] = pixel(u, p.left, p.right - p.left, 1);
  p.yPixels[k] = pixel(v, p.bottom, p.bottom - p.top, -1);
}
inline void tqcalcGetXYValGraph2D(const XYGraphParams* p) {
  const bool four = p->count >= 4;
  for (int k = 0; k < (four ? 4 : 1); ++k) xyPoint(*p, k, four);
  *p->pointsDone = four ? 4 : 1;
}

// Cursor search: every cell in row order, strict comparison of float
// squared distances from wrapping differences.
inline void tqcalcFindCursorXY(const uint32_t* cells, int32_t pitch, int32_t width, int32_t height, int32_t cx, int32_t cy,
                               uint32_t* value, int32_t* column, int32_t* row, const uint32_t* excluded, int32_t excludedCount) {
  float best = std::numeric_limits<float>::max();
  for (int32_t r = 0; r < height; ++r)
    for (int32_t c = 0; c < width; ++c) {
      uint32_t v;
      std::memcpy(&v, reinterpret_cast<const char*>(cells) - std::ptrdiff_t(r) * (pitch / 4 * 4) + 4 * std::ptrdiff_t(c), 4);
      bool candidate = true;
      for (int32_t j = 0; j < excludedCount && candidate; ++j) candidate = v != excluded[j];
      const float dx = float(int32_t(uint32_t(cx) - uint32_t(c))), dy = float(int32_t(uint32_t(cy) - uint32_t(r)));
      const float d = dx * dx + dy * dy;
      if (candidate && d < best) best = d, *value = v, *column = c, *row = r;
    }
}

// ---- power analysis ----

// P and Q: U_k * conj(I_k) in double, bin 0 and an odd count's last bin at
// half weight, ascending.
inline void tqcalcPowerPandQsum(const float* u, const float* c, int32_t n, double* pSum, double* qSum) {
  double p = 0.0, q = 0.0;
  for (int32_t k = 0; k < n; ++k) {
    const double a = u[2 * k], b = u[2 * k + 1], x = c[2 * k], y = c[2 * k + 1];
    const double w = k == 0 || (n % 2 == 1 && k == n - 1) ? 0.5 : 1.0;
    p += w * (a * x + b * y);
    q += w * (b * x - a * y);
  }
  *pSum = p, *qSum = q;
}
inline double tqcalcPowerMultiplyAndSquareElementsAndSumVector_float(const float* v, int32_t n, float s) {
  return sum(v, uint32_t(std::max(n, 0)), [s](double x, uint32_t) { const double y = float(float(x) * s); return y * y; });
}
inline void tqcalcPowerSumVectorMultipliedWithScalar_double(PowerSumVectorParams* r) {
  double sum = 0.0;
  for (int32_t i = 0; i < r->count; ++i) {
    r->output[i] = float(double(r->scalar) * r->input[i]);
    sum += std::fabs(double(r->output[i]));
  }
  if (r->accumulateAbsSum) r->absSum += sum;
}

// Energies: the float product widened; below zero to the negative sum,
// everything else (NaN too) to the positive one; ascending.
inline void tqcalcPowerCalculatePosAndNegEnergyOnCondition(const float* u, const float* i, const float* c, int32_t n,
                                                           double* pos, double* neg) {
  *pos = 0.0, *neg = 0.0;
  for (int32_t k = 0; k < n; ++k) {
    const double p = u[k] * i[k];
    if (c && !(c[k] > 0.5f)) continue;
    *(p < 0.0 ? neg : pos) += p;
  }
}
inline void tqcalcPowerCalculatePosAndNegEnergy(const float* u, const float* i, int32_t n, double* pos, double* neg) {
  tqcalcPowerCalculatePosAndNegEnergyOnCondition(u, i, nullptr, n, pos, neg);
}

// Harmonic angles: bins k and k + 1 around x = i * binsPerOrder, each angle
// rounded to float and made non-negative; the four wrap tests in order.
inline float powerBinDegrees(const float* b) {
  float a = float(std::atan2(double(b[0]), double(b[1])) * 57.29577951308232);
  if (a < 0) a += 360.0f;
  return a;
}
inline float powerWrapFraction(float r) {
  double whole;
  return float(std::modf(double(r * 0.0027777778450399637f), &whole) * 360.0);
}
inline void tqcalcPowerAngles(const float* s, float* angles, int32_t n, float phase, float bins) {
  for (int32_t i = 1; i <= n; ++i) {
    const float x = float(i) * bins;
    const int32_t k = int32_t(x);
    const float a1 = powerBinDegrees(s + 2 * k), a2 = powerBinDegrees(s + 2 * k + 2);
    const float d = a2 > a1 ? a2 - a1 : a2 - a1 + 360.0f;
    float r = (float(k) - x) * d + (float(i) * phase - a1);
    if (r < -360.0f) r = powerWrapFraction(r);
    if (r < -180.0f) r = r + 360.0f;
    if (r > 360.0f) r = powerWrapFraction(r);
    if (r > 180.0f) r = r - 360.0f;
    angles[i] = r;
  }
}
inline uint32_t tqcalcPowerFindIndexOfMaxAmplitude(const float* s, uint32_t n) {
  float best = 0.0f;
  uint32_t index = 0;
  for (uint32_t k = 1; k < n; ++k) {
    const float m = s[2 * k + 1] * s[2 * k + 1] + s[2 * k] * s[2 * k];
    if (m > best) index = k;
    best = std::fmax(m, best);
  }
  return index;
}
inline double tqcalcPowerHarmonicZero(const float* s, uint32_t n) {
  return sum(s, n, [s](double, uint32_t k) { return double(s[2 * k + 1]) * s[2 * k + 1] + double(s[2 * k]) * s[2 * k]; });
}

// FIR step: contiguous samples in the pairwise order, wrapped ones in tap
// order.
inline float tqcalcPowerCalcFIR_float(const PowerFirParams* p) {
  const uint32_t length = p->ringLength, start = p->position < 16 ? p->position - 16 + length : p->position - 16;
  const float* c = p->coefficientSets + 16 * std::size_t(p->coefficientSet);
  if (length - start >= 16) {
    float s[8];
    for (int k = 0; k < 8; ++k) s[k] = p->ring[start + k] * c[k] + p->ring[start + k + 8] * c[k + 8];
    return ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
  }
  float sum = 0.0f;
  for (uint32_t k = 0; k < 16; ++k) sum += c[k] * p->ring[(start + k) % length];
  return sum;
}

// Fast trigonometry, one lane in plain float steps; one to three elements
// go to the C library in double.
inline float fastAtanLane(float x) {
  const float a = std::fabs(x);
  float base = 0, t = a, c = 0;
  if (a > 2.4142136573791504f) {
    base = 1.5707963705062866f, t = -(1.0f / a), c = 3.999999975690116e-08f;
  } else if (a > 0.6600000262260437f) {
    base = 0.7853981852531433f, t = (a - 1) / (a + 1), c = 1.999999987845058e-08f;
  }
  const float z = t * t;
  const float p = (((-0.8750608563423157f * z + -16.15753746032715f) * z + -75.00856018066406f) * z + -122.88666534423828f) * z + -64.8502197265625f;
  const float q = ((((z + 24.85846519470215f) * z + 165.02700805664062f) * z + 432.8810729980469f) * z + 485.3904113769531f) * z + 194.5506591796875f;
  float r = ((p * z) / q) * t + t;
  if (base != 0) r = r - c;
  return std::copysign(r + base, x);
}
// Sine (cosine = false) or cosine of x.
inline float fastSinCosLane(float x, bool cosine) {
  const float a = std::fabs(x);
  const float scaled = a * 1.2732394933700562f;
  // Out of the int32 range the conversion gives INT32_MIN, as the instruction does.
  int32_t j = scaled < 2147483648.0f ? int32_t(scaled) : INT32_MIN;
  j = int32_t((uint32_t(j) + 1) & ~1u);
  const float y = float(j);
  const float w = ((a + y * -0.78515625f) + y * -0.00024187564849853516f) + y * -3.774895063202166e-08f;
  const float z = w * w;
  const float cp = (((2.44331567955669e-05f * z - 0.0013887316454201937f) * z + 0.04166664555668831f) * z) * z - 0.5f * z + 1.0f;
  const float sp = (((-0.00019515295571181923f * z + 0.008332161232829094f) * z - 0.16666655242443085f) * z) * w + w;
  const bool bit1 = j & 2, bit2 = j & 4;
  if (cosine) {
    const float v = bit1 ? sp : cp;
    return ((uint32_t(j) - 2) & 4) ? v : -v;
  }
  const float v = bit1 ? cp : sp;
  return std::signbit(x) != bit2 ? -v : v;
}
inline void tqcalcSin_float(const float* in, float* out, uint32_t n) { each(out, n, [&](uint32_t i) { return n < 4 ? float(std::sin(double(in[i]))) : fastSinCosLane(in[i], false); }); }
inline void tqcalcATan_float(const float* in, float* out, uint32_t n) { each(out, n, [&](uint32_t i) { return n < 4 ? float(std::atan(double(in[i]))) : fastAtanLane(in[i]); }); }

// Unbalance: element 0 and the last 0..3 elements in double with the C
// library; whole groups of four in float with the fast sine and cosine, four
// lane sums each combined (l0 + l1) + (l2 + l3).
inline void tqcalcPowerUnbalance(const PowerUnbalanceParams* p) {
  const float turn[3][2] = {{0, 0}, {120, 240}, {240, 120}};
  const auto sumAt = [&](uint32_t i, int s, bool fast) {
    const float m[3] = {p->magnitude1[i], p->magnitude2[i], p->magnitude3[i]};
    const float a[3] = {p->angle1[i], p->angle2[i] - turn[s][0], p->angle3[i] - turn[s][1]};
    float fr = 0, fi = 0;
    double re = 0, im = 0;
    for (int k = 0; k < 3; ++k) {
      if (fast) {
        const float r = a[k] * 0.01745329238474369f;
        const float x = m[k] * fastSinCosLane(r, true), y = m[k] * fastSinCosLane(r, false);
        fr = k ? fr + x : x, fi = k ? fi + y : y;
      } else {
        const double r = double(a[k]) * 0.017453292519943295;
        const double x = double(m[k]) * std::cos(r), y = double(m[k]) * std::sin(r);
        re = k ? re + x : x, im = k ? im + y : y;
      }
    }
    return fast ? std::make_pair(double(fr), double(fi)) : std::make_pair(re, im);
  };
  float* first[3] = {p->zeroSequenceFirst, p->positiveSequenceFirst, p->negativeSequenceFirst};
  for (int s = 0; s < 3; ++s) {
    const auto [re, im] = sumAt(0, s, false);
    first[s][0] = float(0.3333333333333333 * re), first[s][1] = float(0.3333333333333333 * im);
  }
  float lanes[3][4] = {}, total[3];
  const uint32_t groups = p->count / 4 * 4;
  for (uint32_t i = 0; i < groups; ++i)
    for (int s = 0; s < 3; ++s) {
      const auto [re, im] = sumAt(i, s, true);
      lanes[s][i % 4] += float(re) * float(re) + float(im) * float(im);
    }
  for (int s = 0; s < 3; ++s) {
    total[s] = (lanes[s][0] + lanes[s][1]) + (lanes[s][2] + lanes[s][3]);
    for (uint32_t i = groups; i < p->count; ++i) {
      const auto [re, im] = sumAt(i, s, false);
      total[s] += float(re * re + im * im);
    }
    total[s] = float(std::sqrt(double(total[s])) * 0.3333333333333333);
  }
  *p->zeroSequence = total[0], *p->positiveSequence = total[1], *p->negativeSequence = total[2];
  const auto abs = [](const float* c) { return float(std::sqrt(double(c[0]) * c[0] + double(c[1]) * c[1])); };
  const float r1 = abs(p->positiveSequenceFirst);
  *p->zeroUnbalanceFirst = r1 > 0 ? abs(p->zeroSequenceFirst) * (100.0f / r1) : 0.0f;
  *p->negativeUnbalanceFirst = r1 > 0 ? abs(p->negativeSequenceFirst) * (100.0f / r1) : 0.0f;
  *p->zeroUnbalance = total[1] > 0 ? (100.0f / total[1]) * total[0] : 0.0f;
  *p->negativeUnbalance = total[1] > 0 ? (100.0f / total[1]) * total[2] : 0.0f;
}

// Flicker: every stage through the host's arrays, sample by sample, as
// defined (the shifts included).
inline void tqcalcPowerFlicker(PowerFlickerState* s, const float* input, float* output, uint32_t count) {
  const double* c = s->weightingCoefficients;
  const double* d = s->highPassCoefficients;
  const auto shift = [](double* h, int length) { for (int k = length - 1; k > 0; --k) h[k] = h[k - 1]; };
  for (uint32_t i = 0; i < count; ++i) {
    double x = double((input[i] * input[i]) * 0.5f);
    for (int k = 0; k < 3; ++k) {
      s->lowPassIn0[k] = x;
      const double y = s->lowPassGain[k] * (s->lowPassIn0[k] + 2 * s->lowPassIn1[k] + s->lowPassIn2[k]) -
                       s->lowPassA1[k] * s->lowPassOut1[k] - s->lowPassA2[k] * s->lowPassOut2[k];
      s->lowPassOut0[k] = y;
      s->lowPassIn2[k] = s->lowPassIn1[k], s->lowPassIn1[k] = s->lowPassIn0[k];
      s->lowPassOut2[k] = s->lowPassOut1[k], s->lowPassOut1[k] = s->lowPassOut0[k];
      x = y;
    }
    x = float(x);
    if (s->highPassIn[0] == -9999999.0) s->highPassIn[1] = x;
    s->highPassIn[0] = x;
    s->highPassOut[0] = d[0] * x + d[1] * s->highPassIn[1] + d[2] * s->highPassOut[1];
    shift(s->highPassIn, 2), shift(s->highPassOut, 2);
    const double w = float(s->highPassOut[1]);
    s->bandPassIn[0] = w;
    s->bandPassOut[0] = c[0] * w + c[1] * s->bandPassIn[2] + c[2] * s->bandPassOut[1] + c[3] * s->bandPassOut[2];
    shift(s->bandPassIn, 3), shift(s->bandPassOut, 3);
    s->weightingIn[0] = s->bandPassOut[1];
    s->weightingOut[0] = c[4] * s->weightingIn[0] + c[5] * s->weightingIn[1] + c[6] * s->weightingIn[2] +
                         c[7] * s->weightingOut[1] + c[8] * s->weightingOut[2];
    shift(s->weightingIn, 3), shift(s->weightingOut, 3);
    const float y = float(s->weightingOut[1]);
    s->smoothingIn[0] = double(y * y);
    s->smoothingOut[0] = c[9] * s->smoothingIn[0] + c[10] * s->smoothingIn[1] + c[11] * s->smoothingOut[1];
    shift(s->smoothingIn, 2), shift(s->smoothingOut, 2);
    output[i] = float(s->smoothingOut[1] * 1238400.0);
  }
}

}  // namespace tq::ref
