"""Channel buffers and filters: scaled values, linear fill, the CHS interpolator, IIR, FIR and
pink-noise filters."""
import ctypes

import numpy as np

from ._errors import ClosedError, InterpolatorError
from ._lib import (I32, ArgumentError, DTypeError, array_in, array_out, call, count, header, ptr, record, typed)

F32, F64 = np.float32, np.float64

# Storage type codes by numpy dtype; complex arrays are the two-value samples.
SAMPLE_TYPES = {np.dtype(t): c for t, c in [
    (np.uint8, 0), (np.int8, 1), (np.int16, 2), (np.uint16, 3), (np.int32, 4), (np.float32, 5),
    (np.int64, 6), (np.float64, 7), (np.uint32, 8), (np.complex64, 9), (np.complex128, 10)]}


def scaled_values(source, scale=1.0, offset=0.0, start=0, n=None, stride=1, dtype=F64, out=None):
    """source[start + i * stride] * scale + offset for i < n, as float64 or float32 (`dtype`).
    The storage type comes from source's dtype; complex64 / complex128 sources are pairs, copied
    unscaled (2 * n values, value j from real element start + j * stride).
    C: tqcalcChannelGetScaledValuesAtPos_double / _float"""
    if not isinstance(source, np.ndarray) or source.dtype not in SAMPLE_TYPES:
        raise DTypeError("source must be an array of %s" % ", ".join(t.name for t in SAMPLE_TYPES))
    code = SAMPLE_TYPES[source.dtype]
    elements = array_in(source, "source", (source.dtype,)).reshape(-1)
    if code >= 9:
        elements = elements.view(elements.real.dtype)
    if n is None:
        if stride != 1:
            raise ArgumentError("n is needed with a stride other than 1")
        n = (elements.size - start) // (2 if code >= 9 else 1)
    values = 2 * n if code >= 9 else n
    count(n, "n", I32), count(values, "2 n", I32), count(stride, "stride", I32)
    if values > 0 and not (0 <= start < elements.size and 0 <= start + (values - 1) * stride < elements.size):
        raise ArgumentError("reading %d values from %d by %d leaves the %d elements" % (
            values, start, stride, elements.size))
    name = typed("tqcalcChannelGetScaledValuesAtPos", dtype, (F32, F64))
    out = array_out(out, "out", dtype, (max(values, 0),))
    params = record("ScaledValuesParamsFloat" if np.dtype(dtype) == F32 else "ScaledValuesParamsDouble")(
        ptr(elements) + start * elements.itemsize, ptr(out), scale, offset, n, code, stride)
    call(name, ctypes.byref(params))
    return out


def linear(n, slope, intercept, dtype=F64, out=None):
    """i * slope + intercept for i < n, rounded in dtype (float32 rounds i to float first).
    C: tqcalcChannelFillBufferWithLinearFunction_float / _double"""
    out = array_out(out, "out", dtype, (count(n),))
    call(typed("tqcalcChannelFillBufferWithLinearFunction", out.dtype, (F32, F64)), ptr(out), n, slope,
         intercept)
    return out


class _Owned:
    """A library object or a host record with the arrays it points into; close() ends its use."""
    _closed = False

    def _check(self):
        if self._closed:
            raise ClosedError("%s used after close()" % type(self).__name__)

    def close(self):
        self._closed = True

    def __enter__(self):
        self._check()
        return self

    def __exit__(self, *exc):
        self.close()


class Interpolator(_Owned):
    """The CHS resampler (cubic Hermite, Catmull-Rom tangents) for one float32 stream.

    Use as `with Interpolator(48000, 44100) as it: y = it.process(x)`; close() (or leaving the
    block) frees the object. Failing statuses raise InterpolatorError with the status's name.
    C: tqcalcCHSInterpolator_Create / _InterpolateValues / _Stop / _Reset / _Destroy"""

    def __init__(self, input_rate, output_rate, buffer_length=4096):
        self._handle = None
        self.buffer_length = count(buffer_length, "buffer_length")
        params = record("CHSInterpolatorParams")(input_rate, output_rate, buffer_length)
        handle = ctypes.c_void_p()
        self._status("tqcalcCHSInterpolator_Create", ctypes.byref(handle), ctypes.byref(params))
        self._handle = handle

    def _status(self, name, *args):
        status = call(name, *args)
        if status:
            names = {v: k for k, v in header().enums["CHSStatus"].items()}
            raise InterpolatorError(status, names.get(status, "unknown status"), name)

    def _live(self):
        self._check()
        return self._handle

    def _output(self, name, *args):
        values, n = ctypes.POINTER(ctypes.c_float)(), ctypes.c_uint32()
        self._status(name, self._live(), *args, ctypes.byref(values), ctypes.byref(n))
        # The object's buffer is overwritten by its next call: copy out.
        return np.ctypeslib.as_array(values, (n.value,)).copy() if n.value else np.empty(0, F32)

    def interpolate(self, block):
        """One block of at most buffer_length - 2 samples; the outputs it completes.
        C: tqcalcCHSInterpolator_InterpolateValues"""
        block = array_in(block, "block", (F32,))
        return self._output("tqcalcCHSInterpolator_InterpolateValues", ptr(block), count(block.size))

    def process(self, samples):
        """Any number of samples, fed in blocks the ring takes; the outputs they complete."""
        samples = array_in(samples, "samples", (F32,))
        step = self.buffer_length - 2
        if step <= 0:
            raise ArgumentError("a ring of %d takes no samples" % self.buffer_length)
        parts = [self.interpolate(samples[i:i + step]) for i in range(0, samples.size, step)]
        return np.concatenate(parts) if parts else np.empty(0, F32)

    def stop(self):
        """Flushes the last interval and stops.  C: tqcalcCHSInterpolator_Stop"""
        return self._output("tqcalcCHSInterpolator_Stop")

    def reset(self):
        """Counters restart at 0, the stop is lifted.  C: tqcalcCHSInterpolator_Reset"""
        self._status("tqcalcCHSInterpolator_Reset", self._live())

    def close(self):
        """Frees the object (once).  C: tqcalcCHSInterpolator_Destroy"""
        if not self._closed and self._handle:
            handle, self._handle = self._handle, None
            self._status("tqcalcCHSInterpolator_Destroy", handle)
        super().close()

    def __del__(self):
        if getattr(self, "_handle", None):
            self.close()


