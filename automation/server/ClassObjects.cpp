#include "automation/server/ClassObjects.h"

#include <new>

#include "automation/server/GuidText.h"

namespace quorvel::automation {

ClassObjects::~ClassObjects() {
    for (ClassFactory *factory : m_factories) delete factory;
}

HRESULT ClassObjects::get(REFCLSID clsid, REFIID iid, void **object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < m_map.size() && i < kMaxClasses; ++i) {
        if (!sameGuid(clsid, m_map[i].clsid)) continue;
        ClassFactory *factory;
        m_module.criticalSection().enter();
        if (!m_factories[i]) m_factories[i] = new (std::nothrow) ClassFactory(m_map[i].create, m_module);
        factory = m_factories[i];
        m_module.criticalSection().leave();
        if (!factory) return E_OUTOFMEMORY;
        return factory->QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace quorvel::automation
