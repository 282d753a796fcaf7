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

/* ---- Averaging filters -----------------------------------------------------*/

/* ---- Raw data to cycle channels --------------------------------------------*/

/* ---- Overall pressure and running values -----------------------------------*/

/* ---- Pressure-volume diagrams ----------------------------------------------*/

/* ---- Scaled channel values at a position -----------------------------------*/

/* ---- Linear-function fill --------------------------------------------------*/
/* buffer[i] = i * slope + intercept for i = 0 .. count - 1, each product and
 * sum rounded in the buffer's type; the float version rounds the index to
 * float first (neighbouring elements above 2^24 can be equal). */
TQCALC_PAIR(void, tqcalcChannelFillBufferWithLinearFunction_double,
            (double* buffer, uint32_t count, double slope, double intercept));
TQCALC_PAIR(void, tqcalcChannelFillBufferWithLinearFunction_float,
            (float* buffer, uint32_t count, float slope, float intercept));

/* ---- CHS interpolator ------------------------------------------------------*/

/* ---- IIR filters -----------------------------------------------------------*/

/* ---- FIR filter ------------------------------------------------------------*/

/* ---- Pink-noise filter -----------------------------------------------------*/

/* ---- Minimum and maximum ---------------------------------------------------*/

/* ---- Running statistics ----------------------------------------------------*/

/* ---- Copy with statistics --------------------------------------------------*/

/* ---- XY graph values -------------------------------------------------------*/

/* ---- Cursor search ---------------------------------------------------------*/

/* ---- Power sums ------------------------------------------------------------*/

/* ---- Energies --------------------------------------------------------------*/

/* ---- Phase angles and harmonics --------------------------------------------*/

/* ---- Power FIR step --------------------------------------------------------*/

/* ---- Unbalance -------------------------------------------------------------*/

/* ---- Flicker ---------------------------------------------------------------*/

/* ---- Fast trigonometric kernels --------------------------------------------*/

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TQCALC_H */
