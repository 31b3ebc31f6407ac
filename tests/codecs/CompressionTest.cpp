// Raw DEFLATE: round trips, the exact stream format, and damaged input.
#include "codecs/DeflateCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackingSamples.h"
#include "foundation/DataBuffer.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

std::string deflated(const std::string &data, int level = DeflateCodec::kDefaultLevel) {
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE(DeflateCodec::deflateFromSource(data.data(), static_cast<uint32_t>(data.size()), out, level, log))
        << log.joined();
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    return bytesOf(out);
}

bool inflate(const std::string &stream, DataBuffer &out, RecordingLog &log) {
    return DeflateCodec::inflateFromSource(stream.data(), static_cast<uint32_t>(stream.size()), out, log);
}

TEST(Compression, RoundTrips) {
    const std::vector<std::pair<const char *, std::string>> cases = {
        {"empty", ""},
        {"one byte", "x"},
        {"not UTF-8", kNotUtf8},
        {"one whole input chunk", rowsText(2000).substr(0, DeflateCodec::kInputChunk)},
        {"chunk plus one", rowsText(2000).substr(0, DeflateCodec::kInputChunk + 1)},
        {"text over many chunks", rowsText(20000)},
        {"noise over several chunks", noiseBytes(3 * DeflateCodec::kInputChunk + 17, 7)},
        {"one repeated byte", std::string(300000, 'a')},
    };
    for (const auto &[name, data] : cases) {
        const std::string stream = deflated(data);
        // Raw stream: no zlib header (its first byte would be 0x78 with these settings).
        ASSERT_FALSE(stream.empty()) << name;
        DataBuffer back;
        RecordingLog log;
        EXPECT_TRUE(inflate(stream, back, log)) << name << "\n" << log.joined();
        EXPECT_TRUE(bytesOf(back) == data) << name;
        EXPECT_TRUE(log.lines.empty()) << name;
    }
    // The empty stream is a single empty fixed-Huffman block.
    EXPECT_EQ("0300", hexOf(deflated("")));
    // Noise does not grow by more than the stored blocks' headers.
    EXPECT_LT(deflated(noiseBytes(100000, 3)).size(), 100000u + 100u);
}

// Streams of each block type made by hand or by another encoder (python's zlib), and a stored
// block followed by a fixed one.
TEST(Compression, InflatesEveryBlockType) {
    const std::string rows = rowsText(12);
    const std::pair<std::string, std::string> cases[] = {
        {unhex("010500faff68656c6c6f"), "hello"},                // stored
        {unhex("cb48cdc9c90700"), "hello"},                      // fixed Huffman
        {unhex("000300fcff6162634b4c4c4c0400"), "abcaaaa"},      // stored, then fixed
        {unhex("65cf310ec4300844d13e52ee1071811803b691bc9c669b5491d2e4fa21c56e3325af19febcce7b3bbe1f2a14"
               "65ee79c5bacc1f32457776f04a6143185c28a4ab802b05373370a370eb0ade72574703efb92b3ec047ee0ae3"
               "ff9ebbb556ecca5a67c5007e8b8bfd0b1e"),
         rows},  // dynamic Huffman
    };
    for (const auto &[stream, expected] : cases) {
        DataBuffer out;
        RecordingLog log;
        EXPECT_TRUE(inflate(stream, out, log)) << hexOf(stream) << "\n" << log.joined();
        EXPECT_EQ(expected, bytesOf(out));
    }
}

