#pragma once
#include <gtest/gtest.h>

#include <cctype>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"
#include "support/Bytes.h"

namespace quorvel::test {

// "41 C3 A9" -> the three bytes. Spaces are optional between pairs.
inline std::string hexBytes(const char *hex) {
    std::string digits, out;
    for (const char *p = hex; *p; ++p) std::isxdigit(static_cast<unsigned char>(*p)) ? digits.push_back(*p) : void();
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string toHex(const std::string &bytes) {
    std::string out;
    for (unsigned char b : bytes) out += (out.empty() ? "" : " ") + std::string{"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return out;
}

struct Converted { bool ok; std::string bytes; };

inline Converted convertBytes(uint32_t from, uint32_t to, const std::string &in) {
    DataBuffer out;
    LogNull log;
    const bool ok = EncodingConvert().convert(from, to, reinterpret_cast<const unsigned char *>(in.data()),
                                              static_cast<uint32_t>(in.size()), out, log);
    return {ok, bytesOf(out)};
}

// Runs one codec loop (bytes, count, output) on the input; ok when nothing was dropped.
template <class Loop> Converted throughOutput(const std::string &in, Loop loop) {
    DataBuffer out;
    ConvertOutput o(out);
    loop(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()), o);
    return {o.flush() && !o.dropped(), bytesOf(out)};
}

// One conversion, input and output in hex, and whether the converter reports it exact.
struct Conversion { uint32_t from, to; const char *in; bool ok; const char *out; };

inline void expectConversions(std::initializer_list<Conversion> rows) {
    for (const Conversion &c : rows) {
        const Converted r = convertBytes(c.from, c.to, hexBytes(c.in));
        EXPECT_EQ((r.ok ? "" : "false|") + toHex(r.bytes), (c.ok ? "" : "false|") + toHex(hexBytes(c.out)))
            << c.from << " -> " << c.to << ": " << c.in;
    }
}

// Little-endian UTF-32 bytes of code points, written out by hand.
inline std::string utf32Le(const std::u32string &cps) {
    std::string out;
    for (char32_t c : cps)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<uint32_t>(c) >> (8 * i)) & 0xFF));
    return out;
}

// One code point (a lone surrogate too) in UTF-8, and in UTF-16 of either byte order, by hand.
inline std::string utf8Of(char32_t c) {
    if (c < 0x80) return std::string(1, static_cast<char>(c));
    const int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    std::string s(n, '\0');
    for (int i = n - 1; i > 0; --i, c >>= 6) s[i] = static_cast<char>(0x80 | (c & 0x3F));
    s[0] = static_cast<char>(((0xFF00 >> n) & 0xFF) | c);  // C0, E0 or F0 and the top bits
    return s;
}
inline std::string utf16Of(char32_t c, bool bigEndian) {
    const auto unit = [bigEndian](uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        return bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    return c < 0x10000 ? unit(c) : unit(0xD800 + ((c - 0x10000) >> 10)) + unit(0xDC00 + ((c - 0x10000) & 0x3FF));
}

}  // namespace quorvel::test
