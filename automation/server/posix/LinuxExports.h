#pragma once
// The exports of libquorvelxml.so (posix/LinuxExports.cpp).
#include "automation/com/Com.h"
#include "automation/server/ProgIdMap.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **object);
STDAPI DllCanUnloadNow();
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
extern "C" const QuorvelProgIdMapping *QuorvelProgIdMap(ULONG *count);
