#pragma once

namespace quorvel {

// Hexadecimal digits as the codecs read and write them: upper case out, either case in.
class HexDigit {
public:
    static constexpr char kUpper[] = "0123456789ABCDEF";

    // 0-15, or -1 for a character that is not a hex digit.
    static int value(unsigned char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    }
    static bool isDigit(unsigned char c) { return value(c) >= 0; }
    // The byte written by the two digits at p (both known to be hex digits).
    static unsigned char pairValue(const unsigned char *p) {
        return static_cast<unsigned char>(value(p[0]) << 4 | value(p[1]));
    }
};

}  // namespace quorvel
