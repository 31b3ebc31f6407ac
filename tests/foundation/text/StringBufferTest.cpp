#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::outcome, test::RecordingLog, test::textOf;

TEST(StringBufferGrowth, InlineUpTo81BytesThenHeapWithCappedIncrement) {
    const struct { uint32_t clearFirst, n, capacity, increment; } steps[] = {
        {0, 81, 82, 202}, {0, 1, 81 + 1 + 202 + 1, 285 / 2},  // inline; to the heap: L + n + G + 1, then G = C / 2
        {0, 202, 285, 142},                  // nothing moves while L + n stays below C
        {0, 1, 285 + 142 + 1, 428 / 2},
        {1, 2000000, 2000000 + 202 + 1, 500000},  // clearing resets G; G never passes 500000
        {0, 300, 2000300 + 500000 + 1, 500000},
    };
    StringBuffer sb;
    for (const auto &s : steps) {
        if (s.clearFirst) sb.clear();
        ASSERT_TRUE(sb.appendCharN('a', s.n));
        EXPECT_TRUE(sb.getCapacity() == s.capacity && sb.getGrowthIncrement() == s.increment && sb.isInline() == (s.capacity == 82))
            << s.n << ": " << sb.getCapacity() << " " << sb.getGrowthIncrement();
    }
    EXPECT_EQ(textOf(sb), std::string(2000300, 'a'));
}

TEST(StringBufferGrowth, SizesPast4GiBFailWithoutWrapping) {
    uint32_t block = 0;
    EXPECT_TRUE(StringBuffer::computeGrowth(10, 5, 202, block) && block == 218u);
    // The text and its terminator fit exactly; the increment is cut to what is left.
    EXPECT_TRUE(StringBuffer::computeGrowth(0xFFFFFF00u, 0xFE, 202, block) && block == 0xFFFFFFFFu) << block;
    EXPECT_FALSE(StringBuffer::computeGrowth(0xFFFFFF00u, 0xFF, 0, block) || StringBuffer::computeGrowth(1, 0xFFFFFFFFu, 0, block) ||
                 StringBuffer::computeGrowth(0, 0x100000000ull, 0, block));
    StringBuffer sb("abc");
    EXPECT_EQ(outcome(sb.appendCharN('x', 0xFFFFFFFFu), sb), "false|abc");
    EXPECT_TRUE(sb.isInline());
}

TEST(StringBufferAppend, AllFormsAndSourcesInsideTheBuffer) {
    StringBuffer sb;
    ASSERT_TRUE(sb.appendN("ab\0\0", 4) && sb.getSize() == 2u);  // counted appends drop trailing NULs
    ASSERT_TRUE(sb.appendN("\0\0\0", 3) && sb.appendN("cdef", 2) && sb.append(static_cast<const char *>(nullptr)));
    EXPECT_TRUE(sb.append(StringBuffer("<o>")) && sb.appendData(test::bufferOf("DB")) && sb.appendChar('1'));
    EXPECT_TRUE(sb.appendChar2('2', '3') && sb.appendChar3('4', '5', '6') && sb.appendCharN('-', 3) && sb.prepend("pre:"));
    EXPECT_TRUE(sb.appendInt32(INT32_MIN) && sb.appendUint32(4294967295u) && sb.appendInt64(INT64_MIN));
    EXPECT_TRUE(sb.appendChar(' ') && sb.appendInt64(0) && sb.appendInt32(-7));
    EXPECT_EQ(textOf(sb), "pre:abcd<o>DB123456----21474836484294967295-9223372036854775808 0-7");
    // A source inside the buffer survives the growth it causes.
    StringBuffer self;
    self.appendCharN('a', 60);
    ASSERT_TRUE(self.append(self.getString()) && self.appendN(self.getString() + 100, 20) && self.prepend(self.getString() + 130));
    EXPECT_EQ(textOf(self), std::string(150, 'a'));
    StringBuffer text("hello world");
    ASSERT_TRUE(text.setString(text.getString() + 6) && text.setString(text));
    EXPECT_EQ(textOf(text), "world");
}

TEST(StringBufferAssign, TakeReleaseAndFactories) {
    StringBuffer longText, taker("old");
    longText.appendCharN('L', 300);
    const char *storage = longText.getString();
    taker.takeString(longText);
    EXPECT_TRUE(taker.getString() == storage && longText.isEmpty() && longText.isInline());
    uint32_t len = 0;
    char *released = taker.releaseText(len);
    ASSERT_NE(released, nullptr);
    EXPECT_TRUE(std::string(released, len + 1) == std::string(300, 'L') + '\0' && taker.isEmpty() && taker.isInline());
    free(released);
    StringBuffer shortText("short");
    taker.takeString(shortText);
    released = taker.releaseText(len);  // an inline text is handed out as a block too
    EXPECT_EQ(std::string(released, len), "short");
    free(released);
    // A text over 81 bytes made on the heap gets exactly length + 1 bytes.
    std::unique_ptr<StringBuffer> exact(StringBuffer::createNewFrom(std::string(100, 'e').c_str())), tiny(StringBuffer::createNewFrom("tiny"));
    EXPECT_TRUE(exact->getCapacity() == 101u && tiny->isInline());
    // Converter output is adopted whether or not it ends in a terminator; a borrowed block is copied.
    const std::string big(500, 'z');
    DataBuffer shortData = test::bufferOf(std::string("abc\0", 4)), bigData = test::bufferOf(big), borrowed;
    borrowed.borrow(big.data(), 200);
    StringBuffer sb("x");
    EXPECT_EQ(outcome(sb.takeData(shortData), sb), "abc");
    EXPECT_EQ(outcome(sb.takeData(bigData), sb), big);
    EXPECT_TRUE(shortData.isEmpty() && bigData.isEmpty());
    EXPECT_TRUE(outcome(sb.takeData(borrowed), sb) == std::string(200, 'z') && sb.getString() != big.data());
}

