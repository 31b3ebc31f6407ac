#pragma once
// The class object of one served class: creates its objects, alone or as the inner object of an
// aggregate, and holds the module on LockServer. Cached by ClassObjects for the module's life;
// each reference a caller holds counts as a module lock.
#include <atomic>

#include "automation/com/Com.h"
#include "automation/server/ServerModule.h"

namespace quorvel::automation {

// Creates one object of a class. Given an outer unknown, the new object is aggregated and its
// non-delegating IUnknown is returned; the caller has checked the IID and the out pointer.
using CreateFunction = HRESULT (*)(IUnknown *outer, REFIID iid, void **object);

class ClassFactory final : public IClassFactory {
public:
    ClassFactory(CreateFunction create, ServerModule &module) : m_create(create), m_module(module) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // E_POINTER for a null out pointer; CLASS_E_NOAGGREGATION when an outer object asks for
    // anything but IUnknown (COM aggregation always starts with the inner IUnknown).
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override;
    // E_UNEXPECTED for an unlock without a lock.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    CreateFunction m_create;
    ServerModule &m_module;
    std::atomic<ULONG> m_references{0};
};

}  // namespace quorvel::automation
