#pragma once
// ASCII helpers of the HTTP client: protocol text compares with ASCII case ignored, and the
// bytes of UTF-8 text beyond ASCII are never changed.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel::http_text {

inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

inline bool equalsNoCase(const char *a, const char *b) {
    if (!a || !b) return a == b;
    while (*a && asciiLower(*a) == asciiLower(*b)) ++a, ++b;
    return *a == '\0' && *b == '\0';
}

inline bool startsWithNoCase(const char *text, const char *prefix) {
    if (!text || !prefix) return false;
    while (*prefix) {
        if (asciiLower(*text) != asciiLower(*prefix)) return false;
        ++text, ++prefix;
    }
    return true;
}

// First occurrence of needle in the n bytes of hay, ASCII case ignored; null when absent.
inline const char *findNoCase(const char *hay, size_t n, const char *needle) {
    const size_t m = std::strlen(needle);
    if (m == 0 || m > n) return m == 0 ? hay : nullptr;
    for (size_t i = 0; i + m <= n; ++i) {
        size_t k = 0;
        while (k < m && asciiLower(hay[i + k]) == asciiLower(needle[k])) ++k;
        if (k == m) return hay + i;
    }
    return nullptr;
}

inline bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace quorvel::http_text