TEST(StringBufferClear, ClearFormsAndShrink) {
    StringBuffer sb;
    sb.appendCharN('q', 1000);
    const uint32_t capacity = sb.getCapacity();
    sb.clear();
    EXPECT_TRUE(sb.isEmpty() && sb.getCapacity() == capacity);
    sb.appendCharN('q', 10), sb.minimizeMemory();  // under 82 bytes: back inline
    EXPECT_TRUE(sb.isInline() && textOf(sb) == std::string(10, 'q'));
    sb.appendCharN('r', 1990), sb.shorten(1000), sb.minimizeMemory();  // capacity over length + 256: exactly length + 1
    EXPECT_TRUE(sb.getCapacity() == 1001u && sb.getSize() == 1000u);
    sb.clearRelease();
    EXPECT_TRUE(sb.isInline());
    sb.appendCharN('s', 500), sb.secureClear();
    EXPECT_TRUE(sb.isEmpty() && sb.isInline() && sb.getGrowthIncrement() == 202u);
}

// Past the end, at a limit and with null arguments.
TEST(StringBufferQuery, Edges) {
    StringBuffer sb("abcabc\xC3\xA9"), before("["), hello("Hello"), empty;
    EXPECT_TRUE(sb.charAt(99) == '\0' && empty.lastChar() == '\0' && sb.indexOf("bc", 5) == -1 && sb.indexOf("a", 100) == -1);
    EXPECT_TRUE(sb.indexOf("ca", 1, before) == 2 && sb.indexOf("zz", 6, before) == -1 && textOf(before) == "[b\xC3\xA9");
    EXPECT_TRUE(!sb.is7bit() && sb.is7bit(6) && !sb.is7bit(7) && sb.countNon7bit() == 2u);
    EXPECT_TRUE(!hello.equals(static_cast<const char *>(nullptr)) && empty.equals(static_cast<const char *>(nullptr)));  // null: only ""
    EXPECT_TRUE(hello.beginsWith(nullptr) && !hello.beginsWith("Hello!") && !hello.endsWith("xHello") && hello.compare(nullptr) > 0);
    EXPECT_TRUE(hello.beginsWithIgnoreCaseN("HELP", 3) && !hello.beginsWithIgnoreCaseN("HELP", 4) && !hello.equalsIgnoreCase("hELL"));
}

TEST(StringBufferFile, LoadsTextAndConvertsUtf16) {
    const std::string dir = test::scratchDir("StringBufferFile");
    const std::pair<std::string, std::string> cases[] = {
        {"\xEF\xBB\xBF<x/>", "<x/>"}, {std::string("ab\0\0", 4), "ab"}, {std::string(300000, 'x'), std::string(300000, 'x')},
        {std::string("\xFF\xFE" "A\0\xE9\0\xAC\x20", 8), "A\xC3\xA9\xE2\x82\xAC"}, {std::string("\xFE\xFF\0A\0\xE9\x20\xAC", 8), "A\xC3\xA9\xE2\x82\xAC"},
    };
    int i = 0;
    for (const auto &[bytes, text] : cases) {
        const std::string path = dir + std::to_string(i++) + ".txt";
        ASSERT_TRUE(test::writeRawFile(path, bytes));
        RecordingLog log;
        StringBuffer sb("previous");
        EXPECT_TRUE(sb.loadFileText(path.c_str(), log) && log.lines.empty() && textOf(sb) == text) << i << log.joined();
    }
    // A missing file, and a folder, fail and say why.
    for (const std::string &path : {dir + "absent.txt", dir}) {
        RecordingLog log;
        StringBuffer sb("previous");
        EXPECT_TRUE(!sb.loadFileText(path.c_str(), log) && sb.isEmpty() && !log.lines.empty()) << path;
    }
}

TEST(StringBufferCharset, ConvertInPlace) {
    const struct { uint32_t from, to; const char *in; bool ok; const char *out; } cases[] = {
        {1252, 65001, "caf\xE9 \x80", true, "caf\xC3\xA9 \xE2\x82\xAC"},
        {65001, 4242, "text", false, "text"},       // a code page the system cannot convert: the text stays
        {65001, 1252, "a\xE2\x98\xBA" "b", false, "ab"},  // what was dropped is gone, the rest replaces the text
    };
    for (const auto &c : cases) {
        RecordingLog log;
        StringBuffer sb(c.in);
        EXPECT_EQ(outcome(sb.convertEncoding(c.from, c.to, log), sb), (c.ok ? "" : "false|") + std::string(c.out)) << c.in;
    }
}

}  // namespace
}  // namespace quorvel
