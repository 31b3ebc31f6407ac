// gzip decoding: header fields, members, trailer checks, damage, and the inflated-size cap.
#include "GzipTest.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "http/GzipDecoder.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

const std::string kFeed = "<?xml version=\"1.0\"?><rss><channel><title>Gzip feed</title></channel></rss>";

std::string withByte(std::string s, size_t at, char c) {
    s[at] = c;
    return s;
}

TEST(Gzip, DecodesMembersWithEveryHeaderField) {
    struct Case {
        const char *name;
        std::string data;
        std::string plain;
    } cases[] = {
        {"plain", gzipMember(kFeed), kFeed},
        {"all fields", gzipMember(kFeed, kExtra | kName | kComment | kHeaderCrc), kFeed},
        {"name only", gzipMember(kFeed, kName), kFeed},
        {"empty member", gzipMember(""), ""},
        {"two members", gzipMember("first,") + gzipMember("second", kName), "first,second"},
        {"trailing bytes ignored", gzipMember(kFeed) + std::string(3, '\0'), kFeed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DataBuffer out;
        RecordingLog log;
        ASSERT_TRUE(GzipDecoder::ungzip(reinterpret_cast<const unsigned char *>(c.data.data()),
                                        static_cast<uint32_t>(c.data.size()), out, 0, log))
            << log.joined();
        EXPECT_EQ(bytesOf(out), c.plain);
    }
}

TEST(Gzip, RefusesDamagedData) {
    const std::string good = gzipMember(kFeed);
    const size_t trailer = good.size() - 8;
    struct Case {
        const char *name;
        std::string data;
        const char *logLine;
    } cases[] = {
        {"wrong crc", withByte(good, trailer, static_cast<char>(good[trailer] ^ 1)),
         "error: The gzip CRC-32 does not match the data."},
        {"wrong size", withByte(good, good.size() - 4, static_cast<char>(good[good.size() - 4] + 1)),
         "error: The gzip size does not match the data."},
        {"trailer cut", good.substr(0, good.size() - 3), "error: The gzip data ends early."},
        {"trailer missing", good.substr(0, trailer), "error: The gzip data ends early."},
        {"deflate cut", good.substr(0, 20), "error: The gzip data ends early."},
        {"method 9", withByte(good, 2, 9), "error: Invalid GZip compression method"},
        {"reserved flag", withByte(good, 3, '\x20'), "error: Reserved gzip header flags are set."},
        {"name never ends", withByte(good, 3, kName).substr(0, 10) + "endless", "error: The gzip header ends early."},
        {"corrupt block type", withByte(good, 10, '\x07'), nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DataBuffer out;
        RecordingLog log;
        EXPECT_FALSE(GzipDecoder::ungzip(reinterpret_cast<const unsigned char *>(c.data.data()),
                                         static_cast<uint32_t>(c.data.size()), out, 0, log));
        if (c.logLine) EXPECT_TRUE(log.has(c.logLine)) << log.joined();
    }
}

TEST(Gzip, StopsAnInflationBombAtTheCap) {
    const std::string bomb = gzipMember(std::string(8u << 20, '\0'));
    ASSERT_LT(bomb.size(), 64u * 1024);
    DataBuffer out;
    RecordingLog log;
    EXPECT_FALSE(GzipDecoder::ungzip(reinterpret_cast<const unsigned char *>(bomb.data()),
                                     static_cast<uint32_t>(bomb.size()), out, 1u << 20, log));
    EXPECT_LE(out.getSize(), 1u << 20);
    EXPECT_TRUE(log.has("error: The decompressed body would be larger than the maximum response size.")) << log.joined();
    // The same data within a cap that holds it decodes.
    out.clear();
    EXPECT_TRUE(GzipDecoder::ungzip(reinterpret_cast<const unsigned char *>(bomb.data()),
                                    static_cast<uint32_t>(bomb.size()), out, 8u << 20, log));
    EXPECT_EQ(out.getSize(), 8u << 20);
}

}  // namespace
}  // namespace quorvel::test
