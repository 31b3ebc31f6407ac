"""Interface pointers held from Python: one counted reference each, released when collected,
with the IUnknown and IDispatch calls made through the object's own vtable."""
import ctypes
import functools

from . import _native as native
from ._errors import check, com_error, E_POINTER

# IDispatch::Invoke flags.
DISPATCH_METHOD = 0x1
DISPATCH_PROPERTYGET = 0x2
DISPATCH_PROPERTYPUT = 0x4
DISPATCH_PROPERTYPUTREF = 0x8
DISPID_PROPERTYPUT = -3
LOCALE_USER_DEFAULT = 0x0400


@functools.lru_cache(maxsize=None)
def _prototype(result, arguments):
    return ctypes.CFUNCTYPE(result, ctypes.c_void_p, *arguments)


class ComPointer:
    """A counted reference on one interface of a COM object (an IUnknown view)."""

    __slots__ = ("_address", "_slots", "__weakref__")

    def __init__(self, address, add_ref=False):
        """Takes over the reference the address carries, or adds one when add_ref is true."""
        if not address:
            raise com_error(E_POINTER, "A null interface pointer.")
        self._address = address
        self._slots = {}
        if add_ref:
            self.AddRef()

    @property
    def address(self):
        """The interface pointer as an integer (valid while this object holds it)."""
        return self._address

    def call(self, slot, arguments, *values, result=native.HRESULT):
        """Calls the vtable function in the given slot with ctypes argument types and values."""
        key = (slot, result, tuple(arguments))
        function = self._slots.get(key)
        if function is None:
            vtable = ctypes.cast(ctypes.c_void_p(self._address), ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p)))[0]
            function = self._slots[key] = _prototype(result, tuple(arguments))(vtable[slot])
        return function(self._address, *values)

    def AddRef(self):
        return self.call(1, (), result=native.ULONG)

    def Release(self):
        return self.call(2, (), result=native.ULONG)

    def QueryInterface(self, iid, wrapper=None):
        """Another interface of the same object, as a ComPointer (or the wrapper class given)."""
        if isinstance(iid, str):
            iid = native.GUID.parse(iid)
        found = ctypes.c_void_p()
        check(self.call(0, (ctypes.POINTER(native.GUID), ctypes.POINTER(ctypes.c_void_p)),
                        ctypes.byref(iid), ctypes.byref(found)))
        return (wrapper or ComPointer)(found.value)

    def __del__(self):
        if getattr(self, "_address", None):
            try:
                self.Release()
            except Exception:  # interpreter shutdown: nothing left to release into
                pass
            self._address = None

    def __eq__(self, other):
        return isinstance(other, ComPointer) and other._address == self._address

    def __hash__(self):
        return hash(self._address)

    def __repr__(self):
        return f"<{type(self).__name__} at 0x{self._address or 0:x}>"


class DispatchPointer(ComPointer):
    """The raw IDispatch view of an object: GetIDsOfNames and Invoke by DISPID."""

    __slots__ = ()

    def GetTypeInfoCount(self):
        count = ctypes.c_uint()
        check(self.call(3, (ctypes.POINTER(ctypes.c_uint),), ctypes.byref(count)))
        return count.value

    def GetIDsOfNames(self, name, *argument_names, lcid=LOCALE_USER_DEFAULT):
        """The DISPID of a member (an int), or a tuple with its arguments' DISPIDs as well."""
        names = (name,) + argument_names
        buffers = [ctypes.create_string_buffer(text.encode("utf-16-le", "surrogatepass") + b"\0\0") for text in names]
        pointers = (ctypes.c_void_p * len(names))(*[ctypes.addressof(b) for b in buffers])
        ids = (native.DISPID * len(names))()
        check(self.call(5, (ctypes.POINTER(native.GUID), ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint32,
                            ctypes.POINTER(native.DISPID)),
                        ctypes.byref(native.IID_NULL), pointers, len(names), lcid, ids),
              f"GetIDsOfNames({', '.join(names)})")
        return ids[0] if len(names) == 1 else tuple(ids)

    def Invoke(self, dispid, lcid, flags, result_wanted, *args):
        """Calls a member by DISPID with Python values; a put sends its value as the named
        DISPID_PROPERTYPUT argument. Returns the converted result (None when not wanted)."""
        from . import _variants
        return _variants.invoke(self, dispid, lcid, flags, result_wanted, args)

    def invoke_raw(self, dispid, lcid, flags, params, result, excepinfo, argerr):
        """IDispatch::Invoke with ctypes arguments prepared by the caller; returns the HRESULT."""
        return self.call(6, _INVOKE_ARGUMENTS, dispid, _IID_NULL_REF, lcid, flags, params, result, excepinfo, argerr)


_INVOKE_ARGUMENTS = (native.DISPID, ctypes.POINTER(native.GUID), ctypes.c_uint32, ctypes.c_uint16,
                     ctypes.POINTER(native.DISPPARAMS), ctypes.POINTER(native.VARIANT),
                     ctypes.POINTER(native.EXCEPINFO), ctypes.POINTER(ctypes.c_uint))
_IID_NULL_REF = ctypes.pointer(native.IID_NULL)
