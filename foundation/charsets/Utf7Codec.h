#pragma once
#include <cstdint>

namespace quorvel {

class ConvertOutput;

// UTF-7 (RFC 2152) to and from UTF-16 units. Surrogate pairs travel as their two units.
//
// The encoder writes the letters, digits, the characters ' ( ) , - . / : ? and space, tab, CR
// and LF directly, '+' as "+-", and every other unit in modified Base64 after '+'. A Base64 run
// is always closed with '-', so the output can be followed by anything.
class Utf7Codec {
public:
    // An odd trailing byte is ignored.
    static void encode(const unsigned char *utf16, uint32_t n, bool bigEndian, ConvertOutput &out);
    // Bytes 0x80 and above, and a Base64 run that stops in the middle of a unit, are dropped and
    // noted on the output; the text around them is kept.
    static void decode(const unsigned char *bytes, uint32_t n, bool bigEndian, ConvertOutput &out);
};

}  // namespace quorvel
