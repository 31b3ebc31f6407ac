#pragma once
// The shared body of DllRegisterServer and DllUnregisterServer. Nothing may be thrown out of
// an export: memory running out is E_OUTOFMEMORY.
#include <windows.h>

#include <new>
#include <string>

#include "automation/server/win32/SystemRegistry.h"
#include "automation/server/win32/WideText.h"

namespace quorvel::automation {

// step(registry) against the system registry.
template <class Step>
HRESULT onSystemRegistry(Step step) noexcept {
    try {
        SystemRegistry registry;
        return step(registry);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

// step(registry, path) with this module's own file name, which the class keys name.
template <class Step>
HRESULT registerThisModule(Step step) noexcept {
    return onSystemRegistry([&](SystemRegistry &registry) {
        const std::wstring path = moduleFileName();
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        return step(registry, path);
    });
}

}  // namespace quorvel::automation
