#pragma once
#include <cstdint>
#include <string>

namespace quorvel {

// Facts about the machine and process that the engine needs, answered by the platform.
class SystemInfo {
public:
    // The ANSI and OEM code page numbers (GetACP / GetOEMCP; on POSIX the current locale's
    // codeset when it is a known code page, otherwise 65001, and OEM 437).
    static uint32_t ansiCodePage();
    static uint32_t oemCodePage();
    // Test seam: ansiCodePage() answers codePage from now on; 0 gives the system's back.
    static void overrideAnsiCodePage(uint32_t codePage);
    // The code page of a codeset name as the C library reports it ("UTF-8", "ISO-8859-15",
    // "KOI8-R", "CP1251" ...); case, '-', '_' and spaces do not matter. 0 when unknown.
    static uint32_t codePageForCodeset(const char *codeset);
    // The computer's and the user's names. These and the texts below are UTF-8, appended to out;
    // false (nothing appended) when the platform cannot say or memory is exhausted.
    static bool computerName(std::string &out);
    static bool userName(std::string &out);
    // Milliseconds from an arbitrary start, wrapping at 2^32.
    static uint32_t tickCountMs();
    // The calling thread's last platform error code (GetLastError / errno), and setting it, so
    // that a code can be kept across other calls and logged afterwards.
    static uint32_t lastErrorCode();
    static void setLastErrorCode(uint32_t code);
    // The platform's message text for the code, trimmed; false when there is none.
    static bool appendErrorText(uint32_t code, std::string &out);
    // The process's current directory.
    static bool currentDirectory(std::string &out);
    // Simple case mapping of one UTF-16 unit by the platform's wide-character rules; units
    // without a mapping (surrogates among them) come back unchanged.
    static char16_t toLowerWide(char16_t unit);
    static char16_t toUpperWide(char16_t unit);

private:
    // The platform's own answer behind ansiCodePage().
    static uint32_t systemAnsiCodePage();
};

}  // namespace quorvel
