/*
 * tqcalc-avx: AVX numeric kernels for measurement and data-acquisition hosts.
 *
 * The one public header, for C and C++. Every operation is exported twice:
 * the plain name uses the stdcall convention (the callee removes its
 * arguments), the `_cdecl` twin takes the same arguments and leaves them to
 * the caller. A few kernels exist only as cdecl, a few only under a decorated
 * stdcall name; their declarations below say so.
 *
 * No function checks its arguments; a count of 0 reads and writes nothing
 * (unless the function's comment says otherwise), so null pointers are fine
 * with it.
 */
#ifndef TQCALC_H
#define TQCALC_H

#include <stddef.h>
#include <stdint.h>

/* Calling conventions. On x86-64 there is only one, so both are empty. */
#if defined(_WIN32) && !defined(_WIN64)
#  define TQCALC_STDCALL __stdcall
#  define TQCALC_CDECL __cdecl
#elif defined(__i386__)
#  define TQCALC_STDCALL __attribute__((stdcall))
#  define TQCALC_CDECL __attribute__((cdecl))
#else
#  define TQCALC_STDCALL
#  define TQCALC_CDECL
#endif

/* Symbol visibility: the library is built with hidden visibility, and the
 * declarations here open exactly the exported functions. */
#if defined(_WIN32)
#  define TQCALC_API
#else
#  define TQCALC_API __attribute__((visibility("default")))
#endif

/* A stdcall entry exported only under its decorated name `_name@N`. Windows
 * decorates by itself; ELF cannot carry the `@N`, so there the symbol is the
 * name with its leading underscore. */
#if defined(_WIN32)
#  define TQCALC_DECORATED_SYMBOL(name)
#else
#  define TQCALC_DECORATED_SYMBOL(name) __asm__("_" #name)
#endif

/* Declaration helpers: one parameter list for both entries of a pair. */
#define TQCALC_PAIR(result, name, params)                  \
  TQCALC_API result TQCALC_STDCALL name params;            \
  TQCALC_API result TQCALC_CDECL name##_cdecl params
#define TQCALC_CDECL_ONLY(result, name, params)            \
  TQCALC_API result TQCALC_CDECL name##_cdecl params
#define TQCALC_DECORATED(result, name, params)             \
  TQCALC_API result TQCALC_STDCALL name params TQCALC_DECORATED_SYMBOL(name)
#define TQCALC_DECORATED_PAIR(result, name, params)        \
  TQCALC_DECORATED(result, name, params);                  \
  TQCALC_API result TQCALC_CDECL name##_cdecl params

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Version -------------------------------------------------------------
 * Writes 3, 4 and (1 if hostVersion >= 13, else 0), in that order. */
TQCALC_PAIR(void, tqcalcGetVersion,
            (int32_t* majorVersion, int32_t* minorVersion, int32_t hostVersion,
             int32_t* isCompatible));

/* ---- Reductions ----------------------------------------------------------
 * Sums accumulate in double, also for float input (each float is widened
 * before it is used, so products and squares are exact). The summation order
 * is not sequential: results may differ from a plain loop in the last bits. */
TQCALC_PAIR(double, tqcalcSumValues_double, (const double* values, uint32_t count));
TQCALC_PAIR(double, tqcalcSumValues_float, (const float* values, uint32_t count));
TQCALC_PAIR(double, tqcalcSumAbsValues_float, (const float* values, uint32_t count));
TQCALC_PAIR(double, tqcalcSumSquaredValues_float, (const float* values, uint32_t count));
TQCALC_PAIR(double, tqcalcMultiplyVectorsAndCalcSum_float,
            (const float* valuesA, const float* valuesB, uint32_t count));

/* ---- Element-wise arithmetic -----------------------------------------------*/
/* Output element i from the elements i of the inputs, each step rounded in
 * the element type's precision, in the order of the formula. The destination
 * may be an input (in place); for arrays that overlap only partly the result
 * is that of storing one element at a time in ascending order. */
/* destination[i] = addend + source[i] */
TQCALC_CDECL_ONLY(void, tqcalcAddScalarToVector_double,
                  (double* destination, const double* source, double addend, uint32_t count));
TQCALC_CDECL_ONLY(void, tqcalcAddScalarToVector_float,
                  (float* destination, const float* source, float addend, uint32_t count));
/* destination[i] = (factorB * valuesB[i] + valuesA[i]) * scale */
TQCALC_PAIR(void, tqcalcAddVectorsAndMultiplyByScalar_float,
            (float* destination, const float* valuesA, const float* valuesB, uint32_t count, float factorB,
             float scale));
/* destination[i] = (valuesA[i] - valuesB[i]) * scale */
TQCALC_PAIR(void, tqcalcSubtractVectorsAndMultiplyByScalar_float,
            (float* destination, const float* valuesA, const float* valuesB, uint32_t count, float scale));
/* values[i] *= scalar, in place */
TQCALC_PAIR(void, tqcalcMultiplyVectorByScalar_double, (double* values, uint32_t count, double scalar));
TQCALC_PAIR(void, tqcalcMultiplyVectorByScalar_float, (float* values, uint32_t count, float scalar));
/* destination[i] = valuesA[i] * valuesB[i] */
TQCALC_CDECL_ONLY(void, tqcalcMultiplyVectors_double,
                  (double* destination, const double* valuesA, const double* valuesB, uint32_t count));
TQCALC_CDECL_ONLY(void, tqcalcMultiplyVectors_float,
                  (float* destination, const float* valuesA, const float* valuesB, uint32_t count));
