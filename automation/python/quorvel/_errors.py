"""HRESULT failures as Python exceptions."""


def signed(code):
    """An HRESULT as the signed 32-bit value Python COM clients compare with."""
    code &= 0xFFFFFFFF
    return code - 0x100000000 if code & 0x80000000 else code


S_OK = 0
S_FALSE = 1
E_NOTIMPL = signed(0x80004001)
E_NOINTERFACE = signed(0x80004002)
E_POINTER = signed(0x80004003)
E_FAIL = signed(0x80004005)
E_UNEXPECTED = signed(0x8000FFFF)
E_OUTOFMEMORY = signed(0x8007000E)
E_INVALIDARG = signed(0x80070057)
DISP_E_UNKNOWNINTERFACE = signed(0x80020001)
DISP_E_MEMBERNOTFOUND = signed(0x80020003)
DISP_E_PARAMNOTFOUND = signed(0x80020004)
DISP_E_TYPEMISMATCH = signed(0x80020005)
DISP_E_UNKNOWNNAME = signed(0x80020006)
DISP_E_EXCEPTION = signed(0x80020009)
DISP_E_OVERFLOW = signed(0x8002000A)
DISP_E_BADPARAMCOUNT = signed(0x8002000E)
CLASS_E_NOAGGREGATION = signed(0x80040110)
CLASS_E_CLASSNOTAVAILABLE = signed(0x80040111)
CO_E_CLASSSTRING = signed(0x800401F3)

_MESSAGES = {
    E_NOTIMPL: "Not implemented.",
    E_NOINTERFACE: "No such interface supported.",
    E_POINTER: "Invalid pointer.",
    E_FAIL: "Unspecified error.",
    E_UNEXPECTED: "Catastrophic failure.",
    E_OUTOFMEMORY: "Not enough memory.",
    E_INVALIDARG: "The parameter is incorrect.",
    DISP_E_MEMBERNOTFOUND: "Member not found.",
    DISP_E_PARAMNOTFOUND: "Parameter not found.",
    DISP_E_TYPEMISMATCH: "Type mismatch.",
    DISP_E_UNKNOWNNAME: "Unknown name.",
    DISP_E_EXCEPTION: "Exception occurred.",
    DISP_E_OVERFLOW: "Out of present range.",
    DISP_E_BADPARAMCOUNT: "Invalid number of parameters.",
    CLASS_E_NOAGGREGATION: "Class does not support aggregation.",
    CLASS_E_CLASSNOTAVAILABLE: "Class not available.",
    CO_E_CLASSSTRING: "Invalid class string.",
}


class com_error(Exception):
    """A failed COM call: args are (hresult, strerror, excepinfo, argerror), the hresult signed."""

    def __init__(self, hresult, strerror=None, excepinfo=None, argerror=None):
        hresult = signed(hresult)
        if strerror is None:
            strerror = _MESSAGES.get(hresult, f"Error 0x{hresult & 0xFFFFFFFF:08X}.")
        super().__init__(hresult, strerror, excepinfo, argerror)
        self.hresult, self.strerror, self.excepinfo, self.argerror = hresult, strerror, excepinfo, argerror

    def __str__(self):
        text = f"(0x{self.hresult & 0xFFFFFFFF:08X}) {self.strerror}"
        if self.argerror is not None:
            text += f" (argument {self.argerror})"
        return text


def check(hresult, context=None):
    """Raises com_error for a failed HRESULT; returns the code otherwise."""
    if hresult < 0:
        error = com_error(hresult)
        if context:
            error.strerror = f"{context}: {error.strerror}"
        raise error
    return hresult
