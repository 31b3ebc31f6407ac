#pragma once
// What DllRegisterServer and DllUnregisterServer of the Linux library write to: there is no
// system registry, so the class map is the registration, and the registration logic is applied
// to the library's own in-memory registry (which a host may read through the tests' view).
#include <string>

#include "automation/server/MemoryRegistry.h"

namespace quorvel::automation {

MemoryRegistry &moduleRegistry();

// The path of the loaded library (or program) holding this code; empty when it cannot be told.
std::string modulePath();

}  // namespace quorvel::automation
