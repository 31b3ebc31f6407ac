"""Python values to and from VARIANTs, and the Invoke call built from them.

In: bool (VT_BOOL), int (VT_I4, VT_I8 beyond 32 bits), float (VT_R8), str (VT_BSTR), None
(VT_EMPTY; a null BSTR where a string is expected, a null VT_DISPATCH where an object is),
bytes-like (an array of unsigned bytes), datetime and date (VT_DATE), list and tuple (an array
of variants), objects (VT_DISPATCH). Out: the same types back, a null BSTR as None."""
import ctypes
import datetime
import decimal

from . import _native as native
from ._com import ComPointer, DispatchPointer, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF, DISPID_PROPERTYPUT
from ._errors import com_error, signed, E_OUTOFMEMORY, DISP_E_EXCEPTION

VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_DISPATCH = range(10)
VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_DECIMAL = 10, 11, 12, 13, 14
VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT = 16, 17, 18, 19, 20, 21, 22, 23
VT_ARRAY, VT_BYREF = 0x2000, 0x4000

OBJECT_TYPES = {"IQuorvelXml", "IQuorvelRss", "IQuorvelAtom", "IQvDateTime"}

# ---- dates: days since 30 December 1899; before it, the fraction still counts forward in the day

_EPOCH = datetime.datetime(1899, 12, 30)
_DAY_MS = 86_400_000


def date_to_ole(value):
    """An automation date from a datetime or date (an aware datetime is taken in local time),
    to the millisecond."""
    if isinstance(value, datetime.datetime):
        if value.tzinfo is not None:
            value = value.astimezone().replace(tzinfo=None)
    elif isinstance(value, datetime.date):
        value = datetime.datetime(value.year, value.month, value.day)
    days = (value.date() - _EPOCH.date()).days
    time_ms = (value.hour * 3600 + value.minute * 60 + value.second) * 1000 + round(value.microsecond / 1000)
    if time_ms == _DAY_MS:  # 23:59:59.9995 and later round to the next midnight
        days, time_ms = days + 1, 0
    fraction = time_ms / _DAY_MS
    return days - fraction if days < 0 else days + fraction


def ole_to_date(ole):
    """The naive datetime an automation date holds, rounded to the millisecond."""
    days = int(ole)  # toward zero: the date part
    time_ms = round(abs(ole - days) * _DAY_MS)
    try:
        return _EPOCH + datetime.timedelta(days=days, milliseconds=time_ms)
    except OverflowError:
        raise ValueError(f"The automation date {ole!r} is outside the years a datetime holds.") from None


# ---- strings

def _library():
    return native.library()