class IIRFilter(_Owned):
    """A cascade of direct-form-I sections in double; the instance owns the state record,
    the gains and the taps the library reads and writes.

    `b` and `a` hold one row per section in the usual order (index 0 multiplies the current
    sample; a[:, 0] is not used); rows of three with filter_type 3 or order 2 take the
    library's second-order path. `IIRFilter.from_sos(sos)` takes scipy's second-order sections.
    C: tqcalcIIRFilter_float / _double, tqcalcIIRFilterArr_float / _double"""

    def __init__(self, b, a, gains=None, filter_type=0):
        b, a = np.atleast_2d(array_in(b, "b", (F64,), None)), np.atleast_2d(array_in(a, "a", (F64,), None))
        if b.shape != a.shape or b.ndim != 2:
            raise ArgumentError("b and a must have the same (sections, order + 1) shape")
        sections, taps = b.shape
        if taps < 1 or (filter_type == 3 and taps != 3):
            raise ArgumentError("sections need at least one tap (three with filter_type 3)")
        self.gains = np.ones(sections) if gains is None else array_in(gains, "gains", (F64,)).copy()
        if np.any(a[:, 0] != 1.0):
            raise ArgumentError("a[:, 0] must be 1 (normalised sections)")
        if self.gains.size != sections:
            raise ArgumentError("one gain per section")
        tap = record("IIRTap")
        self.taps = (tap * (sections * taps))()
        for s in range(sections):
            for k in range(taps):  # taps are stored oldest first
                t = self.taps[s * taps + k]
                t.b, t.a = b[s, taps - 1 - k], a[s, taps - 1 - k]
        self.state = record("IIRFilterState")(filter_type, count(sections, "sections", I32), taps - 1, 0,
                                              ptr(self.gains), ctypes.addressof(self.taps))

    @classmethod
    def from_sos(cls, sos):
        sos = array_in(sos, "sos", (F64,), 2)
        if sos.shape[1] != 6 or np.any(sos[:, 3] != 1.0):
            raise ArgumentError("sos rows are (b0, b1, b2, 1, a1, a2)")
        return cls(sos[:, :3], sos[:, 3:], filter_type=3)

    def reset(self):
        """Zeroes the filter's memory."""
        for t in self.taps:
            t.x = t.y = 0.0

    def step(self, sample):
        """One sample through the cascade; a numpy float32 sample takes the float entry. The
        result is the unrounded double.  C: tqcalcIIRFilter_double / _float"""
        self._check()
        name = "tqcalcIIRFilter_float" if isinstance(sample, np.float32) else "tqcalcIIRFilter_double"
        return call(name, ctypes.byref(self.state), sample)

    def filter(self, values, out=None):
        """A block through the cascade; `out` may be `values`.  C: tqcalcIIRFilterArr_float / _double"""
        self._check()
        values = array_in(values, "values", (F32, F64))
        out = array_out(out, "out", values.dtype, values.shape)
        call(typed("tqcalcIIRFilterArr", values.dtype, (F32, F64)), ctypes.byref(self.state), ptr(values),
             ptr(out), count(values.size))
        return out


def fir_filter(history, coefficients, position):
    """sum over k of coefficients[k] * history[(position + k) % len(history)], in float32 (the
    ring read as two pieces), widened.  C: tqcalcFIRFilter_float"""
    history = array_in(history, "history", (F32,))
    coefficients = array_in(coefficients, "coefficients", (F32,))
    if coefficients.size != history.size:
        raise ArgumentError("one coefficient per history sample")
    n = count(history.size, "length", I32)
    if not 0 <= position <= n:
        raise ArgumentError("position %d outside 0..%d" % (position, n))
    return call("tqcalcFIRFilter_float", ptr(history), ptr(coefficients), n, position)


class PinkFilter(_Owned):
    """Paul Kellet's refined pink-noise filter; the instance owns its state record.
    C: tqcalcPinkFilter_double"""

    def __init__(self):
        self.state = record("PinkFilterState")()

    def step(self, white):
        self._check()
        return call("tqcalcPinkFilter_double", ctypes.byref(self.state), white)

    def filter(self, white):
        """A block of white noise, one library call per sample; float64 out."""
        white = array_in(white, "white", (F32, F64))
        return np.fromiter((self.step(float(w)) for w in white), F64, white.size)
