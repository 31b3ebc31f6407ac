#include "foundation/Utf8Codec.h"

#include "foundation/ConvertOutput.h"
#include "foundation/PivotEscape.h"

namespace quorvel {

namespace {

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

uint32_t readUnit16(const unsigned char *p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 8) | p[1] : (uint32_t{p[1]} << 8) | p[0];
}

uint32_t readUnit32(const unsigned char *p, bool bigEndian) {
    if (bigEndian) return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void putCodePointAsUtf16(uint32_t cp, bool bigEndian, ConvertOutput &out) {
    if (cp < 0x10000) {
        out.putUtf16(cp, bigEndian);
    } else {
        cp -= 0x10000;
        out.putUtf16(0xD800 + (cp >> 10), bigEndian);
        out.putUtf16(0xDC00 + (cp & 0x3FF), bigEndian);
    }
}

}  // namespace

uint32_t Utf8Codec::decode(const unsigned char *p, uint32_t n, uint32_t &len) {
    len = 1;
    const unsigned char b0 = p[0];
    if (b0 < 0x80) return b0;
    if (b0 < 0xC2) return kInvalid;  // continuation byte, or an overlong two-byte lead
    if (b0 < 0xE0) {
        if (n < 2 || !isContinuation(p[1])) return kInvalid;
        len = 2;
        return ((b0 & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    }
    if (b0 < 0xF0) {
        if (n < 3 || !isContinuation(p[1]) || !isContinuation(p[2])) return kInvalid;
        if (b0 == 0xE0 && p[1] < 0xA0) return kInvalid;  // overlong
        len = 3;
        return ((b0 & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    }
    if (b0 < 0xF5) {
        if (n < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return kInvalid;
        if (b0 == 0xF0 && p[1] < 0x90) return kInvalid;   // overlong
        if (b0 == 0xF4 && p[1] >= 0x90) return kInvalid;  // beyond U+10FFFF
        len = 4;
        return ((b0 & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    }
    return kInvalid;
}

void Utf8Codec::encode(uint32_t cp, ConvertOutput &out) {
    if (cp < 0x80) {
        out.put(static_cast<unsigned char>(cp));
    } else if (cp < 0x800) {
        out.put(static_cast<unsigned char>(0xC0 | (cp >> 6)));
        out.put(static_cast<unsigned char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.put(static_cast<unsigned char>(0xE0 | (cp >> 12)));
        out.put(static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F)));
        out.put(static_cast<unsigned char>(0x80 | (cp & 0x3F)));
    } else {
        out.put(static_cast<unsigned char>(0xF0 | (cp >> 18)));
        out.put(static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F)));
        out.put(static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F)));
        out.put(static_cast<unsigned char>(0x80 | (cp & 0x3F)));
    }
}

void Utf8Codec::utf8ToUtf16(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    uint32_t i = 0;
    while (i < n) {
        uint32_t len;
        const uint32_t cp = decode(p + i, n - i, len);
        i += len;
        if (cp != kInvalid) putCodePointAsUtf16(cp, bigEndian, out);
    }
}

void Utf8Codec::utf16ToUtf8(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out,
                            bool pivotEscapes) {
    uint32_t i = 0;
    while (n - i >= 2) {
        if (pivotEscapes) {
            if (const uint32_t esc = PivotEscape::lengthAt(p, n, i)) {
                out.putBytes(p + i + 3, esc - 3);
                i += esc;
                continue;
            }
        }
        const uint32_t unit = readUnit16(p + i, bigEndian);
        i += 2;
        if (isHighSurrogate(unit) && n - i >= 2) {
            const uint32_t next = readUnit16(p + i, bigEndian);
            if (isLowSurrogate(next)) {
                encode(joinSurrogates(unit, next), out);
                i += 2;
                continue;
            }
        }
        encode(unit, out);  // a lone surrogate keeps its three-byte form
    }
}

void Utf8Codec::utf32ToUtf8(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    for (uint32_t i = 0; n - i >= 4; i += 4) {
        const uint32_t cp = readUnit32(p + i, bigEndian);
        if (cp > 0x10FFFF) {
            out.noteDropped();
            continue;
        }
        encode(cp, out);
    }
}

void Utf8Codec::utf8ToUtf32(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    uint32_t i = 0;
    while (i < n) {
        uint32_t len;
        uint32_t cp = decode(p + i, n - i, len);
        i += len;
        if (cp == kInvalid) continue;
        if (isHighSurrogate(cp) && i < n) {
            // A pair written as two three-byte sequences is one character.
            uint32_t nextLen;
            const uint32_t next = decode(p + i, n - i, nextLen);
            if (next != kInvalid && isLowSurrogate(next)) {
                cp = joinSurrogates(cp, next);
                i += nextLen;
            }
        }
        out.putUtf32(cp, bigEndian);
    }
}

uint32_t Utf8Codec::countUtf16Units(const unsigned char *p, uint32_t n) {
    uint32_t units = 0;
    uint32_t i = 0;
    while (i < n) {
        uint32_t len;
        const uint32_t cp = decode(p + i, n - i, len);
        i += len;
        if (cp != kInvalid) units += cp < 0x10000 ? 1 : 2;
    }
    return units;
}

}  // namespace quorvel
