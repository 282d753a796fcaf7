"""Version, reductions, element-wise arithmetic and sample conversions."""
import ctypes

import numpy as np

from ._lib import ArgumentError, array_in, disjoint, array_out, call, count, ptr, same_length, typed, writable

F32, F64 = np.float32, np.float64


def get_version(host_version=13):
    """(major, minor, compatible) of the library for a host of `host_version`.  C: tqcalcGetVersion"""
    major, minor, ok = ctypes.c_int32(), ctypes.c_int32(), ctypes.c_int32()
    call("tqcalcGetVersion", ctypes.byref(major), ctypes.byref(minor), count(host_version, "host_version",
         (-2**31, 2**31 - 1)), ctypes.byref(ok))
    return major.value, minor.value, bool(ok.value)


def sum_values(values):
    """Sum in double of a float32 or float64 array.  C: tqcalcSumValues_float / _double"""
    values = array_in(values, "values", (F32, F64))
    return call(typed("tqcalcSumValues", values.dtype, (F32, F64)), ptr(values), count(values.size))


def sum_abs_values(values):
    """Sum of magnitudes of a float32 array, in double.  C: tqcalcSumAbsValues_float"""
    values = array_in(values, "values", (F32,))
    return call("tqcalcSumAbsValues_float", ptr(values), count(values.size))


def sum_squared_values(values):
    """Sum of squares of a float32 array, in double.  C: tqcalcSumSquaredValues_float"""
    values = array_in(values, "values", (F32,))
    return call("tqcalcSumSquaredValues_float", ptr(values), count(values.size))


def dot(a, b):
    """Sum of a[i] * b[i] of two float32 arrays, in double.  C: tqcalcMultiplyVectorsAndCalcSum_float"""
    a, b = array_in(a, "a", (F32,)), array_in(b, "b", (F32,))
    same_length("a", a, "b", b)
    return call("tqcalcMultiplyVectorsAndCalcSum_float", ptr(a), ptr(b), count(a.size))


def _binary(cname, a, b, out, dtypes):
    a = array_in(a, "a", dtypes)
    b = array_in(b, "b", (a.dtype,))
    same_length("a", a, "b", b)
    out = array_out(out, "out", a.dtype, a.shape)
    call(typed(cname, a.dtype, dtypes), ptr(out), ptr(a), ptr(b), count(a.size))
    return out


def add_scalar(values, addend, out=None):
    """addend + values[i]; `out` may be `values`.  C: tqcalcAddScalarToVector_float / _double"""
    values = array_in(values, "values", (F32, F64))
    out = array_out(out, "out", values.dtype, values.shape)
    call(typed("tqcalcAddScalarToVector", values.dtype, (F32, F64)), ptr(out), ptr(values), addend,
         count(values.size))
    return out


def add_vectors_and_scale(a, b, factor_b, scale, out=None):
    """(factor_b * b[i] + a[i]) * scale, float32.  C: tqcalcAddVectorsAndMultiplyByScalar_float"""
    a, b = array_in(a, "a", (F32,)), array_in(b, "b", (F32,))
    same_length("a", a, "b", b)
    out = array_out(out, "out", F32, a.shape)
    call("tqcalcAddVectorsAndMultiplyByScalar_float", ptr(out), ptr(a), ptr(b), count(a.size), factor_b, scale)
    return out


def subtract_vectors_and_scale(a, b, scale, out=None):
    """(a[i] - b[i]) * scale, float32.  C: tqcalcSubtractVectorsAndMultiplyByScalar_float"""
    a, b = array_in(a, "a", (F32,)), array_in(b, "b", (F32,))
    same_length("a", a, "b", b)
    out = array_out(out, "out", F32, a.shape)
    call("tqcalcSubtractVectorsAndMultiplyByScalar_float", ptr(out), ptr(a), ptr(b), count(a.size), scale)
    return out


def multiply_by_scalar_inplace(values, scalar):
    """values[i] *= scalar in place; returns values.  C: tqcalcMultiplyVectorByScalar_float / _double"""
    values = writable(values, "values", (F32, F64))
    call(typed("tqcalcMultiplyVectorByScalar", values.dtype, (F32, F64)), ptr(values), count(values.size), scalar)
    return values


def multiply(a, b, out=None):
    """a[i] * b[i].  C: tqcalcMultiplyVectors_float / _double"""
    return _binary("tqcalcMultiplyVectors", a, b, out, (F32, F64))


def maximum(a, b, out=None):
    """fmax(a[i], b[i]) (a NaN loses to a number).  C: tqcalcVectorsMax_float / _double"""
    return _binary("tqcalcVectorsMax", a, b, out, (F32, F64))


def sqrt(values, out=None):
    """Correctly rounded square roots.  C: tqcalcSqrtVector_float / _double"""
    values = array_in(values, "values", (F32, F64))
    out = array_out(out, "out", values.dtype, values.shape)
    call(typed("tqcalcSqrtVector", values.dtype, (F32, F64)), ptr(out), ptr(values), count(values.size))
    return out


def complex_abs(values, squared=False, out=None):
    """|z| (or |z|^2 with squared=True) of a complex64 / complex128 array, as float32 / float64.

    C: tqcalcComplexVectorAbs_float / _double
    """
    values = array_in(values, "values", (np.complex64, np.complex128))
    real = values.real.dtype
    out = array_out(out, "out", real, values.shape)
    call(typed("tqcalcComplexVectorAbs", real, (F32, F64)), ptr(out), ptr(values), 1 if squared else 0,
         count(values.size))
    return out


def int16_to_int32(values, out=None):
    """Sign-extended copy.  C: tqcalcConvertInt16ToInt32"""
    values = array_in(values, "values", (np.int16,))
    out = disjoint(array_out(out, "out", np.int32, values.shape), values)
    call("tqcalcConvertInt16ToInt32", ptr(values), ptr(out), count(values.size))
    return out


def int32_to_int16(values, out=None):
    """The low 16 bits of each value (wrapping, no saturation).  C: tqcalcConvertInt32ToInt16"""
    values = array_in(values, "values", (np.int32,))
    out = array_out(out, "out", np.int16, values.shape)
    call("tqcalcConvertInt32ToInt16", ptr(values), ptr(out), count(values.size))
    return out


def double_to_float_inplace(buffer):
    """Rounds a float64 array to float32 inside its own memory; returns the float32 view of
    its first half (the bytes behind it keep their old contents).  C: tqcalcCADoubleArrToSingleArrInplace"""
    buffer = writable(buffer, "buffer", (F64,))
    call("tqcalcCADoubleArrToSingleArrInplace", ptr(buffer), count(buffer.size))
    return buffer.view(F32)[:buffer.size]


def float_to_double_inplace(buffer, n):
    """Widens the first `n` float32 values of a writable buffer of at least 8 * n bytes to float64
    in place; returns the float64 view.  C: tqcalcCASingleArrToDoubleArrInplace"""
    buffer = writable(buffer, "buffer", (F32, F64))
    if n < 0 or buffer.nbytes < 8 * n:
        raise ArgumentError("buffer holds %d bytes, widening %d values needs %d" % (buffer.nbytes, n, 8 * n))
    call("tqcalcCASingleArrToDoubleArrInplace", ptr(buffer), count(n))
    return buffer.view(F64)[:n]
