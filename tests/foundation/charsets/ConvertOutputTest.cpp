#include <gtest/gtest.h>

#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"
#include "support/Bytes.h"

namespace quorvel::test {
namespace {

// The same writes give the same bytes whether they go straight into the target's free capacity
// or through the local block, and a borrowed block is never written.
TEST(ConvertOutput, EveryWayOfWritingLandsInOrder) {
    std::string expected = "head:";
    for (int k = 0; k < 700; ++k) expected += static_cast<char>('a' + k % 26);
    expected += std::string(1500, 'z') + "AB" + std::string("\x01\x02\x03\x04", 4);
    const std::string borrowedBytes = "head:";
    enum class Start { kEmpty, kRoomy, kTight, kBorrowed };
    for (Start start : {Start::kEmpty, Start::kRoomy, Start::kTight, Start::kBorrowed}) {
        DataBuffer target;
        if (start == Start::kBorrowed) {
            target.borrow(borrowedBytes.data(), static_cast<uint32_t>(borrowedBytes.size()));
        } else {
            if (start == Start::kRoomy) {
                ASSERT_TRUE(target.ensureCapacity(8192));
            }
            ASSERT_TRUE(target.append("head:", 5));
            if (start == Start::kTight) {
                ASSERT_TRUE(target.ensureCapacity(5));
            }
        }
        ConvertOutput out(target);
        for (int k = 0; k < 700; ++k) out.put(static_cast<unsigned char>('a' + k % 26));
        const std::string zs(1500, 'z');
        out.putBytes(reinterpret_cast<const unsigned char *>(zs.data()), static_cast<uint32_t>(zs.size()));
        unsigned char *w = out.room(2);
        w[0] = 'A';
        w[1] = 'B';
        out.commit(w + 2);
        out.putUtf32(0x04030201, false);
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(bytesOf(target), expected) << static_cast<int>(start);
        EXPECT_EQ(borrowedBytes, "head:");
        EXPECT_FALSE(out.failed() || out.dropped());
    }
}

TEST(ConvertOutput, WritesAfterAFlushFollowIt) {
    DataBuffer target;
    ASSERT_TRUE(target.ensureCapacity(64));
    ConvertOutput out(target);
    out.put('x');
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(bytesOf(target), "x");
    out.putUtf32(0x41, true);
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(bytesOf(target), std::string("x\0\0\0A", 5));
}

std::string converted(uint32_t from, uint32_t to, const std::string &in) {
    DataBuffer out;
    LogNull log;
    EXPECT_TRUE(EncodingConvert().convert(from, to, reinterpret_cast<const unsigned char *>(in.data()),
                                          static_cast<uint32_t>(in.size()), out, log));
    return bytesOf(out);
}

// The plain forms of one character, for building expected texts.
std::string utf8Of(char32_t c) {
    if (c < 0x80) return {static_cast<char>(c)};
    if (c < 0x800) return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    if (c < 0x10000)
        return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    return {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
}

std::string utf16Of(char32_t c, bool bigEndian) {
    auto unit = [bigEndian](uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        return bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    if (c < 0x10000) return unit(c);
    return unit(0xD800 + ((c - 0x10000) >> 10)) + unit(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// ASCII runs are converted many bytes at a time: runs of every length up to several steps,
// ending in each kind of character and at the very end of the text, in both byte orders.
TEST(ConvertOutput, AsciiRunsOfEveryLengthConvertBothWays) {
    for (char32_t last : {U'\u00E9', U'\u20AC', U'\U0001F600', U'\u007F'})
        for (size_t run = 0; run <= 70; ++run)
            for (const char *after : {"", "and ascii after it"}) {
                std::u32string text;
                for (size_t k = 0; k < run; ++k) text += static_cast<char32_t>('!' + k % 90);
                text += last;
                for (const char *a = after; *a; ++a) text += static_cast<char32_t>(*a);
                std::string utf8, utf16le, utf16be;
                for (char32_t c : text) {
                    utf8 += utf8Of(c);
                    utf16le += utf16Of(c, false);
                    utf16be += utf16Of(c, true);
                }
                const std::string where = std::to_string(run) + " " + after;
                EXPECT_EQ(converted(65001, 1200, utf8), utf16le) << where;
                EXPECT_EQ(converted(65001, 1201, utf8), utf16be) << where;
                EXPECT_EQ(converted(1200, 65001, utf16le), utf8) << where;
                EXPECT_EQ(converted(1201, 65001, utf16be), utf8) << where;
            }
}

}  // namespace
}  // namespace quorvel::test
