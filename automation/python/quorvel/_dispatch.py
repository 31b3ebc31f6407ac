"""Late-bound automation objects: properties as attributes, methods as calls, names resolved
through the object's GetIDsOfNames and the member table deciding which is which."""
import ctypes

from . import _native as native
from . import members
from ._com import ComPointer, DispatchPointer, DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT
from ._com import LOCALE_USER_DEFAULT
from ._errors import check, com_error, DISP_E_BADPARAMCOUNT, DISP_E_MEMBERNOTFOUND, DISP_E_UNKNOWNNAME
from ._errors import CO_E_CLASSSTRING
from ._variants import invoke

GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1

# Member look-up per interface: lower-case name -> Member.
_MEMBERS = {name: {m.name.lower(): m for m in iface.members} for name, iface in members.INTERFACES.items()}
# DISPIDs the objects gave for names, per interface: (interface, lower-case name) -> DISPID.
_DISPIDS = {}


def _interface_by_iid(iid):
    for iface in members.INTERFACES.values():
        if native.GUID.parse(iface.iid) == iid:
            return iface
    return None


def _resolve_interface(pointer):
    """The table's interface for an object: by the outgoing interface its class names, else by
    the dual interfaces it answers QueryInterface for."""
    try:
        info = pointer.QueryInterface(native.IID_IProvideClassInfo2)
        guid = native.GUID()
        if info.call(4, (ctypes.c_uint32, ctypes.POINTER(native.GUID)), GUIDKIND_DEFAULT_SOURCE_DISP_IID,
                     ctypes.byref(guid)) >= 0:
            events = _interface_by_iid(guid)
            for coclass in members.COCLASSES:
                if events is not None and coclass.event_interface == events.name:
                    return members.INTERFACES[coclass.default_interface]
    except com_error:
        pass
    for iface in members.INTERFACES.values():
        if iface.kind == "dual":
            try:
                pointer.QueryInterface(native.GUID.parse(iface.iid))
                return iface
            except com_error:
                continue
    return None


class Dispatch:
    """An automation object seen from Python. obj._oleobj_ is its raw IDispatch view."""

    def __init__(self, oleobj, interface=None):
        if isinstance(oleobj, Dispatch):
            oleobj = oleobj._oleobj_
        if not isinstance(oleobj, DispatchPointer):
            if not isinstance(oleobj, ComPointer):
                raise TypeError("Dispatch takes an interface pointer or another Dispatch.")
            oleobj = oleobj.QueryInterface(native.IID_IDispatch, DispatchPointer)
        if isinstance(interface, str):
            interface = members.INTERFACES[interface]
        object.__setattr__(self, "_oleobj_", oleobj)
        object.__setattr__(self, "_interface_", interface or _resolve_interface(oleobj))

    # ---- names

    def _member(self, name):
        iface = self._interface_
        if iface is None:
            return None
        member = _MEMBERS[iface.name].get(name.lower())
        if member is None:
            raise AttributeError(f"{iface.name} has no member {name!r}")
        return member

    def _dispid(self, name):
        key = (self._interface_.name if self._interface_ else None, name.lower())
        dispid = _DISPIDS.get(key) if key[0] else None
        if dispid is None:
            try:
                dispid = self._oleobj_.GetIDsOfNames(name)
            except com_error as error:
                if error.hresult == DISP_E_UNKNOWNNAME:
                    raise AttributeError(f"The object has no member {name!r}") from None
                raise
            if key[0]:
                _DISPIDS[key] = dispid
        return dispid

    def _call(self, dispid, flags, args, kinds, result_type):
        value = invoke(self._oleobj_, dispid, LOCALE_USER_DEFAULT, flags, True, args, kinds)
        if isinstance(value, DispatchPointer):
            return Dispatch(value, result_type if result_type in members.INTERFACES else None)
        return value

    # ---- attributes

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        member = self._member(name)
        dispid = self._dispid(name)
        if member is None:  # no table for this object: ask for a property, else it is a method
            try:
                return self._call(dispid, DISPATCH_PROPERTYGET, (), (), None)
            except com_error as error:
                if error.hresult not in (DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT):
                    raise
                return _Method(self, name, dispid, None)
        if member.kind == "method":
            return _Method(self, member.name, dispid, member)
        if member.kind == "put":
            raise AttributeError(f"{member.name} can only be set")
        return self._call(dispid, DISPATCH_PROPERTYGET, (), (), member.result)

    def __setattr__(self, name, value):
        member = self._member(name)
        if member is not None and member.kind not in ("put", "get+put"):
            raise AttributeError(f"{member.name} cannot be set")
        invoke(self._oleobj_, self._dispid(name), LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, False, (value,),
               (member.result,) if member else ())

    def __dir__(self):
        names = [m.name for m in self._interface_.members] if self._interface_ else []
        return sorted(set(names) | set(object.__dir__(self)))

    # ---- identity

    def _identity(self):
        return self._oleobj_.QueryInterface(native.IID_IUnknown).address

    def __eq__(self, other):
        return isinstance(other, Dispatch) and self._identity() == other._identity()

    def __hash__(self):
        return hash(self._identity())

    def __repr__(self):
        kind = self._interface_.name if self._interface_ else "IDispatch"
        return f"<quorvel.Dispatch {kind} at 0x{self._oleobj_.address:x}>"


