#include "automation/server/ObjectShell.h"

#include <cstdio>
#include <new>

#include "automation/server/DateTimeCreation.h"
#include "automation/server/GuidText.h"
#include "automation/server/ServerObjects.h"
#include "automation/server/TypeInfoSource.h"
#include "datetime/ClsDateTime.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel::automation {

// {6F1C3E0A-5B2D-4C8E-9A47-2D1E8B3F7C65}
const IID kObjectShellIid = {0x6F1C3E0A, 0x5B2D, 0x4C8E, {0x9A, 0x47, 0x2D, 0x1E, 0x8B, 0x3F, 0x7C, 0x65}};

namespace {

constexpr DWORD kSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
constexpr DWORD kContentAspect = 1;  // DVASPECT_CONTENT

// An ASCII name as the OLECHAR text IDispatch takes.
struct OleName {
    OLECHAR text[32];
    explicit OleName(const char *ascii) {
        size_t i = 0;
        for (; ascii[i] && i + 1 < sizeof text / sizeof text[0]; ++i) text[i] = static_cast<OLECHAR>(ascii[i]);
        text[i] = 0;
    }
};

// Calls a method of a dispatch object by name with the given arguments (in call order).
HRESULT invokeByName(IDispatch *object, const char *name, VARIANT *arguments, UINT count, VARIANT *result) {
    OleName oleName(name);
    LPOLESTR names[] = {oleName.text};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    VARIANT reversed[2];
    for (UINT i = 0; i < count && i < 2; ++i) reversed[count - 1 - i] = arguments[i];
    DISPPARAMS params{reversed, nullptr, count, 0};
    UINT argumentError = 0;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr,
                          &argumentError);
}

}  // namespace

ObjectShell::ObjectShell(const ShellClass &shellClass, IUnknown *outer, ServerModule &module)
    : m_class(shellClass),
      m_module(module),
      m_controlling(outer ? outer : &m_inner),
      m_propertyNotify(IID_IPropertyNotifySink, *this),
      m_events(shellClass.events ? comGuid(shellClass.events->iid) : IID_NULL, *this) {
    m_inner.self = this;
    m_module.objectCreated();
}

ObjectShell::~ObjectShell() {
    if (m_site) m_site->Release();
    m_module.objectDestroyed();
}

bool ObjectShell::isNullIid(REFIID iid) { return IsEqualIID(iid, IID_NULL) != 0; }

ObjectShell *ObjectShell::shellOf(IUnknown *object) {
    if (!object) return nullptr;
    void *shell = nullptr;
    if (FAILED(object->QueryInterface(kObjectShellIid, &shell)) || !shell) return nullptr;
    ObjectShell *found = static_cast<ObjectShell *>(shell);
    found->Release();  // the caller's own reference keeps the object for the call
    return found;
}

