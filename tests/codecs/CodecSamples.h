#pragma once
#include <random>
#include <vector>

#include "support/CodecHelpers.h"

namespace quorvel::test {

// Random bytes of every length 0-300 (4 of each), every byte value, large blocks (mt19937: the same everywhere).
inline std::vector<std::string> binarySamples() {
    std::mt19937 gen(20140321u);
    const auto randomBytes = [&](size_t n) { std::string s(n, '\0'); for (auto &c : s) c = static_cast<char>(gen() >> 24); return s; };
    std::vector<std::string> out;
    for (size_t length = 0; length <= 300; ++length)
        for (int k = 0; k < 4; ++k) out.push_back(randomBytes(length));
    std::string ascending;
    for (int b = 0; b < 256; ++b) ascending.push_back(static_cast<char>(b));
    out.insert(out.end(), {ascending, randomBytes(100000)});
    return out;
}

// The binary samples, then text of line ends of each kind, trailing white space, leading dots and "From ".
inline std::vector<std::string> allSamples() {
    static const char *const pieces[] = {"From ", ".", "From", "F", "rom ", " ", "\t", "=", "_", "?", "word",
                                         "caf\xC3\xA9", "\r\n", "\r\n", "\n", "\r", "..", "longer words here"};
    std::mt19937 gen(1952u);
    const auto below = [&](uint32_t n) { return static_cast<uint32_t>(gen() % n); };
    std::vector<std::string> out = binarySamples();
    for (int k = 0; k < 1000; ++k) {
        std::string s;
        for (uint32_t p = below(60); p > 0; --p) {
            const uint32_t pick = below(10), n = below(150);
            pick == 0 ? s.append(n, static_cast<char>('a' + below(26))) : s.append(pieces[n % std::size(pieces)]);
        }
        out.push_back(s);
    }
    return out;
}

// XML rows of the shared deflate vector: rowsText(2000) is its plaintext (52669 bytes).
inline std::string rowsText(int rows) {
    std::string s;
    for (int i = 0; i < rows; ++i) s += "<row id=\"" + std::to_string(i) + "\">" + std::to_string((i * 7919) % 10007) + "</row>\r\n";
    return s;
}

// Not valid UTF-8: stray continuation bytes, an overlong form, a lone lead byte, NULs.
inline const std::string kNotUtf8("\xff\xfe\x80\xc0\xaf<a>\xed\xa0\x80\x00\x00\xc3", 14);

// The codecs as functions of strings; a failure puts "false|" before the bytes.
inline std::string qp(const std::string &bytes, uint32_t qpLineLength = 76) {
    ContentCoding coder;
    StringBuffer out;
    return outcome((coder.setQpLineLength(qpLineLength), coder.encodeQuotedPrintable(bytes.data(), len(bytes), out)), out);
}
inline std::string qWord(const std::string &bytes, const char *charset, bool variant = false) {
    ContentCoding coder;
    StringBuffer out;
    return outcome((coder.setQVariant(variant), coder.encodeQ(bytes.data(), len(bytes), charset, out)), out);
}
using Encoder = bool (*)(const void *, uint32_t, StringBuffer &);
inline std::string encoded(Encoder encode, const std::string &b) { StringBuffer out; return outcome(encode(b.data(), len(b), out), out); }
using Decoder = bool (*)(const char *, uint32_t, DataBuffer &);
inline std::string decoded(Decoder decode, const std::string &t) { DataBuffer out; return outcome(decode(t.data(), len(t), out), out); }

}  // namespace quorvel::test
