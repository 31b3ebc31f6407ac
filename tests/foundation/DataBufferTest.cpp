#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/Bytes.h"
#include "foundation/DataBuffer.h"

namespace quorvel {
namespace {

using test::bytesOf;
using test::bufferOf;

TEST(DataBuffer, AppendsEncodeValuesLittleEndian) {
    DataBuffer b;
    ASSERT_TRUE(b.appendUint16Le(0x1234));
    ASSERT_TRUE(b.appendUint32Le(0xA1B2C3D4u));
    ASSERT_TRUE(b.appendDoubleLe(1.0));
    EXPECT_EQ(bytesOf(b), std::string("\x34\x12\xD4\xC3\xB2\xA1\0\0\0\0\0\0\xF0\x3F", 14));
}

TEST(DataBuffer, Utf16UnitsAsUtf8) {
    const struct {
        uint16_t unit;
        const char *utf8;
    } cases[] = {{0x41, "A"}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0xE9, "\xC3\xA9"}, {0x7FF, "\xDF\xBF"},
                 {0x800, "\xE0\xA0\x80"}, {0x20AC, "\xE2\x82\xAC"}, {0xD800, "\xED\xA0\x80"}, {0xFFFF, "\xEF\xBF\xBF"}};
    for (const auto &c : cases) {
        DataBuffer b;
        ASSERT_TRUE(b.appendUtf16UnitAsUtf8(c.unit));
        EXPECT_EQ(bytesOf(b), c.utf8) << std::hex << c.unit;
    }
}

TEST(DataBuffer, TerminatedWideStringsKeepTheirTerminator) {
    DataBuffer b;
    ASSERT_TRUE(b.appendUtf16z(u"hi"));
    ASSERT_EQ(b.getSize(), 6u);
    EXPECT_EQ(std::memcmp(b.getData(), u"hi", 6), 0);
    ASSERT_TRUE(b.appendUtf16z(nullptr));
    EXPECT_EQ(b.getSize(), 8u);
    EXPECT_EQ(b.lastByte(), 0);

    DataBuffer w;
    ASSERT_TRUE(w.appendUtf32z(U"ab"));
    ASSERT_EQ(w.getSize(), 12u);
    EXPECT_EQ(std::memcmp(w.getData(), U"ab", 12), 0);
    ASSERT_TRUE(w.appendUtf32z(nullptr));
    EXPECT_EQ(w.getSize(), 16u);
}

TEST(DataBuffer, PrependAndSelfReferencingAppends) {
    DataBuffer b = bufferOf("world");
    ASSERT_TRUE(b.prepend("hello ", 6));
    EXPECT_EQ(bytesOf(b), "hello world");
    ASSERT_TRUE(b.prepend(b.getData() + 6, 5));
    EXPECT_EQ(bytesOf(b), "worldhello world");

    // Appending a buffer to itself while it has to grow reads from the old bytes correctly.
    DataBuffer full;
    ASSERT_TRUE(full.ensureCapacity(3));
    ASSERT_TRUE(full.append("abc", 3));
    ASSERT_EQ(full.getCapacity(), 3u);
    ASSERT_TRUE(full.append(full));
    EXPECT_EQ(bytesOf(full), "abcabc");
    EXPECT_TRUE(b.append(nullptr, 0));
    EXPECT_FALSE(b.append(nullptr, 3));
}

TEST(DataBuffer, CopiesAreDeepAndTakeOverMovesStorage) {
    DataBuffer a = bufferOf("data");
    DataBuffer copy(a);
    copy.getData()[0] = 'D';
    EXPECT_EQ(bytesOf(a), "data");
    EXPECT_EQ(bytesOf(copy), "Data");
    a = copy;
    EXPECT_EQ(bytesOf(a), "Data");

    DataBuffer target = bufferOf("old");
    const unsigned char *storage = a.getData();
    target.takeData(a);
    EXPECT_EQ(target.getData(), storage);
    EXPECT_EQ(bytesOf(target), "Data");
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(a.getData(), nullptr);

    uint32_t n = 0;
    unsigned char *block = target.detach(n);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(std::memcmp(block, "Data", 4), 0);
    EXPECT_TRUE(target.isEmpty());
    target.adopt(block, n);
    EXPECT_EQ(target.getCapacity(), 4u);
    EXPECT_EQ(bytesOf(target), "Data");
}

TEST(DataBuffer, SecureClearWipesTheBytes) {
    DataBuffer b = bufferOf("secret");
    b.secureClear();
    EXPECT_EQ(b.getSize(), 0u);
    ASSERT_GE(b.getCapacity(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.getData()[i], 0);
}

// A borrowed block is the caller's: never written to, never freed.
TEST(DataBuffer, BorrowedBlocksAreNeverWrittenOrFreed) {
    const char original[] = "borrowed";
    char block[sizeof original];
    std::memcpy(block, original, sizeof original);

    DataBuffer b;
    b.borrow(block, 8);
    EXPECT_TRUE(b.isBorrowed());
    EXPECT_EQ(b.getCapacity(), 8u);
    EXPECT_EQ(bytesOf(b), "borrowed");

    // Shortening leaves spare capacity inside the caller's block; the append must not use it.
    b.shorten(3);
    ASSERT_TRUE(b.append("XYZ", 3));
    EXPECT_FALSE(b.isBorrowed());
    EXPECT_EQ(bytesOf(b), "borroXYZ");
    EXPECT_STREQ(block, original);

    const struct {
        const char *name;
        bool (*edit)(DataBuffer &);
        const char *expected;
    } edits[] = {
        {"replaceByte", [](DataBuffer &d) { return d.replaceByte('o', '0') == 2; }, "b0rr0wed"},
        {"reverseBytes", [](DataBuffer &d) { return d.reverseBytes(); }, "dewo" "rrob"},
        {"swapBytes16", [](DataBuffer &d) { return d.swapBytes16(); }, "obrrwode"},
        {"swapBytes32", [](DataBuffer &d) { return d.swapBytes32(); }, "rrobdewo"},
        {"removeChunk", [](DataBuffer &d) { return d.removeChunk(1, 2); }, "browed"},
        {"appendByte", [](DataBuffer &d) { return d.appendByte('!'); }, "borrowed!"},
        {"prepend", [](DataBuffer &d) { return d.prepend("<", 1); }, "<borrowed"},
        {"ensureSlack4", [](DataBuffer &d) { return d.ensureSlack4(); }, "borrowed"},
    };
    for (const auto &e : edits) {
        DataBuffer d;
        d.borrow(block, 8);
        ASSERT_TRUE(e.edit(d)) << e.name;
        EXPECT_EQ(bytesOf(d), e.expected) << e.name;
        EXPECT_FALSE(d.isBorrowed()) << e.name;
        EXPECT_STREQ(block, original) << e.name;
    }

    DataBuffer c;
    c.borrow(block, 8);
    c.clear();
    EXPECT_EQ(c.getData(), nullptr);
    c.borrow(block, 8);
    c.secureClear();
    EXPECT_EQ(c.getData(), nullptr);
    EXPECT_STREQ(block, original);

    // Detaching a borrowed block hands out a copy the caller can free.
    c.borrow(block, 8);
    uint32_t n = 0;
    unsigned char *copy = c.detach(n);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(static_cast<void *>(copy), static_cast<void *>(block));
    EXPECT_EQ(n, 8u);
    std::free(copy);
}

}  // namespace
}  // namespace quorvel
