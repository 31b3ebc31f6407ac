#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::bufferOf;
using test::bytesOf;

DataBuffer unitsOf(std::initializer_list<uint16_t> units) {
    DataBuffer b;
    for (uint16_t u : units) b.append(&u, 2);
    return b;
}

TEST(DataBufferEdit, RemoveChunkAndByteSwaps) {
    const struct { uint32_t offset, n; const char *expected; } removals[] = {
        {8, 5, "01234567"}, {2, 3, "0156789"}, {0, 10, ""}, {3, 0xFFFFFFFFu, "012"}, {10, 1, "0123456789"},
        {0xFFFFFFFFu, 1, "0123456789"}, {4, 0, "0123456789"},
    };
    for (const auto &c : removals) {
        DataBuffer b = bufferOf("0123456789");
        EXPECT_TRUE(b.removeChunk(c.offset, c.n));
        EXPECT_EQ(bytesOf(b), c.expected) << c.offset << "," << c.n;
    }
    // 16-bit swaps leave an odd byte; 32-bit swaps turn a trailing 2 or 3 bytes among themselves.
    const char *const swaps[][4] = {
        {"", "", "", ""}, {"a", "a", "a", "a"}, {"ab", "ba", "ba", "ba"}, {"abc", "bac", "cba", "cba"},
        {"abcde", "badce", "dcbae", "edcba"}, {"abcdef", "badcfe", "dcbafe", "fedcba"},
        {"abcdefg", "badcfeg", "dcbagfe", "gfedcba"},
    };
    for (const auto &[in, swapped16, swapped32, reversed] : swaps) {
        DataBuffer a = bufferOf(in), b = bufferOf(in), r = bufferOf(in);
        ASSERT_TRUE(a.swapBytes16() && b.swapBytes32() && r.reverseBytes());
        EXPECT_EQ(bytesOf(a) + "|" + bytesOf(b) + "|" + bytesOf(r),
                  std::string(swapped16) + "|" + swapped32 + "|" + reversed);
    }
}

TEST(DataBufferEdit, SixteenBitUnits) {
    DataBuffer b = unitsOf({1, 2, 1, 3, 1});
    EXPECT_EQ(b.removeUnits16(1), 3u);
    EXPECT_EQ(b.removeUnits16(9), 0u);
    EXPECT_TRUE(b.equals(unitsOf({2, 3})));
    // A trailing odd byte is kept, and units are only read at even offsets.
    DataBuffer odd = unitsOf({0x0101, 0x0202});
    odd.appendByte(0x01);
    EXPECT_EQ(odd.removeUnits16(0x0101), 1u);
    EXPECT_EQ(bytesOf(odd), std::string("\x02\x02\x01", 3));
    DataBuffer cut = unitsOf({'a', 'b', 0, 'c'});
    cut.cutAtUnit16(0);
    cut.cutAtUnit16(0x7777);
    EXPECT_TRUE(cut.equals(unitsOf({'a', 'b'})));
    // The unit 0x6100 appears only across an odd offset: no cut.
    DataBuffer misaligned = bufferOf(std::string("x\x00\x61\x00", 4));
    uint16_t unit;
    std::memcpy(&unit, misaligned.getData() + 1, 2);
    misaligned.cutAtUnit16(unit);
    EXPECT_EQ(misaligned.getSize(), 4u);
}

TEST(DataBufferEdit, CompareFindAndRead) {
    DataBuffer empty, other, b = bufferOf("abcabcd");
    EXPECT_TRUE(empty.equals(other) && empty.equals(nullptr, 0));
    EXPECT_TRUE(b.equals("abcabcd", 7));
    EXPECT_FALSE(b.equals("abcabce", 7) || b.equals("abcabc", 6));
    EXPECT_EQ(b.find("abcd", 4), b.getData() + 3);
    EXPECT_EQ(b.find("c", 1), b.getData() + 2);
    EXPECT_EQ(b.find("d", 1), b.getData() + 6);
    for (const char *absent : {"cde", "abcabcdX"}) EXPECT_EQ(b.find(absent, std::strlen(absent)), nullptr) << absent;
    EXPECT_EQ(b.find("a", 0), nullptr);
    EXPECT_EQ(empty.find("a", 1), nullptr);

    DataBuffer r = bufferOf("\x01\x02\x03\x04\x05"), big;
    unsigned char out[41] = {};
    ASSERT_TRUE(r.readBytesAt(1, 3, false, out));
    EXPECT_EQ(std::memcmp(out, "\x02\x03\x04", 3), 0);
    ASSERT_TRUE(r.readBytesAt(1, 4, true, out));
    EXPECT_EQ(std::memcmp(out, "\x05\x04\x03\x02", 4), 0);
    EXPECT_FALSE(r.readBytesAt(3, 3, false, out) || r.readBytesAt(0xFFFFFFFFu, 2, false, out));
    big.appendByteN(1, 100);
    EXPECT_TRUE(big.readBytesAt(0, 40, false, out));
    EXPECT_FALSE(big.readBytesAt(0, 41, false, out));
}

TEST(DataBufferEdit, XorOfEqualLengths) {
    DataBuffer a = bufferOf("\x0F\xF0\xAA"), b = bufferOf("\xFF\xFF\x55"), out = bufferOf("keep"), e1, e2;
    ASSERT_TRUE(out.setXor(a, b));
    EXPECT_EQ(bytesOf(out), "\xF0\x0F\xFF");
    EXPECT_FALSE(out.setXor(a, bufferOf("\x01")));
    EXPECT_EQ(bytesOf(out), "\xF0\x0F\xFF");
    // The result may replace one of its inputs.
    ASSERT_TRUE(a.setXor(a, b));
    EXPECT_EQ(bytesOf(a), "\xF0\x0F\xFF");
    ASSERT_TRUE(a.setXor(a, a));
    EXPECT_EQ(bytesOf(a), std::string(3, '\0'));
    ASSERT_TRUE(out.setXor(e1, e2));
    EXPECT_TRUE(out.isEmpty());
}

TEST(DataBufferEdit, Padding) {
    const struct { uint32_t scheme, block, size; std::string pad; } cases[] = {
        {0, 16, 13, "\x03\x03\x03"}, {0, 8, 8, std::string(8, '\x08')}, {0, 8, 7, "\x01"},
        {0, 12, 0, std::string(16, '\x10')},  // any size other than 8 counts as 16
        {1, 8, 5, std::string("\0\0\x03", 3)}, {1, 16, 16, std::string(15, '\0') + "\x10"},
        {3, 8, 5, std::string(3, '\0')}, {3, 8, 8, ""}, {4, 16, 10, std::string(6, ' ')}, {4, 16, 32, ""},
    };
    for (const auto &c : cases) {
        DataBuffer b;
        b.appendByteN('D', c.size);
        ASSERT_TRUE(b.appendPadding(c.scheme, c.block)) << c.scheme;
        EXPECT_EQ(bytesOf(b), std::string(c.size, 'D') + c.pad) << c.scheme << "/" << c.block << "/" << c.size;
    }
    // ISO 10126: filler of any value, then the count.
    DataBuffer iso, bad;
    iso.appendByteN('D', 3);
    ASSERT_TRUE(iso.appendPadding(2, 8));
    EXPECT_EQ(iso.getSize(), 8u);
    EXPECT_EQ(iso.lastByte(), 5);
    EXPECT_FALSE(bad.appendPadding(5, 16));
    EXPECT_TRUE(bad.isEmpty());
}

}  // namespace
}  // namespace quorvel
