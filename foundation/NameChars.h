#pragma once

namespace quorvel {

// Bytes that survive in tags and attribute names: ASCII letters and digits, '.', '-', '_',
// ':', '!' and every byte from 0x80 up (the UTF-8 of non-ASCII letters).
inline bool isNameChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':' || c == '!' || c >= 0x80;
}

}  // namespace quorvel
