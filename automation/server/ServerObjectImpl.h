#pragma once
// The member definitions of ServerObject, for the files that instantiate it: each class's
// frame description and dispatch entry come from its own ClassOf<Internal> (ShellClass kShell
// and invoke), defined next to the instantiation.
#include <new>
#include <type_traits>

#include "automation/dispatch/Dispatcher.h"
#include "automation/server/ServerObjects.h"

namespace quorvel::automation {

template <class Internal>
struct ClassOf;

template <class Internal>
ServerObject<Internal>::ServerObject(IUnknown *outer, ServerModule &module)
    : ObjectShell(ClassOf<Internal>::kShell, outer, module) {}

template <class Internal>
bool ServerObject<Internal>::ready() const {
    if constexpr (requires(const Internal &internal) { internal.isReady(); }) {
        return m_internal.isReady();
    } else {
        return true;
    }
}

template <class Internal>
HRESULT ServerObject<Internal>::create(IUnknown *outer, REFIID iid, void **object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    ServerObject *created = new (std::nothrow) ServerObject(outer, ServerModule::instance());
    if (!created) return E_OUTOFMEMORY;
    HRESULT hr = created->ready() ? created->inner()->QueryInterface(iid, object) : E_OUTOFMEMORY;
    created->inner()->Release();  // the object goes when the query gave no reference
    return hr;
}

// A standalone object of another class, unless this is a date-time object.
template <class Internal>
template <class Result>
IDispatch *ServerObject<Internal>::newResultObject() {
    if constexpr (std::is_same_v<Internal, ClsDateTime>) return nullptr;
    else return ServerObject<Result>::createStandalone(this->module());
}

template <class Internal>
IDispatch *ServerObject<Internal>::newXmlObject() { return newResultObject<ClsXml>(); }
template <class Internal>
IDispatch *ServerObject<Internal>::newRssObject() { return newResultObject<ClsRss>(); }
template <class Internal>
IDispatch *ServerObject<Internal>::newAtomObject() { return newResultObject<ClsAtom>(); }

template <class Internal>
ServerObject<Internal> *ServerObject<Internal>::createStandalone(ServerModule &module) {
    ServerObject *created = new (std::nothrow) ServerObject(nullptr, module);
    if (created && !created->ready()) {
        created->inner()->Release();
        return nullptr;
    }
    return created;
}

template <class Internal>
HRESULT STDMETHODCALLTYPE ServerObject<Internal>::GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID,
                                                                 DISPID *ids) {
    if (!isNullIid(iid)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    return getIDsOfNames(*shellClass().defaultInterface, names, count, ids);
}

template <class Internal>
HRESULT STDMETHODCALLTYPE ServerObject<Internal>::Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                                          DISPPARAMS *params, VARIANT *result,
                                                          EXCEPINFO *exception, UINT *argumentError) {
    if (!isNullIid(iid)) return DISP_E_UNKNOWNINTERFACE;
    // The call may hand out or drop references to this object (an object result, a released
    // argument): it stays alive until the call is over.
    AddRef();
    HRESULT hr = ClassOf<Internal>::invoke(m_internal, *this, id, flags, params, result, exception, argumentError);
    Release();
    return hr;
}

template <class Internal>
ClsXml *ServerObject<Internal>::internalXml() {
    if constexpr (std::is_same_v<Internal, ClsXml>) return &m_internal;
    return nullptr;
}

template <class Internal>
ClsRss *ServerObject<Internal>::internalRss() {
    if constexpr (std::is_same_v<Internal, ClsRss>) return &m_internal;
    return nullptr;
}

template <class Internal>
ClsAtom *ServerObject<Internal>::internalAtom() {
    if constexpr (std::is_same_v<Internal, ClsAtom>) return &m_internal;
    return nullptr;
}

}  // namespace quorvel::automation
