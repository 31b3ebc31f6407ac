#pragma once
// Outer objects, strangers and interface look-ups for the server object tests. (Client sites that are
// or are not a browser: the Python host's suite.)
#include "automation/com/Com.h"
#include "automation/server/GuidText.h"
#include "automation/server/ServerClassMap.h"
#include "tests/automation/com/ComTestSupport.h"

namespace quorvel::automation::servertest {

// A dispatch object of someone else's making: it knows no member by name.
using ForeignDispatch = comtest::CountedObject;

using comtest::Counted;

// An unknown that answers no interface (an outer object, a stranger).
struct Refusing final : Counted<IUnknown> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        return answer(iid, nullptr, object);
    }
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

}  // namespace quorvel::automation::servertest
