#pragma once
#include <cstdint>

namespace quorvel {

// The Windows-1252 character set, which HTML decoding and the ANSI conversions share.
// Bytes 0xA0-0xFF are the Latin-1 characters; 0x80-0x9F hold the typographic extras, and the
// five codes Windows leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of
// the same value.
class Windows1252 {
public:
    static char16_t toUnicode(unsigned char b) {
        return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
    }
    // The byte for a UTF-16 unit, or -1 when the character has none.
    static int fromUnicode(char16_t u) {
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == u) return 0x80 + i;
        return -1;
    }

private:
    static constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
};

}  // namespace quorvel
