#pragma once
// Hosts, sinks and calls for the server object tests.
#include <string>

#include "automation/com/Com.h"
#include "automation/server/GuidText.h"
#include "automation/server/ServerClassMap.h"
#include "tests/automation/com/ComTestSupport.h"

namespace quorvel::automation::servertest {

using comtest::Args;
// A dispatch object of someone else's making: it knows no member by name.
using ForeignDispatch = comtest::CountedObject;

using comtest::Counted;

// An unknown that answers no interface (an outer object, a stranger, a browser stand-in).
struct Refusing final : Counted<IUnknown> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        return answer(iid, nullptr, object);
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
        if (services && IsEqualIID(iid, IID_IServiceProvider))
            return provider.answer(iid, &IID_IServiceProvider, object);
        return answer(iid, &IID_IOleClientSite, object);
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
        return answer(iid, &IID_IPropertyNotifySink, object);
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
};

// An object of a served class queried for T; null when that fails.
template <class T>
T *create(const Guid &clsid, REFIID iid) {
    void *object = nullptr;
    return SUCCEEDED(createFromClassMap(comGuid(clsid), iid, &object)) ? static_cast<T *>(object) : nullptr;
}

// The interface T of an object, or null (the reference is the caller's).
template <class T>
T *query(IUnknown *object, REFIID iid) {
    void *found = nullptr;
    return SUCCEEDED(object->QueryInterface(iid, &found)) ? static_cast<T *>(found) : nullptr;
}

// A call through IDispatch by name, as a script host makes it; a put names its value.
template <class Arguments>  // Args, built in place or not
HRESULT callByName(IDispatch *object, const char *name, Arguments &&args, VARIANT *result,
                   WORD flags = DISPATCH_METHOD) {
    std::u16string text = comtest::wide(name);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(text.data())};
    DISPID id = DISPID_UNKNOWN, put = DISPID_PROPERTYPUT;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    DISPPARAMS params = args.params();
    if (flags == DISPATCH_PROPERTYPUT) params.cNamedArgs = 1, params.rgdispidNamedArgs = &put;
    if (FAILED(hr)) return hr;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

}  // namespace quorvel::automation::servertest
