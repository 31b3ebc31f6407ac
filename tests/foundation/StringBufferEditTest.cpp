// StringBuffer edits: trim, cut, remove, replace, case, line endings, numbers, name=value.
#include <gtest/gtest.h>

#include <string>

#include "support/Bytes.h"
#include "foundation/StringBuffer.h"

namespace quorvel {
namespace {

using test::textOf;


TEST(StringBufferEdit, TrimAndCollapse) {
    StringBuffer sb("  \t a b \r\n");
    EXPECT_EQ(sb.trim(), 7u);
    EXPECT_EQ(textOf(sb), "a b");
    StringBuffer keepsLineEnd(" a\r\n ");
    EXPECT_EQ(keepsLineEnd.trimSpacesTabs(), 2u);
    EXPECT_EQ(textOf(keepsLineEnd), "a\r\n");
    StringBuffer blank(" \r\n\t");
    EXPECT_EQ(blank.trim(), 4u);
    EXPECT_TRUE(blank.isEmpty());

    StringBuffer spaced("a\r\n\tb   c ");
    spaced.collapseWhitespace();
    EXPECT_EQ(textOf(spaced), "a b c ");
}

TEST(StringBufferEdit, CutAndRemove) {
    StringBuffer sb("key=value=more");
    EXPECT_TRUE(sb.chopAtLastChar('='));
    EXPECT_EQ(textOf(sb), "key=value");
    EXPECT_TRUE(sb.chopAtFirstChar('='));
    EXPECT_EQ(textOf(sb), "key");
    EXPECT_FALSE(sb.chopAtFirstChar('#'));

    StringBuffer tag("<a><!-- c --></a>");
    EXPECT_TRUE(tag.chopAtSubstring("-->", true));
    EXPECT_EQ(textOf(tag), "<a><!-- c -->");
    EXPECT_TRUE(tag.chopAtSubstring("<!--", false));
    EXPECT_EQ(textOf(tag), "<a>");

    StringBuffer chunk("0123456789");
    chunk.removeChunk(2, 3);
    EXPECT_EQ(textOf(chunk), "0156789");
    chunk.removeChunk(5, 100);
    EXPECT_EQ(textOf(chunk), "01567");
    chunk.removeChunk(50, 1);
    chunk.shorten(2);
    EXPECT_EQ(textOf(chunk), "015");
    chunk.shorten(10);
    EXPECT_TRUE(chunk.isEmpty());

    StringBuffer commas("a,b,,c,");
    EXPECT_EQ(commas.removeCharOccurrencesFrom(',', 3), 3u);
    EXPECT_EQ(textOf(commas), "a,bc");
    EXPECT_EQ(commas.removeCharOccurrences(','), 1u);
    EXPECT_EQ(textOf(commas), "abc");

    StringBuffer name("a b.c-d_e:f!g#h(i)\xC3\xA9/");
    name.keepNameCharacters();
    EXPECT_EQ(textOf(name), "ab.c-d_e:f!ghi\xC3\xA9");
}

TEST(StringBufferEdit, ReplaceCharNeverSplitsUtf8) {
    StringBuffer ascii("a-b-c");
    EXPECT_EQ(ascii.replaceChar('-', '+'), 2u);
    EXPECT_EQ(textOf(ascii), "a+b+c");

    // 0xE9 stands for U+00E9, found and written in its UTF-8 form.
    StringBuffer cafe("caf\xC3\xA9 \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(cafe.replaceChar('\xE9', 'e'), 3u);
    EXPECT_EQ(textOf(cafe), "cafe ete");
    StringBuffer eel("eel");
    EXPECT_EQ(eel.replaceChar('e', '\xE9'), 2u);
    EXPECT_EQ(textOf(eel), "\xC3\xA9\xC3\xA9l");
    StringBuffer accents("\xC3\xA9\xC3\xA8");
    EXPECT_EQ(accents.replaceChar('\xE8', '\xFC'), 1u);
    EXPECT_EQ(textOf(accents), "\xC3\xA9\xC3\xBC");

    // The euro sign E2 82 AC holds bytes 0x82 and 0xAC, but no character U+0082 or U+00AC.
    StringBuffer euro("5\xE2\x82\xAC");
    EXPECT_EQ(euro.replaceChar('\xAC', 'x'), 0u);
    EXPECT_EQ(euro.replaceChar('\x82', 'x'), 0u);
    EXPECT_EQ(textOf(euro), "5\xE2\x82\xAC");
    EXPECT_EQ(euro.replaceChar('5', '\0'), 0u);
    EXPECT_EQ(textOf(euro), "5\xE2\x82\xAC");

    const char five[5] = {'<', '>', '&', 0, 0};
    StringBuffer markup("<a&b>");
    EXPECT_EQ(markup.replaceAnyOfFive(five, '_'), 3u);
    EXPECT_EQ(textOf(markup), "_a_b_");
}

TEST(StringBufferEdit, ReplaceSubstrings) {
    StringBuffer sb("aaa");
    EXPECT_EQ(sb.replaceAll("aa", "b"), 1u);
    EXPECT_EQ(textOf(sb), "ba");

    // A replacement containing the searched text does not feed back into the search.
    StringBuffer grow("aXa");
    EXPECT_EQ(grow.replaceAll("a", "aa"), 2u);
    EXPECT_EQ(textOf(grow), "aaXaa");
    EXPECT_EQ(grow.replaceAll("", "z"), 0u);
    EXPECT_EQ(grow.replaceAll("X", nullptr), 1u);
    EXPECT_EQ(textOf(grow), "aaaa");

    StringBuffer big;
    for (int i = 0; i < 100; ++i) big.append("<x/>");
    EXPECT_EQ(big.replaceAll("<x/>", "<item></item>"), 100u);
    EXPECT_EQ(big.getSize(), 1300u);
    EXPECT_TRUE(big.beginsWith("<item></item><item>"));

    StringBuffer dashes("a--b--c");
    EXPECT_EQ(dashes.replaceAllWithChar("--", '+'), 2u);
    EXPECT_EQ(textOf(dashes), "a+b+c");

    StringBuffer path("a/b/c/b");
    EXPECT_TRUE(path.replaceFirst("b", "BB"));
    EXPECT_EQ(textOf(path), "a/BB/c/b");
    EXPECT_TRUE(path.replaceLast("b", ""));
    EXPECT_EQ(textOf(path), "a/BB/c/");
    EXPECT_FALSE(path.replaceFirst("zz", "y"));

    StringBuffer self("abcabc");
    // The searched text is taken from the buffer being edited.
    EXPECT_EQ(self.replaceAll(self.getString() + 4, "!"), 2u);
    EXPECT_EQ(textOf(self), "a!a!");
}

TEST(StringBufferEdit, CaseUsesLatin1RulesBytewise) {
    StringBuffer lower("ABCxyz\xC0\xDE\xE0\x80");
    lower.toLowerCase();
    EXPECT_EQ(textOf(lower), "abcxyz\xE0\xFE\xE0\x80");
    StringBuffer upper("abcXYZ\xE0\xFE\xC0\x80");
    upper.toUpperCase();
    EXPECT_EQ(textOf(upper), "ABCXYZ\xC0\xDE\xC0\x80");

    // The signs and the letters without a partner in Latin-1 stay as they are.
    StringBuffer unpaired("\xD7\xDF\xF7\xFF");
    unpaired.toLowerCase();
    EXPECT_EQ(textOf(unpaired), "\xD7\xDF\xF7\xFF");
    unpaired.toUpperCase();
    EXPECT_EQ(textOf(unpaired), "\xD7\xDF\xF7\xFF");
}

TEST(StringBufferEdit, LineEndings) {
    StringBuffer sb("a\r\nb\nc\r");
    EXPECT_EQ(sb.toCRLF(), 2u);
    EXPECT_EQ(textOf(sb), "a\r\nb\r\nc");
    StringBuffer many;
    for (int i = 0; i < 100; ++i) many.append("l\n");
    EXPECT_EQ(many.toCRLF(), 100u);
    EXPECT_EQ(many.getSize(), 300u);
    many.toLF();
    EXPECT_EQ(many.getSize(), 200u);
    StringBuffer lf("a\r\nb\r\r\n\r");
    lf.toLF();
    EXPECT_EQ(textOf(lf), "a\nb\r\n\r");
}

TEST(StringBufferEdit, IntValueSaturatesOutsideInt32) {
    const struct {
        const char *text;
        int32_t value;
    } cases[] = {
        {"", 0},
        {"42", 42},
        {"-0042abc", -42},
        {"+", 0},
        {"-", 0},
        {"+17", 17},
        {" 5", 0},
        {"--5", 0},
        {"abc", 0},
        {"0000000000000000000001", 1},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"4294967296", INT32_MAX},
        {"99999999999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999999", INT32_MIN},
    };
    for (const auto &c : cases) EXPECT_EQ(StringBuffer(c.text).intValue(), c.value) << "\"" << c.text << "\"";
}

TEST(StringBufferEdit, NameValue) {
    StringBuffer name("old");
    StringBuffer value;
    StringBuffer line("  name = \"va lue\" ");
    ASSERT_TRUE(line.splitNameValue(name, value, true));
    EXPECT_EQ(textOf(name), "name");
    EXPECT_EQ(textOf(value), "va lue");
    ASSERT_TRUE(line.splitNameValue(name, value, false));
    EXPECT_EQ(textOf(value), "\"va lue\"");
    ASSERT_TRUE(StringBuffer("a=b=c").splitNameValue(name, value, true));
    EXPECT_EQ(textOf(value), "b=c");
    ASSERT_TRUE(StringBuffer("q=\"").splitNameValue(name, value, true));
    EXPECT_EQ(textOf(value), "\"");
    EXPECT_FALSE(StringBuffer("no pair").splitNameValue(name, value, true));
    EXPECT_TRUE(name.isEmpty());

    StringBuffer header("text/html; xcharset=bad; charset=utf-8; x=1");
    ASSERT_TRUE(header.getNameValueParam("charset", value));
    EXPECT_EQ(textOf(value), "utf-8");
    ASSERT_TRUE(header.getNameValueParam("x", value));
    EXPECT_EQ(textOf(value), "1");
    EXPECT_FALSE(header.getNameValueParam("boundary", value));
    EXPECT_TRUE(value.isEmpty());
    ASSERT_TRUE(StringBuffer("a=").getNameValueParam("a", value));
    EXPECT_TRUE(value.isEmpty());
}

}  // namespace
}  // namespace quorvel
