"""The server library, its exports and the automation data structures, through ctypes.

The library is found where QUORVEL_LIBRARY points, else in <prefix>/lib (or its multiarch
folder) beside this package's <prefix>/lib/python3/dist-packages/quorvel/, else by the dynamic
loader's own search."""
import ctypes
import os
import pathlib
import sysconfig
import threading
import uuid

LIBRARY_NAME = "libquorvelxml.so"

HRESULT = ctypes.c_int32
LONG = ctypes.c_int32
ULONG = ctypes.c_uint32
DISPID = ctypes.c_int32
VARTYPE = ctypes.c_uint16


class GUID(ctypes.Structure):
    _fields_ = [("Data1", ctypes.c_uint32), ("Data2", ctypes.c_uint16), ("Data3", ctypes.c_uint16),
                ("Data4", ctypes.c_ubyte * 8)]

    @classmethod
    def parse(cls, text):
        """A GUID from its text, with or without braces."""
        return cls.from_buffer_copy(uuid.UUID(text.strip().strip("{}")).bytes_le)

    def __str__(self):
        return "{" + str(uuid.UUID(bytes_le=bytes(self))).upper() + "}"

    def __eq__(self, other):
        return isinstance(other, GUID) and bytes(self) == bytes(other)

    def __hash__(self):
        return hash(bytes(self))


class _VariantValue(ctypes.Union):
    _fields_ = [("llVal", ctypes.c_int64), ("ullVal", ctypes.c_uint64), ("lVal", ctypes.c_int32),
                ("ulVal", ctypes.c_uint32), ("iVal", ctypes.c_int16), ("uiVal", ctypes.c_uint16),
                ("cVal", ctypes.c_int8), ("bVal", ctypes.c_uint8), ("fltVal", ctypes.c_float),
                ("dblVal", ctypes.c_double), ("boolVal", ctypes.c_int16), ("scode", ctypes.c_int32),
                ("date", ctypes.c_double), ("ptr", ctypes.c_void_p), ("record", ctypes.c_void_p * 2)]


class VARIANT(ctypes.Structure):
    # 24 bytes on x86-64: the type, three reserved words and a 16-byte value.
    _fields_ = [("vt", VARTYPE), ("wReserved1", ctypes.c_uint16), ("wReserved2", ctypes.c_uint16),
                ("wReserved3", ctypes.c_uint16), ("value", _VariantValue)]


class DECIMAL(ctypes.Structure):
    _fields_ = [("wReserved", ctypes.c_uint16), ("scale", ctypes.c_uint8), ("sign", ctypes.c_uint8),
                ("Hi32", ctypes.c_uint32), ("Lo64", ctypes.c_uint64)]


class DISPPARAMS(ctypes.Structure):
    _fields_ = [("rgvarg", ctypes.POINTER(VARIANT)), ("rgdispidNamedArgs", ctypes.POINTER(DISPID)),
                ("cArgs", ctypes.c_uint), ("cNamedArgs", ctypes.c_uint)]


class EXCEPINFO(ctypes.Structure):
    _fields_ = [("wCode", ctypes.c_uint16), ("wReserved", ctypes.c_uint16), ("bstrSource", ctypes.c_void_p),
                ("bstrDescription", ctypes.c_void_p), ("bstrHelpFile", ctypes.c_void_p),
                ("dwHelpContext", ctypes.c_uint32), ("pvReserved", ctypes.c_void_p),
                ("pfnDeferredFillIn", ctypes.c_void_p), ("scode", ctypes.c_int32)]


class SAFEARRAYBOUND(ctypes.Structure):
    _fields_ = [("cElements", ULONG), ("lLbound", LONG)]


class SAFEARRAY(ctypes.Structure):
    _fields_ = [("cDims", ctypes.c_uint16), ("fFeatures", ctypes.c_uint16), ("cbElements", ULONG),
                ("cLocks", ULONG), ("pvData", ctypes.c_void_p), ("rgsabound", SAFEARRAYBOUND * 1)]


