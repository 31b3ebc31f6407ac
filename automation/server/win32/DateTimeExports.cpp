// The exports of QvDateTime.dll, the date-time component: one class, QvDateTime over
// ClsDateTime, under the class identifier the Atom objects create their dates with. It registers
// its class only; the type library (which it embeds too, for its objects' type information) is
// registered by QuorvelXml.dll.
#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ClassObjects.h"
#include "automation/server/ClassRegistration.h"
#include "automation/server/ServerObjects.h"
#include "automation/server/win32/RegistryEntryPoints.h"

using namespace quorvel::automation;

namespace {

constexpr ClassMapEntry kDateTimeMap[] = {{kQvDateTimeClass.clsid, DateTimeObject::create}};

ClassObjects &dateTimeClassObjects() {
    static ClassObjects objects(kDateTimeMap, ServerModule::instance());
    return objects;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **object) {
    return dateTimeClassObjects().get(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return ServerModule::instance().canUnloadNow(); }

STDAPI DllRegisterServer() {
    return registerThisModule([](SystemRegistry &registry, const std::wstring &path) {
        return registerClass(registry, dateTimeClassRegistration(), kTypeLibrary, utf8Text(path));
    });
}

STDAPI DllUnregisterServer() {
    return onSystemRegistry([](SystemRegistry &registry) {
        return unregisterClass(registry, dateTimeClassRegistration());
    });
}
