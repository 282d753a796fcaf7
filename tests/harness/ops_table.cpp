// The rows: every built export, as the harness calls it.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "support/flicker_state.h"
#include "support/harness.h"

namespace tq::test {

// The angles come from the C runtime's atan2, whose last bits differ between
// C libraries (glibc and the Windows host's msvcrt): one recorded value each.
#ifdef _WIN32
constexpr uint64_t kAnglesDigest = 0x9d4b931010d1cd2c;
#else
constexpr uint64_t kAnglesDigest = 0xb433cd8f78db5d2c;
#endif

// The graph mapping's record over the row's arrays, with fixed axes.
template <class F>
double callXY(F f, void* const* p, const long double* q, uint32_t n) {
  const bool empty = q[4] != 0;
  XYGraphParams r{};
  r.count = n, r.xSourceMode = uint8_t(q[0]), r.ySampleType = 7, r.xAxisMode = uint8_t(q[1]);
  r.startIndex = int32_t(q[3]), r.yAxisMode = uint8_t(q[2]);
  r.left = 100, r.top = 10, r.right = 300, r.bottom = 110;
  r.xStep = 0.5, r.xStart = -1, r.yFactor = 2, r.yOffset = 0.5;
  r.xMin = 0, r.xMax = empty ? 0 : 10, r.logXMin = -1, r.logXMax = empty ? -1 : 2;
  r.yMin = -50, r.yMax = empty ? -50 : 100, r.logYMin = -2, r.logYMax = empty ? -2 : 3;
  r.dbReference = 2, r.dbFactor = 1;
  r.yValues = p[0], r.xValues = static_cast<const double*>(p[1]);
  r.xPixels = PW(2), r.yPixels = PW(3), r.pointsDone = reinterpret_cast<uint32_t*>(PW(4));
  return f(&r), 0.0;
}

// The scaled copy's record from the row's arrays and scalars {scalar,
// flag, absSum}; the row's value is the absSum left behind.
template <class F>
double sumVectorRecord(F f, const double* in, float* out, uint32_t n, const long double* q) {
  PowerSumVectorParams r{in, out, double(q[2]), float(q[0]), int32_t(n), int32_t(q[1])};
  return f(&r), r.absSum;
}

// The address of a record built in a row's call.
template <class R>
const R* record(const R& r) { return &r; }

// Unbalance over count n + 1 (element 0 is always read), the thirteen
// output floats side by side in one array.
template <class F>
double unbalance(F f, void* const* p, uint32_t n) {
  float* o = static_cast<float*>(p[6]);
  return f(record(PowerUnbalanceParams{PF(0), PF(1), PF(2), PF(3), PF(4), PF(5), o, o + 1, o + 2, o + 3, o + 4,
                                       o + 5, o + 6, o + 7, o + 9, o + 11, n + 1})), 0.0;
}

// Flicker from the histories p[2] (random: a state in mid-stream) with the
// 2 kHz coefficients; q[0] not 0 stores the reset marker first.
template <class F>
double flicker(F f, void* const* p, const long double* q, uint32_t n) {
  PowerFlickerState s = flickerState(PD(2), kFlicker2kHz);
  if (q[0] != 0) s.highPassIn[0] = -9999999.0;
  return f(&s, PF(0), PF(1), n), 0.0;
}

// The scaled-value exports take one record, built from the source and
// output arrays and the scalars {stride, code, scale, offset, backward}:
// the pairs (codes 9, 10) at half the count; backward, the negated stride
// from the last value read.
template <class Params, class F, class Out>
double scaledCall(F f, const char* source, Out* out, uint32_t n, const long double* q) {
  static const int kBytes[] = {1, 1, 2, 2, 4, 4, 8, 8, 4, 4, 8};
  const auto code = uint32_t(q[1]), stride = uint32_t(q[0]);
  const int32_t count = int32_t(code == 9 || code == 10 ? n / 2 : n);
  const int64_t last = (code >= 9 ? 2 * int64_t(count) : count) - 1;
  if (q[4] != 0 && code <= 10 && last > 0) source += last * stride * kBytes[code];
  return f(record(Params{source, out, decltype(Params::scale)(q[2]), decltype(Params::offset)(q[3]), count, code,
                         q[4] != 0 ? -int32_t(stride) : int32_t(stride)})), 0.0;
}

// One call per input sample through `state` (misaligned at will); the last
// result.
template <class F, class S, class T>
double perSample(F f, S* state, const T* in, uint32_t n) {
  double r = 0.0;
  for (uint32_t i = 0; i < n; ++i) r = f(state, in[i]);
  return r;
}

// IIR: two sections over the taps p[2] and gains p[3], {filterType,
// sectionOrder} from the scalars; block calls, or one call per sample.
template <class T, class F, bool block>
double iir(F f, void* const* p, const long double* q, uint32_t n, std::bool_constant<block>) {
  IIRFilterState s{int32_t(q[0]), 2, int32_t(q[1]), 0, static_cast<const double*>(p[3]), static_cast<IIRTap*>(p[2])};
  if constexpr (block) return f(&s, static_cast<const T*>(p[0]), static_cast<T*>(p[1]), n), 0.0;
  else return perSample(f, &s, static_cast<const T*>(p[0]), n);
}

// The CHS exports, each row running one whole stream through the library's
// entries or the reference's (whichever `f` belongs to; a digest run's `f`
// calls the library's row entry through the invoker): Create with ring 16
// and the ratio q[0], the n inputs in blocks of 1..7 and 14 (the largest),
// Stop, every output into p[1] (room for the most any of the ratios gives),
// Destroy. A bad Create (q[0] 0) leaves p[1] as it was.
template <class F, class G>
double chsStream(F f, G entry, const float* in, float* out, uint32_t n, const long double* q) {
  bool library = true;
  if constexpr (std::is_pointer_v<F>) library = reinterpret_cast<const void*>(f) == reinterpret_cast<const void*>(entry);
  const auto call = [&](auto lib, auto ref, auto... a) -> uint32_t {
    if constexpr (!std::is_pointer_v<F> && std::is_same_v<decltype(lib), G>)
      if (reinterpret_cast<const void*>(lib) == reinterpret_cast<const void*>(entry)) return f(a...);
    return library ? lib(a...) : ref(a...);
  };
#define TQ_CHS(name, ...) call(&::tqcalcCHSInterpolator_##name, &::tq::ref::tqcalcCHSInterpolator_##name, __VA_ARGS__)
  const CHSInterpolatorParams params{1000.0, double(1000 * q[0]), 16};
  CHSInterpolator* h = nullptr;
  uint32_t status = TQ_CHS(Create, &h, &params), total = 0, got = 0;
  if (status) return status;
  float* values = nullptr;
  const auto collect = [&] { std::copy(values, values + got, out + total), total += got; };
  for (uint32_t at = 0, block = 1; at < n; at += block, block = block == 7 ? 14 : block % 14 + 1) {
    block = std::min(block, n - at);
    if ((status = TQ_CHS(InterpolateValues, h, in + at, block, &values, &got)) == 0) collect();
    if (at == 0 && n > 20) TQ_CHS(Reset, h);  // a restart: the stream begins anew at sample 1
  }
  if (TQ_CHS(Stop, h, &values, &got) == 0) collect();
  return double(status + 10 * TQ_CHS(Destroy, h) + 100 * total);
#undef TQ_CHS
}

#define SCALED_PARAMS(native, scale, offset)                                                                            \
  {1, native, 0.3, -2.5, 0}, {3, native, -1.5, 0.25, 1}, {2, 11, 1, 0, 0}, {1, 0xFFFFFFFFu, 1, 0, 0},                  \
      {1, 0, 0.3, -2.5, 1}, {3, 1, scale, offset, 0}, {2, 2, 0.3, -2.5, 1}, {1, 3, 0.3, -2.5, 0}, {3, 4, 0.3, -2.5, 1}, \
      {1, 5, scale, offset, 0}, {2, 6, 0.3, -2.5, 1}, {3, 7, 0.3f, -2.5, 0}, {1, 8, 0.3, -2.5, 1},                     \
      {3, 9, 0.3, -2.5, 0}, {1, 10, 0.3, -2.5, 1}, {0, 4, 0.3, -2.5, 0}
#define IIR_PARAMS {0, 2}, {3, 4}, {0, 1}, {0, 0}, {0, -1}, {0, 5}
#define AVE_WIDTHS {3}, {0}, {2}, {7}, {20}, {41}
const std::vector<Op>& ops() {
  static const std::vector<Op> table = {
      TQ_PAIR_ROW(tqcalcGetVersion, "ow*0+1 ow*0+1 ow*0+1", 0, 0x25f5878f754e1ea5, (f(PW(0), PW(1), int32_t(q[0]), PW(2)), 0.0),
                  {13}, {12}, {INT32_MIN}, {INT32_MAX}, {-1}, {0}),
      TQ_PAIR_ROW(tqcalcSumValues_double, "id", BYTES | EXACT, 0xeb06ad2ad3f002fb, f(PD(0), n)),
      TQ_PAIR_ROW(tqcalcSumValues_float, "if", BYTES | EXACT, 0xac019a1046da6c45, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcSumAbsValues_float, "if", BYTES | EXACT, 0xa6d251794a5bd363, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcSumSquaredValues_float, "if", BYTES | EXACT, 0x09eb4f4021a5b9d1, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcMultiplyVectorsAndCalcSum_float, "if if", BYTES | EXACT, 0x030fb5cf7a1b0c0a, f(PF(0), PF(1), n)),
      TQ_PAIR_ROW(tqcalcAddVectorsAndMultiplyByScalar_float, "of if if", EDGES | ELEMENTWISE, 0x3815d696ed144f18,
                  (f(PF(0), PF(1), PF(2), n, float(q[0]), float(q[1])), 0.0), {-3.25, 0.1f}),
      TQ_PAIR_ROW(tqcalcSubtractVectorsAndMultiplyByScalar_float, "of if if", EDGES | ELEMENTWISE, 0x11f87a0b112c58bf,
                  (f(PF(0), PF(1), PF(2), n, float(q[0])), 0.0), {0.3f}),
      TQ_PAIR_ROW(tqcalcMultiplyVectorByScalar_double, "ud", EDGES | ELEMENTWISE, 0x293f31e1c11490f6, (f(PD(0), n, double(q[0])), 0.0), {-1.7}),
      TQ_PAIR_ROW(tqcalcMultiplyVectorByScalar_float, "uf", EDGES | ELEMENTWISE, 0xfb46357ea163afb1, (f(PF(0), n, float(q[0])), 0.0), {-1.7f}),
      TQ_CDECL_ROW(tqcalcAddScalarToVector_double, "od id", EDGES | ELEMENTWISE, 0x72a37a5f27a17a54, (f(PD(0), PD(1), double(q[0]), n), 0.0), {0.75}),
      TQ_CDECL_ROW(tqcalcAddScalarToVector_float, "of if", EDGES | ELEMENTWISE, 0x75ed90cc1cb92ccf, (f(PF(0), PF(1), float(q[0]), n), 0.0), {0.75}),
      TQ_CDECL_ROW(tqcalcMultiplyVectors_double, "od id id", EDGES | ELEMENTWISE, 0x28a08dbdfb54a39c, (f(PD(0), PD(1), PD(2), n), 0.0)),
      TQ_CDECL_ROW(tqcalcMultiplyVectors_float, "of if if", EDGES | ELEMENTWISE, 0xc147f8cba0dbd2cb, (f(PF(0), PF(1), PF(2), n), 0.0)),
      TQ_CDECL_ROW(tqcalcSqrtVector_double, "od id", EDGES | ELEMENTWISE, 0x7aeee609fd3342a4, (f(PD(0), PD(1), n), 0.0)),
      TQ_CDECL_ROW(tqcalcSqrtVector_float, "of if", EDGES | ELEMENTWISE, 0x6c46ea99aebe161a, (f(PF(0), PF(1), n), 0.0)),
      TQ_CDECL_ROW(tqcalcComplexVectorAbs_double, "od id*2", EDGES | ELEMENTWISE, 0x110580ce7a7103de,
                   (f(PD(0), PD(1), uint8_t(q[0]), n), 0.0), {0}, {0x80}),
      TQ_CDECL_ROW(tqcalcComplexVectorAbs_float, "of if*2", EDGES | ELEMENTWISE, 0xe06cd5650ef9dc76,
                   (f(PF(0), PF(1), uint8_t(q[0]), n), 0.0), {0}, {0x80}),
      TQ_CDECL_ROW(tqcalcVectorsMax_double, "od id id", EDGES | ELEMENTWISE, 0xa50ec1c0ec0bb2ec, (f(PD(0), PD(1), PD(2), n), 0.0)),
      TQ_CDECL_ROW(tqcalcVectorsMax_float, "of if if", EDGES | ELEMENTWISE, 0x4a2ced2e0dd58495, (f(PF(0), PF(1), PF(2), n), 0.0)),
      TQ_PAIR_ROW(tqcalcConvertInt16ToInt32, "is ow", ELEMENTWISE, 0xdb2b74b4777281f1, (f(PS(0), PW(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcConvertInt32ToInt16, "iw os", ELEMENTWISE, 0x47c089249bf29259, (f(PW(0), PS(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcCADoubleArrToSingleArrInplace, "ux", EDGES, 0x4c7648349a5f9be1, f(p[0], n) == p[0]),
      TQ_PAIR_ROW(tqcalcCASingleArrToDoubleArrInplace, "ux", EDGES, 0x675d16bed0b45253, f(p[0], n) == p[0]),
      TQ_PAIR_ROW(tqcalcCACalcFilter_float, "bf if/", EXACT, 0xe23f6fffff3d0f94, f(PF(0), n, PF(1), uint32_t(q[0])), {3}, {1}, {0}),
      TQ_PAIR_ROW(tqcalcCACalcFilter_int16_t, "bs if/", EXACT, 0xc26afced62a1b56e, f(PS(0), n, PF(1), uint32_t(q[0])), {3}, {1}, {0}),
      TQ_PAIR_ROW(tqcalcCACalcFilter_int32_t, "bw if/", EXACT, 0xf46730ad739962b9, f(PW(0), n, PF(1), uint32_t(q[0])), {3}, {1}, {0}),
      // Widths below, at and above the counts of the sweep (count < W: nothing written).
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_double, "id od", 0, 0xa030323890d26856, (f(PD(0), PD(1), uint16_t(q[0]), n), 0.0), AVE_WIDTHS),
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_float, "if of", 0, 0x171728920a775ccf, (f(PF(0), PF(1), uint16_t(q[0]), n), 0.0), AVE_WIDTHS),
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_double_scalar, "id od", 0, 0x4178f58fb8af253c, (f(PD(0), PD(1), uint16_t(q[0]), n), 0.0), AVE_WIDTHS),
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_float_scalar, "if of", 0, 0xab27a6f4389b8375, (f(PF(0), PF(1), uint16_t(q[0]), n), 0.0), AVE_WIDTHS),
      // The indices give only the count: the arrays start at element 0 (raw
      // data at firstIndex).
      TQ_PAIR_ROW(tqCalcCACopyRawDataToChannels, "if+3 of of*0+1 ow*0+1", EDGES, 0x5a1af122355d19d7,
                  (f(PF(0), PF(1), uint32_t(q[0]), uint32_t(q[0]) + n, float(q[1]), PF(2), reinterpret_cast<uint32_t*>(PW(3))), 0.0),
                  {3, 0.5}),
      TQ_PAIR_ROW(tqCalcCAOverallPressure, "if uf of*0+1", 0, 0xb58dd89941cafe51,
                  (f(PF(0), PF(1), uint32_t(q[0]), uint32_t(q[0]) + n, uint64_t(q[1]), PF(2)), 0.0),
                  {3, 6}, {3, 0}, {0, 1}, {7, 1000003}, {1, (1ull << 32) + 3}),
      // Cycle indices beyond 2^32 read whole (on i386 from two slots).
      TQ_PAIR_ROW(tqCalcCARunningVal, "if if uf of", 0, 0x83a8872bdb0962c5,
                  (f(PF(0), PF(1), PF(2), PF(3), uint32_t(q[0]), uint32_t(q[0]) + n - 1, uint64_t(q[1]), uint32_t(q[2])), 0.0),
                  {2, 9, 4}, {2, 0, 4}, {0, 2, 5}, {2, 6, 7}, {5, 7, 7}, {2, 1ull << 32, 3}, {2, (1ull << 33) + 1, 0xFFFFFFFFu}),
      TQ_PAIR_ROW(tqcalcCAPV_lin, "if ow", EXACT | EDGES, 0xceae18286acad9b1,  // exact: many halves
                  (f(PF(0), n, PW(1), int32_t(q[0]), int32_t(q[1]), float(q[2]), float(q[3])), 0.0),
                  {-100, 100, 2, 0.5}, {-300, 250, 37.5, -3.25}, {INT32_MIN, INT32_MAX, 1e7, 0}),
      TQ_PAIR_ROW(tqcalcCAPV_log, "if ow", EDGES, 0x00b4de5bfa432c7a,
                  (f(PF(0), n, PW(1), int32_t(q[0]), int32_t(q[1]), float(q[2]), float(q[3]), float(q[4])), 0.0),
                  {-2000, 2000, 100, 50, 10}, {0, 640, -80, 320, 0.25}, {-100000, 100000, 100, 0, 0}),
      // Every code (11 and above write nothing) at strides 0..3, forwards and backwards.
      TQ_PAIR_ROW(tqcalcChannelGetScaledValuesAtPos_double, "id/ od", EDGES, 0xe799b56b9abd2e3a,
                  scaledCall<ScaledValuesParamsDouble>(f, static_cast<const char*>(p[0]), PD(1), n, q), SCALED_PARAMS(7, -1e300, 0x1p-1074)),
      TQ_PAIR_ROW(tqcalcChannelGetScaledValuesAtPos_float, "id/ of", EDGES, 0x17594421d1aca1c1,
                  scaledCall<ScaledValuesParamsFloat>(f, static_cast<const char*>(p[0]), PF(1), n, q), SCALED_PARAMS(5, 3e38f, -0.0)),
      // position min(q[0], length): from the start, inside, at the end.
      TQ_PAIR_ROW(tqcalcFIRFilter_float, "if if", BYTES | EXACT, 0x7727fd07691bb63e,
                  f(PF(0), PF(1), int32_t(n), int32_t(std::min<long double>(q[0], n))), {0}, {1}, {5}, {17}, {1000}),
      TQ_PAIR_ROW(tqcalcPinkFilter_double, "ud*0+8 id", EDGES, 0xcfacaaafcaaf6326, perSample(f, static_cast<PinkFilterState*>(p[0]), PD(1), n)),
      // Two sections: second order, forced by type 3 at order 4, general of
      // order 1, 0, -1 (as 0) and 5; the taps hold 48 doubles, random
      // coefficients and history, so most outputs reach the clamp.
      TQ_PAIR_ROW(tqcalcIIRFilterArr_double, "id od ux*0+48 id*0+2", EDGES, 0x057ba7c4f957ad4f, iir<double>(f, p, q, n, std::true_type()), IIR_PARAMS),
      TQ_PAIR_ROW(tqcalcIIRFilterArr_float, "if of ux*0+48 id*0+2", EDGES, 0x224227ce12c5f98c, iir<float>(f, p, q, n, std::true_type()), IIR_PARAMS),
      TQ_PAIR_ROW(tqcalcIIRFilter_double, "id ux*0+0 ux*0+48 id*0+2", EDGES, 0x908797368833ec39, iir<double>(f, p, q, n, std::false_type()), IIR_PARAMS),
      TQ_PAIR_ROW(tqcalcIIRFilter_float, "if ux*0+0 ux*0+48 id*0+2", EDGES, 0x1c4467ffbe907415, iir<float>(f, p, q, n, std::false_type()), IIR_PARAMS),
      TQ_PAIR_ROW(tqcalcCHSInterpolator_Create, "if of*6+6", 0, 0x7c80877bcba2b4dc, chsStream(f, &tqcalcCHSInterpolator_Create, PF(0), PF(1), n, q), {0.75}, {0}),
      TQ_PAIR_ROW(tqcalcCHSInterpolator_Destroy, "if of*6+6", 0, 0x581b976c4231f25a, chsStream(f, &tqcalcCHSInterpolator_Destroy, PF(0), PF(1), n, q), {1}),
      TQ_PAIR_ROW(tqcalcCHSInterpolator_InterpolateValues, "if of*6+6", 0, 0x7285fcd0a762fac0,
                  chsStream(f, &tqcalcCHSInterpolator_InterpolateValues, PF(0), PF(1), n, q), {1}, {2}, {0.5}, {3.7}, {0.3}, {0.91875}, {5.5}),
      TQ_PAIR_ROW(tqcalcCHSInterpolator_Reset, "if of*6+6", 0, 0x40214359425695ef, chsStream(f, &tqcalcCHSInterpolator_Reset, PF(0), PF(1), n, q), {2}),
      TQ_PAIR_ROW(tqcalcCHSInterpolator_Stop, "if of*6+6", 0, 0x50853e7bf00c4e2c, chsStream(f, &tqcalcCHSInterpolator_Stop, PF(0), PF(1), n, q), {0.3}),
      TQ_PAIR_ROW(tqcalcChannelFillBufferWithLinearFunction_double, "od", 0, 0xaccfee9b7ccd3185, (f(PD(0), n, double(q[0]), double(q[1])), 0.0),
                  {0.1, 3.7}, {-2.5, -0.0}, {DBL_MAX / 8, DBL_MAX}, {INFINITY, 1}),
      TQ_PAIR_ROW(tqcalcChannelFillBufferWithLinearFunction_float, "of", 0, 0xac40580663aed875, (f(PF(0), n, float(q[0]), float(q[1])), 0.0),
                  {0.1f, 3.7f}, {-2.5, -0.0}, {FLT_MAX / 8, FLT_MAX}, {INFINITY, 1}),
      TQ_PAIR_ROW(tqcalcGetMinMax_double, "id od*0+1 od*0+1", 0, 0x16b33d094bb6d1c0, (f(PD(0), n, PD(1), PD(2)), 0.0)),
      TQ_PAIR_ROW(tqcalcGetMinMax_float, "if of*0+1 of*0+1", 0, 0xbe8f5b2d949ad18a, (f(PF(0), n, PF(1), PF(2)), 0.0)),
      TQ_PAIR_ROW(tqcalcGetMinMax_int16_t, "is os*0+1 os*0+1", 0, 0xdd205e4296afe10d, (f(PS(0), n, PS(1), PS(2)), 0.0)),
      TQ_PAIR_ROW(tqcalcGetMinMax_int32_t, "iw ow*0+1 ow*0+1", 0, 0x4557fee2cf1bf335, (f(PW(0), n, PW(1), PW(2)), 0.0)),
      // Small integers and eighths: the sums are exact in any order.
      TQ_PAIR_ROW(tqcalcGetMinMaxAveRMS_double, "id ud*0+1 ud*0+1 ud*0+1 ud*0+1", EXACT, 0xc2932fd1a45d7ae3,
                  (f(PD(0), n, PD(1), PD(2), PD(3), PD(4), double(q[0])), 0.0), {0.25}, {-3}),
      TQ_PAIR_ROW(tqcalcGetMinMaxAveRMS_float, "if uf*0+1 uf*0+1 ud*0+1 ud*0+1", EXACT, 0x16589cce92a16490,
                  (f(PF(0), n, PF(1), PF(2), PD(3), PD(4), float(q[0])), 0.0), {0.25}, {-3}),
      TQ_PAIR_ROW(tqcalcGetMinMaxAveRMS_int16_t, "is us*0+1 us*0+1 ud*0+1 ud*0+1", EXACT, 0xcfc364f50d35c474,
                  (f(PS(0), n, PS(1), PS(2), PD(3), PD(4), float(q[0])), 0.0), {0.25}, {-3}),
      TQ_PAIR_ROW(tqcalcGetMinMaxAveRMS_int32_t, "iw uw*0+1 uw*0+1 ud*0+1 ud*0+1", EXACT, 0x8e8efc58d9daa600,
                  (f(PW(0), n, PW(1), PW(2), PD(3), PD(4), double(q[0])), 0.0), {0.25}, {-3}),
      TQ_PAIR_ROW(tqcalcMoveAndGetMinMaxAveRMS_int16_t, "os is/ us*0+1 us*0+1 ud*0+1 ud*0+1", EXACT, 0x6516fbfb8ec01b6a,
                  (f(PS(0), PS(1), n, PS(2), PS(3), PD(4), PD(5), float(q[1]), int32_t(q[0])), 0.0),
                  {1, 0.25}, {2, -3}, {3, 0.5}, {7, 0}),
      // q: xSourceMode, xAxisMode, yAxisMode, startIndex, empty ranges; n is the count.
      TQ_PAIR_ROW(tqcalcGetXYValGraph2D, "id*0+4 id*0+8 ow*0+4 ow*0+4 ow*0+1", EDGES, 0x1859c55f27120033, callXY(f, p, q, n),
                  {0, 0, 0, 3, 0}, {1, 1, 1, 4, 0}, {2, 2, 2, 0, 0}, {2, 0, 7, 1, 0}, {1, 1, 2, 2, 0},
                  {0, 0, 0, 3, 1}, {1, 1, 1, 4, 1}, {3, 0, 2, 0, 1}),
      // A window of n columns and 3 rows, row 0 last in memory (a positive
      // pitch walks down); q: cursor, excluded count, bytes added to the pitch.
      TQ_PAIR_ROW(tqcalcFindCursorXY, "bw*3 iw*0+5 ow*0+1 ow*0+1 ow*0+1", EXACT, 0xb325986aec4f6439,
                  (f(reinterpret_cast<const uint32_t*>(n ? PW(0) - (n - 1) : PW(0)), int32_t(4 * n + uint32_t(q[3])), int32_t(n), 3,
                     int32_t(q[0]), int32_t(q[1]), reinterpret_cast<uint32_t*>(PW(2)), PW(3), PW(4),
                     reinterpret_cast<const uint32_t*>(PW(1)), int32_t(q[2])), 0.0),
                  {5, 1, 5, 0}, {-10, 0, 2, 3}, {20, 7, 0, 1}, {3, -4, -1, 2}, {2, 1, 1, 0}),
      // Power sums: exact small values (any order of summation gives the
      // same bits); the running total from a seed of each sign.
      TQ_PAIR_ROW(tqcalcPowerPandQsum, "if*2 if*2 od*0+1 od*0+1", EXACT, 0xe03f5c42ce1b7d0c,
                  (f(PF(0), PF(1), int32_t(n), PD(2), PD(3)), 0.0)),
      TQ_PAIR_ROW(tqcalcPowerMultiplyAndSquareElementsAndSumVector_float, "if", EXACT, 0x560dfe28782366cf,
                  f(PF(0), int32_t(n), float(q[0])), {0.5}, {-3}, {1.25}),
      TQ_PAIR_ROW(tqcalcPowerSumVectorMultipliedWithScalar_double, "id of", EDGES, 0xbe29cb4d5ffee5e4, sumVectorRecord(f, PD(0), PF(1), n, q),
                  {2.5, 1, 0.75}, {-0.3f, -1, -0.0}, {1e30f, 0, 5}, {1e-30f, 1, -1e300}),
      TQ_PAIR_ROW(tqcalcPowerCalculatePosAndNegEnergy, "if if od*0+1 od*0+1", EXACT, 0x31f8d0ffed6d3171,
                  (f(PF(0), PF(1), int32_t(n), PD(2), PD(3)), 0.0)),
      TQ_PAIR_ROW(tqcalcPowerCalculatePosAndNegEnergyOnCondition, "if if if od*0+1 od*0+1", EDGES, 0x387261f25530f3b0,
                  (f(PF(0), PF(1), PF(2), int32_t(n), PD(3), PD(4)), 0.0)),
      // Angles: one bin per order reads up to bin count + 1, the spectrum's
      // last; smaller steps read less.
      TQ_PAIR_ROW(tqcalcPowerAngles, "if*2+4 of+1", EDGES, kAnglesDigest, (f(PF(0), PF(1), int32_t(n), float(q[0]), float(q[1])), 0.0),
                  {0, 1}, {-120, 1}, {37.5, 1}, {1e4f, 1}, {10, 0.75}, {-45, 0.3f}),
      TQ_PAIR_ROW(tqcalcPowerFindIndexOfMaxAmplitude, "if*2", EDGES, 0xb4e77e8f4225a9b8, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcPowerHarmonicZero, "if*2", EDGES, 0xc8e30f0b3a1fded8, f(PF(0), n)),
      // The FIR step on a ring of count + 16 samples; scalars {position, set},
      // the position taken modulo ringLength + 1.
      TQ_PAIR_ROW(tqcalcPowerCalcFIR_float, "if+16 if*0+48", EXACT, 0x4fb0ef1545a3aa96, f(record(PowerFirParams{PF(0), PF(1), uint32_t(q[0]) % (n + 17), uint32_t(q[1]), n + 16})),
                  {0, 0}, {5, 2}, {16, 1}, {20, 1}, {40, 2}, {56, 0}),
      TQ_PAIR_ROW(tqcalcSin_float, "if of", EDGES, 0x8ba51a548f161c4d, (f(PF(0), PF(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcATan_float, "if of", EDGES, 0x7270ce965122cb3e, (f(PF(0), PF(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcPowerFlicker, "if of ud*0+38", 0, 0x8e8ff491672eefba, flicker(f, p, q, n), {0}, {1}),
      TQ_PAIR_ROW(tqcalcPowerUnbalance, "if+1 if+1 if+1 if+1 if+1 if+1 of*0+13", EDGES, 0x5586e53f60700aee, unbalance(f, p, n)),
  };
  return table;
}

const Op& op(const std::string& name) {
  for (const Op& o : ops())
    if (name == o.name) return o;
  throw std::invalid_argument("no harness row for " + name);
}

}  // namespace tq::test
