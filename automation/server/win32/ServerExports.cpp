// The exports of QuorvelXml.dll: the four entry points of an in-process server. Registration
// writes each class's keys to the system registry and registers the embedded type library.
// Nothing is thrown out of them.
#include <new>

#include "automation/server/ClassRegistration.h"
#include "automation/server/ServerClassMap.h"
#include "automation/server/win32/SystemRegistry.h"
#include "automation/server/win32/TypeLibraryRegistration.h"
#include "automation/server/win32/WideText.h"

using namespace quorvel::automation;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **object) {
    return serverClassObjects().get(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return ServerModule::instance().canUnloadNow(); }

STDAPI DllRegisterServer() {
    try {
        const std::wstring path = moduleFileName();
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        SystemRegistry registry;
        const HRESULT hr = registerAllClasses(registry, utf8Text(path));
        return FAILED(hr) ? hr : registerTypeLibrary(path);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        SystemRegistry registry;
        const HRESULT classes = unregisterAllClasses(registry);
        const HRESULT library = unregisterTypeLibrary();
        return FAILED(classes) ? classes : library;
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}
