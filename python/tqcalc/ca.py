"""Combustion analysis: crank-angle and averaging filters, raw data to cycle channels,
cumulative and moving cycle averages, p-V diagram coordinates."""
import ctypes

import numpy as np

from ._lib import I32, ArgumentError, array_in, array_out, call, count, disjoint, ptr, same_length, typed, writable

F32, F64 = np.float32, np.float64
NO_PEAK = 0xFFFFFFFF


def crank_angle_filter(samples, position, coefficients, taps=None, stride=1):
    """One FIR output at samples[position]: sum over j < taps of samples[position - j] *
    coefficients[j * stride], in float32.  C: tqcalcCACalcFilter_float / _int16_t / _int32_t"""
    samples = array_in(samples, "samples", (F32, np.int16, np.int32))
    coefficients = array_in(coefficients, "coefficients", (F32,))
    count(stride, "stride")
    taps = count((coefficients.size - 1) // max(stride, 1) + 1 if taps is None else taps, "taps")
    if not 0 <= position < samples.size:
        raise ArgumentError("position %d outside the %d samples" % (position, samples.size))
    if taps and (taps - 1 > position or (taps - 1) * stride >= coefficients.size):
        raise ArgumentError("%d taps reach before the first sample or past the coefficients" % taps)
    return call(typed("tqcalcCACalcFilter", samples.dtype, (F32, np.int16, np.int32)),
                ptr(samples) + position * samples.itemsize, taps, ptr(coefficients), stride)


def average_filter(values, width, out=None, sequential=False):
    """Centred moving average over `width` (rounded up to odd) samples; the edges repeat the
    first and last full window's mean. `sequential=True` takes the one-running-sum form.
    C: tqcalcCACalcAveFilter_float / _double (tqcalcCACalcAveFilter_float_scalar / _double_scalar)"""
    values = array_in(values, "values", (F32, F64))
    count(width, "width", (0, 0xFFFF))
    window = max(1, width | 1)
    if values.size < window:
        raise ArgumentError("%d values are fewer than the window of %d" % (values.size, window))
    out = array_out(out, "out", values.dtype, values.shape)
    disjoint(out, values)
    name = typed("tqcalcCACalcAveFilter", values.dtype, (F32, F64)) + ("_scalar" if sequential else "")
    call(name, ptr(values), ptr(out), width, count(values.size))
    return out


def copy_raw_to_channel(raw, first, end, offset, out=None):
    """raw[first:end] - offset into a channel (`out` may be `raw`: the range moves to the front),
    with the first maximum above FLT_MIN and its index into raw (None when there is none).
    Returns (channel, peak, peak_index).  C: tqCalcCACopyRawDataToChannels"""
    raw = array_in(raw, "raw", (F32,))
    if not 0 <= first <= end <= raw.size:
        raise ArgumentError("range %d..%d outside the %d raw samples" % (first, end, raw.size))
    if out is None:
        out = np.empty(end - first, F32)
    elif out is not raw:
        out = disjoint(writable(out, "out", (F32,)), raw)
        if out.size < end - first:
            raise ArgumentError("out holds %d values, the range %d" % (out.size, end - first))
    else:
        writable(out, "out", (F32,))
    peak, index = ctypes.c_float(), ctypes.c_uint32()
    call("tqCalcCACopyRawDataToChannels", ptr(raw), ptr(out), count(first), count(end), offset,
         ctypes.byref(peak), ctypes.byref(index))
    return out, peak.value, None if index.value == NO_PEAK else index.value


def overall_pressure_inplace(cycle, average, cycle_count):
    """Folds `cycle` into the cumulative mean `average` of `cycle_count` earlier cycles, in place;
    returns the peak of the updated mean (at least FLT_MIN).  C: tqCalcCAOverallPressure"""
    cycle = array_in(cycle, "cycle", (F32,))
    average = writable(average, "average", (F32,))
    same_length("cycle", cycle, "average", average)
    if not 0 <= cycle_count < 2**64:
        raise ArgumentError("cycle_count must fit 64 unsigned bits")
    peak = ctypes.c_float()
    call("tqCalcCAOverallPressure", ptr(cycle), ptr(average), 0, count(cycle.size), ctypes.c_uint64(cycle_count),
         ctypes.byref(peak))
    return peak.value


def running_value_inplace(cycle, oldest, sums, mean, cycle_index, window):
    """Moving mean of the last `window` cycles: updates `sums` and writes `mean` in place.
    `oldest` (the cycle leaving the window) is needed once cycle_index >= window.
    C: tqCalcCARunningVal"""
    cycle = array_in(cycle, "cycle", (F32,))
    sums, mean = writable(sums, "sums", (F32,)), writable(mean, "mean", (F32,))
    same_length("cycle", cycle, "sums", sums)
    same_length("cycle", cycle, "mean", mean)
    count(window, "window")
    if cycle_index >= window:
        oldest = array_in(oldest, "oldest", (F32,))
        same_length("cycle", cycle, "oldest", oldest)
    if cycle.size == 0:
        return mean  # the inclusive last index cannot say "none"
    call("tqCalcCARunningVal", ptr(cycle), ptr(oldest) if cycle_index >= window else None, ptr(sums),
         ptr(mean), 0, count(cycle.size - 1), ctypes.c_uint64(cycle_index), window)
    return mean


class CycleAverages:
    """The cumulative mean and the moving mean over the last `window` cycles of curves of
    `samples` values, one cycle per add(); the instance keeps every array the library needs."""

    def __init__(self, samples, window):
        self.window, self.cycles = count(window, "window"), 0
        self.cumulative = np.zeros(samples, F32)
        self.moving = np.zeros(samples, F32)
        self._sums = np.zeros(samples, F32)
        self._ring = np.zeros((window, samples), F32)
        self.peak = 0.0

    def add(self, cycle):
        cycle = array_in(cycle, "cycle", (F32,))
        slot = self._ring[self.cycles % self.window]
        self.peak = overall_pressure_inplace(cycle, self.cumulative, self.cycles)
        running_value_inplace(cycle, slot, self._sums, self.moving, self.cycles, self.window)
        slot[:] = cycle
        self.cycles += 1
        return self


def _pv(name, values, lo, hi, scale, offset, extra, out):
    values = array_in(values, "values", (F32,))
    out = disjoint(array_out(out, "out", np.int32, values.shape), values)
    call(name, ptr(values), count(values.size), ptr(out), count(lo, "lo", I32), count(hi, "hi", I32), scale,
         offset, *extra)
    return out


def pv_linear(values, lo, hi, scale, offset, out=None):
    """Integer coordinates scale * v + offset clamped to [lo, hi] (NaN gives lo).  C: tqcalcCAPV_lin"""
    return _pv("tqcalcCAPV_lin", values, lo, hi, scale, offset, (), out)


def pv_log(values, lo, hi, scale, offset, reference, out=None):
    """Coordinates scale * log10(max(v / reference, 1e-9)) + offset, clamped.  C: tqcalcCAPV_log"""
    return _pv("tqcalcCAPV_log", values, lo, hi, scale, offset, (reference,), out)
