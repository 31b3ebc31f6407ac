#pragma once
#include <cstdint>

namespace quorvel {

class ConvertOutput;

// The transforms between UTF-8, UTF-16 and UTF-32 that every Unicode conversion is built from.
//
// UTF-8 carries every Unicode character: four-byte sequences decode to surrogate pairs and a
// surrogate pair encodes as one four-byte sequence. A lone surrogate keeps its three-byte form
// so that nothing is lost, and a pair written as two three-byte sequences reads back as the
// same pair. Invalid bytes (stray continuation bytes, overlong or out-of-range leads, a lead
// without its continuation bytes, a sequence cut off by the end) are skipped one byte at a time
// without output and without making the conversion lossy.
class Utf8Codec {
public:
    static constexpr uint32_t kInvalid = 0xFFFFFFFF;

    // Decodes the character at bytes[0] (n > 0 bytes available) and sets len to its byte count.
    // A three-byte surrogate comes back as its surrogate value. Invalid: kInvalid with len 1.
    static uint32_t decode(const unsigned char *bytes, uint32_t n, uint32_t &len);
    // Appends the 1-4 byte form of a code point (a surrogate value gets the three-byte form).
    static void encode(uint32_t cp, ConvertOutput &out);
    // The same form written at w, which has room for 4 bytes; returns the end.
    static unsigned char *write(unsigned char *w, uint32_t cp) {
        if (cp < 0x80) {
            *w++ = static_cast<unsigned char>(cp);
        } else if (cp < 0x800) {
            *w++ = static_cast<unsigned char>(0xC0 | (cp >> 6));
            *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *w++ = static_cast<unsigned char>(0xE0 | (cp >> 12));
            *w++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else {
            *w++ = static_cast<unsigned char>(0xF0 | (cp >> 18));
            *w++ = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            *w++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        }
        return w;
    }

    static void utf8ToUtf16(const unsigned char *bytes, uint32_t n, bool bigEndian, ConvertOutput &out);
    // An odd trailing byte is ignored. With pivotEscapes, escapes of a two-step conversion
    // (see PivotEscape) are written out as their raw bytes.
    static void utf16ToUtf8(const unsigned char *bytes, uint32_t n, bool bigEndian, ConvertOutput &out,
                            bool pivotEscapes = false);
    // Values above U+10FFFF are dropped (the output notes it); trailing bytes short of a whole
    // unit are ignored.
    static void utf32ToUtf8(const unsigned char *bytes, uint32_t n, bool bigEndian, ConvertOutput &out);
    static void utf8ToUtf32(const unsigned char *bytes, uint32_t n, bool bigEndian, ConvertOutput &out);

    // The number of UTF-16 units the UTF-8 bytes decode to.
    static uint32_t countUtf16Units(const unsigned char *bytes, uint32_t n);

    static bool isHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
    static bool isLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
    static uint32_t joinSurrogates(uint32_t high, uint32_t low) {
        return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
    }
};

}  // namespace quorvel