class _Method:
    """A method of one object, called with positional or (by the table's argument names) keyword
    arguments."""

    __slots__ = ("_object", "_name", "_dispid", "_member")

    def __init__(self, obj, name, dispid, member):
        self._object, self._name, self._dispid, self._member = obj, name, dispid, member

    def __call__(self, *args, **keywords):
        member = self._member
        if member is None:
            if keywords:
                raise TypeError(f"{self._name}: keyword arguments need the member's table")
            return self._object._call(self._dispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, (), None)
        if keywords:
            args = _place_keywords(member, args, keywords)
        kinds = tuple(kind for kind, _ in member.args)
        return self._object._call(self._dispid, DISPATCH_METHOD, args, kinds, member.result)

    def __repr__(self):
        return f"<method {self._name} of {self._object!r}>"


def _place_keywords(member, args, keywords):
    names = [name.lower() for _, name in member.args]
    placed = list(args) + [_MISSING] * (len(names) - len(args))
    for keyword, value in keywords.items():
        if keyword.lower() not in names:
            raise TypeError(f"{member.name}() has no argument {keyword!r}")
        position = names.index(keyword.lower())
        if placed[position] is not _MISSING:
            raise TypeError(f"{member.name}() got two values for {keyword!r}")
        placed[position] = value
    if _MISSING in placed:
        missing = [member.args[i][1] for i, value in enumerate(placed) if value is _MISSING]
        raise TypeError(f"{member.name}() is missing {', '.join(missing)}")
    return tuple(placed)


_MISSING = object()


# ---- creation

def progid_map():
    """Every registered ProgID (version-dependent and independent) with its class identifier."""
    count = native.ULONG()
    entries = native.library().QuorvelProgIdMap(ctypes.byref(count))
    return {entries[i].progId.decode("utf-8"): native.GUID.from_buffer_copy(entries[i].clsid)
            for i in range(count.value)}


def _class_of(progid):
    text = progid.strip()
    if text.startswith("{"):
        try:
            return native.GUID.parse(text)
        except ValueError:
            raise com_error(CO_E_CLASSSTRING, f"Not a class identifier: {progid!r}") from None
    for name, clsid in progid_map().items():
        if name.lower() == text.lower():
            return clsid
    raise com_error(CO_E_CLASSSTRING, f"No class is registered as {progid!r}.")


def _default_interface(clsid):
    for coclass in members.COCLASSES:
        if native.GUID.parse(coclass.clsid) == clsid:
            return members.INTERFACES[coclass.default_interface]
    for external_clsid, interface in members.EXTERNAL_CLASSES.values():
        if native.GUID.parse(external_clsid) == clsid:
            return members.INTERFACES[interface]
    return None


def CreateObject(progid):
    """A new object of the class a ProgID (or a "{...}" class identifier) names."""
    clsid = _class_of(progid)
    library = native.library()
    factory = ctypes.c_void_p()
    check(library.DllGetClassObject(ctypes.byref(clsid), ctypes.byref(native.IID_IClassFactory),
                                    ctypes.byref(factory)), f"The class object of {progid}")
    factory = ComPointer(factory.value)
    created = ctypes.c_void_p()
    check(factory.call(3, (ctypes.c_void_p, ctypes.POINTER(native.GUID), ctypes.POINTER(ctypes.c_void_p)),
                       None, ctypes.byref(native.IID_IDispatch), ctypes.byref(created)), f"Creating {progid}")
    return Dispatch(DispatchPointer(created.value), _default_interface(clsid))


def DllCanUnloadNow():
    """S_OK (0) when no object and no server lock is alive, S_FALSE (1) otherwise."""
    return native.library().DllCanUnloadNow()
