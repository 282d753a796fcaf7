"""Bad input raises before the library sees a pointer; calls drop the GIL and run concurrently."""
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import tqcalc
from tqcalc import ca, channel, core, power, stats

f32 = np.arange(8, dtype=np.float32)


def read_only():
    a = np.zeros(8, np.float32)
    a.setflags(write=False)
    return a


def closed(obj):
    obj.close()
    return obj


BAD = [
    ("dtype", lambda: core.sum_values(np.arange(8)), tqcalc.DTypeError),
    ("dtype of out", lambda: core.sqrt(f32, out=np.empty(8)), tqcalc.DTypeError),
    ("no variant", lambda: stats.min_max(np.arange(3, dtype=np.uint8)), tqcalc.DTypeError),
    ("strings", lambda: core.sum_values(["a"]), tqcalc.DTypeError),
    ("non-contiguous out", lambda: core.sqrt(f32, out=np.empty(16, np.float32)[::2]), tqcalc.ArgumentError),
    ("non-contiguous in place", lambda: core.multiply_by_scalar_inplace(np.zeros(16)[::2], 2.0), tqcalc.ArgumentError),
    ("read-only out", lambda: core.sqrt(f32, out=read_only()), tqcalc.ArgumentError),
    ("read-only in place", lambda: ca.overall_pressure_inplace(f32, read_only(), 0), tqcalc.ArgumentError),
    ("lengths", lambda: core.dot(f32, f32[:7]), tqcalc.ArgumentError),
    ("out length", lambda: core.sqrt(f32, out=np.empty(7, np.float32)), tqcalc.ArgumentError),
    ("32-bit count", lambda: channel.linear(2**32, 1.0, 0.0), tqcalc.ArgumentError),
    ("32-bit signed count", lambda: power.harmonic_angles(np.zeros(4, np.complex64), 2**31, 0, 0), tqcalc.ArgumentError),
    ("16-bit width", lambda: ca.average_filter(f32, 70000), tqcalc.ArgumentError),
    ("range past the end", lambda: ca.copy_raw_to_channel(f32, 2, 9, 0.0), tqcalc.ArgumentError),
    ("stride leaves the source", lambda: channel.scaled_values(f32, start=0, n=3, stride=-1), tqcalc.ArgumentError),
    ("taps before the start", lambda: ca.crank_angle_filter(f32, 2, np.ones(4, np.float32)), tqcalc.ArgumentError),
    ("null array", lambda: core.sum_values(None), tqcalc.DTypeError),
    ("null state", lambda: stats.copy_with_statistics(np.zeros(4, np.int16), 2, None), tqcalc.DTypeError),
    ("closed interpolator", lambda: closed(channel.Interpolator(1, 1, 8)).process(f32), tqcalc.ClosedError),
    ("closed IIR", lambda: closed(channel.IIRFilter([1.0], [1.0])).filter(f32), tqcalc.ClosedError),
    ("closed pink", lambda: closed(channel.PinkFilter()).step(1.0), tqcalc.ClosedError),
]


@pytest.mark.parametrize("what, bad, error", BAD, ids=[b[0] for b in BAD])
def test_bad_input_raises(what, bad, error):
    with pytest.raises(error):
        bad()


@pytest.mark.parametrize("make, status", [
    (lambda: channel.Interpolator(0.0, 1.0, 8), "CHSStatusInvalidArgument"),
    (lambda: channel.Interpolator(float("nan"), 1.0, 8), "CHSStatusInvalidArgument"),
    (lambda: channel.Interpolator(1.0, 1.0, 6), "CHSStatusBadBufferLength"),
    (lambda: channel.Interpolator(1.0, 1.0, 8).interpolate(np.zeros(7, np.float32)), "CHSStatusBlockTooLarge"),
    (lambda: channel.Interpolator(1.0, 1.0, 8).interpolate(np.zeros(0, np.float32)), "CHSStatusInvalidArgument"),
    (lambda: [it.stop(), it.stop()] if (it := channel.Interpolator(1.0, 1.0, 8)) else 0, "CHSStatusStopped"),
])
def test_interpolator_status_names(make, status):
    with pytest.raises(tqcalc.InterpolatorError) as e:
        make()
    assert e.value.name == status and isinstance(e.value, tqcalc.Error)


def test_with_block_frees_the_interpolator():
    with channel.Interpolator(1.0, 1.0, 8) as it:
        it.process(f32)
    with pytest.raises(tqcalc.ClosedError):
        it.reset()


def long_filter():
    return channel.IIRFilter.from_sos(np.tile([1.0, 0.5, 0.25, 1.0, -0.5, 0.1], (40, 1)))


def test_gil_released_during_a_long_call():
    x = np.random.default_rng(5).standard_normal(400_000)
    window = {}

    def worker():
        f = long_filter()
        window["start"] = time.perf_counter()
        f.filter(x)
        window["end"] = time.perf_counter()

    ticks = []
    t = threading.Thread(target=worker)
    t.start()
    while t.is_alive():
        ticks.append(time.perf_counter())
    t.join()
    inside = [s for s in ticks if window["start"] < s < window["end"]]
    # With the GIL held through the call this thread could not tick at all meanwhile.
    assert window["end"] - window["start"] > 0.02 and len(inside) > 100


def test_threads_give_the_same_results_as_one():
    inputs = [np.random.default_rng(k).standard_normal(50_000) for k in range(4)]
    run = lambda x: (long_filter().filter(x), core.sum_values(x.astype(np.float32)))  # noqa: E731
    alone = [run(x) for x in inputs]
    with ThreadPoolExecutor(4) as pool:
        together = list(pool.map(run, inputs))
    for (a, sum_a), (b, sum_b) in zip(alone, together):
        np.testing.assert_array_equal(a, b)
        assert sum_a == sum_b
