"""Loading the library, binding its entries from the header, argument checks."""
import ctypes
import os
import threading

import numpy as np

from ._errors import ArgumentError, DTypeError, LibraryNotFoundError
from ._header import Header

_HERE = os.path.dirname(os.path.abspath(__file__))
SONAME = "libtqcalc-avx.so.3"

_lock = threading.Lock()
_state = {}


def library_path():
    """The path (or loader name) the library is loaded from."""
    env = os.environ.get("TQCALC_LIBRARY")
    if env:
        if not os.path.exists(env):
            raise LibraryNotFoundError("TQCALC_LIBRARY names %r, which does not exist" % env)
        return os.path.abspath(env)
    own = os.path.join(_HERE, SONAME)
    return own if os.path.exists(own) else SONAME


def _header_path(library):
    candidates = [os.environ.get("TQCALC_HEADER"), os.path.join(_HERE, "include", "tqcalc.h")]
    if os.path.isabs(library):
        # An install prefix (lib/ beside include/) or the build tree of the source.
        lib_dir = os.path.dirname(os.path.realpath(library))
        for up in ("..", os.path.join("..", ".."), os.path.join("..", "..", "..")):
            candidates.append(os.path.join(lib_dir, up, "include", "tqcalc.h"))
    for path in filter(None, candidates):
        if os.path.exists(path):
            return path
    raise LibraryNotFoundError("tqcalc.h not found (set TQCALC_HEADER or reinstall the package)")


def _load():
    with _lock:
        if not _state:
            path = library_path()
            try:
                cdll = ctypes.CDLL(path)  # CDLL calls drop the GIL for their duration
            except OSError as e:
                raise LibraryNotFoundError(
                    "cannot load %s (%s); set TQCALC_LIBRARY to the library's path" % (path, e)) from None
            with open(_header_path(path)) as f:
                header = Header(f.read())
            _state.update(cdll=cdll, header=header, path=path, functions={})
    return _state


def header():
    return _load()["header"]


def record(name):
    """The ctypes class of a record of the header."""
    return header().records[name]


def function(name):
    """The bound cdecl entry of an operation (its `_cdecl` twin, or the decorated symbol)."""
    state = _load()
    fn = state["functions"].get(name)
    if fn is None:
        proto = state["header"].prototypes[name]
        fn = getattr(state["cdll"], proto.symbol)
        fn.restype = proto.restype
        # Arrays travel as plain addresses checked by the wrappers.
        fn.argtypes = [t if not (t is ctypes.c_void_p or hasattr(t, "contents")) else ctypes.c_void_p
                       for t in proto.argtypes]
        state["functions"][name] = fn
    return fn


def call(name, *args):
    return function(name)(*args)


# ---- argument checks: everything is checked before an address is passed on ----

SUFFIX = {np.dtype(np.float32): "_float", np.dtype(np.float64): "_double",
          np.dtype(np.int16): "_int16_t", np.dtype(np.int32): "_int32_t"}
U32, I32 = (0, 2**32 - 1), (-2**31, 2**31 - 1)


def typed(base, dtype, allowed):
    """The C name of the variant for `dtype`; `allowed` lists the dtypes that exist."""
    dtype = np.dtype(dtype)
    if dtype not in [np.dtype(a) for a in allowed]:
        raise DTypeError("%s takes %s arrays, not %s" % (
            base, " or ".join(np.dtype(a).name for a in allowed), dtype.name))
    return base + SUFFIX[dtype]


def array_in(x, name, dtypes, ndim=1):
    """A C-contiguous array of one of `dtypes` (a non-contiguous one is copied)."""
    if x is None:
        raise DTypeError("%s is None" % name)
    if not isinstance(x, np.ndarray):
        x = np.asarray(x)
        # Lists of numbers become float64 or int64 arrays, never a narrower type.
        if x.dtype.kind not in "fi":
            raise DTypeError("%s: cannot use %r as numbers" % (name, x.dtype))
    allowed = [np.dtype(d) for d in dtypes]
    if x.dtype not in allowed:
        raise DTypeError("%s must be %s, not %s" % (name, " or ".join(a.name for a in allowed), x.dtype.name))
    if ndim is not None and x.ndim != ndim:
        raise ArgumentError("%s must have %d dimension(s), has %d" % (name, ndim, x.ndim))
    return np.ascontiguousarray(x)


def array_out(out, name, dtype, shape):
    """`out` checked as a writable C-contiguous array of `dtype` and `shape`, or a new one."""
    if out is None:
        return np.empty(shape, dtype)
    if not isinstance(out, np.ndarray):
        raise DTypeError("%s must be a numpy array" % name)
    if out.dtype != np.dtype(dtype):
        raise DTypeError("%s must be %s, not %s" % (name, np.dtype(dtype).name, out.dtype.name))
    if not out.flags.c_contiguous:
        raise ArgumentError("%s must be C-contiguous" % name)
    if not out.flags.writeable:
        raise ArgumentError("%s is read-only" % name)
    if out.shape != tuple(np.atleast_1d(shape)):
        raise ArgumentError("%s has shape %s, needs %s" % (name, out.shape, tuple(np.atleast_1d(shape))))
    return out


def writable(x, name, dtypes, ndim=1):
    """An array the library modifies in place: no copy may stand in for it."""
    if not isinstance(x, np.ndarray):
        raise DTypeError("%s must be a numpy array" % name)
    array_in(x[:0], name, dtypes, ndim)  # dtype and rank, without a copy
    return array_out(x, name, x.dtype, x.shape)


def disjoint(out, x, name="out"):
    """Operations that read and write in separate passes need separate memory."""
    if np.may_share_memory(out, x):  # exact for the contiguous arrays passed here
        raise ArgumentError("%s must not overlap the input" % name)
    return out


def same_length(name_a, a, name_b, b):
    if len(a) != len(b):
        raise ArgumentError("%s and %s differ in length (%d, %d)" % (name_a, name_b, len(a), len(b)))


def count(n, name="count", limits=U32):
    n = int(n)
    if not limits[0] <= n <= limits[1]:
        raise ArgumentError("%s %d does not fit its argument (%d .. %d)" % (name, n, limits[0], limits[1]))
    return n


def ptr(x):
    return x.ctypes.data


def out_double():
    return ctypes.c_double()