/* destination[i] = correctly rounded square root of source[i] (NaN below 0) */
TQCALC_CDECL_ONLY(void, tqcalcSqrtVector_double, (double* destination, const double* source, uint32_t count));
TQCALC_CDECL_ONLY(void, tqcalcSqrtVector_float, (float* destination, const float* source, uint32_t count));
/* source holds count (re, im) pairs; destination[i] = re*re + im*im when
 * squaredMagnitude (only its low byte counts) is not 0, else its square root.
 * No rescaling: large components overflow to infinity. The destination may
 * also overwrite the front of the source. */
TQCALC_CDECL_ONLY(void, tqcalcComplexVectorAbs_double,
                  (double* destination, const double* source, uint8_t squaredMagnitude, uint32_t count));
TQCALC_CDECL_ONLY(void, tqcalcComplexVectorAbs_float,
                  (float* destination, const float* source, uint8_t squaredMagnitude, uint32_t count));
/* destination[i] = fmax(valuesA[i], valuesB[i]): the larger value, the other
 * one when exactly one is NaN, +0 for a +0/-0 pair, valuesB[i] when both are
 * NaN. */
TQCALC_CDECL_ONLY(void, tqcalcVectorsMax_double,
                  (double* destination, const double* valuesA, const double* valuesB, uint32_t count));
TQCALC_CDECL_ONLY(void, tqcalcVectorsMax_float,
                  (float* destination, const float* valuesA, const float* valuesB, uint32_t count));

/* ---- Sample format conversions ---------------------------------------------*/
/* destination[i] = source[i], sign-extended. No overlap. */
TQCALC_PAIR(void, tqcalcConvertInt16ToInt32, (const int16_t* source, int32_t* destination, uint32_t count));
/* destination[i] = the low 16 bits of source[i] (modulo 65536, no
 * saturation). destination may equal source. */
TQCALC_PAIR(void, tqcalcConvertInt32ToInt16, (const int32_t* source, int16_t* destination, uint32_t count));
/* In place within a block of 8 * count bytes: count doubles become count
 * floats (rounded to nearest) in the first 4 * count bytes; the bytes behind
 * them are left as they were. Returns buffer. */
TQCALC_PAIR(float*, tqcalcCADoubleArrToSingleArrInplace, (void* buffer, uint32_t count));
/* In place: count floats in the first 4 * count bytes become count doubles
 * (exact) filling 8 * count bytes. Returns buffer. */
TQCALC_PAIR(double*, tqcalcCASingleArrToDoubleArrInplace, (void* buffer, uint32_t count));

/* ---- Crank-angle filters ---------------------------------------------------*/
/* One FIR output at one position: the sum over j < tapCount of
 * newestSample[-j] * coefficients[j * coefficientStride], in float (samples
 * converted to float first). The window extends towards lower addresses.
 * Windows of 4 taps and more (8 for int16) are summed in vector lanes, so the
 * result may differ from a sequential sum in the last bits; it depends only
 * on the values, not on where they lie. tapCount 0 returns 0 and reads
 * nothing. */
TQCALC_PAIR(float, tqcalcCACalcFilter_float,
            (const float* newestSample, uint32_t tapCount, const float* coefficients, uint32_t coefficientStride));
TQCALC_PAIR(float, tqcalcCACalcFilter_int16_t,
            (const int16_t* newestSample, uint32_t tapCount, const float* coefficients, uint32_t coefficientStride));
TQCALC_PAIR(float, tqcalcCACalcFilter_int32_t,
            (const int32_t* newestSample, uint32_t tapCount, const float* coefficients, uint32_t coefficientStride));

/* ---- Averaging filters -----------------------------------------------------*/
/* Centred moving average of width W = windowWidth rounded up to odd (only
 * the low 16 bits of the slot count; 0 and 1 give W = 1) over count samples;
 * the first and last (W - 1) / 2 outputs repeat the first and last full
 * window's mean. input and output must not overlap. count < W is not a
 * valid call: nothing is read or written.
 * The general form splits long signals into segments computed in vector
 * lanes, each re-seeded from a direct window sum (so rounding drifts over one
 * segment at most; the last bits differ from the sequential form): the
 * double form when count >= 64 and the raw windowWidth <= count / 32 (5
 * segments), the float form when count >= 128 and windowWidth <= count / 64
 * (9 segments). Otherwise it gives exactly the sequential form's bits. */
TQCALC_PAIR(void, tqcalcCACalcAveFilter_double,
            (const double* input, double* output, uint16_t windowWidth, uint32_t count));
TQCALC_PAIR(void, tqcalcCACalcAveFilter_float,
            (const float* input, float* output, uint16_t windowWidth, uint32_t count));
/* The sequential form alone: one running mean from start to end. Exported
 * only as `_name@16` (Windows) or `_name` (ELF), stdcall, no cdecl twin. */
TQCALC_DECORATED(void, tqcalcCACalcAveFilter_double_scalar,
                 (const double* input, double* output, uint16_t windowWidth, uint32_t count));
TQCALC_DECORATED(void, tqcalcCACalcAveFilter_float_scalar,
                 (const float* input, float* output, uint16_t windowWidth, uint32_t count));

/* ---- Raw data to cycle channels --------------------------------------------*/
/* Copies rawData[firstIndex .. endIndex-1] less offset into channelData[0 ..]
 * and reports the first maximum of the copied values with its rawData index.
 * The search starts at the smallest normal float (FLT_MIN) with the index
 * 0xFFFFFFFF: curves that never exceed FLT_MIN leave both. rawData and
 * channelData may be the same array (the range moves down to element 0). */
