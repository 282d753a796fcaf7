"""Results against numpy and scipy computations (never against the library itself)."""
import math

import numpy as np
import pytest
import scipy.signal as signal

from conftest import EPS32, placed, sum_bound
from tqcalc import ca, channel, core, power, stats

COUNTS = [0, 1, 3, 7, 8, 9, 17, 1000]
SHIFTS = [0, 1, 3]
F = [np.float32, np.float64]


def special(rng, n, dtype):
    x = (rng.standard_normal(n) * 100).astype(dtype)
    odd = np.array([np.nan, np.inf, -np.inf, -0.0, 0.0, np.finfo(dtype).tiny / 4, 1.0], dtype)
    where = np.arange(0, n, 7)[:7]
    x[where] = odd[: where.size]
    return x


@pytest.mark.parametrize("n", COUNTS)
@pytest.mark.parametrize("shift", SHIFTS)
def test_reductions_within_reordering_bound(rng, n, shift):
    x = placed(rng.standard_normal(n).astype(np.float32), shift)
    y = placed(rng.standard_normal(n).astype(np.float32), shift)
    wide = x.astype(np.float64)
    # Each float is exact in double and so is each product: only the sum order differs.
    for got, terms in [(core.sum_values(x), wide), (core.sum_values(wide), wide),
                       (core.sum_abs_values(x), np.abs(wide)), (core.sum_squared_values(x), wide * wide),
                       (core.dot(x, y), wide * y.astype(np.float64))]:
        assert abs(got - math.fsum(terms)) <= sum_bound(terms)


@pytest.mark.parametrize("dtype", F)
@pytest.mark.parametrize("n", COUNTS)
@pytest.mark.parametrize("shift", SHIFTS)
def test_elementwise_exact_bits(rng, dtype, n, shift):
    a, b = placed(special(rng, n, dtype), shift), placed(special(rng, n, dtype)[::-1].copy(), shift)
    c = dtype(0.75)
    with np.errstate(all="ignore"):
        expected = [a * b, np.sqrt(a), c + a, a * c]
    got = [core.multiply(a, b), core.sqrt(a), core.add_scalar(a, c), core.multiply_by_scalar_inplace(a.copy(), c)]
    if dtype == np.float32:
        with np.errstate(all="ignore"):
            expected += [(c * b + a) * dtype(3), (a - b) * dtype(3)]
        got += [core.add_vectors_and_scale(a, b, c, 3), core.subtract_vectors_and_scale(a, b, 3)]
    for g, e in zip(got, expected):
        np.testing.assert_array_equal(g.view(f"u{g.itemsize}"), e.view(f"u{e.itemsize}"))
    nonzero = ~((a == 0) & (b == 0))  # fmax of +0/-0 is +0, where numpy may answer -0
    np.testing.assert_array_equal(core.maximum(a, b)[nonzero], np.fmax(a, b)[nonzero])


@pytest.mark.parametrize("n", COUNTS)
def test_conversions_and_complex_magnitude(rng, n):
    i32 = rng.integers(-2**31, 2**31, n, dtype=np.int32)
    np.testing.assert_array_equal(core.int32_to_int16(i32), i32.astype(np.int16))
    np.testing.assert_array_equal(core.int16_to_int32(i32.astype(np.int16)), i32.astype(np.int16))
    d = rng.standard_normal(n) * 1e3
    np.testing.assert_array_equal(core.double_to_float_inplace(d.copy()), d.astype(np.float32))
    z = (rng.standard_normal(n) + 1j * rng.standard_normal(n)).astype(np.complex64)
    np.testing.assert_array_equal(core.complex_abs(z, squared=True), z.real * z.real + z.imag * z.imag)
    # sqrt of the float sum: one rounding of the sum, one of the root -> within 2 u.
    np.testing.assert_allclose(core.complex_abs(z), np.abs(z.astype(np.complex128)), rtol=2 * EPS32)


