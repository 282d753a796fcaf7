"""Reads the library's public header: exported prototypes, records and enums.

The header is the one place the signatures are written down; this reader
turns its declaration macros and typedefs into ctypes objects, so the
package carries no second list of prototypes.
"""
import ctypes
import re

# The C types the header uses, by their spelling without `const`.
_SCALARS = {
    "void": None,
    "double": ctypes.c_double,
    "float": ctypes.c_float,
    "int8_t": ctypes.c_int8,
    "uint8_t": ctypes.c_uint8,
    "int16_t": ctypes.c_int16,
    "uint16_t": ctypes.c_uint16,
    "int32_t": ctypes.c_int32,
    "uint32_t": ctypes.c_uint32,
    "int64_t": ctypes.c_int64,
    "uint64_t": ctypes.c_uint64,
    "size_t": ctypes.c_size_t,
}

_DECL = re.compile(
    r"\bTQCALC_(PAIR|CDECL_ONLY|DECORATED_PAIR|DECORATED)\s*\(\s*([^,]+?)\s*,\s*(\w+)\s*,\s*\((.*?)\)\s*\)\s*;",
    re.S)
_RECORD = re.compile(r"typedef\s+struct\s+(\w+)\s*\{(.*?)\}\s*\1\s*;", re.S)
_OPAQUE = re.compile(r"typedef\s+struct\s+(\w+)\s+\1\s*;")
_ENUM = re.compile(r"\benum\s+(\w+)\s*\{(.*?)\}", re.S)


def _strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", " ", text)


class Prototype:
    """One exported operation: its symbol to call, result and parameters."""

    def __init__(self, name, form, symbol, restype, params):
        self.name, self.form, self.symbol = name, form, symbol
        self.restype = restype
        self.params = params  # [(parameter name, ctypes type)]

    @property
    def argtypes(self):
        return [t for _, t in self.params]


class Header:
    def __init__(self, text):
        text = _strip_comments(text)
        # Preprocessor lines hold the macro definitions themselves.
        text = "\n".join(l for l in text.splitlines() if not l.lstrip().startswith("#"))
        self.enums = {}
        for name, body in _ENUM.findall(text):
            values, value = {}, -1
            for item in filter(None, (s.strip() for s in body.split(","))):
                key, _, number = item.partition("=")
                value = int(number, 0) if number.strip() else value + 1
                values[key.strip()] = value
            self.enums[name] = values
        self.types = dict(_SCALARS)
        for name in self.enums:
            self.types[name] = ctypes.c_uint32
        for name in _OPAQUE.findall(text):
            self.types[name] = type(name, (ctypes.Structure,), {})
        self.records = {}
        for name, body in _RECORD.findall(text):
            self.records[name] = self.types[name] = self._record(name, body)
        self.prototypes = {}
        for form, result, name, params in _DECL.findall(text):
            symbol = "_" + name if form == "DECORATED" else name + "_cdecl"
            self.prototypes[name] = Prototype(
                name, form, symbol, self.ctype(result),
                [self._param(p) for p in params.split(",") if p.strip() != "void"])

    def ctype(self, spelling):
        """ctypes type of a C type spelling such as `const float*`."""
        words = spelling.replace("*", " * ").split()
        stars = words.count("*")
        base = [w for w in words if w not in ("const", "*", "struct", "enum")]
        if len(base) != 1 or base[0] not in self.types:
            raise ValueError("unknown C type %r in tqcalc.h" % spelling)
        t = self.types[base[0]]
        for _ in range(stars):
            t = ctypes.c_void_p if t is None else ctypes.POINTER(t)
        return t

    def _param(self, text):
        m = re.match(r"(.*?)(\w+)\s*$", text.strip(), re.S)
        return m.group(2), self.ctype(m.group(1))

    def _record(self, name, body):
        fields = []
        for decl in filter(None, (d.strip() for d in body.split(";"))):
            decl = decl.replace("TQCALC_ALIGN8", "").strip()  # x86-64 aligns doubles to 8 already
            m = re.match(r"((?:const\s+)?\w+[\s*]*?)\s*(\w.*)$", decl, re.S)
            ctype_, names = m.group(1), m.group(2)
            for item in names.split(","):
                item = item.strip()
                stars = len(item) - len(item.lstrip("*"))
                item = item.lstrip("*").strip()
                # Pointer fields hold plain addresses: the wrappers own the arrays.
                t = ctypes.c_void_p if stars or "*" in ctype_ else self.ctype(ctype_)
                array = re.match(r"(\w+)\s*\[\s*(\d+)\s*\]", item)
                if array:
                    item, t = array.group(1), t * int(array.group(2))
                fields.append((item, t))
        return type(name, (ctypes.Structure,), {"_fields_": fields})
