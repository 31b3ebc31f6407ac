#pragma once
#include <cstdint>

namespace quorvel {

// The published mapping of one code page, as built into the system. Single-byte code pages give
// the character of every byte; double-byte code pages mark their lead bytes and list the
// two-byte codes. CodePageTable expands this into lookup tables on first use.
struct CodePageData {
    static constexpr char16_t kUnmapped = 0xFFFF;  // the byte has no character
    static constexpr char16_t kLeadByte = 0xFFFE;  // the byte starts a two-byte code
    // Room for the table cache; every built-in code page has an index below this.
    static constexpr uint32_t kMaxBuiltIn = 256;

    uint32_t codePage;
    const char16_t *bytes;      // 256 entries: a character, kUnmapped or kLeadByte
    const uint16_t *pairCodes;  // two-byte codes (lead << 8 | trail); null for single-byte
    const char16_t *pairChars;  // the character of each two-byte code
    uint32_t numPairs;

    // The built-in mapping of a code page and its index in the built-in list; null when the
    // system has no table for it. Where a character has several codes, the first one listed
    // (single bytes before pairs) is the one it is encoded to.
    static const CodePageData *find(uint32_t codePage, uint32_t &index);
};

}  // namespace quorvel
