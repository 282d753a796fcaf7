"""numpy interface to tqcalc-avx, the AVX numeric kernels for measurement hosts.

Modules: core (reductions, element-wise, conversions), ca (combustion analysis), channel
(scaled values, interpolator, IIR/FIR/pink filters), stats (statistics, graph pixels, cursor),
power (power analysis). The library is found through TQCALC_LIBRARY, the package's own
copy, or the system loader (libtqcalc-avx.so.3).
"""
from . import ca, channel, core, power, stats
from ._errors import ArgumentError, ClosedError, DTypeError, Error, InterpolatorError, LibraryNotFoundError
from ._lib import library_path

__version__ = "3.4"
__all__ = ["ca", "channel", "core", "power", "stats", "Error", "ArgumentError", "ClosedError", "DTypeError",
           "InterpolatorError", "LibraryNotFoundError", "library_path"]
