#!/usr/bin/env python3
"""Combustion analysis from Python: synthesise cylinder-pressure cycles of a four-stroke engine,
then per cycle peg the sensor offset, copy the cycle with the offset removed and its peak found,
smooth it, fold it into the cumulative and moving averages; finally map the average cycle onto
log-log p-V diagram coordinates and save a figure of the p-V diagram.

    combustion.py OUTPUT.png [--cycles N]
"""
import argparse
import math

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import tqcalc  # noqa: E402
from tqcalc import ca, core  # noqa: E402

RESOLUTION = 0.1  # degrees crank angle per sample
BORE, STROKE, CONROD, RATIO = 86.0, 86.0, 143.5, 10.5  # mm, compression ratio
INTAKE, EXHAUST, KAPPA = 1.0, 1.1, 1.32  # bar, bar, polytropic exponent


def volume_cm3(deg):
    """Slider-crank cylinder volume at crank angle `deg` (firing TDC at 0)."""
    a, theta = STROKE / 2, np.radians(deg)
    piston = a + CONROD - (a * np.cos(theta) + np.sqrt(CONROD**2 - (a * np.sin(theta)) ** 2))
    displacement = math.pi / 4 * BORE**2 * STROKE / 1000
    return displacement / (RATIO - 1) + math.pi / 4 * BORE**2 * piston / 1000


def cycle_pressure(deg, start, duration, heat_j):
    """Polytropic compression, Wiebe heat release through the first law, blowdown, exhaust."""
    v = volume_cm3(deg)
    p = np.where(deg < -180, INTAKE, INTAKE * (volume_cm3(-180.0) / v) ** KAPPA)
    burning = np.nonzero((deg >= start) & (deg < 140.0))[0]
    x = np.clip((deg[burning] - start) / duration, 0, 1)
    dq = np.diff(1 - np.exp(-5 * x**3), prepend=0.0) * heat_j * 10  # 1 J = 10 bar cm^3
    pressure = p[burning[0] - 1]
    for k, i in enumerate(burning):
        pressure += (KAPPA - 1) / v[i] * dq[k] - KAPPA * pressure / v[i] * (v[i] - v[i - 1])
        p[i] = pressure
    after = deg >= 140.0
    decay = np.exp(-(deg[after] - 140.0 + RESOLUTION) / 8.0)
    p[after] = np.where(deg[after] < 180, EXHAUST + (pressure - EXHAUST) * decay, EXHAUST)
    return p


def synthesise(cycles, deg, rng):
    """The raw sensor stream: cycles back to back with offset drift and noise, as float32."""
    raw, offset = [], 0.35
    for _ in range(cycles):
        p = cycle_pressure(deg, -15 + rng.normal(), 50 * (1 + 0.08 * rng.normal()), 950 * (1 + 0.03 * rng.normal()))
        offset += 0.02 * rng.normal()
        raw.append(p + offset + 0.04 * rng.standard_normal(p.size))
    return np.concatenate(raw).astype(np.float32)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="PNG file for the p-V diagram")
    parser.add_argument("--cycles", type=int, default=60)
    args = parser.parse_args()

    deg = -360.0 + np.arange(int(720 / RESOLUTION)) * RESOLUTION
    n = deg.size
    raw = synthesise(args.cycles, deg, np.random.default_rng(7))
    volume = volume_cm3(deg).astype(np.float32)
    bdc = slice(int((-185 + 360) / RESOLUTION), int((-175 + 360) / RESOLUTION) + 1)

    averages = ca.CycleAverages(n, window=10)
    peaks, peak_deg, imep = [], [], []
    for c in range(args.cycles):
        block = raw[c * n:(c + 1) * n]
        # Pegging: around intake BDC the cylinder holds the intake pressure.
        offset = core.sum_values(block[bdc]) / block[bdc].size - INTAKE
        cycle, peak, index = ca.copy_raw_to_channel(raw, c * n, (c + 1) * n, np.float32(offset))
        smooth = ca.average_filter(cycle, 5)
        averages.add(smooth)
        peaks.append(peak)
        peak_deg.append(deg[index - c * n])
        imep.append(core.dot(smooth[:-1], np.diff(volume)) / (volume.max() - volume.min()))

    mean = averages.cumulative
    print("tqcalc %d.%d from %s" % (*tqcalc.core.get_version()[:2], tqcalc.library_path()))
    print("%d cycles: peak %.1f +- %.1f bar at %.1f deg, IMEP %.2f bar, cumulative peak %.1f bar" % (
        args.cycles, np.mean(peaks), np.std(peaks), np.mean(peak_deg), np.mean(imep), averages.peak))

    # Diagram coordinates of the average cycle from the library: 20..800 cm^3 and 0.5..158 bar
    # on 1.6 and 2.5 decades of a 640 x 480 diagram (pixel rows grow downwards).
    x_px = ca.pv_log(volume, 0, 640, 640 / 1.6, 0, 20.0)
    y_px = ca.pv_log(mean, 0, 480, -480 / 2.5, 480, 0.5)

    fig, (lin, log) = plt.subplots(1, 2, figsize=(11, 4.5))
    lin.plot(volume, mean, color="#1f77b4", label="cumulative average")
    lin.plot(volume, averages.moving, color="#d62728", lw=0.8, label="moving average (10 cycles)")
    lin.set(xlabel="volume [cm$^3$]", ylabel="pressure [bar]", title="p-V diagram")
    lin.legend()
    compression = deg < 0
    log.plot(x_px[compression], y_px[compression], color="#2ca02c", label="compression")
    log.plot(x_px[~compression], y_px[~compression], color="#ff7f0e", label="expansion")
    log.set(xlim=(0, 640), ylim=(480, 0), xlabel="log volume [px]", ylabel="log pressure [px]",
            title="log-log p-V (tqcalcCAPV_log)")
    log.legend()
    fig.tight_layout()
    fig.savefig(args.output, dpi=100)
    print("wrote", args.output)


if __name__ == "__main__":
    main()
