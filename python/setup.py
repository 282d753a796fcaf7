"""Build step: the package carries the public header it reads its bindings from, and a copy
of the library when one is at hand (TQCALC_LIBRARY, or the x64 build of this source tree)."""
import os
import shutil

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def _first(*paths):
    return next((p for p in paths if p and os.path.exists(p)), None)


HEADER = _first(os.environ.get("TQCALC_HEADER"), os.path.join(SOURCE, "include", "tqcalc.h"))
LIBRARY = _first(os.environ.get("TQCALC_LIBRARY"), os.path.join(SOURCE, "build", "x64", "libtqcalc-avx.so.3"))


class BuildWithHeader(build_py):
    def run(self):
        super().run()
        target = os.path.join(self.build_lib, "tqcalc")
        if HEADER:
            os.makedirs(os.path.join(target, "include"), exist_ok=True)
            shutil.copyfile(HEADER, os.path.join(target, "include", "tqcalc.h"))
        if LIBRARY:
            shutil.copyfile(os.path.realpath(LIBRARY), os.path.join(target, "libtqcalc-avx.so.3"))


class MaybeBinary(Distribution):
    # A wheel that carries the x86-64 library is a platform wheel.
    def has_ext_modules(self):
        return LIBRARY is not None


setup(cmdclass={"build_py": BuildWithHeader}, distclass=MaybeBinary)