def new_bstr(text):
    units = text.encode("utf-16-le", "surrogatepass")
    bstr = _library().SysAllocStringLen(units, len(units) // 2)
    if not bstr:
        raise com_error(E_OUTOFMEMORY)
    return bstr


def read_bstr(bstr):
    if not bstr:
        return None
    length = _library().SysStringLen(bstr)
    return ctypes.string_at(bstr, 2 * length).decode("utf-16-le", "surrogatepass")


# ---- arrays

def _new_vector(vartype, count):
    array = _library().SafeArrayCreateVector(vartype, 0, count)
    if not array:
        raise com_error(E_OUTOFMEMORY)
    return array


def _array_data(array):
    data = ctypes.c_void_p()
    if _library().SafeArrayAccessData(array, ctypes.byref(data)) < 0:
        raise com_error(E_OUTOFMEMORY)
    return data.value


def _vector_length(array):
    library = _library()
    if library.SafeArrayGetDim(array) != 1:
        raise TypeError("Only one-dimensional arrays are read.")
    lower, upper = native.LONG(), native.LONG()
    library.SafeArrayGetLBound(array, 1, ctypes.byref(lower))
    library.SafeArrayGetUBound(array, 1, ctypes.byref(upper))
    return max(0, upper.value - lower.value + 1)


# ---- VARIANTs

def to_variant(value, variant, kind=None):
    """Fills an initialised VARIANT with a value; kind is the member's declared argument type."""
    if value is None:
        if kind == "string":
            variant.vt, variant.value.ptr = VT_BSTR, None
        elif kind in OBJECT_TYPES:
            variant.vt, variant.value.ptr = VT_DISPATCH, None
        else:
            variant.vt = VT_EMPTY
    elif isinstance(value, bool):
        variant.vt, variant.value.boolVal = VT_BOOL, -1 if value else 0
    elif isinstance(value, int):
        if -2**31 <= value < 2**31:
            variant.vt, variant.value.lVal = VT_I4, value
        elif -2**63 <= value < 2**63:
            variant.vt, variant.value.llVal = VT_I8, value
        else:
            raise OverflowError(f"{value} does not fit in 64 bits.")
    elif isinstance(value, float):
        variant.vt, variant.value.dblVal = VT_R8, value
    elif isinstance(value, str):
        variant.value.ptr = new_bstr(value)
        variant.vt = VT_BSTR
    elif isinstance(value, (bytes, bytearray, memoryview)):
        data = bytes(value)
        array = _new_vector(VT_UI1, len(data))
        variant.vt, variant.value.ptr = VT_ARRAY | VT_UI1, ctypes.cast(array, ctypes.c_void_p).value
        ctypes.memmove(_array_data(array), data, len(data))
        _library().SafeArrayUnaccessData(array)
    elif isinstance(value, (datetime.datetime, datetime.date)):
        variant.vt, variant.value.date = VT_DATE, date_to_ole(value)
    elif isinstance(value, (list, tuple)):
        array = _new_vector(VT_VARIANT, len(value))
        variant.vt, variant.value.ptr = VT_ARRAY | VT_VARIANT, ctypes.cast(array, ctypes.c_void_p).value
        elements = (native.VARIANT * len(value)).from_address(_array_data(array)) if value else ()
        try:
            for element, item in zip(elements, value):
                to_variant(item, element)
        finally:
            _library().SafeArrayUnaccessData(array)
    else:
        pointer = getattr(value, "_oleobj_", value)
        if not isinstance(pointer, ComPointer):
            raise TypeError(f"A {type(value).__name__} cannot be passed to an automation object.")
        pointer.AddRef()
        variant.vt = VT_DISPATCH if isinstance(pointer, DispatchPointer) else VT_UNKNOWN
        variant.value.ptr = pointer.address


_INTEGERS = {VT_I1: "cVal", VT_UI1: "bVal", VT_I2: "iVal", VT_UI2: "uiVal", VT_I4: "lVal", VT_UI4: "ulVal",
             VT_INT: "lVal", VT_UINT: "ulVal", VT_I8: "llVal", VT_UI8: "ullVal"}


def from_variant(variant):
    """The Python value of a VARIANT. Interface pointers are taken over (the VARIANT gives
    them up); everything else is copied, so the caller still clears the VARIANT."""
    vt = variant.vt
    if vt & VT_BYREF:
        return _from_reference(vt & ~VT_BYREF, variant.value.ptr)
    if vt in (VT_EMPTY, VT_NULL):
        return None
    if vt in _INTEGERS:
        return getattr(variant.value, _INTEGERS[vt])
    if vt == VT_ERROR:
        return signed(variant.value.scode)
    if vt == VT_R8:
        return variant.value.dblVal
    if vt == VT_R4:
        return variant.value.fltVal
    if vt == VT_BOOL:
        return variant.value.boolVal != 0
    if vt == VT_BSTR:
        return read_bstr(variant.value.ptr)
    if vt == VT_DATE:
        return ole_to_date(variant.value.date)
    if vt == VT_CY:
        return decimal.Decimal(variant.value.llVal) / 10000
    if vt == VT_DECIMAL:
        return _decimal(native.DECIMAL.from_buffer_copy(bytes(variant)[:16]))
    if vt in (VT_DISPATCH, VT_UNKNOWN):
        address, variant.vt, variant.value.ptr = variant.value.ptr, VT_EMPTY, None
        if not address:
            return None
        return (DispatchPointer if vt == VT_DISPATCH else ComPointer)(address)
    if vt & VT_ARRAY:
        return _from_array(vt & ~VT_ARRAY, ctypes.cast(variant.value.ptr, ctypes.POINTER(native.SAFEARRAY)))
    raise TypeError(f"An automation value of type {vt} has no Python form here.")


def _decimal(value):
    magnitude = decimal.Decimal((value.Hi32 << 64) | value.Lo64).scaleb(-value.scale)
    return -magnitude if value.sign & 0x80 else magnitude


# The size of the value a by-reference VARIANT points at.
_REFERENCED_SIZES = {VT_I1: 1, VT_UI1: 1, VT_I2: 2, VT_UI2: 2, VT_BOOL: 2, VT_I4: 4, VT_UI4: 4, VT_INT: 4,
                     VT_UINT: 4, VT_R4: 4, VT_ERROR: 4}


def _from_reference(vt, address):
    # The value stays with its owner: strings are copied, interfaces get a reference of our own.
    if not address:
        return None
    if vt == VT_VARIANT:
        return _copy_out(native.VARIANT.from_address(address))
    if vt & VT_ARRAY:
        array = ctypes.c_void_p.from_address(address).value
        return _from_array(vt & ~VT_ARRAY, ctypes.cast(array, ctypes.POINTER(native.SAFEARRAY)))
    if vt == VT_DECIMAL:
        return _decimal(native.DECIMAL.from_address(address))
    copy = native.VARIANT()
    ctypes.memmove(ctypes.addressof(copy.value), address, _REFERENCED_SIZES.get(vt, 8))
    copy.vt = vt
    return _copy_out(copy)


def _from_array(vt, array):
    if not array:
        return None
    count = _vector_length(array)
    data = _array_data(array)
    try:
        if vt == VT_UI1:
            return ctypes.string_at(data, count)
        if vt == VT_VARIANT:
            elements = (native.VARIANT * count).from_address(data) if count else ()
            return tuple(_copy_out(element) for element in elements)
        raise TypeError(f"An array of automation type {vt} has no Python form here.")
    finally:
        _library().SafeArrayUnaccessData(array)


def _copy_out(element):
    # An array element keeps its own interface references: take a reference of our own.
    if element.vt in (VT_DISPATCH, VT_UNKNOWN):
        if not element.value.ptr:
            return None
        kind = DispatchPointer if element.vt == VT_DISPATCH else ComPointer
        return kind(element.value.ptr, add_ref=True)
    return from_variant(element)


# ---- Invoke

def _exception_of(excepinfo):
    source, description = read_bstr(excepinfo.bstrSource), read_bstr(excepinfo.bstrDescription)
    library = _library()
    for bstr in (excepinfo.bstrSource, excepinfo.bstrDescription, excepinfo.bstrHelpFile):
        library.SysFreeString(bstr)
    return (excepinfo.wCode, source, description, None, excepinfo.dwHelpContext, signed(excepinfo.scode))


def invoke(pointer, dispid, lcid, flags, result_wanted, args, kinds=()):
    """IDispatch::Invoke with Python arguments (kinds gives their declared types, where known).
    Raises com_error for a failed HRESULT."""
    library = _library()
    count = len(args)
    variants = (native.VARIANT * count)()
    params = native.DISPPARAMS()
    put = bool(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
    try:
        # The arguments go in last first.
        for position, value in enumerate(args):
            to_variant(value, variants[count - 1 - position], kinds[position] if position < len(kinds) else None)
        params.rgvarg, params.cArgs = (variants if count else None), count
        if put:
            named = native.DISPID(DISPID_PROPERTYPUT)
            params.rgdispidNamedArgs, params.cNamedArgs = ctypes.pointer(named), 1
        result = native.VARIANT()
        excepinfo = native.EXCEPINFO()
        argerr = ctypes.c_uint(0xFFFFFFFF)
        hr = pointer.invoke_raw(dispid, lcid, flags, ctypes.byref(params),
                                ctypes.byref(result) if result_wanted else None, ctypes.byref(excepinfo),
                                ctypes.byref(argerr))
        if hr < 0:
            details = _exception_of(excepinfo) if hr == DISP_E_EXCEPTION else None
            # argerr counts from the last argument, as rgvarg does.
            position = count - 1 - argerr.value if argerr.value < count else None
            raise com_error(hr, None, details, position)
        try:
            return from_variant(result) if result_wanted else None
        finally:
            library.VariantClear(ctypes.byref(result))
    finally:
        for variant in variants:
            library.VariantClear(ctypes.byref(variant))
