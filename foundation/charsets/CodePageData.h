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

    // The two-byte codes of one lead byte: trails first .. first + count - 1, whose characters
    // (or kUnmapped) start at rowChars[offset].
    struct Row {
        uint8_t lead;
        uint8_t first;
        uint16_t count;
        uint32_t offset;
    };

    uint32_t codePage;
    const char16_t *bytes;      // 256 entries: a character, kUnmapped or kLeadByte
    const uint16_t *pairCodes;  // two-byte codes (lead << 8 | trail); null for single-byte
    const char16_t *pairChars;  // the character of each two-byte code
    uint32_t numPairs;
    // Compact forms of the built-in tables. When bytes is null, bytes below 0x80 are ASCII and
    // upperBytes gives the 128 entries of 0x80-0xFF.
    const char16_t *upperBytes = nullptr;
    const Row *rows = nullptr;  // two-byte codes by lead byte, in addition to pairCodes
    uint32_t numRows = 0;
    const char16_t *rowChars = nullptr;
    // Characters with several codes whose code to encode to is not the first one listed.
    const char16_t *preferChars = nullptr;
    const uint16_t *preferCodes = nullptr;
    uint32_t numPrefer = 0;

    // The character of single byte b (kUnmapped or kLeadByte when it has none of its own).
    char16_t byteChar(uint32_t b) const {
        if (bytes != nullptr) return bytes[b];
        return b < 0x80 ? static_cast<char16_t>(b) : upperBytes[b - 0x80];
    }

    // The built-in mapping of a code page and its index in the built-in list; null when the
    // system has no table for it. Where a character has several codes, the first one listed
    // (single bytes before pairs) is the one it is encoded to, unless preferChars says otherwise.
    static const CodePageData *find(uint32_t codePage, uint32_t &index);
};

}  // namespace quorvel
