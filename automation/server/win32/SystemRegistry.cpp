#include "automation/server/win32/SystemRegistry.h"

#include <windows.h>

#include "automation/server/win32/WideText.h"

namespace quorvel::automation {
namespace {

HRESULT fromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

bool missing(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

}  // namespace

HRESULT SystemRegistry::createKey(const std::string &key) {
    HKEY handle = nullptr;
    const LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, wideText(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_WRITE, nullptr, &handle, nullptr);
    if (status == ERROR_SUCCESS) RegCloseKey(handle);
    return fromStatus(status);
}

HRESULT SystemRegistry::setValue(const std::string &key, const std::string &name, const std::string &value) {
    HKEY handle = nullptr;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, wideText(key).c_str(), 0, KEY_SET_VALUE, &handle);
    if (status != ERROR_SUCCESS) return fromStatus(status);
    const std::wstring text = wideText(value);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(handle, name.empty() ? nullptr : wideText(name).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE *>(text.c_str()), bytes);
    RegCloseKey(handle);
    return fromStatus(status);
}

HRESULT SystemRegistry::deleteKeyTree(const std::string &key) {
    const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, wideText(key).c_str());
    if (missing(status)) return S_OK;
    if (status != ERROR_SUCCESS) return fromStatus(status);
    // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
    const LONG removed = RegDeleteKeyW(HKEY_CLASSES_ROOT, wideText(key).c_str());
    return missing(removed) ? S_OK : fromStatus(removed);
}

HRESULT SystemRegistry::deleteValue(const std::string &key, const std::string &name) {
    const LONG status =
        RegDeleteKeyValueW(HKEY_CLASSES_ROOT, wideText(key).c_str(), name.empty() ? nullptr : wideText(name).c_str());
    return missing(status) ? S_OK : fromStatus(status);
}

bool classesKeyExists(const std::string &key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, wideText(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace quorvel::automation
