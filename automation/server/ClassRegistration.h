#pragma once
// The registry keys and values of each served class, written once for both targets: the
// Windows DLL applies them to the system registry, the Linux library to its class map's own
// in-memory registry, and the tests to one they read back.
#include <span>
#include <string>

#include "automation/MemberDescriptor.h"
#include "automation/server/RegistryWriter.h"

namespace quorvel::automation {

struct RegisteredClass {
    const CoClass *coClass;
    // The toolbox bitmap's resource number; a class that has one is an insertable control
    // (Insertable, ToolboxBitmap32 and MiscStatus). 0 for none.
    int toolboxBitmap;
    // A control of the library: Programmable and Control are registered with it.
    bool control = true;
};

// Xml, Rss and Atom, in the object map's order.
std::span<const RegisteredClass> registeredClasses();

// The date-time class, which the Windows date-time component registers: its CLSID key with
// the name, InprocServer32, TypeLib and Version, and no ProgID.
const RegisteredClass &dateTimeClassRegistration();

// Under each ProgID: the registry name, CLSID and (version-independent) CurVer; under
// CLSID\{clsid}: the name, ProgID, VersionIndependentProgID, Programmable, Control (controls only),
// InprocServer32 (the module path, ThreadingModel Apartment), TypeLib, Version and, for a
// control, Insertable, ToolboxBitmap32 and MiscStatus. Programmable, Control, Insertable and
// ToolboxBitmap32 are replaced whole. Stops at the first failing step and returns its result.
HRESULT registerClass(RegistryWriter &registry, const RegisteredClass &entry, const TypeLibrary &library,
                      const std::string &modulePath);

// Removes the class's own key and its ProgID keys; the CLSID key above stays. Missing keys are no
// error; every removal is tried, and the first failure is returned.
HRESULT unregisterClass(RegistryWriter &registry, const RegisteredClass &entry);

// Every class of registeredClasses(): registration stops at the first failure, unregistration
// goes through all of them.
HRESULT registerAllClasses(RegistryWriter &registry, const std::string &modulePath);
HRESULT unregisterAllClasses(RegistryWriter &registry);

}  // namespace quorvel::automation
