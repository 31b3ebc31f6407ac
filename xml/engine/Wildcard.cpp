#include "xml/engine/Wildcard.h"

#include <cstring>

namespace quorvel {

namespace {

inline unsigned char foldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool bytesEqual(const char *a, const char *b, uint32_t n, bool caseSensitive) {
    if (caseSensitive) return std::memcmp(a, b, n) == 0;
    for (uint32_t i = 0; i < n; ++i)
        if (foldAscii(static_cast<unsigned char>(a[i])) != foldAscii(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// First occurrence of needle in hay at or after from; -1 when none.
int64_t find(const char *hay, uint32_t hayLen, uint32_t from, const char *needle, uint32_t needleLen,
             bool caseSensitive) {
    if (needleLen > hayLen) return -1;
    for (uint32_t i = from; i + needleLen <= hayLen; ++i)
        if (bytesEqual(hay + i, needle, needleLen, caseSensitive)) return i;
    return -1;
}

}  // namespace

bool wildcardMatch(const char *text, uint32_t textLen, const char *pattern, bool caseSensitive) {
    if (!pattern) pattern = "";
    if (!text) textLen = 0;
    if (textLen == 0) return std::strspn(pattern, "*") == std::strlen(pattern);
    if (!*pattern) return false;
    const char *star = std::strchr(pattern, '*');
    uint32_t patternLen = static_cast<uint32_t>(std::strlen(pattern));
    if (!star) return patternLen == textLen && bytesEqual(text, pattern, textLen, caseSensitive);

    // Prefix before the first '*'.
    uint32_t prefixLen = static_cast<uint32_t>(star - pattern);
    if (prefixLen > textLen || !bytesEqual(text, pattern, prefixLen, caseSensitive)) return false;
    uint32_t pos = prefixLen;

    // Suffix after the last '*'.
    const char *lastStar = std::strrchr(pattern, '*');
    const char *suffix = lastStar + 1;
    uint32_t suffixLen = static_cast<uint32_t>(pattern + patternLen - suffix);

    // Middle segments, each consumed at its first occurrence.
    const char *seg = star;
    while (seg < lastStar) {
        while (*seg == '*' && seg < lastStar) ++seg;
        if (seg >= lastStar) break;
        const char *segEnd = std::strchr(seg, '*');
        uint32_t segLen = static_cast<uint32_t>(segEnd - seg);
        int64_t at = find(text, textLen, pos, seg, segLen, caseSensitive);
        if (at < 0) return false;
        pos = static_cast<uint32_t>(at) + segLen;
        seg = segEnd;
    }
    if (suffixLen == 0) return true;
    if (textLen - pos < suffixLen) return false;
    return bytesEqual(text + textLen - suffixLen, suffix, suffixLen, caseSensitive);
}

bool wildcardMatch(const char *text, const char *pattern, bool caseSensitive) {
    return wildcardMatch(text, text ? static_cast<uint32_t>(std::strlen(text)) : 0, pattern, caseSensitive);
}

}  // namespace quorvel
