#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::textOf;
using Edit = std::function<uint32_t(StringBuffer &)>;


TEST(StringBufferEdit, TrimCutReplaceCaseAndLineEnds) {
    const char five[5] = {'<', '>', '&', 0, 0};
    std::string items, manyItems, lines, crlfLines;
    for (int i = 0; i < 100; ++i) items += "<x/>", manyItems += "<item></item>", lines += "l\n", crlfLines += "l\r\n";
    const struct { const char *in; Edit edit; uint32_t result; /* the count, or 1/0 for true/false */ std::string out; } cases[] = {
        {"  \t a b \r\n", [](StringBuffer &s) { return s.trim(); }, 7, "a b"},
        {" a\r\n ", [](StringBuffer &s) { return s.trimSpacesTabs(); }, 2, "a\r\n"},
        {"a\r\n\tb   c ", [](StringBuffer &s) { s.collapseWhitespace(); return 0; }, 0, "a b c "},
        {"k=v=m", [](StringBuffer &s) { return s.chopAtLastChar('='); }, 1, "k=v"},
        {"k=v=m", [](StringBuffer &s) { return s.chopAtFirstChar('='); }, 1, "k"},
        {"<a><!-- c --></a>", [](StringBuffer &s) { return s.chopAtSubstring("-->", true); }, 1, "<a><!-- c -->"},
        {"<a><!-- c --></a>", [](StringBuffer &s) { return s.chopAtSubstring("<!--", false); }, 1, "<a>"},
        {"0123456789", [](StringBuffer &s) { s.removeChunk(5, 100); return 0; }, 0, "01234"},
        {"0123456789", [](StringBuffer &s) { s.removeChunk(50, 1); return 0; }, 0, "0123456789"},
        {"0123456789", [](StringBuffer &s) { s.shorten(11); return 0; }, 0, ""},
        {"a,b,,c,", [](StringBuffer &s) { return s.removeCharOccurrencesFrom(',', 3); }, 3, "a,bc"},
        {"a,b,,c,", [](StringBuffer &s) { return s.removeCharOccurrences(','); }, 4, "abc"},
        {"a b.c-d_e:f!g#h(i)\xC3\xA9/", [](StringBuffer &s) { s.keepNameCharacters(); return 0; }, 0,
         "ab.c-d_e:f!ghi\xC3\xA9"},
        {"<a&b>", [&](StringBuffer &s) { return s.replaceAnyOfFive(five, '_'); }, 3, "_a_b_"},
        // replaceChar: a byte of 0x80 or more stands for that Latin-1 character, found and written as UTF-8.
        {"caf\xC3\xA9 \xC3\xA9t\xC3\xA9", [](StringBuffer &s) { return s.replaceChar('\xE9', 'e'); }, 3, "cafe ete"},
        {"eel", [](StringBuffer &s) { return s.replaceChar('e', '\xE9'); }, 2, "\xC3\xA9\xC3\xA9l"},
        {"\xC3\xA9\xC3\xA8", [](StringBuffer &s) { return s.replaceChar('\xE8', '\xFC'); }, 1, "\xC3\xA9\xC3\xBC"},
        // The euro sign E2 82 AC holds bytes 0x82 and 0xAC, but no character U+0082 or U+00AC.
        {"5\xE2\x82\xAC", [](StringBuffer &s) { return s.replaceChar('\xAC', 'x'); }, 0, "5\xE2\x82\xAC"},
        {"5\xE2\x82\xAC", [](StringBuffer &s) { return s.replaceChar('\x82', 'x'); }, 0, "5\xE2\x82\xAC"},
        {"5\xE2\x82\xAC", [](StringBuffer &s) { return s.replaceChar('5', '\0'); }, 0, "5\xE2\x82\xAC"},
        {"aaa", [](StringBuffer &s) { return s.replaceAll("aa", "b"); }, 1, "ba"},
        // A replacement containing the searched text does not feed back into the search.
        {"aXa", [](StringBuffer &s) { return s.replaceAll("a", "aa"); }, 2, "aaXaa"},
        {"aXa", [](StringBuffer &s) { return s.replaceAll("X", nullptr); }, 1, "aa"},
        {items.c_str(), [](StringBuffer &s) { return s.replaceAll("<x/>", "<item></item>"); }, 100, manyItems},
        // The searched text may come from the buffer being edited.
        {"abcabc", [](StringBuffer &s) { return s.replaceAll(s.getString() + 4, "!"); }, 2, "a!a!"},
        {"a--b--c", [](StringBuffer &s) { return s.replaceAllWithChar("--", '+'); }, 2, "a+b+c"},
        {"a/b/c/b", [](StringBuffer &s) { return s.replaceFirst("b", "BB"); }, 1, "a/BB/c/b"},
        {"a/b/c/b", [](StringBuffer &s) { return s.replaceLast("b", ""); }, 1, "a/b/c/"},
        // Latin-1 rules byte-wise; the signs and the letters without a partner stay.
        {"ABCxyz\xC0\xDE\xE0\x80\xD7\xDF\xF7\xFF", [](StringBuffer &s) { s.toLowerCase(); return 0; }, 0,
         "abcxyz\xE0\xFE\xE0\x80\xD7\xDF\xF7\xFF"},
        {"abcXYZ\xE0\xFE\xC0\x80\xD7\xDF\xF7\xFF", [](StringBuffer &s) { s.toUpperCase(); return 0; }, 0,
         "ABCXYZ\xC0\xDE\xC0\x80\xD7\xDF\xF7\xFF"},
        {"a\r\nb\nc\r", [](StringBuffer &s) { return s.toCRLF(); }, 2, "a\r\nb\r\nc"},
        {lines.c_str(), [](StringBuffer &s) { return s.toCRLF(); }, 100, crlfLines},
        {crlfLines.c_str(), [](StringBuffer &s) { s.toLF(); return 0; }, 0, lines},
        {"a\r\nb\r\r\n\r", [](StringBuffer &s) { s.toLF(); return 0; }, 0, "a\nb\r\n\r"},
    };
    for (const auto &c : cases) {
        StringBuffer sb(c.in);
        EXPECT_EQ(c.edit(sb), c.result) << c.in;
        EXPECT_EQ(textOf(sb), c.out) << c.in;
    }
}