TQCALC_PAIR(void, tqCalcCACopyRawDataToChannels,
            (const float* rawData, float* channelData, uint32_t firstIndex, uint32_t endIndex,
             float offset, float* maxValue, uint32_t* maxIndex));

/* ---- Overall pressure and running values -----------------------------------*/
/* Folds one cycle into the cumulative mean curve of cycleCount earlier cycles:
 * averageData[i] = (averageData[i] * n + cycleData[i]) / (n + 1) for
 * i in 0 .. endIndex-firstIndex-1 (the indices fix only the count), and
 * writes the peak of the updated curve, at least FLT_MIN, to maxValue. */
TQCALC_PAIR(void, tqCalcCAOverallPressure,
            (const float* cycleData, float* averageData, uint32_t firstIndex, uint32_t endIndex,
             uint64_t cycleCount, float* maxValue));
/* Moving mean over the last windowCycles cycles, one cycle per call, for the
 * lastIndex-firstIndex+1 samples from element 0. sumData is the host's
 * running sum (set by the call with cycleIndex 0); oldestCycleData is the
 * curve leaving the window, read only when cycleIndex >= windowCycles. */
TQCALC_PAIR(void, tqCalcCARunningVal,
            (const float* cycleData, const float* oldestCycleData, float* sumData, float* meanData,
             uint32_t firstIndex, uint32_t lastIndex, uint64_t cycleIndex, uint32_t windowCycles));

/* ---- Pressure-volume diagrams ----------------------------------------------*/
/* Map `count` pressures or volumes onto integer diagram coordinates, clamped
 * to [minCoordinate, maxCoordinate]: scale * value + offset on a linear axis,
 * scale * log10(max(value / reference, 1e-9)) + offset on a logarithmic one
 * (a fast logarithm good to about 1.2e-4). NaN gives minCoordinate. Below 8
 * values halves round away from zero, from 8 values on to even.
 * `coordinates` must not overlap `values`. */
TQCALC_PAIR(void, tqcalcCAPV_lin,
            (const float* values, uint32_t count, int32_t* coordinates, int32_t minCoordinate,
             int32_t maxCoordinate, float scale, float offset));
TQCALC_PAIR(void, tqcalcCAPV_log,
            (const float* values, uint32_t count, int32_t* coordinates, int32_t minCoordinate,
             int32_t maxCoordinate, float scale, float offset, float reference));

/* ---- Record layout -------------------------------------------------------
 * Records are laid out as a 32-bit host lays them out; the offsets are
 * checked on the 32-bit targets. i386 Linux aligns doubles inside records to
 * 4 bytes, Windows to 8: TQCALC_ALIGN8 keeps them at 8 on both. */