TEST(Compression, OutputIsAppendedAndBytesAfterTheStreamIgnored) {
    DataBuffer out = bufferOf("head:");
    RecordingLog log;
    ASSERT_TRUE(DeflateCodec::deflateFromSource("abc", 3, out, 6, log));
    const std::string stream = bytesOf(out).substr(5);
    EXPECT_EQ("head:", bytesOf(out).substr(0, 5));
    DataBuffer back = bufferOf("X");
    EXPECT_TRUE(inflate(stream + "trailing garbage", back, log));
    EXPECT_EQ("Xabc", bytesOf(back));
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

// A borrowed output block is the caller's: it is copied before anything is written after it.
TEST(Compression, BorrowedOutputIsNotWrittenTo) {
    const char block[] = "caller's block";
    const std::string stream = deflated(std::string(70000, 'q'));
    for (int direction = 0; direction < 2; ++direction) {
        DataBuffer out;
        out.borrow(block, 8);
        RecordingLog log;
        ASSERT_TRUE(direction == 0 ? inflate(stream, out, log)
                                   : DeflateCodec::deflateFromSource("abc", 3, out, 6, log));
        EXPECT_FALSE(out.isBorrowed());
        EXPECT_EQ("caller's", bytesOf(out).substr(0, 8));
        EXPECT_STREQ("caller's block", block);
    }
}

// Truncation keeps what came before the cut, which is a prefix of the data.
TEST(Compression, TruncatedStreamKeepsThePartialOutput) {
    const std::string data = rowsText(30000);
    const std::string stream = deflated(data);
    for (size_t keep : {size_t(0), size_t(1), stream.size() / 3, stream.size() / 2, stream.size() - 1}) {
        DataBuffer out = bufferOf(">");
        RecordingLog log;
        EXPECT_FALSE(inflate(stream.substr(0, keep), out, log)) << keep;
        EXPECT_EQ("error: Inflate from source failed.", log.lines.empty() ? "" : log.lines[0]) << keep;
        EXPECT_TRUE(log.mentions("inflatedBytes=")) << log.joined();
        const std::string got = bytesOf(out);
        ASSERT_EQ('>', got[0]);
        EXPECT_TRUE(data.compare(0, got.size() - 1, got, 1) == 0) << keep << ": not a prefix of the data";
        if (keep >= stream.size() / 2) {
            EXPECT_GT(got.size(), data.size() / 4) << keep;
        }
    }
}

// Raw DEFLATE has no checksum, so only damage the decoder can see is reported: bad block
// types, bad stored lengths, bad code tables, references before the start.
TEST(Compression, DamagedStreamsFailWithTheDecodersDetail) {
    std::string badTable = deflated(rowsText(12), 9);
    badTable[2] ^= 0x55;
    const std::pair<std::string, std::string> cases[] = {
        // zlib framing is not raw DEFLATE: 0x78 reads as a stored block with bad lengths.
        {unhex("789ccb48cdc9c90700062c0215"), "invalid stored block lengths"},
        {unhex("07"), "invalid block type"},
        {unhex("0105000000") + "hello", "invalid stored block lengths"},
        {badTable, "invalid code lengths set"},
        // Fixed block: a literal, then a match reaching two bytes back.
        {unhex("4b044200"), "invalid distance too far back"},
    };
    for (const auto &[stream, detail] : cases) {
        DataBuffer out;
        RecordingLog log;
        EXPECT_FALSE(inflate(stream, out, log)) << detail;
        ASSERT_GE(log.lines.size(), 3u) << detail;
        EXPECT_EQ("error: Inflate from source failed.", log.lines[0]);
        EXPECT_TRUE(log.has("data: zlibError=" + detail)) << log.joined();
    }
    // Damage after a good block keeps the good block's bytes.
    DataBuffer out;
    RecordingLog log;
    EXPECT_FALSE(inflate(unhex("000300fcff61626307"), out, log));
    EXPECT_EQ("abc", bytesOf(out));
    EXPECT_TRUE(log.has("data: inflatedBytes=3")) << log.joined();
}

TEST(Compression, BadArgumentsFailAndLeaveTheOutput) {
    DataBuffer out = bufferOf("keep");
    RecordingLog log;
    EXPECT_FALSE(DeflateCodec::deflateFromSource("abc", 3, out, 10, log));
    EXPECT_TRUE(log.has("error: Failed to start deflate.")) << log.joined();
    EXPECT_FALSE(DeflateCodec::deflateFromSource(nullptr, 5, out, 6, log));
    EXPECT_FALSE(DeflateCodec::inflateFromSource(nullptr, 5, out, log));
    EXPECT_EQ("keep", bytesOf(out));
    // Empty input is no stream at all.
    EXPECT_FALSE(DeflateCodec::inflateFromSource(nullptr, 0, out, log));
    EXPECT_EQ("keep", bytesOf(out));
}

}  // namespace
}  // namespace quorvel::test