def test_iir_second_order_sections_match_sosfilt(rng):
    sos = signal.butter(4, 0.05, output="sos")
    x = rng.standard_normal(4000)
    expected = signal.sosfilt(sos, x)
    # Same recurrences, operands added in another order: a few ulps of the signal amplitude.
    np.testing.assert_allclose(channel.IIRFilter.from_sos(sos).filter(x), expected, rtol=0, atol=1e-13)
    f32 = channel.IIRFilter.from_sos(sos).filter(x.astype(np.float32))
    np.testing.assert_allclose(f32, expected, rtol=0, atol=np.abs(expected).max() * EPS32 * 2)


def test_iir_general_order_matches_lfilter(rng):
    b, a = signal.cheby1(5, 1, 0.2)
    x = rng.standard_normal(3000)
    it = channel.IIRFilter(b, a)
    head = [it.step(v) for v in x[:10]]
    got = np.concatenate([head, it.filter(x[10:])])
    np.testing.assert_allclose(got, signal.lfilter(b, a, x), rtol=0, atol=1e-11)


@pytest.mark.parametrize("taps", [1, 5, 16, 63])
def test_fir_ring_matches_convolve(rng, taps):
    h = rng.standard_normal(taps).astype(np.float32)
    x = rng.standard_normal(200).astype(np.float32)
    ring, expected = np.zeros(taps, np.float32), np.convolve(x.astype(np.float64), h.astype(np.float64))
    for n, v in enumerate(x):
        ring[n % taps] = v
        position = (n + 1) % taps  # the oldest sample
        got = channel.fir_filter(ring, h[::-1].copy(), position)
        products = h[: n + 1].astype(np.float64) * x[max(0, n - taps + 1): n + 1][::-1]
        # float32 products and sums: each term rounded once, the sum (n - 1) times.
        assert abs(got - expected[n]) <= sum_bound(products, EPS32) + np.abs(products).sum() * EPS32


@pytest.mark.parametrize("n", [1, 3, 4, 5, 9, 64])
def test_unbalance_matches_fortescue(rng, n):
    m = rng.uniform(50, 250, (3, n)).astype(np.float32)
    th = (np.array([[0], [120], [240]]) + rng.uniform(-30, 30, (3, n))).astype(np.float32)
    p = m.astype(np.float64) * np.exp(1j * np.radians(th.astype(np.float64)))
    a = np.exp(-2j * np.pi / 3)
    s0, s1, s2 = (p.sum(0) / 3, (p[0] + a * p[1] + a * a * p[2]) / 3, (p[0] + a * a * p[1] + a * p[2]) / 3)
    t = [np.sqrt(np.sum(abs(s) ** 2)) for s in (s0, s1, s2)]
    u = power.unbalance(m, th)
    # float32 with the fast sine and cosine: relative to the phasor size, 1e-5 is some
    # 100 float32 roundings; a phase error of 1e-6 rad shows as 1e-6 of the magnitude.
    scale = m.max() * math.sqrt(n)
    for got, want in [(u.zero, t[0]), (u.positive, t[1]), (u.negative, t[2]),
                      (u.zero_first, s0[0]), (u.positive_first, s1[0]), (u.negative_first, s2[0])]:
        assert abs(got - want) <= 1e-5 * scale
    assert u.negative_percent == pytest.approx(100 * t[2] / t[1], abs=1e-3)
    assert u.zero_percent_first == pytest.approx(100 * abs(s0[0]) / abs(s1[0]), abs=1e-3)


