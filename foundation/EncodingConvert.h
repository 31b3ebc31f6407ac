#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class LogBase;

// Converts text between code pages. One short-lived converter per conversion; never shared.
// Unconvertible characters are dropped: the conversion completes, the output holds everything
// else and the result is false. Invalid UTF-8 bytes are skipped without a false result.
class EncodingConvert {
public:
    EncodingConvert() = default;

    // Appends the converted bytes to out. A code page of 0 means "the other one".
    bool convert(uint32_t fromCodePage, uint32_t toCodePage, const unsigned char *bytes, uint32_t n,
                 DataBuffer &out, LogBase &log);
    // The source is the system ANSI code page.
    bool convertFromAnsi(uint32_t toCodePage, const unsigned char *bytes, uint32_t n, DataBuffer &out,
                         LogBase &log);

private:
    uint32_t m_errorAction = 0;
    uint32_t m_fromCodePage = 0;
    uint32_t m_toCodePage = 0;
    bool m_writingPivot = false;
    bool m_readingPivot = false;
};

}  // namespace quorvel
