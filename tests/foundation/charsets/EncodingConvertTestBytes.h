#pragma once
#include <cctype>
#include <cstdint>
#include <string>

#include "support/Bytes.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"

namespace quorvel::test {

// "41 C3 A9" -> the three bytes. Spaces are optional between pairs.
inline std::string hexBytes(const char *hex) {
    std::string digits, out;
    for (const char *p = hex; *p; ++p)
        if (std::isxdigit(static_cast<unsigned char>(*p))) digits.push_back(*p);
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string toHex(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) out.push_back(' ');
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
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

// Little-endian UTF-32 bytes of code points, written out by hand.
inline std::string utf32Le(const std::u32string &cps) {
    std::string out;
    for (char32_t c : cps) {
        const auto v = static_cast<uint32_t>(c);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return out;
}

}  // namespace quorvel::test
