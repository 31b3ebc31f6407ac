#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class StringBuffer;

// Content encodings chosen by name, the way the rest of the system asks for one ("base64",
// "qp", "hex", "url" ...). Names are trimmed of white space and compared ignoring case.
//
// Encoding names: "base64"/"base-64" (one line, standard alphabet); "qp-N" (quoted-printable,
// line length N, at least 10; 0 or no number means 76); "qp"/"quoted-printable"; "hex"/
// "hexidecimal" (upper case); "asc"/"ansi" (the bytes unchanged); "url"/"url_rfc3986"/
// "url_oauth", "url_rfc1738", "url_rfc2396" (percent-encoding, each keeping its own set of
// punctuation).
//
// Decoding names: "base64"/"base-64", "qp"/"quoted-printable", "hex"/"hexidecimal", "url"
// ('+' becomes a space, "%XX" a byte) and "modbase64" (Base64 with '-' and ']' for 62 and 63).
class EncodingByName {
public:
    // Appends the encoded bytes to out. An unknown name clears out and returns false; running
    // out of memory (or passing 4 GiB) returns false and leaves out as it was.
    static bool encode(const char *name, const unsigned char *bytes, uint32_t n, StringBuffer &out);
    // Trims the text of white space, decodes it and appends the bytes to out. An unknown name
    // appends nothing and returns false, as does hex text with a character that is not a digit.
    static bool decode(const char *name, const char *text, uint32_t n, DataBuffer &out);
};

}  // namespace quorvel
