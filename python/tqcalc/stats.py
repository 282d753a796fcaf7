"""Statistics and graph support: extremes, running statistics, strided copy with statistics,
XY graph pixels, cursor search."""
import ctypes

import numpy as np

from ._lib import I32, ArgumentError, DTypeError, array_in, array_out, call, count, disjoint, function, ptr, record, typed

TYPES = (np.float32, np.float64, np.int16, np.int32)
_C = {np.dtype(np.float32): ctypes.c_float, np.dtype(np.float64): ctypes.c_double,
      np.dtype(np.int16): ctypes.c_int16, np.dtype(np.int32): ctypes.c_int32}


def min_max(values):
    """(minimum, maximum) of a non-empty array; a NaN after element 0 is never taken.
    C: tqcalcGetMinMax_float / _double / _int16_t / _int32_t"""
    values = array_in(values, "values", TYPES)
    if values.size == 0:
        raise ArgumentError("min_max of an empty array")
    lo, hi = _C[values.dtype](), _C[values.dtype]()
    call(typed("tqcalcGetMinMax", values.dtype, TYPES), ptr(values), count(values.size), ctypes.byref(lo),
         ctypes.byref(hi))
    return values.dtype.type(lo.value), values.dtype.type(hi.value)


class RunningStatistics:
    """Running minimum, maximum and sum of the samples, and sum of squares of (sample + offset),
    over any number of update() calls; `n` counts the samples, `mean` and `rms` (of the shifted
    samples) follow from the sums.
    C: tqcalcGetMinMaxAveRMS_float / _double / _int16_t / _int32_t"""

    def __init__(self, dtype):
        self.dtype = np.dtype(dtype)
        if self.dtype not in _C:
            raise DTypeError("no running statistics for %s" % self.dtype.name)
        info = np.finfo(self.dtype) if self.dtype.kind == "f" else np.iinfo(self.dtype)
        ctype = _C[self.dtype]
        self._min, self._max = ctype(info.max), ctype(info.min)
        self._sum, self._squares = ctypes.c_double(0.0), ctypes.c_double(0.0)
        self.n = 0

    minimum = property(lambda self: self.dtype.type(self._min.value))
    maximum = property(lambda self: self.dtype.type(self._max.value))
    sum = property(lambda self: self._sum.value)
    sum_of_squares = property(lambda self: self._squares.value)
    mean = property(lambda self: self._sum.value / self.n if self.n else float("nan"))
    rms = property(lambda self: (self._squares.value / self.n) ** 0.5 if self.n else float("nan"))

    def _outputs(self):
        return [ctypes.byref(v) for v in (self._min, self._max, self._sum, self._squares)]

    def update(self, values, offset=0.0):
        values = array_in(values, "values", (self.dtype,))
        call(typed("tqcalcGetMinMaxAveRMS", values.dtype, TYPES), ptr(values), count(values.size), *self._outputs(),
             offset)
        self.n += values.size
        return self


def copy_with_statistics(source, n, stats, stride=1, start=0, offset=0.0, out=None):
    """out[i] = source[start + i * stride] for i < n (int16), folding the copied samples into
    `stats` (a RunningStatistics of int16).  C: tqcalcMoveAndGetMinMaxAveRMS_int16_t"""
    source = array_in(source, "source", (np.int16,))
    if not isinstance(stats, RunningStatistics) or stats.dtype != np.int16:
        raise DTypeError("stats must be a RunningStatistics(np.int16)")
    count(n, "n"), count(stride, "stride", I32)
    if n and not (0 <= start < source.size and 0 <= start + (n - 1) * stride < source.size):
        raise ArgumentError("the strided read leaves the source")
    out = array_out(out, "out", np.int16, (n,))
    disjoint(out, source)
    call("tqcalcMoveAndGetMinMaxAveRMS_int16_t", ptr(out), ptr(source) + 2 * start, n, *stats._outputs(), offset,
         stride)
    stats.n += n
    return out


_X_AXES = {"linear": 0, "log": 1, "normalised": 2}
_Y_AXES = {"linear": 0, "log": 1, "db": 2}


