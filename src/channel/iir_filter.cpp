// Cascaded IIR sections in direct form I, in double whatever the samples.
//
// Every entry runs the same routine over a block of samples: the single
// calls are blocks of one, so blocks and single calls agree bit for bit by
// construction. A block goes through the cascade section by section, a
// chunk at a time in a double buffer on the stack (float samples are widened
// into it, rounded back only on output; reading the whole chunk before
// writing makes in-place calls safe). Second-order sections keep their
// history in locals for the whole chunk, general ones (up to order 32) in
// arrays in time order, and both write their taps back once: the recursion
// then does not wait on stores being forwarded to loads.
#include <algorithm>

#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

constexpr double kBound = 1e10;
constexpr uint32_t kChunk = 256;

// Outputs within the bounds skip the clamp on a branch, which keeps its two
// operations off each section's recursive chain; values beyond them (NaN
// among them) are clamped as written, so the result is the same either way.
inline double clampUpperFirst(double r) {  // NaN becomes +1e10
  if (__builtin_expect(abs(r) < kBound, 1)) return r;
  return opaque(max(min(r, kBound), -kBound));
}
inline double clampLowerFirst(double r) {  // NaN becomes -1e10
  if (__builtin_expect(abs(r) < kBound, 1)) return r;
  return opaque(min(max(r, -kBound), kBound));
}

// Up to four second-order sections, sample by sample through all of them:
// each section's recursion is a chain of about six dependent operations per
// sample, and only with the sections side by side can the processor overlap
// their chains. History and coefficients stay in locals for the whole chunk.
template <unsigned G>
void secondOrderSections(IIRTap* t, const double* gains, double* v, uint32_t n) {
  double b[G][3], a[G][2], x[G][3], y[G][3];
  TQ_UNROLL for (unsigned s = 0; s < G; ++s) {
    TQ_UNROLL for (unsigned k = 0; k < 3; ++k) b[s][k] = t[3 * s + k].b, x[s][k] = t[3 * s + k].x, y[s][k] = t[3 * s + k].y;
    a[s][0] = t[3 * s].a, a[s][1] = t[3 * s + 1].a;
  }
  for (uint32_t i = 0; i < n; ++i) {
    double u = v[i];
    TQ_UNROLL for (unsigned s = 0; s < G; ++s) {
      x[s][0] = x[s][1], y[s][0] = y[s][1], x[s][1] = x[s][2], y[s][1] = y[s][2];
      x[s][2] = mul(u, gains[s]);
      const double r = add(mul(b[s][2], x[s][2]), sub(add(mul(b[s][1], x[s][1]), mul(b[s][0], x[s][0])),
                                                      add(mul(a[s][1], y[s][1]), mul(a[s][0], y[s][0]))));
      u = y[s][2] = clampUpperFirst(r);
    }
    v[i] = u;
  }
  TQ_UNROLL for (unsigned s = 0; s < G; ++s) {
    // Opaque: packing x and y into pairs here would put two shuffles on the
    // recursive chain of the loop above.
    TQ_UNROLL for (unsigned k = 0; k < 3; ++k) t[3 * s + k].x = opaque(x[s][k]), t[3 * s + k].y = opaque(y[s][k]);
  }
}

// Order N, sample by sample through the taps: the (x, y) pairs move down one
// tap as 16-byte units.
void generalSectionInTaps(IIRTap* t, std::size_t order, double gain, double* v, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < order; ++k) store(&t[k].x, load<F64x2>(&t[k + 1].x));
    t[order].x = mul(v[i], gain);
    double acc = 0.0;
    for (std::size_t k = 0; k < order; ++k) acc = add(sub(mul(t[k].b, t[k].x), mul(t[k].a, t[k].y)), acc);
    v[i] = t[order].y = clampLowerFirst(add(mul(t[order].b, t[order].x), acc));
  }
}

