"""Test support for the Python host: COM objects written in Python (a client site that may
answer for a web browser, an advise sink), interface calls by slot and reference counts."""
import ctypes
import gc

import quorvel
from quorvel import GUID, ComPointer

HRESULT = ctypes.c_int32
S_OK, E_NOINTERFACE, E_NOTIMPL = 0, quorvel._errors.E_NOINTERFACE, quorvel._errors.E_NOTIMPL
CONNECT_E_CANNOTCONNECT = quorvel._errors.signed(0x80040202)

IID_IUnknown = GUID.parse("00000000-0000-0000-C000-000000000046")
IID_IDispatch = GUID.parse("00020400-0000-0000-C000-000000000046")
IID_IOleObject = GUID.parse("00000112-0000-0000-C000-000000000046")
IID_IOleClientSite = GUID.parse("00000118-0000-0000-C000-000000000046")
IID_IServiceProvider = GUID.parse("6D5140C1-7436-11CE-8034-00AA006009FA")
SID_SWebBrowserApp = GUID.parse("0002DF05-0000-0000-C000-000000000046")
IID_IWebBrowser2 = GUID.parse("D30C1661-CDAF-11D0-8A3E-00C04FC9E26E")
IID_IConnectionPointContainer = GUID.parse("B196B284-BAB4-101A-B69C-00AA00341D07")
IID_IPropertyNotifySink = GUID.parse("9BFBBC02-EFF1-101A-84ED-00AA00341D07")

_QUERY = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.POINTER(GUID), ctypes.POINTER(ctypes.c_void_p))
_COUNT = ctypes.CFUNCTYPE(ctypes.c_uint32, ctypes.c_void_p)


class PythonComObject:
    """A COM object implemented in Python: one vtable per interface, each method a Python
    function taking the ctypes arguments after the interface pointer. It counts its references
    and refuses interfaces it was not given."""

    def __init__(self, interfaces):
        """interfaces: [(iid, [(prototype, function), ...]), ...] for the methods after IUnknown."""
        self.references = 0
        self._keep = []
        self._by_iid = {bytes(IID_IUnknown): None}
        self._first = None
        for iid, methods in interfaces:
            slots = [_QUERY(self._query), _COUNT(self._add_ref), _COUNT(self._release)]
            slots += [prototype(lambda this, *a, f=function: f(*a)) for prototype, function in methods]
            vtable = (ctypes.c_void_p * len(slots))(*[ctypes.cast(s, ctypes.c_void_p) for s in slots])
            instance = ctypes.c_void_p(ctypes.addressof(vtable))
            self._keep += [slots, vtable, instance]
            address = ctypes.addressof(instance)
            self._by_iid[bytes(iid)] = address
            self._first = self._first or address
        self._by_iid[bytes(IID_IUnknown)] = self._first

    @property
    def address(self):
        return self._first

    def pointer(self, iid):
        return self._by_iid[bytes(iid)]

    def _query(self, this, iid, out):
        address = self._by_iid.get(bytes(iid.contents))
        out[0] = address
        if not address:
            return E_NOINTERFACE
        self.references += 1
        return S_OK

    def _add_ref(self, this):
        self.references += 1
        return self.references

    def _release(self, this):
        self.references -= 1
        return self.references


def client_site(in_browser, services=True):
    """A client site, with a service provider unless services is false; in_browser makes it answer
    IWebBrowser2 for the web-browser application service, as a page in a browser does."""
    browser = PythonComObject([(IID_IWebBrowser2, [])])

    def query_service(service, iid, out):
        if in_browser and bytes(service.contents) == bytes(SID_SWebBrowserApp) \
                and bytes(iid.contents) == bytes(IID_IWebBrowser2):
            out[0] = browser.address
            browser.references += 1
            return S_OK
        out[0] = None
        return E_NOINTERFACE

    query = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.POINTER(GUID), ctypes.POINTER(GUID),
                             ctypes.POINTER(ctypes.c_void_p))
    not_implemented = [(ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p), lambda: E_NOTIMPL)] * 6
    provider = [(IID_IServiceProvider, [(query, query_service)])] if services else []
    site = PythonComObject([(IID_IOleClientSite, not_implemented)] + provider)
    site.browser = browser
    return site


