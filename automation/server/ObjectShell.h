#pragma once
// The COM frame every automation object shares: identity and aggregation, type information,
// error information, connection points, the client site with the browser-host check, object
// safety (Xml) and the services the dispatcher calls. Each class adds its internal object and
// its Invoke (ServerObjects.h).
#include "automation/MemberDescriptor.h"
#include "automation/com/Com.h"
#include "automation/dispatch/ObjectServices.h"
#include "automation/server/ConnectionPoint.h"
#include "automation/server/ServerModule.h"
#include "foundation/base/ProgressEvent.h"

namespace quorvel::automation {

// What differs between the classes.
struct ShellClass {
    const Guid *clsid;
    const Interface *defaultInterface;
    const Interface *events;  // null for none
    bool eventPoint;          // a connection point for the events interface besides IPropertyNotifySink
    bool objectSafety;        // IObjectSafety
    DWORD miscStatus;         // what GetMiscStatus reports for the content aspect
};

// Asked of any object to find this implementation behind it: the answer is the ObjectShell
// itself. Only this server answers it, so a foreign object is never taken for one of ours.
extern const IID kObjectShellIid;

class ObjectShell : public IDispatch,
                    public IProvideClassInfo2,
                    public ISupportErrorInfo,
                    public IConnectionPointContainer,
                    public IOleObject,
                    public IObjectSafety,
                    public IPersistStreamInit,
                    public IOleControl,
                    public ObjectServices {
public:
    // The dual interface of the class: IDispatch followed by one slot per member side.
    virtual IDispatch *dualInterface() = 0;

    // The shell of an object passed in, or null for a null pointer or another implementation.
    static ObjectShell *shellOf(IUnknown *object);

    // The non-delegating IUnknown: the object itself when it stands alone, the inner object of
    // an aggregate otherwise. Creation starts with one reference on it.
    IUnknown *inner() { return &m_inner; }

    // ---- IUnknown, delegated to the controlling unknown (the outer object when aggregated)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ---- IDispatch: the type information is the module's type library where it has one (the
    // Windows DLLs); names and calls always go through the member table (each class's
    // GetIDsOfNames and Invoke).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;

    // ---- IProvideClassInfo2: GetClassInfo needs the type library (E_NOTIMPL without one);
    // GetGUID gives the default source interface.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID *guid) override;

    // ---- ISupportErrorInfo: S_OK for the default interface.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // ---- IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint **point) override;

    // ---- IOleObject: the client site is kept (it decides the browser-host refusal); the
    // extent is remembered; what needs a window, a moniker, verbs or data transfer is not
    // offered (E_NOTIMPL), and what a host calls on the way in or out succeeds.
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite *site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite **site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR document) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker *moniker) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker **moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject *data, BOOL creation, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject **data) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite *site, LONG index, HWND parent,
                                     LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB **verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID *clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR *userType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL *size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL *size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink *sink, DWORD *connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA **advisers) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD *status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE *palette) override;

    // ---- IObjectSafety (answered only where the class has it): both options are supported,
    // for IDispatch and the default interface.
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD *supported, DWORD *enabled) override;
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

    // ---- IPersistStreamInit: the objects keep no state of their own between sessions (their
    // documents are loaded and saved by their members), so a host's stream holds nothing; a
    // page or form that persists its controls loads and saves them without error.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream *stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream *stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER *size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;

    // ---- IOleControl: no keyboard mnemonics; ambient changes and frozen events need nothing
    // (the objects draw nothing and raise no events).
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO *info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG *message) override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

    // ---- ObjectServices
    ClsXml *xmlOf(IDispatch *object) override;
    ClsRss *rssOf(IDispatch *object) override;
    ClsAtom *atomOf(IDispatch *object) override;
    bool utcOleDateOf(IDispatch *dateTime, double &oleDate) override;
    IDispatch *newDateTime(const ClsDateTime &value, LogBase &log) override;
    bool sitedInBrowser() override;
    ProgressEvent *progressSink() override { return &m_progress; }

    // The internal object of the class, null for the others.
    virtual ClsXml *internalXml() { return nullptr; }
    virtual ClsRss *internalRss() { return nullptr; }
    virtual ClsAtom *internalAtom() { return nullptr; }

    // The point of an outgoing interface, null when the object has none for it.
    ConnectionPoint *connectionPoint(REFIID iid);

protected:
    // outer is the controlling unknown of an aggregate, or null.
    ObjectShell(const ShellClass &shellClass, IUnknown *outer, ServerModule &module);
    virtual ~ObjectShell();

    const ShellClass &shellClass() const { return m_class; }
    ServerModule &module() { return m_module; }
    // IID_NULL, as IDispatch requires of its callers.
    static bool isNullIid(REFIID iid);

private:
    struct Inner final : IUnknown {
        ObjectShell *self;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
    };
    // The interface pointer for iid, or null.
    void *interfaceFor(REFIID iid);

    const ShellClass &m_class;
    ServerModule &m_module;
    Inner m_inner;
    IUnknown *m_controlling;
    ULONG m_references = 1;
    ConnectionPoint m_propertyNotify;
    ConnectionPoint m_events;
    IOleClientSite *m_site = nullptr;
    SIZEL m_extent{2540, 2540};  // one inch, in HIMETRIC units, until a host sets it
    DWORD m_safetyEnabled = 0;
    ProgressEvent m_progress;  // never asks to abort and forwards nothing
};

}  // namespace quorvel::automation
