#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::textOf;

TEST(StringBufferGrowth, InlineUpTo81BytesThenHeapWithCappedIncrement) {
    const struct { uint32_t clearFirst, n, capacity, increment; } steps[] = {
        {0, 81, 82, 202},                    // inline
        {0, 1, 81 + 1 + 202 + 1, 285 / 2},   // to the heap: L + n + G + 1, then G = C / 2
        {0, 202, 285, 142},                  // nothing moves while L + n stays below C
        {0, 1, 285 + 142 + 1, 428 / 2},
        {1, 2000000, 2000000 + 202 + 1, 500000},  // clearing resets G; G never passes 500000
        {0, 300, 2000300 + 500000 + 1, 500000},
    };
    StringBuffer sb;
    for (const auto &s : steps) {
        if (s.clearFirst) sb.clear();
        ASSERT_TRUE(sb.appendCharN('a', s.n));
        EXPECT_EQ(sb.getCapacity(), s.capacity) << s.n;
        EXPECT_EQ(sb.getGrowthIncrement(), s.increment) << s.n;
        EXPECT_EQ(sb.isInline(), s.capacity == 82) << s.n;
    }
    EXPECT_EQ(textOf(sb), std::string(2000300, 'a'));
}

TEST(StringBufferGrowth, SizesPast4GiBFailWithoutWrapping) {
    uint32_t block = 0;
    ASSERT_TRUE(StringBuffer::computeGrowth(10, 5, 202, block));
    EXPECT_EQ(block, 218u);
    // The text and its terminator fit exactly; the increment is cut to what is left.
    ASSERT_TRUE(StringBuffer::computeGrowth(0xFFFFFF00u, 0xFE, 202, block));
    EXPECT_EQ(block, 0xFFFFFFFFu);
    EXPECT_FALSE(StringBuffer::computeGrowth(0xFFFFFF00u, 0xFF, 0, block));
    EXPECT_FALSE(StringBuffer::computeGrowth(1, 0xFFFFFFFFu, 0, block));
    EXPECT_FALSE(StringBuffer::computeGrowth(0, 0x100000000ull, 0, block));
    StringBuffer sb("abc");
    EXPECT_FALSE(sb.appendCharN('x', 0xFFFFFFFFu));
    EXPECT_EQ(textOf(sb), "abc");
    EXPECT_TRUE(sb.isInline());
}

TEST(StringBufferAppend, AllFormsAndTrailingNuls) {
    StringBuffer sb;
    ASSERT_TRUE(sb.appendN("ab\0\0", 4));  // counted appends drop trailing NULs
    EXPECT_EQ(sb.getSize(), 2u);
    ASSERT_TRUE(sb.appendN("\0\0\0", 3));
    ASSERT_TRUE(sb.appendN("cdef", 2));
    EXPECT_TRUE(sb.append(static_cast<const char *>(nullptr)));
    DataBuffer data;
    ASSERT_TRUE(data.append("DB", 2));
    EXPECT_TRUE(sb.append(StringBuffer("<o>")) && sb.appendData(data) && sb.appendChar('1'));
    EXPECT_TRUE(sb.appendChar2('2', '3') && sb.appendChar3('4', '5', '6') && sb.appendCharN('-', 3));
    EXPECT_TRUE(sb.prepend("pre:"));
    EXPECT_TRUE(sb.appendInt32(INT32_MIN) && sb.appendUint32(4294967295u) && sb.appendInt64(INT64_MIN));
    EXPECT_TRUE(sb.appendChar(' ') && sb.appendInt64(0) && sb.appendInt32(-7));
    EXPECT_EQ(textOf(sb), "pre:abcd<o>DB123456----21474836484294967295-9223372036854775808 0-7");
}

TEST(StringBufferAppend, SourceInsideTheBufferSurvivesGrowth) {
    StringBuffer sb;
    sb.appendCharN('a', 60);
    ASSERT_TRUE(sb.append(sb.getString()));
    EXPECT_EQ(textOf(sb), std::string(120, 'a'));
    ASSERT_TRUE(sb.appendN(sb.getString() + 100, 20));
    ASSERT_TRUE(sb.prepend(sb.getString() + 130));
    EXPECT_EQ(sb.getSize(), 150u);
    StringBuffer text("hello world");
    ASSERT_TRUE(text.setString(text.getString() + 6));
    ASSERT_TRUE(text.setString(text));
    EXPECT_EQ(textOf(text), "world");
}

TEST(StringBufferAssign, TakeReleaseAndFactories) {
    StringBuffer longText;
    longText.appendCharN('L', 300);
    const char *storage = longText.getString();
    StringBuffer taker("old");
    taker.takeString(longText);
    EXPECT_EQ(taker.getString(), storage);
    EXPECT_TRUE(longText.isEmpty() && longText.isInline());
    uint32_t len = 0;
    char *released = taker.releaseText(len);
    ASSERT_NE(released, nullptr);
    EXPECT_EQ(std::string(released, len + 1), std::string(300, 'L') + '\0');
    free(released);
    EXPECT_TRUE(taker.isEmpty() && taker.isInline());
    StringBuffer shortText("short");
    taker.takeString(shortText);
    released = taker.releaseText(len);  // an inline text is handed out as a block too
    EXPECT_EQ(std::string(released, len), "short");
    free(released);

    // A text over 81 bytes made on the heap gets exactly length + 1 bytes.
    std::unique_ptr<StringBuffer> exact(StringBuffer::createNewFrom(std::string(100, 'e').c_str()));
    EXPECT_EQ(exact->getCapacity(), 101u);
    EXPECT_EQ(exact->getGrowthIncrement(), 202u);
    EXPECT_TRUE(std::unique_ptr<StringBuffer>(StringBuffer::createNewFrom("tiny"))->isInline());
}

