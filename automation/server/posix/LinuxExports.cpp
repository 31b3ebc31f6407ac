// The exports of libquorvelxml.so: the four entry points of an in-process server and the ProgID
// map a scripting host resolves names with. Nothing is thrown out of them.
#include "automation/server/posix/LinuxExports.h"

#include <new>

#include "automation/server/ClassRegistration.h"
#include "automation/server/ModuleRegistration.h"
#include "automation/server/ProgIdMap.h"
#include "automation/server/ServerClassMap.h"

using namespace quorvel::automation;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **object) {
    return serverClassObjects().get(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return ServerModule::instance().canUnloadNow(); }

STDAPI DllRegisterServer() {
    try {
        return registerAllClasses(moduleRegistry(), modulePath());
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() { return unregisterAllClasses(moduleRegistry()); }

// Every ProgID (version-dependent and independent) with its class identifier; count receives
// the number of entries. The map is constant and lives as long as the library.
extern "C" const QuorvelProgIdMapping *QuorvelProgIdMap(ULONG *count) {
    auto map = progIdMap();
    if (count) *count = static_cast<ULONG>(map.size());
    return map.data();
}
