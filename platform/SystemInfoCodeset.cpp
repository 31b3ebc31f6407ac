#include "platform/SystemInfo.h"

#include <atomic>
#include <cstring>

namespace quorvel {

namespace {

struct CodesetEntry {
    const char *name;  // upper case, without '-', '_' and spaces
    uint32_t codePage;
};

const CodesetEntry kCodesets[] = {
    {"UTF8", 65001},        {"ISO88591", 28591},    {"ISO88592", 28592},   {"ISO88593", 28593},
    {"ISO88594", 28594},    {"ISO88595", 28595},    {"ISO88596", 28596},   {"ISO88597", 28597},
    {"ISO88598", 28598},    {"ISO88599", 28599},    {"ISO885913", 28603},  {"ISO885915", 28605},
    {"KOI8R", 20866},       {"KOI8U", 21866},       {"CP1250", 1250},      {"CP1251", 1251},
    {"CP1252", 1252},       {"CP1253", 1253},       {"CP1254", 1254},      {"CP1255", 1255},
    {"CP1256", 1256},       {"CP1257", 1257},       {"CP1258", 1258},      {"WINDOWS1250", 1250},
    {"WINDOWS1251", 1251},  {"WINDOWS1252", 1252},  {"WINDOWS1253", 1253}, {"WINDOWS1254", 1254},
    {"WINDOWS1255", 1255},  {"WINDOWS1256", 1256},  {"WINDOWS1257", 1257}, {"WINDOWS1258", 1258},
    {"EUCJP", 51932},       {"EUCKR", 51949},       {"EUCCN", 936},        {"GB2312", 936},
    {"GBK", 936},           {"CP936", 936},         {"GB18030", 54936},    {"BIG5", 950},
    {"BIG5HKSCS", 950},     {"CP950", 950},         {"TIS620", 874},       {"CP874", 874},
    {"SHIFTJIS", 932},      {"SJIS", 932},          {"CP932", 932},        {"WINDOWS31J", 932},
    {"CP949", 949},         {"UHC", 949},           {"CP437", 437},        {"IBM437", 437},
    {"CP850", 850},         {"IBM850", 850},        {"CP866", 866},        {"IBM866", 866},
};

std::atomic<uint32_t> g_ansiOverride{0};

}  // namespace

uint32_t SystemInfo::ansiCodePage() {
    const uint32_t forced = g_ansiOverride.load(std::memory_order_relaxed);
    return forced != 0 ? forced : systemAnsiCodePage();
}

void SystemInfo::overrideAnsiCodePage(uint32_t codePage) { g_ansiOverride.store(codePage, std::memory_order_relaxed); }

uint32_t SystemInfo::codePageForCodeset(const char *codeset) {
    if (!codeset) return 0;
    char key[32];
    size_t n = 0;
    for (const char *p = codeset; *p; ++p) {
        char c = *p;
        if (c == '-' || c == '_' || c == ' ') continue;
        if (n + 1 >= sizeof key) return 0;  // longer than any known name
        key[n++] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    key[n] = '\0';
    for (const CodesetEntry &entry : kCodesets)
        if (std::strcmp(entry.name, key) == 0) return entry.codePage;
    return 0;
}

}  // namespace quorvel
