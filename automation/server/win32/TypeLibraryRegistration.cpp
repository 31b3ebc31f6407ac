#include "automation/server/win32/TypeLibraryRegistration.h"

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "automation/server/win32/SystemRegistry.h"

namespace quorvel::automation {

HRESULT registerTypeLibrary(const std::wstring &modulePath) {
    ITypeLib *library = nullptr;
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    std::wstring path = modulePath;  // the call takes a writable string
    hr = RegisterTypeLib(library, path.data(), nullptr);
    library->Release();
    return hr;
}

HRESULT unregisterTypeLibrary() {
    // The system refuses to unregister a library that is not registered, so a second
    // unregistration would fail without this check.
    if (!classesKeyExists("TypeLib\\" + guidText(kTypeLibrary.libid))) return S_OK;
    return UnRegisterTypeLib(comGuid(kTypeLibrary.libid), static_cast<WORD>(kTypeLibrary.majorVersion),
                             static_cast<WORD>(kTypeLibrary.minorVersion), LANG_NEUTRAL, SYS_WIN64);
}

}  // namespace quorvel::automation