def graph_pixels(y, rect, x_range=(0.0, 1.0), y_range=(0.0, 1.0), x=None, x_step=None, x_start=0.0,
                 x_axis="linear", y_axis="linear", y_factor=1.0, y_offset=0.0, db_reference=1.0, db_factor=1.0,
                 start_index=0):
    """Pixel coordinates (xs, ys) of the points of a series in the plot rectangle
    rect = (left, top, right, bottom). x comes from the sample index, from the array `x`
    (indexed by sample index) or from index * x_step + x_start; y is y_factor * y + y_offset.
    Axes: x_axis 'linear', 'log' or 'normalised'; y_axis 'linear', 'log' or 'db'; ranges in
    values (decibels on a 'db' axis).  C: tqcalcGetXYValGraph2D"""
    y = array_in(y, "y", (np.float32, np.float64))
    if x_axis not in _X_AXES or y_axis not in _Y_AXES:
        raise ArgumentError("axes: x in %s, y in %s" % (list(_X_AXES), list(_Y_AXES)))
    if len(rect) != 4 or not all(-32768 <= int(v) <= 32767 for v in rect):
        raise ArgumentError("rect is four 16-bit pixel coordinates")
    count(start_index, "start_index", (0, 2**31 - 1)), count(start_index + y.size, "last index", (0, 2**31 - 1))
    mode = 0
    if x is not None:
        x, mode = array_in(x, "x", (np.float64,)), 1
        if x.size < start_index + y.size:
            raise ArgumentError("x must hold a value per sample index up to %d" % (start_index + y.size))
    elif x_step is not None:
        mode = 2
    xs, ys, done = np.empty(y.size, np.int32), np.empty(y.size, np.int32), ctypes.c_uint32()
    for axis, r in (("x", x_range), ("y", y_range)):
        if (x_axis if axis == "x" else y_axis) == "log" and min(r) <= 0:
            raise ArgumentError("a logarithmic %s axis needs a positive range" % axis)
    log = lambda r: tuple(np.log10(r)) if min(r) > 0 else (0.0, 0.0)  # noqa: E731
    p = record("XYGraphParams")()
    p.count, p.xSourceMode, p.ySampleType = y.size, mode, 5 if y.dtype == np.float32 else 7
    p.xAxisMode, p.yAxisMode, p.startIndex = _X_AXES[x_axis], _Y_AXES[y_axis], start_index
    p.left, p.top, p.right, p.bottom = rect
    p.xStep, p.xStart, p.yFactor, p.yOffset = x_step or 0.0, x_start, y_factor, y_offset
    p.xMin, p.xMax = x_range
    p.yMin, p.yMax = y_range
    (p.logXMin, p.logXMax), (p.logYMin, p.logYMax) = log(x_range), log(y_range)
    p.dbReference, p.dbFactor = db_reference, db_factor
    p.xValues, p.pointsDone = ptr(x) if mode == 1 else None, ctypes.addressof(done)
    fn, i = function("tqcalcGetXYValGraph2D"), 0
    while i < y.size:
        p.count, p.startIndex = y.size - i, start_index + i
        p.yValues, p.xPixels, p.yPixels = ptr(y) + i * y.itemsize, ptr(xs) + 4 * i, ptr(ys) + 4 * i
        fn(ctypes.byref(p))
        i += done.value
    return xs, ys


def find_cursor(cells, column, row, exclude=()):
    """The cell of a 2-D uint32 grid nearest to (column, row) whose value is not in `exclude`:
    (value, column, row), or None. Rows may be any multiple of 4 bytes apart (a window of a
    larger grid).  C: tqcalcFindCursorXY"""
    if not isinstance(cells, np.ndarray) or cells.dtype != np.uint32 or cells.ndim != 2:
        raise DTypeError("cells must be a 2-D uint32 array")
    if cells.strides[1] != 4 or cells.strides[0] % 4:
        raise ArgumentError("cells must have contiguous rows")
    exclude = np.asarray(exclude, np.int64).reshape(-1)
    if exclude.size and (exclude.min() < 0 or exclude.max() > 0xFFFFFFFF):
        raise ArgumentError("excluded values must fit 32 unsigned bits")
    exclude = exclude.astype(np.uint32)
    height, width = cells.shape
    # Row r lies at cells - r * pitch: a grid whose rows grow upwards in memory has a negative pitch.
    pitch = count(-cells.strides[0], "row pitch", I32)
    value, col, r = ctypes.c_uint32(), ctypes.c_int32(-1), ctypes.c_int32(-1)
    call("tqcalcFindCursorXY", ptr(cells), pitch, count(width, "width", I32), count(height, "height", I32),
         count(column, "column", I32), count(row, "row", I32), ctypes.byref(value), ctypes.byref(col),
         ctypes.byref(r), ptr(exclude), count(exclude.size, "excluded", I32))
    return None if col.value < 0 else (value.value, col.value, r.value)
