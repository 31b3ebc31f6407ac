#pragma once

// The COM interfaces a server implements or calls, as abstract classes whose virtual methods sit in
// the Windows slot order: with no virtual destructor, the vtable of the Linux x86-64 C++ ABI then has
// the same shape as a COM vtable, so a C caller sees the same object on both targets. Included
// through automation/com/Com.h only.

#include "automation/com/posix/OleAuto.h"

// Interfaces used only as opaque pointers in the signatures below.
struct ITypeInfo;
struct IMoniker;
struct IOleContainer;
struct IDataObject;
struct IEnumOLEVERB;
struct IAdviseSink;
struct IEnumSTATDATA;
struct IWebBrowser2;
struct IStream;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
using LPUNKNOWN = IUnknown *;

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid,
                                                    DISPID *ids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS *params,
                                             VARIANT *result, EXCEPINFO *exception, UINT *argumentError) = 0;
};
using LPDISPATCH = IDispatch *;

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

struct IProvideClassInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo **info) = 0;
};

inline constexpr DWORD GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;

struct IProvideClassInfo2 : IProvideClassInfo {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID *guid) = 0;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) = 0;
};

struct IErrorInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID *guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR *source) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR *description) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR *helpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD *helpContext) = 0;
};

struct CONNECTDATA {
    IUnknown *pUnk;
    DWORD dwCookie;
};
using LPCONNECTDATA = CONNECTDATA *;

struct IConnectionPoint;
struct IConnectionPointContainer;

struct IEnumConnections : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, CONNECTDATA *connections, ULONG *fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnections **copy) = 0;
};

struct IEnumConnectionPoints : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint **points, ULONG *fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints **copy) = 0;
};

struct IConnectionPoint : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *iid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer **container) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown *sink, DWORD *cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **connections) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **points) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint **point) = 0;
};

struct IPropertyNotifySink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID id) = 0;
};

inline constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_CALLER = 0x1;
inline constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_DATA = 0x2;

struct IObjectSafety : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD *supported, DWORD *enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) = 0;
};

struct IOleClientSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SaveObject() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker **moniker) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer **container) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowObject() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() = 0;
};

struct IOleObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite *site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite **site) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR document) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker *moniker) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker **moniker) = 0;
    virtual HRESULT STDMETHODCALLTYPE InitFromData(IDataObject *data, BOOL creation, DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject **data) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite *site, LONG index, HWND parent,
                                             LPCRECT position) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB **verbs) = 0;
    virtual HRESULT STDMETHODCALLTYPE Update() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUpToDate() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID *clsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR *userType) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL *size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL *size) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IAdviseSink *sink, DWORD *connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA **advisers) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD *status) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE *palette) = 0;
};

struct IPersist : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID *clsid) = 0;
};

struct IPersistStreamInit : IPersist {
    virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(IStream *stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(IStream *stream, BOOL clearDirty) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER *size) = 0;
    virtual HRESULT STDMETHODCALLTYPE InitNew() = 0;
};

struct IOleControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO *info) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnMnemonic(MSG *message) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) = 0;
};

struct IServiceProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void **object) = 0;
};

extern "C" {
extern const IID GUID_NULL;
extern const IID IID_NULL;
extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IClassFactory;
extern const IID IID_IProvideClassInfo;
extern const IID IID_IProvideClassInfo2;
extern const IID IID_ISupportErrorInfo;
extern const IID IID_IErrorInfo;
extern const IID IID_IConnectionPointContainer;
extern const IID IID_IConnectionPoint;
extern const IID IID_IEnumConnections;
extern const IID IID_IEnumConnectionPoints;
extern const IID IID_IPropertyNotifySink;
extern const IID IID_IObjectSafety;
extern const IID IID_IOleObject;
extern const IID IID_IOleClientSite;
extern const IID IID_IPersist;
extern const IID IID_IPersistStreamInit;
extern const IID IID_IOleControl;
extern const IID IID_IServiceProvider;
extern const IID IID_IWebBrowserApp;
extern const IID IID_IWebBrowser2;
}  // extern "C"

// The service under which a browser host offers its IWebBrowser2.
#define SID_SWebBrowserApp IID_IWebBrowserApp
