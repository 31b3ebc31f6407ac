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

}  // namespace quorvel::test
