// The rows: every built export, as the harness calls it.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "support/harness.h"

namespace tq::test {

// The scaled copy's record from the row's arrays and scalars {scalar,
// flag, absSum}; the row's value is the absSum left behind.
template <class F>
double sumVectorRecord(F* f, const double* in, float* out, uint32_t n, const long double* q) {
  PowerSumVectorParams r{in, out, double(q[2]), float(q[0]), int32_t(n), int32_t(q[1])};
  f(&r);
  return r.absSum;
}

// The FIR step on a ring of count + 16 samples; scalars {position, set}, the
// position taken modulo ringLength + 1.
template <class F>
float firStep(F* f, const float* ring, const float* sets, uint32_t n, const long double* q) {
  const PowerFirParams r{ring, sets, uint32_t(q[0]) % (n + 17), uint32_t(q[1]), n + 16};
  return f(&r);
}

// Unbalance over count n + 1 (element 0 is always read), the thirteen
// output floats side by side in one array.
template <class F>
double unbalance(F* f, void* const* p, uint32_t n) {
  float* o = static_cast<float*>(p[6]);
  const PowerUnbalanceParams r{PF(0), PF(1), PF(2), PF(3), PF(4), PF(5), o, o + 1, o + 2, o + 3, o + 4,
                               o + 5, o + 6, o + 7, o + 9, o + 11, n + 1};
  f(&r);
  return 0.0;
}

const std::vector<Op>& ops() {
  static const std::vector<Op> table = {
      TQ_PAIR_ROW(tqcalcGetVersion, "ow*0+1 ow*0+1 ow*0+1", 0, (f(PW(0), PW(1), int32_t(q[0]), PW(2)), 0.0),
                  {13}, {12}, {INT32_MIN}, {INT32_MAX}, {-1}, {0}),
      TQ_PAIR_ROW(tqcalcSumValues_double, "id", BYTES | EXACT, f(PD(0), n)),
      TQ_PAIR_ROW(tqcalcSumValues_float, "if", BYTES | EXACT, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcSumAbsValues_float, "if", BYTES | EXACT, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcSumSquaredValues_float, "if", BYTES | EXACT, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcMultiplyVectorsAndCalcSum_float, "if if", BYTES | EXACT, f(PF(0), PF(1), n)),
      TQ_PAIR_ROW(tqcalcAddVectorsAndMultiplyByScalar_float, "of if if", EDGES | ELEMENTWISE,
                  (f(PF(0), PF(1), PF(2), n, float(q[0]), float(q[1])), 0.0), {-3.25, 0.1f}),
      TQ_PAIR_ROW(tqcalcSubtractVectorsAndMultiplyByScalar_float, "of if if", EDGES | ELEMENTWISE,
                  (f(PF(0), PF(1), PF(2), n, float(q[0])), 0.0), {0.3f}),
      TQ_PAIR_ROW(tqcalcMultiplyVectorByScalar_double, "ud", EDGES | ELEMENTWISE, (f(PD(0), n, double(q[0])), 0.0), {-1.7}),
      TQ_PAIR_ROW(tqcalcMultiplyVectorByScalar_float, "uf", EDGES | ELEMENTWISE, (f(PF(0), n, float(q[0])), 0.0), {-1.7f}),
      TQ_CDECL_ROW(tqcalcAddScalarToVector_double, "od id", EDGES | ELEMENTWISE, (f(PD(0), PD(1), double(q[0]), n), 0.0), {0.75}),
      TQ_CDECL_ROW(tqcalcAddScalarToVector_float, "of if", EDGES | ELEMENTWISE, (f(PF(0), PF(1), float(q[0]), n), 0.0), {0.75}),
      TQ_CDECL_ROW(tqcalcMultiplyVectors_double, "od id id", EDGES | ELEMENTWISE, (f(PD(0), PD(1), PD(2), n), 0.0)),
      TQ_CDECL_ROW(tqcalcMultiplyVectors_float, "of if if", EDGES | ELEMENTWISE, (f(PF(0), PF(1), PF(2), n), 0.0)),
      TQ_CDECL_ROW(tqcalcSqrtVector_double, "od id", EDGES | ELEMENTWISE, (f(PD(0), PD(1), n), 0.0)),
      TQ_CDECL_ROW(tqcalcSqrtVector_float, "of if", EDGES | ELEMENTWISE, (f(PF(0), PF(1), n), 0.0)),
      TQ_CDECL_ROW(tqcalcComplexVectorAbs_double, "od id*2", EDGES | ELEMENTWISE,
                   (f(PD(0), PD(1), uint8_t(q[0]), n), 0.0), {0}, {0x80}),
      TQ_CDECL_ROW(tqcalcComplexVectorAbs_float, "of if*2", EDGES | ELEMENTWISE,
                   (f(PF(0), PF(1), uint8_t(q[0]), n), 0.0), {0}, {0x80}),
      TQ_CDECL_ROW(tqcalcVectorsMax_double, "od id id", EDGES | ELEMENTWISE, (f(PD(0), PD(1), PD(2), n), 0.0)),
      TQ_CDECL_ROW(tqcalcVectorsMax_float, "of if if", EDGES | ELEMENTWISE, (f(PF(0), PF(1), PF(2), n), 0.0)),
      TQ_PAIR_ROW(tqcalcConvertInt16ToInt32, "is ow", ELEMENTWISE, (f(PS(0), PW(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcConvertInt32ToInt16, "iw os", ELEMENTWISE, (f(PW(0), PS(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcCADoubleArrToSingleArrInplace, "ux", EDGES, f(p[0], n) == p[0]),
      TQ_PAIR_ROW(tqcalcCASingleArrToDoubleArrInplace, "ux", EDGES, f(p[0], n) == p[0]),
      TQ_PAIR_ROW(tqcalcCACalcFilter_float, "bf if/", EXACT, f(PF(0), n, PF(1), uint32_t(q[0])), {3}, {1}, {0}),
      TQ_PAIR_ROW(tqcalcCACalcFilter_int16_t, "bs if/", EXACT, f(PS(0), n, PF(1), uint32_t(q[0])), {3}, {1}, {0}),
      TQ_PAIR_ROW(tqcalcCACalcFilter_int32_t, "bw if/", EXACT, f(PW(0), n, PF(1), uint32_t(q[0])), {3}, {1}, {0}),
      // Widths below, at and above the counts of the sweep (count < W: nothing written).
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_double, "id od", 0, (f(PD(0), PD(1), uint16_t(q[0]), n), 0.0),
                  {3}, {0}, {2}, {7}, {20}, {41}),
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_float, "if of", 0, (f(PF(0), PF(1), uint16_t(q[0]), n), 0.0),
                  {3}, {0}, {2}, {7}, {20}, {41}),
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_double_scalar, "id od", 0, (f(PD(0), PD(1), uint16_t(q[0]), n), 0.0),
                  {3}, {0}, {2}, {7}, {20}, {41}),
      TQ_PAIR_ROW(tqcalcCACalcAveFilter_float_scalar, "if of", 0, (f(PF(0), PF(1), uint16_t(q[0]), n), 0.0),
                  {3}, {0}, {2}, {7}, {20}, {41}),
      // The indices give only the count: the arrays start at element 0 (raw
      // data at firstIndex).
      TQ_PAIR_ROW(tqCalcCACopyRawDataToChannels, "if+3 of of*0+1 ow*0+1", EDGES,
                  (f(PF(0), PF(1), uint32_t(q[0]), uint32_t(q[0]) + n, float(q[1]), PF(2), reinterpret_cast<uint32_t*>(PW(3))), 0.0),
                  {3, 0.5}),
      TQ_PAIR_ROW(tqCalcCAOverallPressure, "if uf of*0+1", 0,
                  (f(PF(0), PF(1), uint32_t(q[0]), uint32_t(q[0]) + n, uint64_t(q[1]), PF(2)), 0.0),
                  {3, 6}, {3, 0}, {0, 1}, {7, 1000003}, {1, (1ull << 32) + 3}),
      // Cycle indices beyond 2^32 read whole (on i386 from two slots).
      TQ_PAIR_ROW(tqCalcCARunningVal, "if if uf of", 0,
                  (f(PF(0), PF(1), PF(2), PF(3), uint32_t(q[0]), uint32_t(q[0]) + n - 1, uint64_t(q[1]), uint32_t(q[2])), 0.0),
                  {2, 9, 4}, {2, 0, 4}, {0, 2, 5}, {2, 6, 7}, {5, 7, 7}, {2, 1ull << 32, 3}, {2, (1ull << 33) + 1, 0xFFFFFFFFu}),
      TQ_PAIR_ROW(tqcalcCAPV_lin, "if ow", EDGES,
                  (f(PF(0), n, PW(1), int32_t(q[0]), int32_t(q[1]), float(q[2]), float(q[3])), 0.0),
                  {-100, 100, 2, 0.5}, {-300, 250, 37.5, -3.25}, {INT32_MIN, INT32_MAX, 1e7, 0}),
      TQ_PAIR_ROW(tqcalcCAPV_log, "if ow", EDGES,
                  (f(PF(0), n, PW(1), int32_t(q[0]), int32_t(q[1]), float(q[2]), float(q[3]), float(q[4])), 0.0),
                  {-2000, 2000, 100, 50, 10}, {0, 640, -80, 320, 0.25}, {-100000, 100000, 100, 0, 0}),
      TQ_PAIR_ROW(tqcalcChannelFillBufferWithLinearFunction_double, "od", 0, (f(PD(0), n, double(q[0]), double(q[1])), 0.0),
                  {0.1, 3.7}, {-2.5, -0.0}, {DBL_MAX / 8, DBL_MAX}, {INFINITY, 1}),
      TQ_PAIR_ROW(tqcalcChannelFillBufferWithLinearFunction_float, "of", 0, (f(PF(0), n, float(q[0]), float(q[1])), 0.0),
                  {0.1f, 3.7f}, {-2.5, -0.0}, {FLT_MAX / 8, FLT_MAX}, {INFINITY, 1}),
      // Power sums: exact small values (any order of summation gives the
      // same bits); the running total from a seed of each sign.
      TQ_PAIR_ROW(tqcalcPowerPandQsum, "if*2 if*2 od*0+1 od*0+1", BYTES | EXACT,
                  (f(PF(0), PF(1), int32_t(n), PD(2), PD(3)), 0.0)),
      TQ_PAIR_ROW(tqcalcPowerMultiplyAndSquareElementsAndSumVector_float, "if", BYTES | EXACT,
                  f(PF(0), int32_t(n), float(q[0])), {0.5}, {-3}, {1.25}),
      TQ_PAIR_ROW(tqcalcPowerSumVectorMultipliedWithScalar_double, "id of", EDGES, sumVectorRecord(f, PD(0), PF(1), n, q),
                  {2.5, 1, 0.75}, {-0.3f, -1, -0.0}, {1e30f, 0, 5}, {1e-30f, 1, -1e300}),
      TQ_PAIR_ROW(tqcalcPowerCalculatePosAndNegEnergy, "if if od*0+1 od*0+1", BYTES | EXACT,
                  (f(PF(0), PF(1), int32_t(n), PD(2), PD(3)), 0.0)),
      TQ_PAIR_ROW(tqcalcPowerCalculatePosAndNegEnergyOnCondition, "if if if od*0+1 od*0+1", BYTES | EDGES,
                  (f(PF(0), PF(1), PF(2), int32_t(n), PD(3), PD(4)), 0.0)),
      // Angles: one bin per order reads up to bin count + 1, the spectrum's
      // last; smaller steps read less.
      TQ_PAIR_ROW(tqcalcPowerAngles, "if*2+4 of+1", EDGES, (f(PF(0), PF(1), int32_t(n), float(q[0]), float(q[1])), 0.0),
                  {0, 1}, {-120, 1}, {37.5, 1}, {1e4f, 1}, {10, 0.75}, {-45, 0.3f}),
      TQ_PAIR_ROW(tqcalcPowerFindIndexOfMaxAmplitude, "if*2", EDGES, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcPowerHarmonicZero, "if*2", EDGES, f(PF(0), n)),
      TQ_PAIR_ROW(tqcalcPowerCalcFIR_float, "if+16 if*0+48", BYTES | EXACT, firStep(f, PF(0), PF(1), n, q),
                  {0, 0}, {5, 2}, {16, 1}, {20, 1}, {40, 2}, {56, 0}),
      TQ_PAIR_ROW(tqcalcSin_float, "if of", BYTES | EDGES, (f(PF(0), PF(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcATan_float, "if of", BYTES | EDGES, (f(PF(0), PF(1), n), 0.0)),
      TQ_PAIR_ROW(tqcalcPowerUnbalance, "if+1 if+1 if+1 if+1 if+1 if+1 of*0+13", EDGES, unbalance(f, p, n)),
  };
  return table;
}

const Op& op(const std::string& name) {
  for (const Op& o : ops())
    if (name == o.name) return o;
  throw std::invalid_argument("no harness row for " + name);
}

std::vector<Arg> parseArgs(const char* shape) {
  std::vector<Arg> args;
  for (const char* s = shape; *s;) {
    static const Role roles[] = {IN, INOUT, OUT, BACKWARD};
    Arg a{Kind(std::string("fdswx").find(s[1])), roles[std::string("iuob").find(s[0])], 1, 0, s[2] == '/'};
    char* end = const_cast<char*>(s + 2 + a.strided);
    if (*end == '*') a.mul = int(std::strtol(end + 1, &end, 10));
    if (*end == '+' || *end == '-') a.add = int(std::strtol(end, &end, 10));
    args.push_back(a);
    s = *end ? end + 1 : end;
  }
  return args;
}

}  // namespace tq::test
