"""Power analysis: P and Q sums, energies, harmonic angles, 16-tap FIR step, unbalance,
the flickermeter chain, fast sine and arc tangent."""
import collections
import ctypes

import numpy as np

from ._lib import I32, ArgumentError, array_in, array_out, call, count, disjoint, ptr, record, same_length
from .channel import _Owned

F32, F64, C64 = np.float32, np.float64, np.complex64


def _spectrum(x, name="spectrum"):
    return array_in(x, name, (C64,))


def p_and_q(voltage, current):
    """(P, Q): real and imaginary parts of sum U_k * conj(I_k) over complex64 spectra, bin 0 and
    an odd-count last bin at half weight.  C: tqcalcPowerPandQsum"""
    voltage, current = _spectrum(voltage, "voltage"), _spectrum(current, "current")
    same_length("voltage", voltage, "current", current)
    p, q = ctypes.c_double(), ctypes.c_double()
    call("tqcalcPowerPandQsum", ptr(voltage), ptr(current), count(voltage.size, "bins", I32), ctypes.byref(p),
         ctypes.byref(q))
    return p.value, q.value


def sum_of_scaled_squares(values, scalar):
    """sum of float32(x * scalar)**2 in double.  C: tqcalcPowerMultiplyAndSquareElementsAndSumVector_float"""
    values = array_in(values, "values", (F32,))
    return call("tqcalcPowerMultiplyAndSquareElementsAndSumVector_float", ptr(values),
                count(values.size, "count", I32), scalar)


def scale_to_float(values, scalar, abs_sum=None, out=None):
    """float32(scalar * values[i]) of a float64 array; with abs_sum given, returns
    (out, abs_sum + sum of |out|), else out.  C: tqcalcPowerSumVectorMultipliedWithScalar_double"""
    values = array_in(values, "values", (F64,))
    out = array_out(out, "out", F32, values.shape)
    params = record("PowerSumVectorParams")(ptr(values), ptr(out), abs_sum or 0.0, scalar,
                                            count(values.size, "count", I32), abs_sum is not None)
    call("tqcalcPowerSumVectorMultipliedWithScalar_double", ctypes.byref(params))
    return out if abs_sum is None else (out, params.absSum)


def energies(voltage, current, condition=None):
    """(positive, negative) sums of float32(u * i), optionally only where condition > 0.5.
    C: tqcalcPowerCalculatePosAndNegEnergy / ...OnCondition"""
    voltage, current = array_in(voltage, "voltage", (F32,)), array_in(current, "current", (F32,))
    same_length("voltage", voltage, "current", current)
    pos, neg, n = ctypes.c_double(), ctypes.c_double(), count(voltage.size, "count", I32)
    if condition is None:
        call("tqcalcPowerCalculatePosAndNegEnergy", ptr(voltage), ptr(current), n, ctypes.byref(pos), ctypes.byref(neg))
    else:
        condition = array_in(condition, "condition", (F32,))
        same_length("voltage", voltage, "condition", condition)
        call("tqcalcPowerCalculatePosAndNegEnergyOnCondition", ptr(voltage), ptr(current), ptr(condition), n,
             ctypes.byref(pos), ctypes.byref(neg))
    return pos.value, neg.value


def harmonic_angles(spectrum, orders, phase_per_order, bins_per_order):
    """Angles of orders 1..orders in degrees, in [-180, 180]: order * phase_per_order less the
    spectrum's angle interpolated at bin order * bins_per_order.  C: tqcalcPowerAngles"""
    spectrum = _spectrum(spectrum)
    count(orders, "orders", I32)
    if orders > 0 and not (bins_per_order >= 0 and int(orders * bins_per_order) + 1 < spectrum.size):
        raise ArgumentError("orders up to %d read bins past the %d of the spectrum" % (orders, spectrum.size))
    angles = np.zeros(max(orders, 0) + 1, F32)
    call("tqcalcPowerAngles", ptr(spectrum), ptr(angles), orders, phase_per_order, bins_per_order)
    return angles[1:]


def strongest_bin(spectrum):
    """Index of the largest |bin|^2 among bins 1.., 0 when none is above 0.
    C: tqcalcPowerFindIndexOfMaxAmplitude"""
    spectrum = _spectrum(spectrum)
    return call("tqcalcPowerFindIndexOfMaxAmplitude", ptr(spectrum), count(spectrum.size))


def sum_of_squared_magnitudes(spectrum):
    """sum |bin|^2 in double, ascending.  C: tqcalcPowerHarmonicZero"""
    spectrum = _spectrum(spectrum)
    return call("tqcalcPowerHarmonicZero", ptr(spectrum), count(spectrum.size))