#ifndef TQCALC_ALIGN8
#  if defined(__cplusplus)
#    define TQCALC_ALIGN8 alignas(8)
#    define TQCALC_STATIC_ASSERT(condition, text) static_assert(condition, text)
#  else
#    define TQCALC_ALIGN8 _Alignas(8)
#    define TQCALC_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#  endif
#  if defined(__i386__) || (defined(_WIN32) && !defined(_WIN64))
#    define TQCALC_OFFSET32(record, field, offset) \
       TQCALC_STATIC_ASSERT(offsetof(record, field) == (offset), "32-bit offset of " #record "." #field)
#    define TQCALC_SIZE32(record, size) TQCALC_STATIC_ASSERT(sizeof(record) == (size), "32-bit size of " #record)
#  else
#    define TQCALC_OFFSET32(record, field, offset) TQCALC_STATIC_ASSERT(1, "")
#    define TQCALC_SIZE32(record, size) TQCALC_STATIC_ASSERT(1, "")
#  endif
#endif

/* ---- Scaled channel values at a position -----------------------------------*/
/* Storage type of a channel's raw samples (a 32-bit code; codes above 10 are
 * not valid). The pair types hold two values per sample. */
typedef enum ChannelSampleType {
  ChannelSampleUInt8 = 0,
  ChannelSampleInt8 = 1,
  ChannelSampleInt16 = 2,
  ChannelSampleUInt16 = 3,
  ChannelSampleInt32 = 4,
  ChannelSampleFloat = 5,
  ChannelSampleInt64 = 6,
  ChannelSampleDouble = 7,
  ChannelSampleUInt32 = 8,
  ChannelSampleFloatPair = 9,
  ChannelSampleDoublePair = 10
} ChannelSampleType;

/* destination[i] = sample(i * stride) * scale + offset for i < count (codes
 * 0-8), or the 2 * count values at j * stride unscaled (codes 9, 10). stride
 * counts source elements and may be 0 or negative. count <= 0 or a code
 * above 10 writes nothing. */
typedef struct ScaledValuesParamsDouble {
  const void* source;
  double* destination;
  TQCALC_ALIGN8 double scale;
  double offset;
  int32_t count;
  uint32_t sampleType; /* a ChannelSampleType code */
  int32_t stride;
} ScaledValuesParamsDouble;
TQCALC_OFFSET32(ScaledValuesParamsDouble, destination, 4);
TQCALC_OFFSET32(ScaledValuesParamsDouble, scale, 8);
TQCALC_OFFSET32(ScaledValuesParamsDouble, offset, 16);
TQCALC_OFFSET32(ScaledValuesParamsDouble, count, 24);
TQCALC_OFFSET32(ScaledValuesParamsDouble, sampleType, 28);
TQCALC_OFFSET32(ScaledValuesParamsDouble, stride, 32);

typedef struct ScaledValuesParamsFloat {
  const void* source;
  float* destination;
  float scale;
  float offset;
  int32_t count;
  uint32_t sampleType; /* a ChannelSampleType code */
  int32_t stride;
} ScaledValuesParamsFloat;
TQCALC_OFFSET32(ScaledValuesParamsFloat, destination, 4);
TQCALC_OFFSET32(ScaledValuesParamsFloat, scale, 8);
TQCALC_OFFSET32(ScaledValuesParamsFloat, offset, 12);
TQCALC_OFFSET32(ScaledValuesParamsFloat, count, 16);
TQCALC_OFFSET32(ScaledValuesParamsFloat, sampleType, 20);
TQCALC_OFFSET32(ScaledValuesParamsFloat, stride, 24);

/* Conversions to double are exact except 64-bit integers (rounded once);
 * UInt32 is unsigned. Into float: Int64 and UInt32 are rounded to double
 * first, Double samples are scaled in double and rounded once, FloatPair
 * values are copied bit for bit. The _aligned_output names are the same
 * entries. */
TQCALC_PAIR(void, tqcalcChannelGetScaledValuesAtPos_double, (const ScaledValuesParamsDouble* params));
TQCALC_PAIR(void, tqcalcChannelGetScaledValuesAtPos_float, (const ScaledValuesParamsFloat* params));
TQCALC_PAIR(void, tqcalcChannelGetScaledValuesAtPos_double_aligned_output, (const ScaledValuesParamsDouble* params));
TQCALC_PAIR(void, tqcalcChannelGetScaledValuesAtPos_float_aligned_output, (const ScaledValuesParamsFloat* params));

/* ---- Linear-function fill --------------------------------------------------*/
/* buffer[i] = i * slope + intercept for i = 0 .. count - 1, each product and
 * sum rounded in the buffer's type; the float version rounds the index to
 * float first (neighbouring elements above 2^24 can be equal). */
TQCALC_PAIR(void, tqcalcChannelFillBufferWithLinearFunction_double,
            (double* buffer, uint32_t count, double slope, double intercept));
TQCALC_PAIR(void, tqcalcChannelFillBufferWithLinearFunction_float,
            (float* buffer, uint32_t count, float slope, float intercept));

/* ---- Minimum and maximum ---------------------------------------------------*/
/* Overwrites minValue and maxValue with the extremes of values[0 .. count-1]
 * (integers signed). A NaN after element 0 is never taken; a NaN element 0
 * is returned in both. count 0 reads and writes nothing. */
TQCALC_PAIR(void, tqcalcGetMinMax_double, (const double* values, uint32_t count, double* minValue, double* maxValue));
TQCALC_PAIR(void, tqcalcGetMinMax_float, (const float* values, uint32_t count, float* minValue, float* maxValue));
TQCALC_PAIR(void, tqcalcGetMinMax_int16_t,
            (const int16_t* values, uint32_t count, int16_t* minValue, int16_t* maxValue));
TQCALC_PAIR(void, tqcalcGetMinMax_int32_t,
            (const int32_t* values, uint32_t count, int32_t* minValue, int32_t* maxValue));

/* ---- Running statistics ----------------------------------------------------*/
/* Folds values[0 .. count-1] into the caller's running minimum, maximum, sum
 * of the samples and sum of squares of (sample + offset): the offset shifts
 * only the squares, so a negative mean as offset gives squared deviations.
 * The sums are double for every type. A NaN sample never replaces a number in minValue/maxValue, a NaN
 * there stays. The shifted sample is formed in double, except for float and
 * int16 samples below 8 per call, and for int16 samples outside the whole
 * blocks of eight from the array's first 16-byte boundary: those form it in
 * float. Long arrays sum in another order than one at a time. */
TQCALC_PAIR(void, tqcalcGetMinMaxAveRMS_double,
            (const double* values, uint32_t count, double* minValue, double* maxValue, double* sum,
             double* sumOfSquares, double offset));
TQCALC_PAIR(void, tqcalcGetMinMaxAveRMS_float,
            (const float* values, uint32_t count, float* minValue, float* maxValue, double* sum,
             double* sumOfSquares, float offset));
TQCALC_PAIR(void, tqcalcGetMinMaxAveRMS_int16_t,
            (const int16_t* values, uint32_t count, int16_t* minValue, int16_t* maxValue, double* sum,
             double* sumOfSquares, float offset));
TQCALC_PAIR(void, tqcalcGetMinMaxAveRMS_int32_t,
            (const int32_t* values, uint32_t count, int32_t* minValue, int32_t* maxValue, double* sum,
             double* sumOfSquares, double offset));

/* ---- Copy with statistics --------------------------------------------------*/
/* destination[i] = source[i * stride] for i < count (no overlap), and the
 * running statistics of tqcalcGetMinMaxAveRMS_int16_t over those samples.
 * The int16 blocks start at the first 16-byte boundary of the source for
 * stride 1, of the destination for any other stride. */
TQCALC_PAIR(void, tqcalcMoveAndGetMinMaxAveRMS_int16_t,
            (int16_t* destination, const int16_t* source, uint32_t count, int16_t* minValue, int16_t* maxValue,
             double* sum, double* sumOfSquares, float offset, int32_t stride));

/* ---- XY graph values -------------------------------------------------------*/
/* Maps one point (count < 4) or four points (count >= 4) of a series to
 * pixels of a plot rectangle on linear, logarithmic (fast log10 of the value
 * rounded to float) or decibel axes, and stores 1 or 4 in *pointsDone; the
 * host advances startIndex, yValues, xPixels and yPixels by that many and
 * calls again while count is above 0. The two forms differ in their guards,
 * zero ranges and rounding (one point: add 0.5 and truncate; four: to even).
 * Normalised positions are clamped to +-1e6 (NaN to -1e6), pixels to the
 * int16 range. */
typedef struct XYGraphParams {
  uint32_t count;
  uint8_t reserved0;
  uint8_t xSourceMode;  /* 0 sample index, 1 xValues[index], 2 index * xStep + xStart; others as 0 */
  uint8_t ySampleType;  /* 5: yValues are floats; any other code: doubles */
  uint8_t xAxisMode;    /* 0 linear, 1 logarithmic, others: x is the normalised position */
  int32_t startIndex;
  uint8_t yAxisMode;    /* 0 linear, 1 logarithmic, others decibel */
  uint8_t reserved1[3];
  int16_t left, top, right, bottom;
  double xStep, xStart, yFactor, yOffset;
  double xMax, xMin, logXMax, logXMin;
  double yMax, yMin, logYMax, logYMin;
  double dbReference;
  const void* yValues;
  const double* xValues;
  int32_t* xPixels;
  int32_t* yPixels;
  uint32_t* pointsDone;
  TQCALC_ALIGN8 double dbFactor;
} XYGraphParams;
TQCALC_OFFSET32(XYGraphParams, xSourceMode, 5);
TQCALC_OFFSET32(XYGraphParams, startIndex, 8);
TQCALC_OFFSET32(XYGraphParams, yAxisMode, 12);
TQCALC_OFFSET32(XYGraphParams, left, 16);
TQCALC_OFFSET32(XYGraphParams, bottom, 22);
TQCALC_OFFSET32(XYGraphParams, xStep, 24);
TQCALC_OFFSET32(XYGraphParams, dbReference, 120);
TQCALC_OFFSET32(XYGraphParams, yValues, 128);
TQCALC_OFFSET32(XYGraphParams, pointsDone, 144);
TQCALC_OFFSET32(XYGraphParams, dbFactor, 152);
TQCALC_SIZE32(XYGraphParams, 160);
TQCALC_PAIR(void, tqcalcGetXYValGraph2D, (const XYGraphParams* params));

/* ---- Cursor search ---------------------------------------------------------*/
/* Finds, in a window of width x height 32-bit cells, the cell nearest to
 * (cursorX, cursorY) whose value is none of the excludedCount values (none
 * when 0 or less), and writes its value, column and row; with no candidate
 * the three outputs keep their values. Cell (c, r) is at byte
 * cells - r * P + 4 * c, P = pitch rounded toward zero to a multiple of 4
 * (a positive pitch walks to lower addresses). Squared distances in float
 * from wrapping 32-bit differences; rows in order, the earliest cell wins a
 * tie. Over 63 excluded values a scratch array comes from the heap (if the
 * heap refuses, the search compares with the values directly). */
TQCALC_PAIR(void, tqcalcFindCursorXY,
            (const uint32_t* cells, int32_t pitch, int32_t width, int32_t height, int32_t cursorX, int32_t cursorY,
             uint32_t* foundValue, int32_t* foundColumn, int32_t* foundRow, const uint32_t* excludedValues,
             int32_t excludedCount));
/* ---- CHS interpolator --------------------------------------------------------*/
/* A resampler object for one float stream: cubic Hermite interpolation with
 * Catmull-Rom tangents. Output j lies at input position j / ratio (ratio =
 * outputRate / inputRate); each block returns every output whose position
 * has come within the block's reach (up to the newest sample but one). The
 * outputs stay in the object's buffer until its next call. */
typedef struct CHSInterpolatorParams {
  TQCALC_ALIGN8 double inputRate; /* > 0 */
  double outputRate;              /* > 0 */
  uint32_t bufferLength;          /* a power of two >= 4: blocks of up to bufferLength - 2 samples */
} CHSInterpolatorParams;
TQCALC_OFFSET32(CHSInterpolatorParams, outputRate, 8);
TQCALC_OFFSET32(CHSInterpolatorParams, bufferLength, 16);

typedef struct CHSInterpolator CHSInterpolator; /* opaque */

enum CHSStatus {
  CHSStatusOk = 0,
  CHSStatusInvalidArgument = 1, /* null pointer, a rate not > 0, count 0, no memory */
  CHSStatusBlockTooLarge = 2,
  CHSStatusStopped = 3,
  CHSStatusBadBufferLength = 4 /* 0, 1, 2 or not a power of two */
};

/* Writes the handle only on success. */
TQCALC_PAIR(uint32_t, tqcalcCHSInterpolator_Create,
            (CHSInterpolator** interpolatorOut, const CHSInterpolatorParams* params));
TQCALC_PAIR(uint32_t, tqcalcCHSInterpolator_Destroy, (CHSInterpolator* interpolator));
/* The output pointer and count are written only with status 0. */
TQCALC_PAIR(uint32_t, tqcalcCHSInterpolator_InterpolateValues,
            (CHSInterpolator* interpolator, const float* values, uint32_t count, float** outputValues,
             uint32_t* outputCount));
/* Counters restart at 0 and the stop is lifted; the stored samples remain. */
TQCALC_PAIR(uint32_t, tqcalcCHSInterpolator_Reset, (CHSInterpolator* interpolator));
/* Flushes the last interval (the newest sample repeated once) and stops. */
TQCALC_PAIR(uint32_t, tqcalcCHSInterpolator_Stop,
            (CHSInterpolator* interpolator, float** outputValues, uint32_t* outputCount));

/* ---- IIR filters -----------------------------------------------------------*/
/* A cascade of sections in direct form I, all in double. Each section owns
 * N + 1 taps, oldest first (tap N is the current time); three taps when
 * sectionOrder is 2 or filterType is 3, whatever sectionOrder holds. Per
 * sample and section: shift the taps' x and y down, x[N] = gain * v, then
 *   second-order: r = b2 x2 + ((b1 x1 + b0 x0) - (a1 y1 + a0 y0)),
 *                 clamped to 1e10 first, then to -1e10 (NaN gives +1e10);
 *   general:      acc = +0, acc = (b_k x_k - a_k y_k) + acc for k < N,
 *                 r = b_N x_N + acc, clamped to -1e10 first, then to 1e10
 *                 (NaN gives -1e10);
 * y[N] = r is the next section's input. sectionCount <= 0 passes samples
 * through; sectionOrder <= 0 counts as 0. Only the x and y fields change. */
typedef struct IIRTap {
  double x; /* section input at this tap's time, times the section gain */
  double y; /* section output at this tap's time */
  double b; /* feed-forward coefficient */
  double a; /* feedback coefficient (never read at the current tap) */
} IIRTap;
TQCALC_OFFSET32(IIRTap, y, 8);
TQCALC_OFFSET32(IIRTap, b, 16);
TQCALC_OFFSET32(IIRTap, a, 24);
TQCALC_SIZE32(IIRTap, 32);

typedef struct IIRFilterState {
  int32_t filterType; /* 3 forces three taps per section */
  int32_t sectionCount;
  int32_t sectionOrder;
  uint32_t reserved;
  const double* sectionGains; /* sectionCount gains */
  IIRTap* taps;               /* all sections' taps, section after section */
} IIRFilterState;
TQCALC_OFFSET32(IIRFilterState, sectionCount, 4);
TQCALC_OFFSET32(IIRFilterState, sectionOrder, 8);
TQCALC_OFFSET32(IIRFilterState, sectionGains, 16);
TQCALC_OFFSET32(IIRFilterState, taps, 20);

/* One sample; the float form returns the double result unrounded. */
TQCALC_PAIR(double, tqcalcIIRFilter_double, (IIRFilterState* filter, double sample));
TQCALC_PAIR(double, tqcalcIIRFilter_float, (IIRFilterState* filter, float sample));
/* count samples, each exactly as one single-sample call; output may be
 * input (in place). The float form rounds each output to float; the state
 * keeps the double. */
TQCALC_PAIR(void, tqcalcIIRFilterArr_double, (IIRFilterState* filter, const double* input, double* output, uint32_t count));
TQCALC_PAIR(void, tqcalcIIRFilterArr_float, (IIRFilterState* filter, const float* input, float* output, uint32_t count));

/* ---- FIR filter ------------------------------------------------------------*/
/* One output over the host's ring of `length` past inputs: the sum over k of
 * coefficients[k] * history[(position + k) mod length], 0 <= position <=
 * length, read as two straight pieces. Single precision in a free summation
 * order (vector lanes), returned widened. length <= 0 returns 0 and reads
 * nothing. */
TQCALC_PAIR(double, tqcalcFIRFilter_float,
            (const float* history, const float* coefficients, int32_t length, int32_t position));

/* ---- Pink-noise filter -----------------------------------------------------*/
/* Paul Kellet's refined filter: six first-order sections, a one-sample
 * delayed term and a direct term. The host zeroes the state to start; the
 * filter needs no alignment of it. */
typedef struct PinkFilterState {
  double b0, b1, b2, b3, b4, b5; /* section memories */
  double b6;                     /* delayed term: 0.115926 * the previous scaled input */
  double direct;                 /* 0.5362 * the latest scaled input; never read */
} PinkFilterState;
TQCALC_OFFSET32(PinkFilterState, b4, 32);
TQCALC_OFFSET32(PinkFilterState, b6, 48);
TQCALC_OFFSET32(PinkFilterState, direct, 56);
TQCALC_SIZE32(PinkFilterState, 64);

/* w = 0.2 * white; b_k = pole_k * b_k + weight_k * w; the result adds the new
 * memories, the previous b6 and 0.5362 * w, as
 * ((b0 + b4) + (b2 + b6)) + ((b1 + b5) + (b3 + 0.5362 w)); then b6 and
 * direct take the new terms. */
TQCALC_PAIR(double, tqcalcPinkFilter_double, (PinkFilterState* state, double white));
/* ---- Power sums ----------------------------------------------------------------
 * Spectra are interleaved (re, im) float pairs, one per bin. Floats are
 * widened before they are multiplied; the sums are double, combined in an
 * order of the library's choosing (the last bits may differ from a plain
 * loop). */
/* pSum, qSum = the real and imaginary parts of the sum of U_k * conj(I_k),
 * bin 0 and (for an odd count of 3 or more) the last bin at half weight;
 * count 1 gives half the single bin. count <= 0 writes 0.0 to both. */
TQCALC_PAIR(void, tqcalcPowerPandQsum,
            (const float* voltage, const float* current, int32_t count, double* pSum, double* qSum));
/* The sum over the samples of y * y in double, where y = (float)(x * scalar)
 * (rounded to float before the square). count <= 0 gives 0.0. */
TQCALC_PAIR(double, tqcalcPowerMultiplyAndSquareElementsAndSumVector_float,
            (const float* values, int32_t count, float scalar));

/* output[i] = (float)((double)scalar * input[i]) for i < count (<= 0: none).
 * When accumulateAbsSum is not 0, the magnitudes of the stored floats are
 * summed in ascending order and that sum is added to absSum once (also for
 * count <= 0, which adds 0.0); otherwise absSum is not touched. */
typedef struct PowerSumVectorParams {
  const double* input;
  float* output;
  TQCALC_ALIGN8 double absSum;
  float scalar;
  int32_t count;
  int32_t accumulateAbsSum;
} PowerSumVectorParams;
TQCALC_OFFSET32(PowerSumVectorParams, input, 0);
TQCALC_OFFSET32(PowerSumVectorParams, output, 4);
TQCALC_OFFSET32(PowerSumVectorParams, absSum, 8);
TQCALC_OFFSET32(PowerSumVectorParams, scalar, 16);
TQCALC_OFFSET32(PowerSumVectorParams, count, 20);
TQCALC_OFFSET32(PowerSumVectorParams, accumulateAbsSum, 24);
TQCALC_SIZE32(PowerSumVectorParams, 32);
TQCALC_PAIR(void, tqcalcPowerSumVectorMultipliedWithScalar_double, (PowerSumVectorParams* params));

/* ---- Energies --------------------------------------------------------------------
 * p = (double)(voltage[i] * current[i]) (the product rounded to float): p < 0
 * goes to negativeEnergy, everything else (zeros and NaN too) to
 * positiveEnergy. Both are overwritten, with 0.0 for count <= 0. The stdcall
 * entries are exported only as `_name@N` (Windows) or `_name` (ELF); the
 * cdecl twins carry the plain `name_cdecl`. */
/* Sums in an order of the library's choosing. */
TQCALC_DECORATED_PAIR(void, tqcalcPowerCalculatePosAndNegEnergy,
                      (const float* voltage, const float* current, int32_t count, double* positiveEnergy,
                       double* negativeEnergy));
/* Only samples with condition[i] > 0.5 count (not 0.5, not NaN); each sum is
 * taken in ascending order. */
TQCALC_DECORATED_PAIR(void, tqcalcPowerCalculatePosAndNegEnergyOnCondition,
                      (const float* voltage, const float* current, const float* condition, int32_t count,
                       double* positiveEnergy, double* negativeEnergy));

/* ---- Phase angles and harmonics ------------------------------------------------
 * Spectrum bin k is the float pair (spectrum[2k], spectrum[2k+1]); its angle
 * is atan2(spectrum[2k], spectrum[2k+1]) in degrees, made non-negative. */
/* angles[i] for i = 1 .. count (angles[0] is never written; count < 1:
 * nothing): i * phasePerOrder less the angle interpolated between bins k and
 * k + 1 at bin position x = i * binsPerOrder (k = trunc(x); reads bins up to
 * trunc(count * binsPerOrder) + 1), brought into [-180, 180] congruent
 * modulo 360. */
TQCALC_PAIR(void, tqcalcPowerAngles,
            (const float* spectrum, float* angles, int32_t count, float phasePerOrder, float binsPerOrder));
/* The bin of the largest re*re + im*im (in float) among bins 1 .. count - 1:
 * the lowest of equal ones, NaN skipped; 0 when none is above 0. */
TQCALC_PAIR(uint32_t, tqcalcPowerFindIndexOfMaxAmplitude, (const float* spectrum, uint32_t count));
/* The sum of re*re + im*im over bins 0 .. count - 1, in double and in
 * ascending order. */
TQCALC_PAIR(double, tqcalcPowerHarmonicZero, (const float* spectrum, uint32_t count));

/* ---- Power FIR step -----------------------------------------------------------
 * One output of a 16-tap FIR over the newest 16 samples of the host's ring:
 * x_0 (oldest) .. x_15 (newest) end just before `position`, wrapping to the
 * ring's end; coefficient k of the set multiplies x_k, in float. When the 16
 * samples lie contiguously, s_k = x_k*c_k + x_(k+8)*c_(k+8) are summed as
 * ((s0+s1) + (s2+s3)) + ((s4+s5) + (s6+s7)); otherwise the products are
 * added one at a time in tap order. */
typedef struct PowerFirParams {
  const float* ring;             /* ringLength samples, ringLength >= 16 */
  const float* coefficientSets;  /* 16 floats per set */
  uint32_t position;             /* one past the newest sample, 0 .. ringLength */
  uint32_t coefficientSet;
  uint32_t ringLength;
} PowerFirParams;
TQCALC_OFFSET32(PowerFirParams, ring, 0);
TQCALC_OFFSET32(PowerFirParams, coefficientSets, 4);
TQCALC_OFFSET32(PowerFirParams, position, 8);
TQCALC_OFFSET32(PowerFirParams, coefficientSet, 12);
TQCALC_OFFSET32(PowerFirParams, ringLength, 16);
TQCALC_SIZE32(PowerFirParams, 20);
TQCALC_PAIR(float, tqcalcPowerCalcFIR_float, (const PowerFirParams* params));

/* ---- Fast sine and arc tangent ---------------------------------------------------
 * output[i] = sin(input[i]) or atan(input[i]) (radians) for i < count.
 * One to three elements: the C library's double function, rounded to float.
 * From four elements on, every element goes through a fixed sequence of float
 * operations (a polynomial kernel), its result independent of its neighbours
 * and its position: the arc tangent within 2e-7 everywhere, the sine within
 * 1e-7 for |x| <= 100 (any number where |x| * 4/pi >= 2^31). No alignment
 * required; output must not overlap input. */
TQCALC_PAIR(void, tqcalcSin_float, (const float* input, float* output, uint32_t count));
TQCALC_PAIR(void, tqcalcATan_float, (const float* input, float* output, uint32_t count));

/* ---- Unbalance -------------------------------------------------------------------
 * Symmetrical components of three phases given as magnitudes and angles in
 * degrees (angles grow in the direction of lag: a balanced set in normal
 * order has angle2 = angle1 + 120, angle3 = angle1 + 240). For element 0, in
 * double with the C library's sine and cosine (element 0 is read also for
 * count 0): S0 = (P1 + P2 + P3)/3, S1 with P2 and P3 turned by -120 and -240
 * degrees, S2 by -240 and -120, stored as (re, im) float pairs. Totals over
 * all count elements: sqrt(sum of |3 S|^2)/3, groups of four elements in
 * float with the library's fast sine and cosine, the last 0..3 in double.
 * Ratios in percent, 0 where the positive sequence is 0 or NaN. */
typedef struct PowerUnbalanceParams {
  const float* magnitude1;
  const float* magnitude2;
  const float* magnitude3;
  const float* angle1;
  const float* angle2;
  const float* angle3;
  float* zeroSequence;
  float* positiveSequence;
  float* negativeSequence;
  float* negativeUnbalance;
  float* zeroUnbalance;
  float* negativeUnbalanceFirst;
  float* zeroUnbalanceFirst;
  float* zeroSequenceFirst;      /* (re, im) */
  float* positiveSequenceFirst;  /* (re, im) */
  float* negativeSequenceFirst;  /* (re, im) */
  uint32_t count;
} PowerUnbalanceParams;
TQCALC_OFFSET32(PowerUnbalanceParams, magnitude1, 0);
TQCALC_OFFSET32(PowerUnbalanceParams, angle1, 12);
TQCALC_OFFSET32(PowerUnbalanceParams, zeroSequence, 24);
TQCALC_OFFSET32(PowerUnbalanceParams, negativeUnbalance, 36);
TQCALC_OFFSET32(PowerUnbalanceParams, zeroUnbalanceFirst, 48);
TQCALC_OFFSET32(PowerUnbalanceParams, zeroSequenceFirst, 52);
TQCALC_OFFSET32(PowerUnbalanceParams, negativeSequenceFirst, 60);
TQCALC_OFFSET32(PowerUnbalanceParams, count, 64);
TQCALC_SIZE32(PowerUnbalanceParams, 68);
TQCALC_PAIR(void, tqcalcPowerUnbalance, (const PowerUnbalanceParams* params));

/* ---- Flicker -------------------------------------------------------------------
 * The flickermeter chain over a block of voltage samples, one instantaneous
 * flicker sensation per sample; every filter history lives in the host's
 * arrays, so blocks of any sizes continue one another exactly. Per sample s:
 * v = (s*s)*0.5 in float; three low-pass sections, each
 * y = g*((x0 + 2*x1) + x2) - a1*y1 - a2*y2; rounded to float; the high-pass
 * y = (d0*x + d1*x1) + d2*y1; rounded to float; the band-pass
 * y = ((c0*x + c1*x2) + c2*y1) + c3*y2 (no x1 term); the second weighting
 * section (((c4*x + c5*x1) + c6*x2) + c7*y1) + c8*y2; q = float(y)^2 in
 * float; the smoothing (c9*q + c10*x1) + c11*y1; output float(y * 1238400).
 * All in double unless said; feedback coefficients past the low-pass are
 * added, so the host stores them negated. -9999999.0 in highPassIn[0] marks
 * a reset state: the high-pass then takes its previous input equal to the
 * current one. Slot [0] of each history is the newest value, [1] the one
 * before; after a call [0] and [1] hold the same (newest) value. */
typedef struct PowerFlickerState {
  double* lowPassIn0;                   /* [3] per section: x[n] */
  double* lowPassIn1;                   /* [3] x[n-1] */
  double* lowPassIn2;                   /* [3] x[n-2] */
  double* lowPassOut0;                  /* [3] y[n] */
  double* lowPassOut1;                  /* [3] y[n-1] */
  double* lowPassOut2;                  /* [3] y[n-2] */
  const double* lowPassGain;            /* [3] g */
  const double* lowPassA1;              /* [3] a1, subtracted */
  const double* lowPassA2;              /* [3] a2, subtracted */
  const double* weightingCoefficients;  /* [12] c0..c3 band-pass, c4..c8 second section, c9..c11 smoothing */
  const double* highPassCoefficients;   /* [3] d0, d1, d2 */
  double* bandPassOut;                  /* [3] newest first */
  double* bandPassIn;                   /* [3] */
  double* weightingIn;                  /* [3] */
  double* weightingOut;                 /* [3] */
  double* smoothingIn;                  /* [2] */
  double* smoothingOut;                 /* [2] */
  double* highPassIn;                   /* [2], [0] also the reset marker */
  double* highPassOut;                  /* [2] */
} PowerFlickerState;
TQCALC_OFFSET32(PowerFlickerState, lowPassIn0, 0);
TQCALC_OFFSET32(PowerFlickerState, lowPassOut0, 12);
TQCALC_OFFSET32(PowerFlickerState, lowPassGain, 24);
TQCALC_OFFSET32(PowerFlickerState, weightingCoefficients, 36);
TQCALC_OFFSET32(PowerFlickerState, highPassCoefficients, 40);
TQCALC_OFFSET32(PowerFlickerState, bandPassOut, 44);
TQCALC_OFFSET32(PowerFlickerState, smoothingIn, 60);
TQCALC_OFFSET32(PowerFlickerState, highPassIn, 68);
TQCALC_OFFSET32(PowerFlickerState, highPassOut, 72);
TQCALC_SIZE32(PowerFlickerState, 76);
/* count 0 returns at once, touching nothing. One state, one call at a time. */
TQCALC_PAIR(void, tqcalcPowerFlicker, (PowerFlickerState* state, const float* input, float* output, uint32_t count));

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TQCALC_H */
