#pragma once
#include <cstdint>

namespace quorvel {

class ConvertOutput;

// ISO-2022-KR (RFC 1557) to and from code page 949 bytes. The designator ESC $ ) C announces
// KS X 1001; SO (0x0E) switches to two-byte characters, written as their code-page bytes minus
// 0x80, and SI (0x0F) back to single bytes.
class Iso2022Kr {
public:
    // SO before the designator, unknown or cut-off escape sequences, bytes outside 7 bits and
    // incomplete two-byte characters are dropped and noted on the output.
    static void decodeTo949(const unsigned char *bytes, uint32_t n, ConvertOutput &out);
    // Writes the designator first. The extended codes of 949 that lie outside KS X 1001 (a byte
    // below 0xA1) have no ISO-2022-KR form and are dropped and noted. Text that ends in two-byte
    // mode is closed with SI.
    static void encodeFrom949(const unsigned char *bytes, uint32_t n, ConvertOutput &out);
};

}  // namespace quorvel
