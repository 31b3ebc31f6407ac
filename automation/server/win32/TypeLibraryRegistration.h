#pragma once
// Registration of the type library embedded in QuorvelXml.dll.
#include <string>

#include "automation/com/Com.h"

namespace quorvel::automation {

// Loads the library from the DLL's file and registers it (TypeLib\{libid} and the interfaces).
HRESULT registerTypeLibrary(const std::wstring &modulePath);

// Unregisters it when it is registered; unregistering twice is no error.
HRESULT unregisterTypeLibrary();

}  // namespace quorvel::automation
