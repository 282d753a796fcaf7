// Raw channel samples of eleven storage types scaled into physical values.
//
// The source is strided (possibly backwards, possibly stride 0), so every
// element is loaded and converted on its own; one loop per storage type,
// chosen once per call. Offsets are formed in pointer width from a running
// byte offset, so a negative stride walks below `source` without any 32-bit
// wrap, and the pair types' 2 * count is taken in 64 bits.
#include "simd/loops.h"
#include "tqcalc.h"

namespace {

using namespace tq::simd;

// out[i] = value(sample at i * stride) for i < n; four independent
// samples per turn, then the rest.
template <class Source, class Out, class Value>
inline void walk(const void* source, std::ptrdiff_t stride, int64_t n, Out* out, Value value) {
  const auto* base = static_cast<const unsigned char*>(source);
  const std::ptrdiff_t step = stride * std::ptrdiff_t(sizeof(Source));
  std::ptrdiff_t at = 0;
  int64_t i = 0;
  for (; n - i >= 4; i += 4, at += 4 * step) {
    TQ_UNROLL for (int k = 0; k < 4; ++k) store(out + i + k, value(load<Source>(base + at + k * step)));
  }
  for (; i < n; ++i, at += step) store(out + i, value(load<Source>(base + at)));
}

template <class T>
inline T scaled(T x, T scale, T offset) { return add(mul(x, scale), offset); }

// Every code but the pairs converts to the output precision as the table of
// the operation says, then scales in that precision; the float output of
// Double samples scales in double and rounds once.
template <class Params, class Out = std::remove_pointer_t<decltype(Params::destination)>>
void scaledValues(const Params& p) {
  constexpr bool toDouble = std::is_same_v<Out, double>;
  const uint32_t code = p.sampleType;
  if (code > ChannelSampleDoublePair) return;
  const int64_t n = code >= ChannelSampleFloatPair ? 2 * int64_t(p.count) : int64_t(p.count);
  if (n <= 0) return;
  const Out scale = p.scale, offset = p.offset;
  const auto linear = [&](auto convert) { return [=](auto x) { return scaled<Out>(convert(x), scale, offset); }; };
  const auto exact = [](auto x) { return Out(x); };
  // Through double: exact for 32-bit integers, one rounding for 64-bit ones,
  // so that a float output is rounded from the double (never directly).
  const auto viaDouble = [](auto x) { return Out(double(x)); };
  Out* out = p.destination;
  switch (code) {
    case ChannelSampleUInt8: return walk<uint8_t>(p.source, p.stride, n, out, linear(exact));
    case ChannelSampleInt8: return walk<int8_t>(p.source, p.stride, n, out, linear(exact));
    case ChannelSampleInt16: return walk<int16_t>(p.source, p.stride, n, out, linear(exact));
    case ChannelSampleUInt16: return walk<uint16_t>(p.source, p.stride, n, out, linear(exact));
    case ChannelSampleInt32: return walk<int32_t>(p.source, p.stride, n, out, linear(exact));
    case ChannelSampleFloat: return walk<float>(p.source, p.stride, n, out, linear(exact));
    case ChannelSampleInt64: return walk<int64_t>(p.source, p.stride, n, out, linear(viaDouble));
    case ChannelSampleUInt32: return walk<uint32_t>(p.source, p.stride, n, out, linear(viaDouble));
    case ChannelSampleDouble:
      if constexpr (toDouble) return walk<double>(p.source, p.stride, n, out, linear(exact));
      else return walk<double>(p.source, p.stride, n, out, [=](double x) { return narrow(scaled(x, double(scale), double(offset))); });
    case ChannelSampleFloatPair:
      // Into float the bits are copied: a signalling NaN stays signalling.
      if constexpr (toDouble) return walk<float>(p.source, p.stride, n, out, [](float x) { return widen(x); });
      else return walk<uint32_t>(p.source, p.stride, n, reinterpret_cast<uint32_t*>(out), [](uint32_t x) { return x; });
    default:
      if constexpr (toDouble) return walk<uint64_t>(p.source, p.stride, n, reinterpret_cast<uint64_t*>(out), [](uint64_t x) { return x; });
      else return walk<double>(p.source, p.stride, n, out, [](double x) { return narrow(x); });
  }
}

}  // namespace

extern "C" {

void TQCALC_STDCALL tqcalcChannelGetScaledValuesAtPos_double(const ScaledValuesParamsDouble* params) { scaledValues(*params); }
void TQCALC_STDCALL tqcalcChannelGetScaledValuesAtPos_float(const ScaledValuesParamsFloat* params) { scaledValues(*params); }

}  // extern "C"
