#include "platform/SystemInfo.h"

#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <unistd.h>
#include <wctype.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

namespace quorvel {

namespace {

// strerror_r comes in two flavours; these pick the text out of whichever one the C library has.
[[maybe_unused]] const char *errorTextFrom(int result, const char *buf) { return result == 0 ? buf : nullptr; }
[[maybe_unused]] const char *errorTextFrom(const char *result, const char *) { return result; }

// Appends text; false (out unchanged) when memory is exhausted.
bool appendText(const char *text, size_t n, std::string &out) {
    try {
        out.append(text, n);
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Appends text without leading and trailing whitespace; false when nothing is left.
bool appendTrimmed(const char *text, std::string &out) {
    if (!text) return false;
    while (isTrimmed(*text)) ++text;
    size_t n = std::strlen(text);
    while (n > 0 && isTrimmed(text[n - 1])) --n;
    if (n == 0) return false;
    return appendText(text, n, out);
}

// A locale object with the full Unicode character classes, made once for the process; null when
// the system has none, and the mapping falls back to ASCII.
locale_t unicodeLocale() {
    static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return loc;
}

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

}  // namespace

uint32_t SystemInfo::systemAnsiCodePage() {
    uint32_t codePage = codePageForCodeset(nl_langinfo(CODESET));
    return codePage ? codePage : 65001;
}

uint32_t SystemInfo::oemCodePage() { return 437; }

bool SystemInfo::computerName(std::string &out) {
    char name[256];
    if (gethostname(name, sizeof name) != 0) return false;
    name[sizeof name - 1] = '\0';
    return name[0] != '\0' && appendText(name, std::strlen(name), out);
}

bool SystemInfo::userName(std::string &out) {
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    size_t size = hint > 0 ? static_cast<size_t>(hint) : 1024;
    for (int attempt = 0; attempt < 8; ++attempt, size *= 4) {
        char *buf = static_cast<char *>(std::malloc(size));
        if (!buf) return false;
        passwd entry;
        passwd *found = nullptr;
        int rc = getpwuid_r(geteuid(), &entry, buf, size, &found);
        bool ok = rc == 0 && found && found->pw_name && found->pw_name[0] &&
                  appendText(found->pw_name, std::strlen(found->pw_name), out);
        std::free(buf);
        if (rc != ERANGE) return ok;
    }
    return false;
}

uint32_t SystemInfo::tickCountMs() {
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

uint32_t SystemInfo::lastErrorCode() { return static_cast<uint32_t>(errno); }

void SystemInfo::setLastErrorCode(uint32_t code) { errno = static_cast<int>(code); }

bool SystemInfo::appendErrorText(uint32_t code, std::string &out) {
    int saved = errno;
    char buf[1024];
    buf[0] = '\0';
    const char *text = errorTextFrom(strerror_r(static_cast<int>(code), buf, sizeof buf), buf);
    bool ok = appendTrimmed(text, out);
    errno = saved;
    return ok;
}

bool SystemInfo::currentDirectory(std::string &out) {
    int saved = errno;
    bool ok = false;
    for (size_t size = 1024; size <= (1u << 20); size *= 4) {
        char *buf = static_cast<char *>(std::malloc(size));
        if (!buf) break;
        bool got = getcwd(buf, size) != nullptr;
        int err = errno;
        if (got) ok = appendText(buf, std::strlen(buf), out);
        std::free(buf);
        if (got || err != ERANGE) break;
    }
    errno = saved;
    return ok;
}

char16_t SystemInfo::toLowerWide(char16_t unit) {
    if (isSurrogate(unit)) return unit;
    locale_t loc = unicodeLocale();
    if (!loc) return (unit >= 'A' && unit <= 'Z') ? static_cast<char16_t>(unit + 32) : unit;
    wint_t mapped = towlower_l(static_cast<wint_t>(unit), loc);
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : unit;
}

char16_t SystemInfo::toUpperWide(char16_t unit) {
    if (isSurrogate(unit)) return unit;
    locale_t loc = unicodeLocale();
    if (!loc) return (unit >= 'a' && unit <= 'z') ? static_cast<char16_t>(unit - 32) : unit;
    wint_t mapped = towupper_l(static_cast<wint_t>(unit), loc);
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : unit;
}

}  // namespace quorvel
