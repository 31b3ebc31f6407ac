#pragma once
// The object map behind DllGetClassObject: each served class identifier with the function that
// creates its objects, and the class objects, each made once on its first request.
#include <span>

#include "automation/MemberDescriptor.h"
#include "automation/server/ClassFactory.h"

namespace quorvel::automation {

struct ClassMapEntry {
    Guid clsid;
    CreateFunction create;
};

class ClassObjects {
public:
    static constexpr size_t kMaxClasses = 8;

    // At most kMaxClasses entries; the later ones are not served.
    ClassObjects(std::span<const ClassMapEntry> map, ServerModule &module) : m_map(map), m_module(module) {}
    ~ClassObjects();
    ClassObjects(const ClassObjects &) = delete;
    ClassObjects &operator=(const ClassObjects &) = delete;

    // The class object of clsid queried for iid. CLASS_E_CLASSNOTAVAILABLE for a class identifier
    // that is not in the map, E_POINTER for a null out pointer, E_OUTOFMEMORY when the class
    // object cannot be made. The class object is made under the module's critical section.
    HRESULT get(REFCLSID clsid, REFIID iid, void **object);

    std::span<const ClassMapEntry> map() const { return m_map; }

private:
    std::span<const ClassMapEntry> m_map;
    ServerModule &m_module;
    ClassFactory *m_factories[kMaxClasses] = {};
};

}  // namespace quorvel::automation
