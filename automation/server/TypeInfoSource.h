#pragma once
// The type information of this module's own type library. The Windows DLLs embed the library
// (resource TYPELIB 1) and load it on first use; the Linux library has none, and the objects
// then describe themselves through the member table alone.
#include "automation/MemberDescriptor.h"
#include "automation/com/Com.h"

namespace quorvel::automation {

// The description of an interface or coclass of the library: S_OK with a new reference, or the
// failure (TYPE_E_CANTLOADLIBRARY where the module carries no library, TYPE_E_ELEMENTNOTFOUND
// for an identifier it does not describe).
HRESULT typeInfoOf(const Guid &guid, ITypeInfo **info);

// Whether the module carries a type library that loads (false for a program that links the
// server code without one, as the tests do).
bool moduleHasTypeLibrary();

}  // namespace quorvel::automation
