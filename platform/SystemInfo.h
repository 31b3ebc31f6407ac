#pragma once
#include <cstdint>

namespace quorvel {

class StringBuffer;

// Facts about the machine and process that the engine needs, answered by the platform.
class SystemInfo {
public:
    // The ANSI and OEM code page numbers (GetACP / GetOEMCP; on POSIX the locale's codeset when
    // it is a known code page, otherwise 65001, and OEM 437).
    static uint32_t ansiCodePage();
    static uint32_t oemCodePage();
    // UTF-8 names; false (output empty) when the platform cannot say.
    static bool computerName(StringBuffer &out);
    static bool userName(StringBuffer &out);
    // Milliseconds from an arbitrary start, wrapping at 2^32.
    static uint32_t tickCountMs();
    // The calling thread's last platform error code (GetLastError / errno).
    static uint32_t lastErrorCode();
    // Appends the platform's message text for the code, trimmed.
    static bool appendErrorText(uint32_t code, StringBuffer &out);
    static bool currentDirectory(StringBuffer &out);
    // Simple case mapping of one UTF-16 unit by the platform's wide-character rules.
    static char16_t toLowerWide(char16_t unit);
    static char16_t toUpperWide(char16_t unit);
};

}  // namespace quorvel
