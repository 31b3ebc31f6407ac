#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::bufferOf, test::bytesOf, test::outcome;

std::string asText(const void *bytes, size_t n) { return std::string(static_cast<const char *>(bytes), n); }

TEST(DataBuffer, AppendForms) {
    DataBuffer b, w16, w32, u;
    EXPECT_EQ(outcome(b.appendUint16Le(0x1234) && b.appendUint32Le(0xA1B2C3D4u) && b.appendDoubleLe(1.0), b),
              std::string("\x34\x12\xD4\xC3\xB2\xA1\0\0\0\0\0\0\xF0\x3F", 14));
    // Terminated wide strings keep their terminator; a null string is the terminator alone.
    EXPECT_EQ(outcome(w16.appendUtf16z(u"hi") && w16.appendUtf16z(nullptr), w16), asText(u"hi", 6) + std::string(2, '\0'));
    EXPECT_EQ(outcome(w32.appendUtf32z(U"ab") && w32.appendUtf32z(nullptr), w32), asText(U"ab", 12) + std::string(4, '\0'));
    // One UTF-16 unit as UTF-8 at each length boundary, a surrogate alone included.
    for (uint16_t unit : {0x7F, 0x80, 0x7FF, 0x800, 0xD800, 0xFFFF}) ASSERT_TRUE(u.appendUtf16UnitAsUtf8(unit));
    EXPECT_EQ(bytesOf(u), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\xA0\x80\xEF\xBF\xBF");
    // Prepending or appending bytes of the buffer itself, also while it has to grow.
    DataBuffer self = bufferOf("world"), full;
    EXPECT_EQ(outcome(self.prepend("hello ", 6) && self.prepend(self.getData() + 6, 5) && self.append(nullptr, 0), self), "worldhello world");
    EXPECT_FALSE(self.append(nullptr, 3));
    ASSERT_TRUE(full.ensureCapacity(3) && full.append("abc", 3) && full.getCapacity() == 3);
    EXPECT_EQ(outcome(full.append(full), full), "abcabc");
}

TEST(DataBuffer, CopiesAreDeepAndTakeOverMovesStorage) {
    DataBuffer a = bufferOf("data"), target = bufferOf("old");
    DataBuffer copy(a);
    copy.getData()[0] = 'D';
    EXPECT_EQ(bytesOf(a) + bytesOf(copy), "dataData");
    a = copy;
    const unsigned char *storage = a.getData();
    target.takeData(a);
    EXPECT_TRUE(target.getData() == storage && a.getData() == nullptr && bytesOf(target) == "Data");
    uint32_t n = 0;
    unsigned char *block = target.detach(n);
    EXPECT_TRUE(asText(block, n) == "Data" && target.isEmpty());
    target.adopt(block, n);
    EXPECT_TRUE(target.getCapacity() == 4u && bytesOf(target) == "Data");
    target.secureClear();  // wipes the bytes it held
    EXPECT_TRUE(target.getSize() == 0u && std::memcmp(target.getData(), "\0\0\0\0", 4) == 0);
}

TEST(DataBuffer, BorrowedBlocksAreNeverWrittenOrFreed) {
    const char original[] = "borrowed";
    char block[sizeof original];
    std::memcpy(block, original, sizeof original);
    const struct { bool (*edit)(DataBuffer &); const char *expected; } edits[] = {
        // Shortening leaves spare capacity inside the caller's block; the append must not use it.
        {[](DataBuffer &d) { d.shorten(3); return d.append("XYZ", 3); }, "borroXYZ"},
        {[](DataBuffer &d) { return d.replaceByte('o', '0') == 2; }, "b0rr0wed"}, {[](DataBuffer &d) { return d.reverseBytes(); }, "dewo" "rrob"},
        {[](DataBuffer &d) { return d.swapBytes32(); }, "rrobdewo"}, {[](DataBuffer &d) { return d.removeChunk(1, 2); }, "browed"},
        {[](DataBuffer &d) { return d.appendByte('!'); }, "borrowed!"}, {[](DataBuffer &d) { return d.prepend("<", 1); }, "<borrowed"},
        {[](DataBuffer &d) { return d.ensureSlack4(); }, "borrowed"}, {[](DataBuffer &d) { d.clear(); return d.getData() == nullptr; }, ""},
    };
    for (const auto &e : edits) {
        DataBuffer d;
        d.borrow(block, 8);
        ASSERT_TRUE(d.isBorrowed() && e.edit(d)) << e.expected;
        EXPECT_TRUE(bytesOf(d) == e.expected && !d.isBorrowed() && std::string(block) == original) << e.expected;
    }
    // Detaching a borrowed block hands out a copy the caller can free.
    DataBuffer c;
    c.borrow(block, 8);
    uint32_t n = 0;
    unsigned char *copy = c.detach(n);
    EXPECT_TRUE(static_cast<void *>(copy) != block && asText(copy, n) == "borrowed");
    std::free(copy);
}

TEST(DataBufferGrowth, PlanFollowsTheSteppedTable) {
    // Each step of the table, on both sides of its thresholds: size, n, preferred capacity.
    const uint32_t table[][3] = {
        {0, 20001, 20001}, {49999, 10, 69999}, {50000, 10, 100000}, {50000, 60000, 110000}, {999999, 99999, 1099999},
        {1000000, 1500000, 2500000}, {3999999, 10, 6999999}, {4000000, 10, 8000000}, {12000000, 9000000, 24000000},
        // Near the 4 GiB limit the capacity is capped rather than wrapped.
        {12000000, 13000000, 25000000}, {4290000000u, 10, 0xFFFFFFFFu}, {0xFFFFFFF0u, 15, 0xFFFFFFFFu},
    };
    DataBuffer::GrowthPlan plan{};
    for (const auto &[size, n, preferred] : table) {
        const uint64_t fallback = std::min<uint64_t>(static_cast<uint64_t>(size) + n + 400, 0xFFFFFFFFu);
        EXPECT_TRUE(DataBuffer::planGrowth(size, n, plan) && plan.preferred == preferred && plan.fallback == fallback)
            << size << "+" << n << ": " << plan.preferred << " " << plan.fallback;
    }
    EXPECT_FALSE(DataBuffer::planGrowth(0xFFFFFFF0u, 16, plan) || DataBuffer::planGrowth(0xFFFFFFFFu, 1, plan) ||
                 DataBuffer::planGrowth(0x80000000u, 0x80000000u, plan) || !DataBuffer::planGrowth(0x7FFFFFFFu, 0x80000000u, plan));
}

TEST(DataBufferGrowth, AppendsReserveTheDocumentedRoom) {
    const struct {
        uint32_t full;  // bytes in a buffer whose capacity is exactly that
        bool (*append)(DataBuffer &);
        uint32_t capacity;
    } cases[] = {
        {0, [](DataBuffer &b) { return b.append("x", 1); }, 20000}, {0, [](DataBuffer &b) { return b.appendByte('x'); }, 10000},
        {0, [](DataBuffer &b) { return b.appendByteN('x', 5); }, 10005}, {100, [](DataBuffer &b) { return b.appendByteN(2, 50); }, 10150},
        {100, [](DataBuffer &b) { return b.appendUtf16UnitAsUtf8(0x20AC); }, 20100},
        {150000, [](DataBuffer &b) { return b.append("0123456789", 10); }, 250000},
        // Reserving is exact, and never shrinks.
        {37, [](DataBuffer &b) { return b.ensureCapacity(10) && b.ensureSlack4(); }, 41},
    };
    for (const auto &c : cases) {
        DataBuffer b;
        ASSERT_TRUE(!c.full || (b.ensureCapacity(c.full) && b.appendByteN(7, c.full) && b.getCapacity() == c.full));
        EXPECT_TRUE(c.append(b) && b.getCapacity() == c.capacity) << c.full << ": " << b.getCapacity();
    }
}

// A borrowed block that claims a size near 4 GiB: the appends must refuse before they touch it.
TEST(DataBufferGrowth, OperationsThatWouldPass4GiBFailAndChangeNothing) {
    unsigned char tiny[4] = {1, 2, 3, 4};
    DataBuffer b;
    b.borrow(tiny, 0xFFFFFFF0u);
    EXPECT_FALSE(b.append("0123456789abcdef", 16) || b.appendByteN('x', 16) || b.prepend("0123456789abcdef", 16) ||
                 b.getSize() != 0xFFFFFFF0u);
    b.borrow(tiny, 0xFFFFFFFFu);
    EXPECT_FALSE(b.appendByte('x') || b.appendUtf16UnitAsUtf8(0x41) || b.appendUint16Le(1) || b.ensureSlack4());
    EXPECT_TRUE(b.getSize() == 0xFFFFFFFFu && b.getData() == tiny && b.isBorrowed());
    b.release();
    EXPECT_EQ(tiny[0], 1);
}

// Host-order 16-bit units as bytes.
std::string units(std::initializer_list<uint16_t> list) {
    std::string bytes;
    for (uint16_t u : list) bytes += asText(&u, 2);
    return bytes;
}

TEST(DataBufferEdit, EditsSearchesAndPadding) {
    using Edit = std::function<int64_t(DataBuffer &)>;
    const auto at = [](DataBuffer &b, const unsigned char *p) { return p ? p - b.getData() : -1; };
    const std::string d5(5, 'D'), d8(8, 'D');
    const struct { std::string in; Edit edit; int64_t result; std::string out; } cases[] = {
        // Removing past the end truncates at the offset; an offset at or past the end does nothing.
        {"0123456789", [](DataBuffer &b) { return b.removeChunk(8, 5); }, 1, "01234567"},
        {"0123456789", [](DataBuffer &b) { return b.removeChunk(3, 0xFFFFFFFFu); }, 1, "012"},
        {"0123456789", [](DataBuffer &b) { return b.removeChunk(10, 1) && b.removeChunk(0xFFFFFFFFu, 1); }, 1, "0123456789"},
        // 16-bit swaps leave an odd byte; 32-bit swaps turn a trailing 2 or 3 bytes among themselves.
        {"abcde", [](DataBuffer &b) { return b.swapBytes16(); }, 1, "badce"}, {"abcde", [](DataBuffer &b) { return b.swapBytes32(); }, 1, "dcbae"},
        {"abcdefg", [](DataBuffer &b) { return b.swapBytes32(); }, 1, "dcbagfe"},
        {"abcdefg", [](DataBuffer &b) { return b.reverseBytes(); }, 1, "gfedcba"},
        {"a", [](DataBuffer &b) { return b.swapBytes16() && b.swapBytes32() && b.reverseBytes(); }, 1, "a"},
        // 16-bit units only at even offsets; a trailing odd byte is kept.
        {units({1, 2, 1, 3, 1}), [](DataBuffer &b) { return b.removeUnits16(1); }, 3, units({2, 3})},
        {units({'a', 'b', 0, 'c'}), [](DataBuffer &b) { b.cutAtUnit16(0x7777); b.cutAtUnit16(0); return 0; }, 0, units({'a', 'b'})},
        {"x" + units({'a', 0}), [](DataBuffer &b) { uint16_t u; std::memcpy(&u, b.getData() + 1, 2); b.cutAtUnit16(u); return 0; }, 0,
         "x" + units({'a', 0})},
        // Searches: null for an absent or empty sequence.
        {"abcabcd", [&](DataBuffer &b) { return at(b, b.find("abcd", 4)) * 100 + at(b, b.find("c", 1)) * 10 + at(b, b.find("d", 1)); }, 326, "abcabcd"},
        {"abcabcd", [&](DataBuffer &b) { return at(b, b.find("cde", 3)) + at(b, b.find("abcabcdX", 8)) + at(b, b.find("a", 0)); }, -3, "abcabcd"},
        {"", [&](DataBuffer &b) { return at(b, b.find("a", 1)) + (b.equals(DataBuffer()) && b.equals(nullptr, 0)); }, 0, ""},
        // Padding. Schemes 0-2 add a whole block to aligned data, schemes 3 and 4 nothing; any block size but 8 counts as 16.
        {std::string(13, 'D'), [](DataBuffer &b) { return b.appendPadding(0, 16); }, 1, std::string(13, 'D') + "\x03\x03\x03"},
        {d8, [](DataBuffer &b) { return b.appendPadding(0, 8); }, 1, d8 + std::string(8, '\x08')},
        {"", [](DataBuffer &b) { return b.appendPadding(0, 12); }, 1, std::string(16, '\x10')},
        {d5, [](DataBuffer &b) { return b.appendPadding(1, 8); }, 1, d5 + std::string("\0\0\x03", 3)},
        {d8, [](DataBuffer &b) { return b.appendPadding(3, 8) && b.appendPadding(4, 8); }, 1, d8},
        {std::string(10, 'D'), [](DataBuffer &b) { return b.appendPadding(4, 16); }, 1, std::string(10, 'D') + std::string(6, ' ')},
        {"", [](DataBuffer &b) { return b.appendPadding(5, 16); }, 0, ""},
        // ISO 10126: filler of any value, then the count; only the count is checked.
        {"DDD", [](DataBuffer &b) { return b.appendPadding(2, 8) && b.getSize() == 8 && b.lastByte() == 5 && (b.setSize(3), true); }, 1, "DDD"},
    };
    for (const auto &c : cases) {
        DataBuffer b = bufferOf(c.in);
        const int64_t result = c.edit(b);
        EXPECT_TRUE(result == c.result && bytesOf(b) == c.out) << c.in << ": " << result;
    }
}

TEST(DataBufferEdit, ReadAtAndXor) {
    DataBuffer r = bufferOf(std::string(50, '\x07') + "\x01\x02\x03\x04\x05");
    unsigned char out[41] = {};
    EXPECT_TRUE(r.readBytesAt(51, 4, true, out) && asText(out, 4) == "\x05\x04\x03\x02");
    EXPECT_TRUE(r.readBytesAt(0, 40, false, out) && !r.readBytesAt(0, 41, false, out));  // 40 at most
    EXPECT_FALSE(r.readBytesAt(53, 3, false, out) || r.readBytesAt(0xFFFFFFFFu, 2, false, out));
    // XOR of equal lengths; the result may replace one of its inputs.
    DataBuffer x = bufferOf("\x0F\xF0\xAA"), y = bufferOf("\xFF\xFF\x55"), result = bufferOf("keep");
    EXPECT_EQ(outcome(result.setXor(x, y), result), "\xF0\x0F\xFF");
    EXPECT_EQ(outcome(result.setXor(x, bufferOf("\x01")), result), "false|\xF0\x0F\xFF");
    EXPECT_EQ(outcome(x.setXor(x, y) && x.setXor(x, x), x), std::string(3, '\0'));
}

}  // namespace
}  // namespace quorvel
