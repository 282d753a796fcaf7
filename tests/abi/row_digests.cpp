// One recorded digest per harness row: its export's outputs over the row's
// shapes and scalars (digestRow), pinned across targets and rewrites.
#include "support/harness.h"

namespace tq::test {
namespace {

#define TQ_ROW_DIGEST(operation, recorded) \
  TQ_DIGEST_CASE(operation, recorded) { digestRow(invoker, op(#operation)); }

TQ_ROW_DIGEST(tqcalcGetVersion, 0x25f5878f754e1ea5)
TQ_ROW_DIGEST(tqcalcSumValues_double, 0xeb06ad2ad3f002fb)
TQ_ROW_DIGEST(tqcalcSumValues_float, 0xac019a1046da6c45)
TQ_ROW_DIGEST(tqcalcSumAbsValues_float, 0xa6d251794a5bd363)
TQ_ROW_DIGEST(tqcalcSumSquaredValues_float, 0x09eb4f4021a5b9d1)
TQ_ROW_DIGEST(tqcalcMultiplyVectorsAndCalcSum_float, 0x030fb5cf7a1b0c0a)
TQ_ROW_DIGEST(tqcalcAddVectorsAndMultiplyByScalar_float, 0x3815d696ed144f18)
TQ_ROW_DIGEST(tqcalcSubtractVectorsAndMultiplyByScalar_float, 0x11f87a0b112c58bf)
TQ_ROW_DIGEST(tqcalcMultiplyVectorByScalar_double, 0x293f31e1c11490f6)
TQ_ROW_DIGEST(tqcalcMultiplyVectorByScalar_float, 0xfb46357ea163afb1)
TQ_ROW_DIGEST(tqcalcAddScalarToVector_double, 0x72a37a5f27a17a54)
TQ_ROW_DIGEST(tqcalcAddScalarToVector_float, 0x75ed90cc1cb92ccf)
TQ_ROW_DIGEST(tqcalcMultiplyVectors_double, 0x28a08dbdfb54a39c)
TQ_ROW_DIGEST(tqcalcMultiplyVectors_float, 0xc147f8cba0dbd2cb)
TQ_ROW_DIGEST(tqcalcSqrtVector_double, 0x7aeee609fd3342a4)
TQ_ROW_DIGEST(tqcalcSqrtVector_float, 0x6c46ea99aebe161a)
TQ_ROW_DIGEST(tqcalcComplexVectorAbs_double, 0x110580ce7a7103de)
TQ_ROW_DIGEST(tqcalcComplexVectorAbs_float, 0xe06cd5650ef9dc76)
TQ_ROW_DIGEST(tqcalcVectorsMax_double, 0xa50ec1c0ec0bb2ec)
TQ_ROW_DIGEST(tqcalcVectorsMax_float, 0x4a2ced2e0dd58495)
TQ_ROW_DIGEST(tqcalcConvertInt16ToInt32, 0xdb2b74b4777281f1)
TQ_ROW_DIGEST(tqcalcConvertInt32ToInt16, 0x47c089249bf29259)
TQ_ROW_DIGEST(tqcalcCADoubleArrToSingleArrInplace, 0x4c7648349a5f9be1)
TQ_ROW_DIGEST(tqcalcCASingleArrToDoubleArrInplace, 0x675d16bed0b45253)
TQ_ROW_DIGEST(tqcalcCACalcFilter_float, 0xe23f6fffff3d0f94)
TQ_ROW_DIGEST(tqcalcCACalcFilter_int16_t, 0xc26afced62a1b56e)
TQ_ROW_DIGEST(tqcalcCACalcFilter_int32_t, 0xf46730ad739962b9)
TQ_ROW_DIGEST(tqcalcCACalcAveFilter_double, 0xa030323890d26856)
TQ_ROW_DIGEST(tqcalcCACalcAveFilter_float, 0x171728920a775ccf)
TQ_ROW_DIGEST(tqcalcCACalcAveFilter_double_scalar, 0x4178f58fb8af253c)
TQ_ROW_DIGEST(tqcalcCACalcAveFilter_float_scalar, 0xab27a6f4389b8375)
TQ_ROW_DIGEST(tqCalcCACopyRawDataToChannels, 0x5a1af122355d19d7)
TQ_ROW_DIGEST(tqCalcCAOverallPressure, 0xb58dd89941cafe51)
TQ_ROW_DIGEST(tqCalcCARunningVal, 0x83a8872bdb0962c5)
TQ_ROW_DIGEST(tqcalcCAPV_lin, 0xceae18286acad9b1)
TQ_ROW_DIGEST(tqcalcCAPV_log, 0x00b4de5bfa432c7a)
TQ_ROW_DIGEST(tqcalcChannelFillBufferWithLinearFunction_double, 0xaccfee9b7ccd3185)
TQ_ROW_DIGEST(tqcalcChannelFillBufferWithLinearFunction_float, 0xac40580663aed875)

}  // namespace
}  // namespace tq::test
