#pragma once
#include <cstdint>

namespace quorvel {

class ConvertOutput;

// ISO-2022-JP to and from Shift_JIS (code page 932) bytes.
//
// Decoding knows ESC $ @ and ESC $ B (JIS X 0208), ESC ( B and ESC ( J (single bytes) and
// ESC ( I (half-width katakana). Encoding introduces every run of double-byte characters with
// ESC $ B and returns with ESC ( B before the next single byte and at the end of the text.
// Half-width katakana are written as JIS X 0201 katakana after ESC ( I. Characters of the vendor
// rows (lead bytes FA-FC) are written as the code of the same character in a lower row.
class Iso2022Jp {
public:
    // Unknown or cut-off escape sequences, bytes outside 7 bits (other than half-width
    // katakana) and incomplete double-byte codes are dropped and noted on the output.
    static void decodeToShiftJis(const unsigned char *bytes, uint32_t n, ConvertOutput &out);
    // Codes with no JIS X 0208 form (user-defined rows, a lead byte without its trail byte)
    // are dropped and noted.
    static void encodeFromShiftJis(const unsigned char *sjis, uint32_t n, ConvertOutput &out);

    // The lower-row code of the same character as a vendor-row code FA40-FC4B; 0 when none.
    static uint32_t foldVendorCode(uint32_t code);
};

}  // namespace quorvel