def fir16(ring, coefficient_sets, position, coefficient_set=0):
    """One output of the 16-tap FIR over the 16 ring samples ending before `position`
    (wrapping), with row `coefficient_set` of coefficient_sets (n, 16).  C: tqcalcPowerCalcFIR_float"""
    ring = array_in(ring, "ring", (F32,))
    sets = array_in(coefficient_sets, "coefficient_sets", (F32,), 2)
    if sets.shape[1] != 16 or not 0 <= coefficient_set < sets.shape[0]:
        raise ArgumentError("coefficient_sets is (n, 16), coefficient_set below n")
    if ring.size < 16 or not 0 <= position <= ring.size:
        raise ArgumentError("a ring of at least 16 samples and a position in 0..len(ring)")
    params = record("PowerFirParams")(ptr(ring), ptr(sets), position, coefficient_set, count(ring.size))
    return call("tqcalcPowerCalcFIR_float", ctypes.byref(params))


Unbalance = collections.namedtuple("Unbalance", "zero positive negative negative_percent zero_percent "
                                   "negative_percent_first zero_percent_first zero_first positive_first "
                                   "negative_first")


def unbalance(magnitudes, angles):
    """Symmetrical components of three phases: magnitudes and angles (degrees, lagging) as
    (3, n) float32 arrays. Totals over n elements, ratios in percent, the first element's
    components as complex numbers.  C: tqcalcPowerUnbalance"""
    m = array_in(magnitudes, "magnitudes", (F32,), 2)
    a = array_in(angles, "angles", (F32,), 2)
    if m.shape != a.shape or m.shape[0] != 3 or m.shape[1] < 1:
        raise ArgumentError("magnitudes and angles must both be (3, n) with n >= 1")
    scalars, firsts = np.zeros(7, F32), np.zeros(3, C64)
    params = record("PowerUnbalanceParams")(
        *(ptr(m) + m.strides[0] * k for k in range(3)), *(ptr(a) + a.strides[0] * k for k in range(3)),
        *(ptr(scalars) + 4 * k for k in range(7)), *(ptr(firsts) + 8 * k for k in range(3)), count(m.shape[1]))
    call("tqcalcPowerUnbalance", ctypes.byref(params))
    return Unbalance(*(float(v) for v in scalars), *(complex(v) for v in firsts))


class Flickermeter(_Owned):
    """The flickermeter chain with its filter histories; blocks of any size continue one another.
    The coefficients are the host's design: three low-pass sections (gain, a1, a2), the
    high-pass (d0, d1, d2) and the weighting and smoothing coefficients c0..c11, feedback
    terms past the low-pass stored negated.  C: tqcalcPowerFlicker"""

    _HISTORIES = [("lowPassIn0", 3), ("lowPassIn1", 3), ("lowPassIn2", 3), ("lowPassOut0", 3),
                  ("lowPassOut1", 3), ("lowPassOut2", 3), ("bandPassOut", 3), ("bandPassIn", 3),
                  ("weightingIn", 3), ("weightingOut", 3), ("smoothingIn", 2), ("smoothingOut", 2),
                  ("highPassIn", 2), ("highPassOut", 2)]

    def __init__(self, low_pass_gain, low_pass_a1, low_pass_a2, weighting, high_pass):
        coefficients = {}
        for name, value, n in [("lowPassGain", low_pass_gain, 3), ("lowPassA1", low_pass_a1, 3),
                               ("lowPassA2", low_pass_a2, 3), ("weightingCoefficients", weighting, 12),
                               ("highPassCoefficients", high_pass, 3)]:
            coefficients[name] = np.array(array_in(value, name, (F64, F32)), F64)
            if coefficients[name].size != n:
                raise ArgumentError("%s takes %d values" % (name, n))
        self._arrays = dict(coefficients, **{name: np.zeros(n) for name, n in self._HISTORIES})
        self.state = record("PowerFlickerState")(**{k: ptr(v) for k, v in self._arrays.items()})
        self.reset()

    def reset(self):
        """Histories to zero and the high-pass marked as starting afresh."""
        for name, _ in self._HISTORIES:
            self._arrays[name][:] = 0.0
        self._arrays["highPassIn"][0] = -9999999.0

    def process(self, voltage, out=None):
        """Instantaneous flicker sensation per float32 voltage sample."""
        self._check()
        voltage = array_in(voltage, "voltage", (F32,))
        out = array_out(out, "out", F32, voltage.shape)
        call("tqcalcPowerFlicker", ctypes.byref(self.state), ptr(voltage), ptr(out), count(voltage.size))
        return out


def _fast(name, values, out):
    values = array_in(values, "values", (F32,))
    out = array_out(out, "out", F32, values.shape)
    disjoint(out, values)
    call(name, ptr(values), ptr(out), count(values.size))
    return out


def sin(values, out=None):
    """Fast float32 sine (radians), within 1e-7 for |x| <= 100.  C: tqcalcSin_float"""
    return _fast("tqcalcSin_float", values, out)


def atan(values, out=None):
    """Fast float32 arc tangent, within 2e-7.  C: tqcalcATan_float"""
    return _fast("tqcalcATan_float", values, out)
