// The exports of QuorvelXml.dll: the four entry points of an in-process server. Registration
// writes each class's keys to the system registry and registers the embedded type library.
// Nothing is thrown out of them.
#include "automation/server/ClassRegistration.h"
#include "automation/server/ServerClassMap.h"
#include "automation/server/win32/RegistryEntryPoints.h"
#include "automation/server/win32/TypeLibraryRegistration.h"

using namespace quorvel::automation;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **object) {
    return serverClassObjects().get(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return ServerModule::instance().canUnloadNow(); }

STDAPI DllRegisterServer() {
    return registerThisModule([](SystemRegistry &registry, const std::wstring &path) {
        const HRESULT hr = registerAllClasses(registry, utf8Text(path));
        return FAILED(hr) ? hr : registerTypeLibrary(path);
    });
}

STDAPI DllUnregisterServer() {
    return onSystemRegistry([](SystemRegistry &registry) {
        const HRESULT classes = unregisterAllClasses(registry);
        const HRESULT library = unregisterTypeLibrary();
        return FAILED(classes) ? classes : library;
    });
}
