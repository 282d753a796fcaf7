// XY graph values: data points to pixel coordinates of a plot rectangle.
//
// One formula for both forms, written once over a lane type: `double` for
// the one-point form, four double lanes for the four-point form, with
// per-lane selects instead of branches. The forms differ only in the rules
// hosts depend on (guards of the logarithmic and decibel axes, the value of
// a zero range, the rounding), which `kFour` picks. The logarithm is the
// library's fast log10 of the argument rounded to float: its scalar form for
// one point, its four-lane form once per axis for four.
#include <cstdint>

#include "core/fast_log10.h"
#include "simd/lanes.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

constexpr unsigned kFloatSamples = 5;  // ChannelSampleType Float
constexpr double kPositionLimit = 1e6;

inline double log10Of(double x) { return double(tq::fastLog10(float(x))); }
inline F64x4 log10Of(F64x4 x) { return widen(tq::fastLog10Lanes(narrow(x))); }

// (value - start) / (end - start), or `ifZero` for an empty range.
template <class V>
inline V normalised(V value, double start, double end, double ifZero) {
  const double range = end - start;
  if (range == 0.0) return splat<V>(ifZero);
  return div(sub(value, splat<V>(start)), splat<V>(range));
}

// The fast logarithm where value > bound, else `otherwise`.
template <class V>
inline V guardedLog(V value, V argument, double bound, double otherwise) {
  return select(cmpGt(value, splat<V>(bound)), log10Of(argument), splat<V>(otherwise));
}

// A normalised position to a pixel: origin + R(position * extent), clamped
// to the int16 range. NaN positions count as the lower limit: max() returns
// its second operand when the first is NaN.
template <class V>
inline V pixel(V position, double origin, double extent, double direction) {
  constexpr bool kFour = !std::is_same_v<V, double>;
  position = min(max(position, splat<V>(-kPositionLimit)), splat<V>(kPositionLimit));
  const V scaled = mul(position, splat<V>(extent));
  V rounded;
  if constexpr (kFour)
    rounded = roundNearest(scaled);
  else
    rounded = truncate(scaled + 0.5);
  if (direction < 0) rounded = negate(rounded);
  const V p = add(splat<V>(origin), rounded);
  return min(max(p, splat<V>(-32768.0)), splat<V>(32767.0));
}

template <class V>
void convert(const XYGraphParams& p) {
  constexpr bool kFour = !std::is_same_v<V, double>;
  V index;
  if constexpr (kFour)
    index = ramp<F64x4>(double(p.startIndex));
  else
    index = double(p.startIndex);

  V x = index;
  if (p.xSourceMode == 1) x = load<V>(p.xValues + p.startIndex);
  if (p.xSourceMode == 2) x = add(mul(index, splat<V>(p.xStep)), splat<V>(p.xStart));
  V u = x;
  if (p.xAxisMode == 0) u = normalised(x, p.xMin, p.xMax, p.xMin);
  if (p.xAxisMode == 1)
    u = normalised(guardedLog(x, x, kFour ? p.logXMin : 0.0, p.logXMin), p.logXMin, p.logXMax, p.logXMin);

  V raw;
  if (p.ySampleType == kFloatSamples) {
    if constexpr (kFour)
      raw = widen(load<F32x4>(p.yValues));
    else
      raw = widen(load<float>(p.yValues));
  } else {
    raw = load<V>(p.yValues);
  }
  const V y = add(mul(splat<V>(p.yFactor), raw), splat<V>(p.yOffset));
  V v;
  if (p.yAxisMode == 0) {
    v = normalised(y, p.yMin, p.yMax, kFour ? 0.0 : p.yMin);
  } else if (p.yAxisMode == 1) {
    v = normalised(guardedLog(y, y, kFour ? p.yMin : 0.0, p.logYMin), p.logYMin, p.logYMax, p.logYMin);
  } else {
    const V level = div(y, splat<V>(p.dbReference));
    const V decibels = select(cmpGt(y, splat<V>(kFour ? 1e-12 : 0.0)),
                              mul(splat<V>(p.dbFactor * 20.0), log10Of(level)), splat<V>(-400.0));
    v = normalised(decibels, p.yMin, p.yMax, kFour ? p.yMin : 0.0);
  }

  // Screen y grows downwards: bottom - R(v * (bottom - top)).
  const V px = pixel(u, p.left, double(int(p.right) - int(p.left)), 1.0);
  const V py = pixel(v, p.bottom, double(int(p.bottom) - int(p.top)), -1.0);
  if constexpr (kFour) {
    store(p.xPixels, toInt32Truncated(px));
    store(p.yPixels, toInt32Truncated(py));
  } else {
    *p.xPixels = int32_t(px);
    *p.yPixels = int32_t(py);
  }
  *p.pointsDone = kFour ? 4 : 1;
}

}  // namespace

extern "C" void TQCALC_STDCALL tqcalcGetXYValGraph2D(const XYGraphParams* params) {
  if (params->count < 4)
    convert<double>(*params);
  else
    convert<F64x4>(*params);
}
