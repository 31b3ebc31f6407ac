#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::bufferOf;
using test::bytesOf;

TEST(DataBuffer, AppendForms) {
    DataBuffer b, w16, w32;
    ASSERT_TRUE(b.appendUint16Le(0x1234) && b.appendUint32Le(0xA1B2C3D4u) && b.appendDoubleLe(1.0));
    EXPECT_EQ(bytesOf(b), std::string("\x34\x12\xD4\xC3\xB2\xA1\0\0\0\0\0\0\xF0\x3F", 14));
    // Terminated wide strings keep their terminator; a null string is the terminator alone.
    ASSERT_TRUE(w16.appendUtf16z(u"hi") && w16.appendUtf16z(nullptr));
    EXPECT_EQ(bytesOf(w16), std::string(reinterpret_cast<const char *>(u"hi"), 6) + std::string(2, '\0'));
    ASSERT_TRUE(w32.appendUtf32z(U"ab") && w32.appendUtf32z(nullptr));
    EXPECT_EQ(bytesOf(w32), std::string(reinterpret_cast<const char *>(U"ab"), 12) + std::string(4, '\0'));
    const std::pair<uint16_t, const char *> units[] = {
        {0x41, "A"}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0xE9, "\xC3\xA9"}, {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"}, {0x20AC, "\xE2\x82\xAC"}, {0xD800, "\xED\xA0\x80"}, {0xFFFF, "\xEF\xBF\xBF"}};
    for (const auto &[unit, utf8] : units) {
        DataBuffer u;
        ASSERT_TRUE(u.appendUtf16UnitAsUtf8(unit));
        EXPECT_EQ(bytesOf(u), utf8) << std::hex << unit;
    }
}

TEST(DataBuffer, PrependAndSelfReferencingAppends) {
    DataBuffer b = bufferOf("world"), full;
    ASSERT_TRUE(b.prepend("hello ", 6));
    ASSERT_TRUE(b.prepend(b.getData() + 6, 5));
    EXPECT_EQ(bytesOf(b), "worldhello world");
    // Appending a buffer to itself while it has to grow reads from the old bytes correctly.
    ASSERT_TRUE(full.ensureCapacity(3) && full.append("abc", 3) && full.getCapacity() == 3);
    ASSERT_TRUE(full.append(full));
    EXPECT_EQ(bytesOf(full), "abcabc");
    EXPECT_TRUE(b.append(nullptr, 0));
    EXPECT_FALSE(b.append(nullptr, 3));
}

TEST(DataBuffer, CopiesAreDeepAndTakeOverMovesStorage) {
    DataBuffer a = bufferOf("data"), target = bufferOf("old");
    DataBuffer copy(a);
    copy.getData()[0] = 'D';
    EXPECT_EQ(bytesOf(a) + bytesOf(copy), "dataData");
    a = copy;
    const unsigned char *storage = a.getData();
    target.takeData(a);
    EXPECT_EQ(target.getData(), storage);
    EXPECT_EQ(bytesOf(target), "Data");
    EXPECT_EQ(a.getData(), nullptr);
    uint32_t n = 0;
    unsigned char *block = target.detach(n);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(block), n), "Data");
    EXPECT_TRUE(target.isEmpty());
    target.adopt(block, n);
    EXPECT_EQ(target.getCapacity(), 4u);
    EXPECT_EQ(bytesOf(target), "Data");
    target.secureClear();  // wipes the bytes it held
    EXPECT_EQ(target.getSize(), 0u);
    EXPECT_EQ(std::memcmp(target.getData(), "\0\0\0\0", 4), 0);
}

// A borrowed block is the caller's: never written to, never freed.
TEST(DataBuffer, BorrowedBlocksAreNeverWrittenOrFreed) {
    const char original[] = "borrowed";
    char block[sizeof original];
    std::memcpy(block, original, sizeof original);
    const struct { bool (*edit)(DataBuffer &); const char *expected; } edits[] = {
        // Shortening leaves spare capacity inside the caller's block; the append must not use it.
        {[](DataBuffer &d) { d.shorten(3); return d.append("XYZ", 3); }, "borroXYZ"},
        {[](DataBuffer &d) { return d.replaceByte('o', '0') == 2; }, "b0rr0wed"},
        {[](DataBuffer &d) { return d.reverseBytes(); }, "dewo" "rrob"},
        {[](DataBuffer &d) { return d.swapBytes32(); }, "rrobdewo"},
        {[](DataBuffer &d) { return d.removeChunk(1, 2); }, "browed"},
        {[](DataBuffer &d) { return d.appendByte('!'); }, "borrowed!"},
        {[](DataBuffer &d) { return d.prepend("<", 1); }, "<borrowed"},
        {[](DataBuffer &d) { return d.ensureSlack4(); }, "borrowed"},
        {[](DataBuffer &d) { d.clear(); return d.getData() == nullptr; }, ""},
    };
    for (const auto &e : edits) {
        DataBuffer d;
        d.borrow(block, 8);
        EXPECT_TRUE(d.isBorrowed());
        ASSERT_TRUE(e.edit(d)) << e.expected;
        EXPECT_EQ(bytesOf(d), e.expected);
        EXPECT_FALSE(d.isBorrowed()) << e.expected;
        EXPECT_STREQ(block, original) << e.expected;
    }
    // Detaching a borrowed block hands out a copy the caller can free.
    DataBuffer c;
    c.borrow(block, 8);
    uint32_t n = 0;
    unsigned char *copy = c.detach(n);
    EXPECT_NE(static_cast<void *>(copy), static_cast<void *>(block));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(copy), n), "borrowed");
    std::free(copy);
}