def set_client_site(obj, site):
    """IOleObject::SetClientSite on an object (site None to clear it); returns the HRESULT."""
    ole = obj._oleobj_.QueryInterface(IID_IOleObject)
    return ole.call(3, (ctypes.c_void_p,), site.pointer(IID_IOleClientSite) if site else None)


def client_site_of(obj):
    """IOleObject::GetClientSite: the address of the site the object holds."""
    found = ctypes.c_void_p()
    quorvel._errors.check(obj._oleobj_.QueryInterface(IID_IOleObject).call(4, (ctypes.POINTER(ctypes.c_void_p),),
                                                                           ctypes.byref(found)))
    return ComPointer(found.value).address  # the reference it handed out goes again


def property_sink(changes):
    """An IPropertyNotifySink recording the DISPIDs it is told about."""
    on_changed = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.c_int32)
    return PythonComObject([(IID_IPropertyNotifySink, [(on_changed, lambda dispid: changes.append(dispid) or S_OK),
                                                       (on_changed, lambda dispid: S_OK)])])


def connection_point(obj, iid):
    container = obj._oleobj_.QueryInterface(IID_IConnectionPointContainer)
    found = ctypes.c_void_p()
    quorvel._errors.check(container.call(4, (ctypes.POINTER(GUID), ctypes.POINTER(ctypes.c_void_p)),
                                         ctypes.byref(iid), ctypes.byref(found)))
    return ComPointer(found.value)


def enumerated_points(obj):
    """How many connection points the object's EnumConnectionPoints lists (each listed one is released)."""
    container = obj._oleobj_.QueryInterface(IID_IConnectionPointContainer)
    found, listed, fetched = ctypes.c_void_p(), (ctypes.c_void_p * 4)(), ctypes.c_uint32()
    quorvel._errors.check(container.call(3, (ctypes.POINTER(ctypes.c_void_p),), ctypes.byref(found)))
    assert ComPointer(found.value).call(3, (ctypes.c_uint32, ctypes.c_void_p, ctypes.POINTER(ctypes.c_uint32)), 4,
                                        listed, ctypes.byref(fetched)) == 1  # S_FALSE: fewer than asked for
    for address in listed[:fetched.value]:
        ComPointer(address)
    return fetched.value


def advise(point, sink_address):
    cookie = ctypes.c_uint32()
    hr = point.call(5, (ctypes.c_void_p, ctypes.POINTER(ctypes.c_uint32)), sink_address, ctypes.byref(cookie))
    return hr, cookie.value


def unadvise(point, cookie):
    return point.call(6, (ctypes.c_uint32,), cookie)


def reference_count(pointer):
    """The object's count as AddRef and Release report it (the pair leaves it unchanged)."""
    pointer.AddRef()
    return pointer.Release()


def collect():
    gc.collect()
    return quorvel.DllCanUnloadNow()


def dispatch_sink(iid, calls):
    """An event sink: IDispatch under iid (and IDispatch itself), recording each Invoke's DISPID."""
    count_types = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.POINTER(ctypes.c_uint))
    type_info = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint32, ctypes.c_void_p)
    names = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.POINTER(GUID), ctypes.c_void_p, ctypes.c_uint,
                             ctypes.c_uint32, ctypes.c_void_p)
    invoke = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.c_int32, ctypes.POINTER(GUID), ctypes.c_uint32,
                              ctypes.c_uint16, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p)

    def no_types(count):
        count[0] = 0
        return S_OK

    methods = [(count_types, no_types), (type_info, lambda *a: E_NOTIMPL), (names, lambda *a: E_NOTIMPL),
               (invoke, lambda dispid, *rest: calls.append(dispid) or S_OK)]
    return PythonComObject([(iid, methods), (IID_IDispatch, methods)])
