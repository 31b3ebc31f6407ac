#pragma once

namespace quorvel {

// A set of byte values as a 256-entry table, built at compile time, so that the scanner tests
// a byte's class with one load instead of a chain of comparisons.
class ByteSet {
public:
    // The bytes of the text, plus the zero byte when stopAtEnd is set: a scan "until a byte of
    // the set" then also stops at the end of the text.
    constexpr ByteSet(const char *bytes, bool stopAtEnd) : m_in{} {
        for (; *bytes != '\0'; ++bytes) m_in[static_cast<unsigned char>(*bytes)] = true;
        m_in[0] = stopAtEnd;
    }

    constexpr bool contains(char c) const { return m_in[static_cast<unsigned char>(c)]; }

private:
    bool m_in[256];
};

}  // namespace quorvel