def test_power_sums_and_energies(rng):
    u = (rng.standard_normal(33) + 1j * rng.standard_normal(33)).astype(np.complex64)
    i = (rng.standard_normal(33) + 1j * rng.standard_normal(33)).astype(np.complex64)
    s = np.r_[0.5, np.ones(31), 0.5] * u.astype(np.complex128) * np.conj(i.astype(np.complex128))
    p, q = power.p_and_q(u, i)
    assert abs(p - s.real.sum()) <= sum_bound(s.real) * 4 and abs(q - s.imag.sum()) <= sum_bound(s.imag) * 4
    v, c = u.real.copy(), i.real.copy()
    prod = (v * c).astype(np.float64)  # rounded to float32 first
    pos, neg = power.energies(v, c)
    assert pos == pytest.approx(prod[prod >= 0].sum(), rel=1e-14) and neg == pytest.approx(prod[prod < 0].sum(), rel=1e-14)
    cond = np.where(rng.random(33) > 0.5, 1.0, 0.5).astype(np.float32)
    keep = prod[cond > 0.5]
    ascending = lambda t: np.cumsum(np.concatenate([[0.0], t]))[-1]  # one addition at a time
    assert power.energies(v, c, cond) == (ascending(keep[keep >= 0]), ascending(keep[keep < 0]))
    mag2 = (u.real * u.real + u.imag * u.imag)
    assert power.strongest_bin(u) == 1 + int(np.argmax(mag2[1:]))
    assert power.sum_of_squared_magnitudes(u) == pytest.approx(np.sum(mag2.astype(np.float64)), rel=1e-6)


@pytest.mark.parametrize("n", [1, 3, 4, 37])
def test_fast_sine_and_arctangent_bounds(rng, n):
    x = rng.uniform(-100, 100, n).astype(np.float32)
    # The documented bounds, plus half an ulp of the float32 result near 1.
    np.testing.assert_allclose(power.sin(x), np.sin(x.astype(np.float64)), rtol=0, atol=1e-7 + EPS32)
    np.testing.assert_allclose(power.atan(x), np.arctan(x.astype(np.float64)), rtol=0, atol=2e-7 + 2 * EPS32)


