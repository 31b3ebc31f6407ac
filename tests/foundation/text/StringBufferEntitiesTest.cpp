#include <gtest/gtest.h>

#include <string>

#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::textOf;

std::string htmlDecoded(const std::string &text) {
    StringBuffer sb(text.c_str());
    EXPECT_TRUE(sb.decodeHtmlEntities());
    return textOf(sb);
}

// The UTF-8 form of a character below U+10000.
std::string utf8(uint32_t cp) {
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    if (cp < 0x800) return {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
    return {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))};
}

TEST(StringBufferEntities, XmlEncodeLeavesApostrophe) {
    StringBuffer sb("a&b<c>d\"e'f");
    ASSERT_TRUE(sb.encodeXmlEntities());
    EXPECT_EQ(textOf(sb), "a&amp;b&lt;c&gt;d&quot;e'f");
    std::string plain, expected;  // longer than the builder's local block
    for (int i = 0; i < 300; ++i) plain += "x<&", expected += "x&lt;&amp;";
    StringBuffer big(plain.c_str());
    ASSERT_TRUE(big.encodeXmlEntities());
    EXPECT_EQ(textOf(big), expected);
}

TEST(StringBufferEntities, XmlDecodeFromIndex) {
    StringBuffer sb("&lt;a&gt; &amp;amp; &apos;&quot; &unknown; & &lt");
    EXPECT_EQ(sb.decodeXmlEntities(), 5u);
    EXPECT_EQ(textOf(sb), "<a> &amp; '\" &unknown; & &lt");
    StringBuffer partial("&lt;&lt;");
    EXPECT_EQ(partial.decodeXmlEntities(4), 1u);
    EXPECT_EQ(textOf(partial), "&lt;<");
    EXPECT_EQ(partial.decodeXmlEntities(50), 0u);
}

TEST(StringBufferEntities, HtmlDecode) {
    const std::pair<const char *, const char *> cases[] = {
        // The ampersand entity is replaced before the less-than entity, and once more afterwards.
        {"&amp;lt;", "<"}, {"&amp;amp;nbsp;", "\xC2\xA0"}, {"&amp;amp;amp;", "&"}, {"&amp;#65;", "A"},
        {"a &nbsp;b&ensp;c&#8194;d&zwj;e", "a  b c d e"}, {"no entities", "no entities"},
        {"&unknown; & &;", "&unknown; & &;"},
        // Character references: hex 1..255, decimal 1..254, 128 and up as Windows-1252.
        {"&#x80;", "\xE2\x82\xAC"}, {"&#x41;&#X42;&#x9;", "AB\t"}, {"&#xe9;", "\xC3\xA9"}, {"&#xFF;", "\xC3\xBF"},
        {"&#x81;", "\xC2\x81"}, {"&#x0;", "&#x0;"}, {"&#x1;", "\x01"}, {"&#65;", "A"}, {"&#9;", "\t"},
        {"&#254;", "\xC3\xBE"}, {"&#255;", "&#255;"}, {"&#0;", "&#0;"}, {"&#150;", "\xE2\x80\x93"},
        // Too close to the end, too short, or with more digits than a reference takes: left whole.
        {"x&#65", "x&#65"}, {"&#6", "&#6"}, {"&#x4", "&#x4"}, {"&#1044;", "&#1044;"}, {"&#x414;", "&#x414;"},
        {"&#65 ", "&#65 "}, {"&#xZZ;", "&#xZZ;"},
    };
    for (const auto &[text, decoded] : cases) EXPECT_EQ(htmlDecoded(text), decoded) << text;
}

TEST(StringBufferEntities, HtmlDecodeWholeNamedList) {
    // Latin-1 names, the Windows-1252 extras by name and number, and the spacing entities as spaces.
    const std::pair<const char *, uint32_t> entities[] = {
        {"quot", 0x22}, {"apos", 0x27}, {"nbsp", 0x20}, {"iexcl", 0xA1}, {"curren", 0xA4}, {"shy", 0xAD},
        {"trade", 0x2122}, {"#8482", 0x2122}, {"times", 0xD7}, {"divide", 0xF7}, {"Agrave", 0xC0}, {"THORN", 0xDE},
        {"szlig", 0xDF}, {"bull", 0x2022}, {"yuml", 0xFF}, {"OElig", 0x152}, {"#338", 0x152}, {"Yuml", 0x178},
        {"tilde", 0x2DC}, {"ensp", 0x20}, {"#8207", 0x20}, {"ndash", 0x2013}, {"ldquo", 0x201C}, {"permil", 0x2030},
        {"rsaquo", 0x203A}, {"#8250", 0x203A}, {"euro", 0x20AC}, {"#8364", 0x20AC}, {"#x20AC", 0x20AC},
    };
    for (const auto &[name, cp] : entities)
        EXPECT_EQ(htmlDecoded(std::string("x&") + name + ";y"), "x" + utf8(cp) + "y") << name;
}

}  // namespace
}  // namespace quorvel
