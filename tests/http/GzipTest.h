#pragma once
// gzip members built for the tests: raw DEFLATE from the codec under test's sibling, with the
// header fields and trailer written here (the CRC-32 by the test's own table).
#include <string>

#include "ScriptedStream.h"
#include "codecs/DeflateCodec.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogNull.h"
#include "support/Bytes.h"

namespace quorvel::test {

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