@pytest.mark.parametrize("dtype", [np.float32, np.float64, np.int16, np.int32])
@pytest.mark.parametrize("n", [1, 7, 8, 9, 100])
def test_extremes_and_running_statistics(rng, dtype, n):
    x = (rng.standard_normal(n) * 1000).astype(dtype)
    assert stats.min_max(x) == (x.min(), x.max())
    s = stats.RunningStatistics(dtype)
    s.update(x[: n // 2], offset=3).update(x[n // 2:], offset=3)
    shifted = x.astype(np.float64) + 3
    assert (s.minimum, s.maximum, s.n) == (x.min(), x.max(), n)
    # The offset shifts only the squared samples; short runs of float/int16 form
    # sample + offset in float32 (one rounding each, 2 u in the square).
    assert abs(s.sum - x.astype(np.float64).sum()) <= sum_bound(x)
    assert s.sum_of_squares == pytest.approx(np.sum(shifted ** 2), rel=3 * EPS32)


@pytest.mark.parametrize("stride", [1, 2, -3])
def test_copy_with_statistics(rng, stride):
    src = rng.integers(-30000, 30000, 100).astype(np.int16)
    start = 99 if stride < 0 else 0
    s = stats.RunningStatistics(np.int16)
    out = stats.copy_with_statistics(src, 20, s, stride=stride, start=start)
    np.testing.assert_array_equal(out, src[start::stride][:20])
    assert (s.minimum, s.maximum, s.sum) == (out.min(), out.max(), float(out.astype(np.int64).sum()))


@pytest.mark.parametrize("dtype", F)
def test_average_filter_matches_moving_mean(rng, dtype):
    x = rng.standard_normal(500).astype(dtype)
    kernel = np.convolve(x.astype(np.float64), np.ones(5) / 5, mode="valid")
    expected = np.concatenate([[kernel[0]] * 2, kernel, [kernel[-1]] * 2])
    tol = 16 * (EPS32 if dtype == np.float32 else 2.0**-50)  # running sums drift over a segment
    for sequential in (False, True):
        np.testing.assert_allclose(ca.average_filter(x, 4, sequential=sequential), expected, atol=tol * 5)


def test_combustion_road_pieces(rng):
    raw = rng.uniform(-1, 50, 300).astype(np.float32)
    channel_, peak, index = ca.copy_raw_to_channel(raw, 40, 240, np.float32(0.5))
    np.testing.assert_array_equal(channel_, raw[40:240] - np.float32(0.5))
    assert (peak, index) == (channel_.max(), 40 + int(np.argmax(channel_)))
    cycles = rng.uniform(0, 60, (7, 50)).astype(np.float32)
    avg = ca.CycleAverages(50, window=3)
    for c in cycles:
        avg.add(c)
    np.testing.assert_allclose(avg.cumulative, cycles.astype(np.float64).mean(0), rtol=8 * EPS32)
    np.testing.assert_allclose(avg.moving, cycles[-3:].astype(np.float64).mean(0), rtol=0, atol=60 * 16 * EPS32)
    assert avg.peak == avg.cumulative.max()
    v = (np.arange(40, dtype=np.float32) * np.float32(1.37)) + np.float32(0.1)  # no .5 ties
    want = np.clip(np.rint(v * np.float32(3) + np.float32(-20)), 0, 100).astype(np.int32)
    np.testing.assert_array_equal(ca.pv_linear(v, 0, 100, 3, -20), want)
    logs = ca.pv_log(v, -1000, 1000, 100, 0, 1.0)
    assert np.all(np.abs(logs - 100 * np.log10(np.maximum(v, 1e-9))) <= 0.5 + 100 * 1.2e-4)


@pytest.mark.parametrize("src_dtype", [np.uint8, np.int8, np.int16, np.uint16, np.int32, np.uint32,
                                       np.float32, np.float64, np.int64])
@pytest.mark.parametrize("stride", [1, 3, -2])
def test_scaled_values(rng, src_dtype, stride):
    src = (rng.standard_normal(60) * 100).astype(src_dtype)
    start = 59 if stride < 0 else 0
    picked = src[start::stride][:15]
    got = channel.scaled_values(src, 0.5, 2.0, start=start, n=15, stride=stride)
    np.testing.assert_array_equal(got, picked.astype(np.float64) * 0.5 + 2.0)
    if src_dtype in (np.uint8, np.int8, np.int16, np.uint16, np.float32):
        got32 = channel.scaled_values(src, 0.5, 2.0, start=start, n=15, stride=stride, dtype=np.float32)
        np.testing.assert_array_equal(got32, picked.astype(np.float32) * np.float32(0.5) + np.float32(2.0))


def test_pair_samples_and_linear_fill():
    z = np.array([1 + 2j, 3 + 4j, 5 + 6j], np.complex128)
    np.testing.assert_array_equal(channel.scaled_values(z, 9.0, 9.0), [1, 2, 3, 4, 5, 6])
    np.testing.assert_array_equal(channel.linear(20, 0.1, 3.0), np.arange(20) * 0.1 + 3.0)
    np.testing.assert_array_equal(channel.linear(9, np.float32(0.1), 3, dtype=np.float32),
                                  np.arange(9, dtype=np.float32) * np.float32(0.1) + np.float32(3))


def test_interpolator_catmull_rom(rng):
    x = rng.standard_normal(200).astype(np.float32)
    with channel.Interpolator(1.0, 2.0, buffer_length=16) as it:
        y = np.concatenate([it.process(x[:77]), it.process(x[77:]), it.stop()])
    np.testing.assert_array_equal(y[0::2][:199], x[:199])  # t = 0 gives the sample itself
    p = x.astype(np.float64)
    half = 0.5625 * (p[1:-2] + p[2:-1]) - 0.0625 * (p[:-3] + p[3:])
    np.testing.assert_allclose(y[3:-3:2][: half.size], half, rtol=0, atol=8 * EPS32 * np.abs(p).max())


def test_graph_pixels_and_cursor(rng):
    xs, ys = stats.graph_pixels(np.array([0.25, 0.25, 0.25, 0.25, 0.25]), (100, 10, 300, 110),
                                x_range=(0, 10), start_index=5)
    np.testing.assert_array_equal(xs, [200, 220, 240, 260, 280])
    np.testing.assert_array_equal(ys, [85] * 5)
    grid = rng.integers(0, 4, (9, 12)).astype(np.uint32)
    window = grid[2:8, 3:10]  # rows 48 bytes apart, as in a larger picture
    r, c = np.mgrid[0: window.shape[0], 0: window.shape[1]]
    d2 = np.where(window != 2, (c - 4) ** 2 + (r - 1) ** 2, 1 << 30)
    k = int(np.argmin(d2))  # row-major: the earliest of equal distances
    assert stats.find_cursor(window, 4, 1, exclude=[2]) == (int(window.flat[k]), k % 7, k // 7)
    assert stats.find_cursor(np.full((2, 2), 5, np.uint32), 0, 0, exclude=[5]) is None


def test_scaled_copy_and_fir16(rng):
    x = rng.standard_normal(21) * 1e3
    out, total = power.scale_to_float(x, np.float32(0.3), abs_sum=2.0)
    want = (np.float64(np.float32(0.3)) * x).astype(np.float32)
    np.testing.assert_array_equal(out, want)
    assert total == 2.0 + np.cumsum(np.abs(want.astype(np.float64)))[-1]  # ascending, one addition at a time
    ring, sets = rng.standard_normal(40).astype(np.float32), rng.standard_normal((3, 16)).astype(np.float32)
    for position in (0, 5, 16, 40):  # wrapped, wrapped, contiguous from 0, contiguous at the end
        window = np.roll(ring, -position)[-16:].astype(np.float64)  # oldest first
        terms = window * sets[2]
        got = power.fir16(ring, sets, position, coefficient_set=2)
        assert abs(got - terms.sum()) <= sum_bound(terms, EPS32) + np.abs(terms).sum() * EPS32


def test_pink_filter_matches_kellet_sections(rng):
    white = rng.standard_normal(300)
    w = 0.2 * white
    poles = [0.99886, 0.99332, 0.969, 0.8665, 0.55, -0.7616]
    weights = [0.0555179, 0.0750759, 0.153852, 0.3104856, 0.5329522, -0.016898]
    want = sum(signal.lfilter([g], [1, -p], w) for p, g in zip(poles, weights))
    want += signal.lfilter([0.5362, 0.115926], [1], w)
    with channel.PinkFilter() as pink:
        np.testing.assert_allclose(pink.filter(white), want, rtol=0, atol=1e-14)


def test_flickermeter_blocks_continue_one_another(rng):
    x = (230 * np.sqrt(2) * np.sin(np.arange(3000) * 2 * np.pi / 80)).astype(np.float32)
    # Stable sections: low-pass poles 0.8 +- 0.2i, the others well inside the unit circle.
    coefficients = ([0.02] * 3, [-1.6] * 3, [0.68] * 3, [0.1, -0.1, 0.5, -0.2, 1, 0.3, 0.1, 0.2, -0.1, 0.01, 0.01, 0.9],
                    [0.99, -0.99, 0.98])
    whole = power.Flickermeter(*coefficients).process(x)
    parts = power.Flickermeter(*coefficients)
    np.testing.assert_array_equal(np.concatenate([parts.process(x[:1234]), parts.process(x[1234:])]), whole)
    assert np.all(np.isfinite(whole)) and np.any(whole != 0)


@pytest.mark.parametrize("dtype", [np.float32, np.int16, np.int32])
@pytest.mark.parametrize("taps", [1, 3, 4, 8, 13])
def test_crank_angle_filter_matches_convolve(rng, dtype, taps):
    x = (rng.standard_normal(40) * 1000).astype(dtype)
    c = rng.standard_normal(taps).astype(np.float32)
    full = np.convolve(x.astype(np.float32).astype(np.float64), c.astype(np.float64))
    for position in range(taps - 1, x.size):
        terms = x[position - taps + 1: position + 1][::-1].astype(np.float32).astype(np.float64) * c
        got = ca.crank_angle_filter(x, position, c)
        assert abs(got - full[position]) <= sum_bound(terms, EPS32) + np.abs(terms).sum() * EPS32
