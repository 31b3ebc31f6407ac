#pragma once
#include <cstdint>

namespace quorvel {

// Preparation of x-mac-arabic (code page 10004) text before its table decoding: every run of two
// or more right-to-left bytes is reversed, the right-to-left copies of punctuation and digits
// are lowered to their ASCII bytes (byte - 0x80), and 0x81 becomes 0xA0.
class MacArabic {
public:
    // True for the bytes whose character is an Arabic letter or Arabic punctuation. Arabic-Indic
    // digits are numbers, written left to right, and are not counted.
    static bool isRightToLeft(unsigned char b);
    // Works in place.
    static void prepare(unsigned char *bytes, uint32_t n);
};

}  // namespace quorvel
