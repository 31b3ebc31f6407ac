// StringBuffer storage: inline and heap text, growth, append, assign, clear, queries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "support/Bytes.h"
#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"

namespace quorvel {
namespace {

using test::textOf;


TEST(StringBufferGrowth, InlineUpTo81BytesThenHeapWithIncrement) {
    StringBuffer sb;
    EXPECT_TRUE(sb.isValidObject());
    EXPECT_EQ(sb.getGrowthIncrement(), 202u);
    ASSERT_TRUE(sb.appendCharN('a', 81));
    EXPECT_TRUE(sb.isInline());
    EXPECT_EQ(sb.getCapacity(), 82u);

    ASSERT_TRUE(sb.appendChar('b'));
    EXPECT_FALSE(sb.isInline());
    EXPECT_EQ(sb.getCapacity(), 81u + 1 + 202 + 1);
    EXPECT_EQ(sb.getGrowthIncrement(), 285u / 2);
    EXPECT_EQ(textOf(sb), std::string(81, 'a') + "b");

    // Nothing moves while length + n stays below the capacity.
    ASSERT_TRUE(sb.appendCharN('c', 202));
    EXPECT_EQ(sb.getCapacity(), 285u);
    ASSERT_TRUE(sb.appendChar('d'));
    EXPECT_EQ(sb.getCapacity(), 285u + 142 + 1);
    EXPECT_EQ(sb.getGrowthIncrement(), 428u / 2);
    EXPECT_EQ(sb.getSize(), 285u);
    EXPECT_EQ(sb.getString()[285], '\0');
}

TEST(StringBufferGrowth, IncrementCappedAt500000) {
    StringBuffer sb;
    ASSERT_TRUE(sb.appendCharN('x', 2000000));
    EXPECT_EQ(sb.getCapacity(), 2000000u + 202 + 1);
    EXPECT_EQ(sb.getGrowthIncrement(), 500000u);
    ASSERT_TRUE(sb.appendCharN('y', 300));
    EXPECT_EQ(sb.getCapacity(), 2000300u + 500000 + 1);
    EXPECT_EQ(sb.getGrowthIncrement(), 500000u);
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

TEST(StringBufferAppend, CountedAppendDropsTrailingNuls) {
    StringBuffer sb;
    ASSERT_TRUE(sb.appendN("ab\0\0", 4));
    EXPECT_EQ(sb.getSize(), 2u);
    ASSERT_TRUE(sb.appendN("\0\0\0", 3));
    EXPECT_EQ(textOf(sb), "ab");
    ASSERT_TRUE(sb.appendN("cdef", 2));
    EXPECT_EQ(textOf(sb), "abcd");
    EXPECT_TRUE(sb.append(static_cast<const char *>(nullptr)));
    EXPECT_EQ(textOf(sb), "abcd");
}

TEST(StringBufferAppend, AllForms) {
    StringBuffer sb;
    StringBuffer other("<o>");
    DataBuffer data;
    ASSERT_TRUE(data.append("DB", 2));
    EXPECT_TRUE(sb.append("s"));
    EXPECT_TRUE(sb.append(other));
    EXPECT_TRUE(sb.appendData(data));
    EXPECT_TRUE(sb.appendChar('1'));
    EXPECT_TRUE(sb.appendChar2('2', '3'));
    EXPECT_TRUE(sb.appendChar3('4', '5', '6'));
    EXPECT_TRUE(sb.appendCharN('-', 3));
    EXPECT_TRUE(sb.prepend("pre:"));
    EXPECT_EQ(textOf(sb), "pre:s<o>DB123456---");

    StringBuffer n;
    n.appendInt32(INT32_MIN);
    n.appendChar(' ');
    n.appendUint32(4294967295u);
    n.appendChar(' ');
    n.appendInt64(INT64_MIN);
    n.appendChar(' ');
    n.appendInt64(0);
    n.appendChar(' ');
    n.appendInt32(-7);
    EXPECT_EQ(textOf(n), "-2147483648 4294967295 -9223372036854775808 0 -7");
}

TEST(StringBufferAppend, SourceInsideTheBufferSurvivesGrowth) {
    StringBuffer sb;
    sb.appendCharN('a', 60);
    ASSERT_TRUE(sb.append(sb.getString()));
    EXPECT_EQ(textOf(sb), std::string(120, 'a'));
    ASSERT_TRUE(sb.appendN(sb.getString() + 100, 20));
    EXPECT_EQ(sb.getSize(), 140u);
    ASSERT_TRUE(sb.prepend(sb.getString() + 130));
    EXPECT_EQ(sb.getSize(), 150u);

    StringBuffer text("hello world");
    ASSERT_TRUE(text.setString(text.getString() + 6));
    EXPECT_EQ(textOf(text), "world");
    ASSERT_TRUE(text.setString(text));
    EXPECT_EQ(textOf(text), "world");
}

TEST(StringBufferAssign, TakeAndRelease) {
    StringBuffer longText;
    longText.appendCharN('L', 300);
    const char *storage = longText.getString();
    StringBuffer taker("old");
    taker.takeString(longText);
    EXPECT_EQ(taker.getString(), storage);
    EXPECT_EQ(taker.getSize(), 300u);
    EXPECT_TRUE(longText.isEmpty());
    EXPECT_TRUE(longText.isInline());

    StringBuffer shortText("short");
    taker.takeString(shortText);
    EXPECT_EQ(textOf(taker), "short");
    EXPECT_TRUE(taker.isInline());

    uint32_t len = 0;
    char *released = taker.releaseText(len);
    ASSERT_NE(released, nullptr);
    EXPECT_EQ(std::string(released, len), "short");
    free(released);
    EXPECT_TRUE(taker.isEmpty());

    StringBuffer heap;
    heap.appendCharN('h', 100);
    released = heap.releaseText(len);
    ASSERT_NE(released, nullptr);
    EXPECT_EQ(len, 100u);
    EXPECT_EQ(released[100], '\0');
    free(released);
    EXPECT_TRUE(heap.isInline());
}

TEST(StringBufferAssign, TakeDataAdoptsConverterOutput) {
    DataBuffer shortData;
    shortData.append("abc\0", 4);
    StringBuffer sb("x");
    ASSERT_TRUE(sb.takeData(shortData));
    EXPECT_EQ(textOf(sb), "abc");
    EXPECT_TRUE(shortData.isEmpty());

    std::string big(500, 'z');
    DataBuffer bigData;
    bigData.append(big.data(), 500);  // no terminator of its own
    ASSERT_TRUE(sb.takeData(bigData));
    EXPECT_EQ(textOf(sb), big);
    EXPECT_TRUE(bigData.isEmpty());

    DataBuffer borrowed;
    borrowed.borrow(big.data(), 200);
    ASSERT_TRUE(sb.takeData(borrowed));
    EXPECT_EQ(textOf(sb), std::string(200, 'z'));
    EXPECT_NE(sb.getString(), big.data());
}

TEST(StringBufferAssign, FactoriesAndCopies) {
    std::unique_ptr<StringBuffer> exact(StringBuffer::createNewFrom(std::string(100, 'e').c_str()));
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->getCapacity(), 101u);
    EXPECT_EQ(exact->getGrowthIncrement(), 202u);
    std::unique_ptr<StringBuffer> small(StringBuffer::createNewFrom("tiny"));
    EXPECT_TRUE(small->isInline());
    std::unique_ptr<StringBuffer> grown(StringBuffer::createNewWithGrowth(7));
    EXPECT_EQ(grown->getGrowthIncrement(), 7u);
    std::unique_ptr<StringBuffer> empty(StringBuffer::createNew());
    EXPECT_TRUE(empty->isEmpty());

    StringBuffer copy(*exact);
    EXPECT_TRUE(copy.equals(*exact));
    EXPECT_NE(copy.objectSerial(), exact->objectSerial());
    StringBuffer assigned("x");
    assigned = *small;
    EXPECT_EQ(textOf(assigned), "tiny");
}

TEST(StringBufferClear, ClearFormsAndShrink) {
    StringBuffer sb;
    sb.appendCharN('q', 1000);
    uint32_t capacity = sb.getCapacity();
    sb.clear();
    EXPECT_TRUE(sb.isEmpty());
    EXPECT_EQ(sb.getCapacity(), capacity);
    EXPECT_EQ(sb.getGrowthIncrement(), 202u);

    sb.appendCharN('q', 10);
    sb.minimizeMemory();
    EXPECT_TRUE(sb.isInline());
    EXPECT_EQ(textOf(sb), std::string(10, 'q'));

    sb.appendCharN('r', 1990);
    ASSERT_FALSE(sb.isInline());
    sb.shorten(1000);
    sb.minimizeMemory();
    EXPECT_EQ(sb.getCapacity(), 1001u);
    EXPECT_EQ(sb.getSize(), 1000u);

    sb.clearRelease();
    EXPECT_TRUE(sb.isInline());
    sb.appendCharN('s', 500);
    sb.secureClear();
    EXPECT_TRUE(sb.isEmpty());
    EXPECT_TRUE(sb.isInline());
    EXPECT_EQ(sb.getGrowthIncrement(), 202u);
}

TEST(StringBufferQuery, CharactersAndSubstrings) {
    StringBuffer sb("abcabc\xC3\xA9");
    EXPECT_EQ(sb.charAt(1), 'b');
    EXPECT_EQ(sb.charAt(99), '\0');
    EXPECT_EQ(sb.lastChar(), '\xA9');
    EXPECT_EQ(StringBuffer().lastChar(), '\0');
    EXPECT_EQ(sb.countChar('a'), 2u);
    EXPECT_TRUE(sb.containsChar('c'));
    EXPECT_FALSE(sb.containsChar('z'));
    EXPECT_TRUE(sb.contains("cab"));
    EXPECT_FALSE(sb.contains("cb"));
    EXPECT_EQ(sb.indexOf("bc"), 1);
    EXPECT_EQ(sb.indexOf("bc", 2), 4);
    EXPECT_EQ(sb.indexOf("bc", 5), -1);
    EXPECT_EQ(sb.indexOf("a", 100), -1);

    StringBuffer before("[");
    EXPECT_EQ(sb.indexOf("ca", 1, before), 2);
    EXPECT_EQ(textOf(before), "[b");
    EXPECT_EQ(sb.indexOf("zz", 6, before), -1);
    EXPECT_EQ(textOf(before), "[b\xC3\xA9");

    EXPECT_FALSE(sb.is7bit());
    EXPECT_TRUE(sb.is7bit(6));
    EXPECT_FALSE(sb.is7bit(7));
    EXPECT_EQ(sb.countNon7bit(), 2u);
}

TEST(StringBufferQuery, Comparisons) {
    StringBuffer sb("Hello");
    EXPECT_TRUE(sb.equals("Hello"));
    EXPECT_FALSE(sb.equals("hello"));
    EXPECT_FALSE(sb.equals(static_cast<const char *>(nullptr)));
    EXPECT_TRUE(StringBuffer().equals(static_cast<const char *>(nullptr)));
    EXPECT_TRUE(sb.equals(StringBuffer("Hello")));
    EXPECT_TRUE(sb.equalsIgnoreCase("hELLO"));
    EXPECT_FALSE(sb.equalsIgnoreCase("hELL"));
    EXPECT_TRUE(sb.equalsIgnoreCase(StringBuffer("HELLO")));
    EXPECT_FALSE(sb.equalsIgnoreCase(StringBuffer("HELLO!")));
    EXPECT_TRUE(sb.beginsWith("He"));
    EXPECT_TRUE(sb.beginsWith(""));
    EXPECT_TRUE(sb.beginsWith(nullptr));
    EXPECT_FALSE(sb.beginsWith("Hello!"));
    EXPECT_TRUE(sb.beginsWithIgnoreCase("hel"));
    EXPECT_TRUE(sb.beginsWithIgnoreCaseN("HELP", 3));
    EXPECT_FALSE(sb.beginsWithIgnoreCaseN("HELP", 4));
    EXPECT_TRUE(sb.endsWith("llo"));
    EXPECT_FALSE(sb.endsWith("xHello"));
    EXPECT_EQ(sb.compare("Hello"), 0);
    EXPECT_LT(sb.compare("Help"), 0);
    EXPECT_GT(sb.compare(nullptr), 0);
}

}  // namespace
}  // namespace quorvel
