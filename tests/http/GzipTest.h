#pragma once
// gzip members built for the tests: raw DEFLATE from the codec under test's sibling, with the
// header fields and trailer written here (the CRC-32 by a bitwise loop of its own).
#include <string>

#include "codecs/DeflateCodec.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogNull.h"
#include "support/Bytes.h"

namespace quorvel::test {

// A CRC-32 of the gzip polynomial, bit by bit, independent of zlib.
inline uint32_t crc32Of(const std::string &bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline std::string le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

enum GzipFlags { kNoFlags = 0, kHeaderCrc = 2, kExtra = 4, kName = 8, kComment = 16 };

inline std::string gzipMember(const std::string &plain, int flags = kNoFlags) {
    std::string header = {'\x1f', '\x8b', '\x08', static_cast<char>(flags), 1, 2, 3, 4, 0, '\x03'};
    if (flags & kExtra) header += std::string("\x04\x00" "AB\x01\x00", 6);
    if (flags & kName) header += std::string("feed.xml\0", 9);
    if (flags & kComment) header += std::string("a comment\0", 10);
    if (flags & kHeaderCrc) header += le32(crc32Of(header)).substr(0, 2);
    DataBuffer deflated;
    LogNull log;
    DeflateCodec::deflateFromSource(plain.data(), static_cast<uint32_t>(plain.size()), deflated, 6, log);
    return header + bytesOf(deflated) + le32(crc32Of(plain)) + le32(static_cast<uint32_t>(plain.size()));
}

}  // namespace quorvel::test
