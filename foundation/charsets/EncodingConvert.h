#pragma once
#include <cstdint>

namespace quorvel {

class ConvertOutput;
class DataBuffer;
class LogBase;

// Converts text between code pages. One short-lived converter per conversion; never shared.
// Unconvertible characters are dropped: the conversion completes, the output holds everything
// else and the result is false. Invalid UTF-8 bytes are skipped without a false result. A code
// page the system cannot convert, or memory running out, gives false with nothing appended.
// The converter writes no log entries.
//
// Byte-order marks at the start of a UTF-8, UTF-16 or UTF-32 source are removed; for UTF-16 and
// UTF-32 they decide the byte order, whatever the declared code page.
//
// Besides the table code pages and UTF-8/16/32, the converter reads and writes UTF-7 (65000),
// ISO-2022-JP (50220-50222, through Shift_JIS 932) and ISO-2022-KR (50225, through 949), and
// reads x-mac-arabic (10004) with its right-to-left runs put back in order. Writing iso-8859-6
// (28596) turns Arabic-Indic digits into ASCII digits.
class EncodingConvert {
public:
    EncodingConvert() = default;

    // Appends the converted bytes to out. A code page of 0 means "the other one"; equal code
    // pages copy the bytes unchanged.
    bool convert(uint32_t fromCodePage, uint32_t toCodePage, const unsigned char *bytes, uint32_t n,
                 DataBuffer &out, LogBase &log);
    // The source is the system ANSI code page.
    bool convertFromAnsi(uint32_t toCodePage, const unsigned char *bytes, uint32_t n, DataBuffer &out,
                         LogBase &log);
    // The same with a charset name on one side; an unknown name gives false and appends nothing.
    bool convertFromName(const char *fromName, uint32_t toCodePage, const unsigned char *bytes, uint32_t n,
                         DataBuffer &out, LogBase &log);
    bool convertToName(uint32_t fromCodePage, const char *toName, const unsigned char *bytes, uint32_t n,
                       DataBuffer &out, LogBase &log);

private:
    enum class Outcome { kExact, kLossy, kFailed };

    // The conversion by its target: UTF-7, UTF-32, UTF-16BE and ISO-2022 are written from an
    // intermediate form, everything else goes through the general conversion.
    Outcome convertToTarget(uint32_t from, uint32_t to, const unsigned char *bytes, uint32_t n, DataBuffer &out);
    // From UTF-8, UTF-16, UTF-32, UTF-7 or a table code page, byte-order marks included.
    Outcome convertGeneral(uint32_t from, uint32_t to, const unsigned char *bytes, uint32_t n,
                           DataBuffer &out);
    // From UTF-16LE, UTF-8 or a table code page, after byte-order marks have been dealt with.
    Outcome convertNormalized(uint32_t from, uint32_t to, const unsigned char *bytes, uint32_t n,
                              DataBuffer &out);
    Outcome finish(ConvertOutput &out) const;

    // The code pages of the conversion in progress.
    uint32_t m_fromCodePage = 0;
    uint32_t m_toCodePage = 0;
    // Set while the second step of a two-step conversion reads the intermediate UTF-16, which
    // is when raw-byte escapes are recognised.
    bool m_readingPivot = false;
};

}  // namespace quorvel