void *ObjectShell::interfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IDispatch)) return static_cast<IDispatch *>(this);
    if (sameGuid(iid, m_class.defaultInterface->iid)) return dualInterface();
    if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
        return static_cast<IProvideClassInfo2 *>(this);
    if (IsEqualIID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo *>(this);
    if (IsEqualIID(iid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer *>(this);
    if (IsEqualIID(iid, IID_IOleObject)) return static_cast<IOleObject *>(this);
    if (m_class.objectSafety && IsEqualIID(iid, IID_IObjectSafety)) return static_cast<IObjectSafety *>(this);
    if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))
        return static_cast<IPersistStreamInit *>(this);
    if (IsEqualIID(iid, IID_IOleControl)) return static_cast<IOleControl *>(this);
    if (IsEqualIID(iid, kObjectShellIid)) return this;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE ObjectShell::Inner::QueryInterface(REFIID iid, void **object) {
    if (!object) return E_POINTER;
    // The inner object's own IUnknown is the one identity an aggregate's outer object holds.
    void *found = IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown *>(this) : self->interfaceFor(iid);
    *object = found;
    if (!found) return E_NOINTERFACE;
    // A reference on any interface is a reference on the object: for an aggregate, an interface
    // handed out counts on the outer object, as the outer object's own interfaces do.
    if (found == static_cast<IUnknown *>(this)) {
        AddRef();
    } else {
        self->AddRef();
    }
    return S_OK;
}

ULONG STDMETHODCALLTYPE ObjectShell::Inner::AddRef() { return ++self->m_references; }

ULONG STDMETHODCALLTYPE ObjectShell::Inner::Release() {
    ULONG left = --self->m_references;
    if (left == 0) delete self;
    return left;
}

HRESULT STDMETHODCALLTYPE ObjectShell::QueryInterface(REFIID iid, void **object) {
    return m_controlling->QueryInterface(iid, object);
}
ULONG STDMETHODCALLTYPE ObjectShell::AddRef() { return m_controlling->AddRef(); }
ULONG STDMETHODCALLTYPE ObjectShell::Release() { return m_controlling->Release(); }

// ---- IDispatch

HRESULT STDMETHODCALLTYPE ObjectShell::GetTypeInfoCount(UINT *count) {
    if (!count) return E_POINTER;
    *count = moduleHasTypeLibrary() ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::GetTypeInfo(UINT index, LCID, ITypeInfo **info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0 || !moduleHasTypeLibrary()) return DISP_E_BADINDEX;
    return typeInfoOf(m_class.defaultInterface->iid, info);
}

// ---- IProvideClassInfo2

HRESULT STDMETHODCALLTYPE ObjectShell::GetClassInfo(ITypeInfo **info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (!moduleHasTypeLibrary()) return E_NOTIMPL;
    return typeInfoOf(*m_class.clsid, info);
}

HRESULT STDMETHODCALLTYPE ObjectShell::GetGUID(DWORD kind, GUID *guid) {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    if (!m_class.events) return E_FAIL;
    *guid = comGuid(m_class.events->iid);
    return S_OK;
}

// ---- ISupportErrorInfo

HRESULT STDMETHODCALLTYPE ObjectShell::InterfaceSupportsErrorInfo(REFIID iid) {
    return sameGuid(iid, m_class.defaultInterface->iid) ? S_OK : S_FALSE;
}

// ---- IConnectionPointContainer

ConnectionPoint *ObjectShell::connectionPoint(REFIID iid) {
    if (IsEqualIID(iid, IID_IPropertyNotifySink)) return &m_propertyNotify;
    if (m_class.eventPoint && m_class.events && sameGuid(iid, m_class.events->iid)) return &m_events;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE ObjectShell::EnumConnectionPoints(IEnumConnectionPoints **points) {
    if (!points) return E_POINTER;
    IConnectionPoint *list[] = {&m_propertyNotify, &m_events};
    *points = ConnectionPointEnumerator::create(list, m_class.eventPoint ? 2 : 1);
    return *points ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE ObjectShell::FindConnectionPoint(REFIID iid, IConnectionPoint **point) {
    if (!point) return E_POINTER;
    *point = connectionPoint(iid);
    if (!*point) return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

// ---- IOleObject

HRESULT STDMETHODCALLTYPE ObjectShell::SetClientSite(IOleClientSite *site) {
    if (site) site->AddRef();
    IOleClientSite *previous = m_site;
    m_site = site;
    if (previous) previous->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::GetClientSite(IOleClientSite **site) {
    if (!site) return E_POINTER;
    *site = m_site;
    if (m_site) m_site->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }
HRESULT STDMETHODCALLTYPE ObjectShell::Close(DWORD) { return S_OK; }
HRESULT STDMETHODCALLTYPE ObjectShell::SetMoniker(DWORD, IMoniker *) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ObjectShell::GetMoniker(DWORD, DWORD, IMoniker **moniker) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::InitFromData(IDataObject *, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ObjectShell::GetClipboardData(DWORD, IDataObject **data) {
    if (!data) return E_POINTER;
    *data = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::DoVerb(LONG, LPMSG, IOleClientSite *, LONG, HWND, LPCRECT) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::EnumVerbs(IEnumOLEVERB **verbs) {
    if (!verbs) return E_POINTER;
    *verbs = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::Update() { return S_OK; }
HRESULT STDMETHODCALLTYPE ObjectShell::IsUpToDate() { return S_OK; }

HRESULT STDMETHODCALLTYPE ObjectShell::GetUserClassID(CLSID *clsid) {
    if (!clsid) return E_POINTER;
    *clsid = comGuid(*m_class.clsid);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::GetUserType(DWORD, LPOLESTR *userType) {
    if (!userType) return E_POINTER;
    *userType = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::SetExtent(DWORD aspect, SIZEL *size) {
    if (!size) return E_POINTER;
    if (aspect != kContentAspect) return E_INVALIDARG;
    m_extent = *size;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::GetExtent(DWORD aspect, SIZEL *size) {
    if (!size) return E_POINTER;
    if (aspect != kContentAspect) return E_INVALIDARG;
    *size = m_extent;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::Advise(IAdviseSink *, DWORD *connection) {
    if (!connection) return E_POINTER;
    *connection = 0;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::Unadvise(DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ObjectShell::EnumAdvise(IEnumSTATDATA **advisers) {
    if (!advisers) return E_POINTER;
    *advisers = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ObjectShell::GetMiscStatus(DWORD aspect, DWORD *status) {
    if (!status) return E_POINTER;
    *status = aspect == kContentAspect ? m_class.miscStatus : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::SetColorScheme(LOGPALETTE *) { return E_NOTIMPL; }

// ---- IObjectSafety

HRESULT STDMETHODCALLTYPE ObjectShell::GetInterfaceSafetyOptions(REFIID iid, DWORD *supported, DWORD *enabled) {
    if (!supported || !enabled) return E_POINTER;
    *supported = 0;
    *enabled = 0;
    if (!IsEqualIID(iid, IID_IDispatch) && !sameGuid(iid, m_class.defaultInterface->iid)) return E_NOINTERFACE;
    *supported = kSafetyOptions;
    *enabled = m_safetyEnabled;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    if (!IsEqualIID(iid, IID_IDispatch) && !sameGuid(iid, m_class.defaultInterface->iid)) return E_NOINTERFACE;
    if (mask & ~kSafetyOptions) return E_FAIL;  // an option this object cannot promise
    m_safetyEnabled = (m_safetyEnabled & ~mask) | (enabled & mask);
    return S_OK;
}

// ---- ObjectServices

ClsXml *ObjectShell::xmlOf(IDispatch *object) {
    ObjectShell *shell = shellOf(object);
    return shell ? shell->internalXml() : nullptr;
}

ClsRss *ObjectShell::rssOf(IDispatch *object) {
    ObjectShell *shell = shellOf(object);
    return shell ? shell->internalRss() : nullptr;
}

ClsAtom *ObjectShell::atomOf(IDispatch *object) {
    ObjectShell *shell = shellOf(object);
    return shell ? shell->internalAtom() : nullptr;
}

bool ObjectShell::utcOleDateOf(IDispatch *dateTime, double &oleDate) {
    if (!dateTime) return false;
    VARIANT bLocal;
    VariantInit(&bLocal);
    bLocal.vt = VT_I4;
    bLocal.lVal = 0;
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = invokeByName(dateTime, "GetAsOleDate", &bLocal, 1, &result);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&result, &result, 0, VT_DATE);
    bool ok = SUCCEEDED(hr) && result.vt == VT_DATE;
    if (ok) oleDate = result.date;
    VariantClear(&result);
    return ok;
}

IDispatch *ObjectShell::newDateTime(const ClsDateTime &value, LogBase &log) {
    StringBuffer serialized;
    // serialize takes the value's object lock, the only reason it is not const.
    if (!const_cast<ClsDateTime &>(value).serialize(serialized)) return nullptr;
    IDispatch *object = createDateTimeObject(platformClassCreator(), log);
    if (!object) return nullptr;

    OLECHAR text[64];
    const char *ascii = serialized.getString();
    UINT length = 0;
    for (; ascii[length] && length < 63; ++length) text[length] = static_cast<OLECHAR>(ascii[length]);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocStringLen(text, length);
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = argument.bstrVal ? invokeByName(object, "DeSerialize", &argument, 1, &result) : E_OUTOFMEMORY;
    VariantClear(&argument);
    VariantClear(&result);
    if (FAILED(hr)) {
        // An object that did not take the value would hand the caller a wrong date.
        char line[64];
        std::snprintf(line, sizeof line, "DeSerialize failed: 0x%x\r\n", static_cast<unsigned>(hr));
        log.logRaw(line);
        object->Release();
        return nullptr;
    }
    return object;
}

bool ObjectShell::sitedInBrowser() {
    if (!m_site) return false;
    void *services = nullptr;
    if (FAILED(m_site->QueryInterface(IID_IServiceProvider, &services)) || !services) return false;
    IServiceProvider *provider = static_cast<IServiceProvider *>(services);
    void *browser = nullptr;
    HRESULT hr = provider->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, &browser);
    provider->Release();
    if (SUCCEEDED(hr) && browser) {
        static_cast<IUnknown *>(browser)->Release();
        return true;
    }
    return false;
}

}  // namespace quorvel::automation
