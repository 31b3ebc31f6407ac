#include "automation/server/ClassFactory.h"

namespace quorvel::automation {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void **object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
    m_module.lock();
    return m_references.fetch_add(1) + 1;
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
    // The cache owns the object; a Release without a reference changes nothing.
    ULONG held = m_references.load();
    while (held > 0) {
        if (m_references.compare_exchange_weak(held, held - 1)) {
            m_module.unlock();
            return held - 1;
        }
    }
    return 0;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown *outer, REFIID iid, void **object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return m_create(outer, iid, object);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        m_module.lock();
        return S_OK;
    }
    return m_module.unlock() ? S_OK : E_UNEXPECTED;
}

}  // namespace quorvel::automation
