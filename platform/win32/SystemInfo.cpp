#include "platform/SystemInfo.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace quorvel {

namespace {

bool isTrimmed(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Maps one unit through CharLowerBuffW or CharUpperBuffW, which follow the system's tables.
char16_t mapCase(char16_t unit, DWORD (WINAPI *mapper)(LPWSTR, DWORD)) {
    if (isSurrogate(unit)) return unit;
    wchar_t buf[2] = {static_cast<wchar_t>(unit), 0};
    if (mapper(buf, 1) != 1) return unit;
    return static_cast<char16_t>(buf[0]);
}

}  // namespace

uint32_t SystemInfo::systemAnsiCodePage() { return GetACP(); }

uint32_t SystemInfo::oemCodePage() { return GetOEMCP(); }

bool SystemInfo::computerName(std::string &out) {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size) || size == 0) return false;
    WideText text;
    if (!text.allocate(size)) return false;
    CopyMemory(text.data(), name, size * sizeof(wchar_t));
    text.setLength(size);
    return text.appendUtf8To(out);
}

bool SystemInfo::userName(std::string &out) {
    char name[257];  // the longest user name is 256 characters
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size) || size <= 1) return false;
    // The size includes the terminator; the name is in the ANSI code page.
    WideText text;
    return text.setFromAnsi(name, size - 1) && text.appendUtf8To(out);
}

uint32_t SystemInfo::tickCountMs() { return GetTickCount(); }

uint32_t SystemInfo::lastErrorCode() { return GetLastError(); }

void SystemInfo::setLastErrorCode(uint32_t code) { SetLastError(code); }

bool SystemInfo::appendErrorText(uint32_t code, std::string &out) {
    DWORD saved = GetLastError();
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    wchar_t buf[1024 / sizeof(wchar_t)];
    wchar_t *text = buf;
    wchar_t *allocated = nullptr;
    DWORD n = FormatMessageW(flags, nullptr, code, 0, buf, ARRAYSIZE(buf), nullptr);
    if (n == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        // A message longer than the usual buffer still deserves to be reported whole.
        n = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                           reinterpret_cast<LPWSTR>(&allocated), 0, nullptr);
        text = allocated;
    }
    bool ok = false;
    if (n > 0 && text) {
        DWORD start = 0;
        while (start < n && isTrimmed(text[start])) ++start;
        while (n > start && isTrimmed(text[n - 1])) --n;
        WideText trimmed;
        if (n > start && trimmed.allocate(n - start)) {
            CopyMemory(trimmed.data(), text + start, (n - start) * sizeof(wchar_t));
            trimmed.setLength(n - start);
            ok = trimmed.appendUtf8To(out);
        }
    }
    if (allocated) LocalFree(allocated);
    SetLastError(saved);
    return ok;
}

bool SystemInfo::currentDirectory(std::string &out) {
    DWORD saved = GetLastError();
    bool ok = false;
    DWORD need = GetCurrentDirectoryW(0, nullptr);  // includes the terminator
    WideText dir;
    if (need > 0 && dir.allocate(need)) {
        DWORD got = GetCurrentDirectoryW(need + 1, dir.data());
        if (got > 0 && got <= need) {
            dir.setLength(got);
            ok = dir.appendUtf8To(out);
        }
    }
    SetLastError(saved);
    return ok;
}

char16_t SystemInfo::toLowerWide(char16_t unit) { return mapCase(unit, CharLowerBuffW); }

char16_t SystemInfo::toUpperWide(char16_t unit) { return mapCase(unit, CharUpperBuffW); }

}  // namespace quorvel
