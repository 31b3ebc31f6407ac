#pragma once
#include <cstdint>
#include <string>

namespace quorvel::test {

// Inputs and helpers shared by the compression and encryption tests.

inline std::string unhex(const std::string &hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::string hexOf(const std::string &bytes) {
    std::string hex;
    for (unsigned char c : bytes) hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
    return hex;
}

// Bytes that compress poorly (a linear congruential generator's high bytes).
inline std::string noiseBytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 24);
    }
    return s;
}

// XML rows of the shared deflate vector: rowsText(2000) is its plaintext (52669 bytes).
inline std::string rowsText(int rows) {
    std::string s;
    for (int i = 0; i < rows; ++i)
        s += "<row id=\"" + std::to_string(i) + "\">" + std::to_string((i * 7919) % 10007) + "</row>\r\n";
    return s;
}

// Not valid UTF-8: stray continuation bytes, an overlong form, a lone lead byte, NULs.
inline const std::string kNotUtf8("\xff\xfe\x80\xc0\xaf<a>\xed\xa0\x80\x00\x00\xc3", 14);

}  // namespace quorvel::test