class ProgIdMapping(ctypes.Structure):
    # One entry of the library's class map: a ProgID (UTF-8) and its class identifier.
    _fields_ = [("progId", ctypes.c_char_p), ("clsid", GUID)]


# Prototypes of the exports: name -> (result type, argument types).
_EXPORTS = {
    "DllGetClassObject": (HRESULT, [ctypes.POINTER(GUID), ctypes.POINTER(GUID), ctypes.POINTER(ctypes.c_void_p)]),
    "DllCanUnloadNow": (HRESULT, []),
    "QuorvelProgIdMap": (ctypes.POINTER(ProgIdMapping), [ctypes.POINTER(ULONG)]),
    "SysAllocStringLen": (ctypes.c_void_p, [ctypes.c_char_p, ctypes.c_uint]),
    "SysFreeString": (None, [ctypes.c_void_p]),
    "SysStringLen": (ctypes.c_uint, [ctypes.c_void_p]),
    "VariantInit": (None, [ctypes.POINTER(VARIANT)]),
    "VariantClear": (HRESULT, [ctypes.POINTER(VARIANT)]),
    "SafeArrayCreateVector": (ctypes.POINTER(SAFEARRAY), [VARTYPE, LONG, ULONG]),
    "SafeArrayDestroy": (HRESULT, [ctypes.POINTER(SAFEARRAY)]),
    "SafeArrayAccessData": (HRESULT, [ctypes.POINTER(SAFEARRAY), ctypes.POINTER(ctypes.c_void_p)]),
    "SafeArrayUnaccessData": (HRESULT, [ctypes.POINTER(SAFEARRAY)]),
    "SafeArrayGetDim": (ctypes.c_uint, [ctypes.POINTER(SAFEARRAY)]),
    "SafeArrayGetLBound": (HRESULT, [ctypes.POINTER(SAFEARRAY), ctypes.c_uint, ctypes.POINTER(LONG)]),
    "SafeArrayGetUBound": (HRESULT, [ctypes.POINTER(SAFEARRAY), ctypes.c_uint, ctypes.POINTER(LONG)]),
}

_loaded = None
_loading = threading.Lock()


def _candidates():
    configured = os.environ.get("QUORVEL_LIBRARY")
    if configured:
        return [configured]
    # <prefix>/lib/python3/dist-packages/quorvel/ -> <prefix>/lib
    libdir = pathlib.Path(__file__).resolve().parent.parents[2]
    found = [libdir / LIBRARY_NAME]
    multiarch = sysconfig.get_config_var("MULTIARCH")
    if multiarch:
        found.append(libdir / multiarch / LIBRARY_NAME)
    found += sorted(libdir.glob("*/" + LIBRARY_NAME))
    return [str(path) for path in found if path.is_file()] + [LIBRARY_NAME]


def library():
    """The loaded server library with its exports' prototypes set (loaded once)."""
    global _loaded
    if _loaded is not None:
        return _loaded
    with _loading:
        if _loaded is None:
            errors = []
            for candidate in _candidates():
                try:
                    loaded = ctypes.CDLL(candidate)
                    break
                except OSError as error:
                    errors.append(str(error))
            else:
                raise OSError("The Quorvel XML library could not be loaded (set QUORVEL_LIBRARY to the path of "
                              f"{LIBRARY_NAME}): " + "; ".join(errors))
            for name, (result, arguments) in _EXPORTS.items():
                function = getattr(loaded, name)
                function.restype, function.argtypes = result, arguments
            _loaded = loaded
        return _loaded


# The standard interface identifiers the host uses.
IID_NULL = GUID()
IID_IUnknown = GUID.parse("00000000-0000-0000-C000-000000000046")
IID_IDispatch = GUID.parse("00020400-0000-0000-C000-000000000046")
IID_IClassFactory = GUID.parse("00000001-0000-0000-C000-000000000046")
IID_IProvideClassInfo2 = GUID.parse("A6BC3AC0-DBAA-11CE-9DE3-00AA004BB851")
