"""Exceptions of the tqcalc package."""


class Error(Exception):
    """Base of every error this package raises."""


class DTypeError(Error, TypeError):
    """An array of a type the operation has no variant for, or not an array."""


class ArgumentError(Error, ValueError):
    """A value, length or layout the operation cannot take."""


class ClosedError(Error, ValueError):
    """An object used after close()."""


class LibraryNotFoundError(Error, OSError):
    """Neither TQCALC_LIBRARY, the package's copy nor the loader found the library."""


class InterpolatorError(Error, RuntimeError):
    """A CHS interpolator call returned a status other than CHSStatusOk.

    `status` is the code, `name` its name in the header (e.g. CHSStatusBlockTooLarge).
    """

    def __init__(self, status, name, call):
        super().__init__("%s returned %s (%d)" % (call, name, status))
        self.status, self.name = status, name