TEST(StringBufferAssign, TakeDataAdoptsConverterOutput) {
    std::string big(500, 'z');
    DataBuffer shortData, bigData, borrowed;
    shortData.append("abc\0", 4);
    bigData.append(big.data(), 500);  // no terminator of its own
    borrowed.borrow(big.data(), 200);
    StringBuffer sb("x");
    ASSERT_TRUE(sb.takeData(shortData));
    EXPECT_EQ(textOf(sb), "abc");
    ASSERT_TRUE(sb.takeData(bigData));
    EXPECT_EQ(textOf(sb), big);
    EXPECT_TRUE(shortData.isEmpty() && bigData.isEmpty());
    ASSERT_TRUE(sb.takeData(borrowed));
    EXPECT_EQ(textOf(sb), std::string(200, 'z'));
    EXPECT_NE(sb.getString(), big.data());
}

TEST(StringBufferClear, ClearFormsAndShrink) {
    StringBuffer sb;
    sb.appendCharN('q', 1000);
    uint32_t capacity = sb.getCapacity();
    sb.clear();
    EXPECT_TRUE(sb.isEmpty());
    EXPECT_EQ(sb.getCapacity(), capacity);
    sb.appendCharN('q', 10);
    sb.minimizeMemory();  // under 82 bytes: back inline
    EXPECT_TRUE(sb.isInline());
    EXPECT_EQ(textOf(sb), std::string(10, 'q'));
    sb.appendCharN('r', 1990);
    sb.shorten(1000);
    sb.minimizeMemory();  // capacity over length + 256: exactly length + 1
    EXPECT_EQ(sb.getCapacity(), 1001u);
    EXPECT_EQ(sb.getSize(), 1000u);
    sb.clearRelease();
    EXPECT_TRUE(sb.isInline());
    sb.appendCharN('s', 500);
    sb.secureClear();
    EXPECT_TRUE(sb.isEmpty() && sb.isInline());
    EXPECT_EQ(sb.getGrowthIncrement(), 202u);
}

TEST(StringBufferQuery, CharactersAndSubstrings) {
    StringBuffer sb("abcabc\xC3\xA9");
    EXPECT_EQ(sb.charAt(1), 'b');
    EXPECT_EQ(sb.charAt(99), '\0');
    EXPECT_EQ(sb.lastChar(), '\xA9');
    EXPECT_EQ(StringBuffer().lastChar(), '\0');
    EXPECT_EQ(sb.countChar('a'), 2u);
    EXPECT_TRUE(sb.containsChar('c') && !sb.containsChar('z'));
    EXPECT_TRUE(sb.contains("cab") && !sb.contains("cb"));
    EXPECT_EQ(sb.indexOf("bc", 2), 4);
    EXPECT_EQ(sb.indexOf("bc", 5), -1);
    EXPECT_EQ(sb.indexOf("a", 100), -1);
    StringBuffer before("[");
    EXPECT_EQ(sb.indexOf("ca", 1, before), 2);
    EXPECT_EQ(sb.indexOf("zz", 6, before), -1);
    EXPECT_EQ(textOf(before), "[b\xC3\xA9");
    EXPECT_TRUE(!sb.is7bit() && sb.is7bit(6) && !sb.is7bit(7));
    EXPECT_EQ(sb.countNon7bit(), 2u);
}

TEST(StringBufferQuery, Comparisons) {
    StringBuffer sb("Hello"), empty;
    const char *const null = nullptr;
    EXPECT_TRUE(sb.equals("Hello") && !sb.equals("hello") && sb.equals(StringBuffer("Hello")));
    EXPECT_TRUE(!sb.equals(null) && empty.equals(null));  // null equals only the empty text
    EXPECT_TRUE(sb.equalsIgnoreCase("hELLO") && !sb.equalsIgnoreCase("hELL"));
    EXPECT_TRUE(sb.equalsIgnoreCase(StringBuffer("HELLO")) && !sb.equalsIgnoreCase(StringBuffer("HELLO!")));
    EXPECT_TRUE(sb.beginsWith("He") && sb.beginsWith("") && sb.beginsWith(nullptr) && !sb.beginsWith("Hello!"));
    EXPECT_TRUE(sb.beginsWithIgnoreCase("hel") && sb.beginsWithIgnoreCaseN("HELP", 3));
    EXPECT_FALSE(sb.beginsWithIgnoreCaseN("HELP", 4));
    EXPECT_TRUE(sb.endsWith("llo") && !sb.endsWith("xHello"));
    EXPECT_EQ(sb.compare("Hello"), 0);
    EXPECT_LT(sb.compare("Help"), 0);
    EXPECT_GT(sb.compare(nullptr), 0);
}

}  // namespace
}  // namespace quorvel
