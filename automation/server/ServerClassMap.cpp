#include "automation/server/ServerClassMap.h"

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ServerObjects.h"

namespace quorvel::automation {
namespace {

constexpr ClassMapEntry kServerMap[] = {
    {kCoClasses[0].clsid, XmlObject::create},
    {kCoClasses[1].clsid, RssObject::create},
    {kCoClasses[2].clsid, AtomObject::create},
#ifndef _WIN32
    // Windows has the date-time component of its own; elsewhere this library provides it.
    {kQvDateTimeClass.clsid, DateTimeObject::create},
#endif
};

}  // namespace

ClassObjects &serverClassObjects() {
    static ClassObjects objects(kServerMap, ServerModule::instance());
    return objects;
}

HRESULT createFromClassMap(REFCLSID clsid, REFIID iid, void **object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    void *factory = nullptr;
    HRESULT hr = serverClassObjects().get(clsid, IID_IClassFactory, &factory);
    if (hr == CLASS_E_CLASSNOTAVAILABLE) return REGDB_E_CLASSNOTREG;
    if (FAILED(hr)) return hr;
    IClassFactory *classObject = static_cast<IClassFactory *>(factory);
    hr = classObject->CreateInstance(nullptr, iid, object);
    classObject->Release();
    return hr;
}

}  // namespace quorvel::automation
