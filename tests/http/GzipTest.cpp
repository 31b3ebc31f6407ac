// gzip decoding: header fields, members, trailer checks and damage (the inflated-size cap is met
// through a whole download in ExchangeTest).
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

bool ungzip(const std::string &data, uint32_t cap, DataBuffer &out, RecordingLog &log) {
    return GzipDecoder::ungzip(reinterpret_cast<const unsigned char *>(data.data()), static_cast<uint32_t>(data.size()),
                               out, cap, log);
}

TEST(Gzip, DecodesMembersWithEveryHeaderFieldAndRefusesDamage) {
    const std::string good = gzipMember(kFeed);
    struct Case {
        const char *name;
        std::string data;
        const char *plainOrError;  // the plain text, or the log line of the refusal ("error: ..."); null: any refusal
    } cases[] = {
        {"plain", good, kFeed.c_str()},
        {"all fields", gzipMember(kFeed, kExtra | kName | kComment | kHeaderCrc), kFeed.c_str()},
        {"empty member", gzipMember(""), ""},
        {"two members", gzipMember("first,") + gzipMember("second", kName), "first,second"},
        {"trailing bytes ignored", good + std::string(3, '\0'), kFeed.c_str()},
        {"wrong crc", withByte(good, good.size() - 8, static_cast<char>(good[good.size() - 8] ^ 0x55)),
         "error: The gzip CRC-32 does not match the data."},
        {"trailer cut", good.substr(0, good.size() - 5), "error: The gzip data ends early."},
        {"wrong size", withByte(good, good.size() - 4, static_cast<char>(good[good.size() - 4] + 1)),
         "error: The gzip size does not match the data."},
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
        const bool refused = !c.plainOrError || std::string(c.plainOrError).rfind("error: ", 0) == 0;
        EXPECT_EQ(ungzip(c.data, 0, out, log), !refused) << log.joined();
        EXPECT_TRUE(refused ? !c.plainOrError || log.has(c.plainOrError) : bytesOf(out) == c.plainOrError) << log.joined();
    }
}

}  // namespace
}  // namespace quorvel::test
