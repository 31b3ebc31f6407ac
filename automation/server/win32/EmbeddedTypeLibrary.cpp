// The type library embedded in the DLL as TYPELIB 1, loaded once from the DLL's own file.
#include <mutex>
#include <new>

#include "automation/server/GuidText.h"
#include "automation/server/TypeInfoSource.h"
#include "automation/server/win32/WideText.h"

namespace quorvel::automation {
namespace {

struct LoadedLibrary {
    ITypeLib *library = nullptr;
    HRESULT result = TYPE_E_CANTLOADLIBRARY;
};

// Loaded on first use and kept while the DLL is loaded (the process's end frees it).
LoadedLibrary &ownLibrary() {
    static LoadedLibrary loaded;
    static std::once_flag once;
    std::call_once(once, [] {
        try {
            const std::wstring path = moduleFileName();
            if (path.empty()) return;
            loaded.result = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &loaded.library);
        } catch (const std::bad_alloc &) {
            loaded.result = E_OUTOFMEMORY;
        }
    });
    return loaded;
}

}  // namespace

HRESULT typeInfoOf(const Guid &guid, ITypeInfo **info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    LoadedLibrary &loaded = ownLibrary();
    if (!loaded.library) return loaded.result;
    return loaded.library->GetTypeInfoOfGuid(comGuid(guid), info);
}

bool moduleHasTypeLibrary() { return ownLibrary().library != nullptr; }

}  // namespace quorvel::automation
