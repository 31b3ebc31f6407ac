#pragma once
#include <cstdint>

namespace quorvel {

// Bytes that survive in tags and attribute names: ASCII letters and digits, '.', '-', '_',
// ':', '!' and every byte from 0x80 up (the UTF-8 of non-ASCII letters).
constexpr bool isNameCharByRule(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':' || c == '!' || c >= 0x80;
}

struct NameCharTable {
    bool allowed[256];
    constexpr NameCharTable() : allowed() {
        for (int c = 0; c < 256; ++c) allowed[c] = isNameCharByRule(static_cast<unsigned char>(c));
    }
};

inline constexpr NameCharTable kNameChars{};

inline bool isNameChar(unsigned char c) { return kNameChars.allowed[c]; }

// Length of the leading run of name bytes in bytes[0..n).
inline uint32_t nameCharRun(const char *bytes, uint32_t n) {
    uint32_t i = 0;
    while (i < n && isNameChar(static_cast<unsigned char>(bytes[i]))) ++i;
    return i;
}

}  // namespace quorvel
