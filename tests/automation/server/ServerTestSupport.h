#pragma once
// Hosts, sinks and calls for the server object tests.
#include <string>

#include "automation/com/Com.h"
#include "automation/server/ServerClassMap.h"

namespace quorvel::automation::servertest {

// A reference-counted test object answering the listed interfaces on one vtable of IUnknown
// methods; it is never deleted (it lives on the test's stack), so counts stay readable.
template <class Interface>
struct Counted : Interface {
    ULONG references = 1;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

// An unknown that answers no interface (an outer object, a stranger, a browser stand-in).
struct Refusing final : Counted<IUnknown> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
};

// A dispatch object of someone else's making: it knows no member.
struct ForeignDispatch final : Counted<IDispatch> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ? this : nullptr;
        if (*object) AddRef();
        return *object ? S_OK : E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                     UINT *) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// A client site; with a service provider when `services` is set, which hands out the browser
// application when `browser` is set too.
struct TestSite final : Counted<IOleClientSite> {
    struct Provider final : Counted<IServiceProvider> {
        TestSite *site = nullptr;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
            return site->QueryInterface(iid, object);
        }
        HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void **object) override {
            *object = nullptr;
            if (!site->browser || !IsEqualGUID(service, SID_SWebBrowserApp) || !IsEqualIID(iid, IID_IWebBrowser2))
                return E_NOINTERFACE;
            site->browserObject.AddRef();
            *object = &site->browserObject;  // stands in for the browser's IWebBrowser2
            return S_OK;
        }
    };
    bool services = false;
    bool browser = false;
    Provider provider;
    Refusing browserObject;

    TestSite(bool withServices, bool inBrowser) : services(withServices), browser(inBrowser) { provider.site = this; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
            AddRef();
            *object = static_cast<IOleClientSite *>(this);
            return S_OK;
        }
        if (services && IsEqualIID(iid, IID_IServiceProvider)) {
            provider.AddRef();
            *object = static_cast<IServiceProvider *>(&provider);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer **) override { return E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

// A property-change sink.
struct TestSink final : Counted<IPropertyNotifySink> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyNotifySink)) {
            AddRef();
            *object = static_cast<IPropertyNotifySink *>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
};

// An object of a served class queried for T; fails the test's assertions (null) otherwise.
template <class T>
T *create(const Guid &clsid, REFIID iid) {
    const GUID classId{clsid.data1, clsid.data2, clsid.data3,
                       {clsid.data4[0], clsid.data4[1], clsid.data4[2], clsid.data4[3], clsid.data4[4],
                        clsid.data4[5], clsid.data4[6], clsid.data4[7]}};
    void *object = nullptr;
    return SUCCEEDED(createFromClassMap(classId, iid, &object)) ? static_cast<T *>(object) : nullptr;
}

// The interface T of an object, or null (the reference is the caller's).
template <class T>
T *query(IUnknown *object, REFIID iid) {
    void *found = nullptr;
    return SUCCEEDED(object->QueryInterface(iid, &found)) ? static_cast<T *>(found) : nullptr;
}

// A method call through IDispatch by name with string arguments (in call order).
HRESULT callByName(IDispatch *object, const char *name, std::initializer_list<const char *> arguments,
                   VARIANT *result, WORD flags = DISPATCH_METHOD);

}  // namespace quorvel::automation::servertest