TEST(StringBufferEntities, XmlEncodeAndDecode) {
    std::string plain = "a&b<c>d\"e'f", expected = "a&amp;b&lt;c&gt;d&quot;e'f";  // the apostrophe stays
    for (int i = 0; i < 300; ++i) plain += "x<&", expected += "x&lt;&amp;";  // past the builder's local block
    StringBuffer sb(plain.c_str());
    ASSERT_TRUE(sb.encodeXmlEntities());
    EXPECT_EQ(textOf(sb), expected);
    StringBuffer decoded("&lt;a&gt; &amp;amp; &apos;&quot; &unknown; & &lt");
    EXPECT_EQ(decoded.decodeXmlEntities(), 5u);
    EXPECT_EQ(textOf(decoded), "<a> &amp; '\" &unknown; & &lt");
    StringBuffer partial("&lt;&lt;");
    EXPECT_EQ(partial.decodeXmlEntities(4), 1u);
    EXPECT_EQ(textOf(partial), "&lt;<");
    EXPECT_EQ(partial.decodeXmlEntities(50), 0u);
}

TEST(StringBufferEntities, HtmlDecode) {
    const std::pair<const char *, const char *> cases[] = {
        // The ampersand entity is replaced before the less-than entity, and once more afterwards.
        {"&amp;lt;", "<"}, {"&amp;amp;nbsp;", "\xC2\xA0"}, {"&amp;amp;amp;", "&"}, {"&amp;#65;", "A"},
        {"a &nbsp;b&ensp;c&#8194;d&zwj;e&#8207;f", "a  b c d e f"}, {"&unknown; & &;", "&unknown; & &;"},
        // Named entities: Latin-1, and the Windows-1252 extras by name and number.
        {"&quot;&apos;&iexcl;&shy;&times;&divide;&Agrave;&THORN;&szlig;&yuml;", "\"'\xC2\xA1\xC2\xAD\xC3\x97\xC3\xB7\xC3\x80\xC3\x9E\xC3\x9F\xC3\xBF"},
        {"&trade;&#8482;&bull;&OElig;&#338;&Yuml;&tilde;", "\xE2\x84\xA2\xE2\x84\xA2\xE2\x80\xA2\xC5\x92\xC5\x92\xC5\xB8\xCB\x9C"},
        {"&ndash;&ldquo;&permil;&rsaquo;&#8250;&euro;&#8364;&#x20AC;", "\xE2\x80\x93\xE2\x80\x9C\xE2\x80\xB0\xE2\x80\xBA\xE2\x80\xBA\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
        // Character references: hex 1..255, decimal 1..254, 128 and up as Windows-1252.
        {"&#x80;", "\xE2\x82\xAC"}, {"&#x41;&#X42;&#x9;", "AB\t"}, {"&#xe9;", "\xC3\xA9"}, {"&#xFF;", "\xC3\xBF"},
        {"&#x81;", "\xC2\x81"}, {"&#x0;", "&#x0;"}, {"&#x1;", "\x01"}, {"&#65;&#9;", "A\t"},
        {"&#254;", "\xC3\xBE"}, {"&#255;", "&#255;"}, {"&#0;", "&#0;"}, {"&#150;", "\xE2\x80\x93"},
        // Too close to the end, too short, or with more digits than a reference takes: left whole.
        {"x&#65", "x&#65"}, {"&#6", "&#6"}, {"&#x4", "&#x4"}, {"&#1044;", "&#1044;"}, {"&#x414;", "&#x414;"},
        {"&#65 ", "&#65 "}, {"&#xZZ;", "&#xZZ;"},
    };
    for (const auto &[text, decoded] : cases) {
        StringBuffer sb(text);
        EXPECT_TRUE(sb.decodeHtmlEntities());
        EXPECT_EQ(textOf(sb), decoded) << text;
    }
}

}  // namespace
}  // namespace quorvel