TEST(DataBufferGrowth, PlanFollowsTheSteppedTable) {
    // Each step of the table, on both sides of its thresholds: size, n, preferred capacity.
    const uint32_t table[][3] = {
        {0, 20000, 20000}, {0, 20001, 20001}, {49999, 10, 69999}, {50000, 10, 100000}, {50000, 60000, 110000},
        {999999, 99999, 1099999}, {1000000, 10, 2000000}, {1000000, 1500000, 2500000}, {2999999, 10, 4999999},
        {3000000, 10, 6000000}, {3999999, 10, 6999999}, {4000000, 10, 8000000}, {8000000, 9000000, 17000000},
        {12000000, 9000000, 24000000}, {12000000, 12000000, 24000000}, {12000000, 13000000, 25000000},
        // Near the 4 GiB limit the capacity is capped rather than wrapped.
        {4000000000u, 10, 4012000000u}, {4290000000u, 10, 0xFFFFFFFFu}, {0xFFFFFFF0u, 15, 0xFFFFFFFFu},
    };
    for (const auto &[size, n, preferred] : table) {
        DataBuffer::GrowthPlan plan{};
        ASSERT_TRUE(DataBuffer::planGrowth(size, n, plan)) << size << "+" << n;
        EXPECT_EQ(plan.preferred, preferred) << size << "+" << n;
        const uint64_t fallback = static_cast<uint64_t>(size) + n + 400;
        EXPECT_EQ(plan.fallback, fallback > 0xFFFFFFFFu ? 0xFFFFFFFFu : fallback) << size << "+" << n;
    }
    DataBuffer::GrowthPlan plan{};
    EXPECT_FALSE(DataBuffer::planGrowth(0xFFFFFFF0u, 16, plan));
    EXPECT_FALSE(DataBuffer::planGrowth(0xFFFFFFFFu, 1, plan));
    EXPECT_FALSE(DataBuffer::planGrowth(0x80000000u, 0x80000000u, plan));
    EXPECT_TRUE(DataBuffer::planGrowth(0x7FFFFFFFu, 0x80000000u, plan));
}

TEST(DataBufferGrowth, AppendsReserveTheDocumentedRoom) {
    const struct {
        uint32_t full;  // bytes in a buffer whose capacity is exactly that
        bool (*append)(DataBuffer &);
        uint32_t capacity;
    } cases[] = {
        {0, [](DataBuffer &b) { return b.append("x", 1); }, 20000},
        {0, [](DataBuffer &b) { return b.appendByte('x'); }, 10000},
        {0, [](DataBuffer &b) { return b.appendByteN('x', 5); }, 10005},
        {100, [](DataBuffer &b) { return b.appendByteN(2, 50); }, 10150},
        {100, [](DataBuffer &b) { return b.appendUtf16UnitAsUtf8(0x20AC); }, 20100},
        {150000, [](DataBuffer &b) { return b.append("0123456789", 10); }, 250000},
    };
    int i = 0;
    for (const auto &c : cases) {
        DataBuffer b;
        if (c.full) {
            ASSERT_TRUE(b.ensureCapacity(c.full) && b.appendByteN(7, c.full) && b.getCapacity() == c.full);
        }
        ASSERT_TRUE(c.append(b));
        EXPECT_EQ(b.getCapacity(), c.capacity) << i++;
    }
}

TEST(DataBufferGrowth, ReserveIsExact) {
    DataBuffer b;
    ASSERT_TRUE(b.ensureCapacity(37) && b.ensureCapacity(10) && b.getCapacity() == 37u);
    ASSERT_TRUE(b.appendByteN('a', 37) && b.ensureSlack4());
    EXPECT_EQ(b.getCapacity(), 41u);
}

// A borrowed block that claims a size near 4 GiB: the appends must refuse before they touch it.
TEST(DataBufferGrowth, OperationsThatWouldPass4GiBFailAndChangeNothing) {
    unsigned char tiny[4] = {1, 2, 3, 4};
    DataBuffer b;
    b.borrow(tiny, 0xFFFFFFF0u);
    EXPECT_FALSE(b.append("0123456789abcdef", 16));
    EXPECT_FALSE(b.appendByteN('x', 16));
    EXPECT_FALSE(b.prepend("0123456789abcdef", 16));
    EXPECT_EQ(b.getSize(), 0xFFFFFFF0u);
    b.borrow(tiny, 0xFFFFFFFFu);
    EXPECT_FALSE(b.appendByte('x') || b.appendUtf16UnitAsUtf8(0x41) || b.appendUint16Le(1) || b.ensureSlack4());
    EXPECT_EQ(b.getSize(), 0xFFFFFFFFu);
    EXPECT_EQ(b.getData(), tiny);
    EXPECT_TRUE(b.isBorrowed());
    b.release();
    EXPECT_EQ(tiny[0], 1);
}

}  // namespace
}  // namespace quorvel