// Order N up to kLinearOrder: the chunk's section inputs and outputs in two
// arrays in time order behind the N past ones, so that nothing moves per
// sample and the history is written back once. Only the previous output is
// on the recursive chain, and it stays in a register.
constexpr std::size_t kLinearOrder = 32;
void generalSection(IIRTap* t, std::size_t order, double gain, double* v, uint32_t n) {
  if (order > kLinearOrder) return generalSectionInTaps(t, order, gain, v, n);
  double xs[kLinearOrder + kChunk], ys[kLinearOrder + kChunk], b[kLinearOrder + 1], a[kLinearOrder];
  const std::size_t last = order - 1;  // time n - 1 is at index n + N - 1
  for (std::size_t k = 0; k < order; ++k) xs[k] = t[k + 1].x, ys[k] = t[k + 1].y, b[k] = t[k].b, a[k] = t[k].a;
  b[order] = t[order].b;
  for (uint32_t i = 0; i < n; ++i) xs[order + i] = mul(v[i], gain);
  double previous = order > 0 ? ys[last] : 0.0;
  for (uint32_t i = 0; i < n; ++i) {
    const double *x = xs + i, *y = ys + i;  // index k: time i - N + k
    double acc = 0.0;
    for (std::size_t k = 0; k + 1 < order; ++k) acc = add(sub(mul(b[k], x[k]), mul(a[k], y[k])), acc);
    if (order > 0) acc = add(sub(mul(b[last], x[last]), mul(a[last], previous)), acc);
    v[i] = ys[order + i] = previous = clampLowerFirst(add(mul(b[order], x[order]), acc));
  }
  for (std::size_t k = 0; k <= order; ++k) t[k].x = xs[n - 1 + k], t[k].y = ys[n - 1 + k];
}

void cascade(const IIRFilterState& f, double* v, uint32_t n) {
  const bool secondOrder = f.sectionOrder == 2 || f.filterType == 3;
  const std::size_t order = secondOrder ? 2 : std::size_t(std::max(f.sectionOrder, 0));
  for (int32_t s = 0; s < f.sectionCount;) {
    IIRTap* taps = f.taps + std::size_t(s) * (order + 1);
    const int32_t group = secondOrder ? std::min(f.sectionCount - s, 4) : 1;
    if (!secondOrder) generalSection(taps, order, f.sectionGains[s], v, n);
    else if (group == 4) secondOrderSections<4>(taps, f.sectionGains + s, v, n);
    else if (group == 3) secondOrderSections<3>(taps, f.sectionGains + s, v, n);
    else if (group == 2) secondOrderSections<2>(taps, f.sectionGains + s, v, n);
    else secondOrderSections<1>(taps, f.sectionGains + s, v, n);
    s += group;
  }
}

template <class T>
void filterBlock(const IIRFilterState& f, const T* input, T* output, uint32_t count) {
  double chunk[kChunk];
  for (uint32_t done = 0; done < count;) {
    const uint32_t n = std::min(kChunk, count - done);
    for (uint32_t i = 0; i < n; ++i) chunk[i] = input[done + i];
    cascade(f, chunk, n);
    for (uint32_t i = 0; i < n; ++i) output[done + i] = T(chunk[i]);
    done += n;
  }
}

double filterOne(const IIRFilterState& f, double sample) {
  cascade(f, &sample, 1);
  return sample;
}

}  // namespace

extern "C" {

double TQCALC_STDCALL tqcalcIIRFilter_double(IIRFilterState* filter, double sample) { return filterOne(*filter, sample); }
double TQCALC_STDCALL tqcalcIIRFilter_float(IIRFilterState* filter, float sample) { return filterOne(*filter, widen(sample)); }
void TQCALC_STDCALL tqcalcIIRFilterArr_double(IIRFilterState* filter, const double* input, double* output, uint32_t count) {
  filterBlock(*filter, input, output, count);
}
void TQCALC_STDCALL tqcalcIIRFilterArr_float(IIRFilterState* filter, const float* input, float* output, uint32_t count) {
  filterBlock(*filter, input, output, count);
}

}  // extern "C"
