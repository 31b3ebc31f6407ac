// XML entity encoding and decoding, HTML entity decoding.
#include <gtest/gtest.h>

#include <string>

#include "foundation/StringBuffer.h"
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
    // Each becomes its Windows-1252 character; the non-breaking space entity is replaced by a
    // plain space in the first round, and the spacing entities are plain spaces as well.
    const std::pair<const char *, uint32_t> entities[] = {
        {"quot", 0x22}, {"apos", 0x27}, {"amp", 0x26}, {"lt", 0x3C}, {"gt", 0x3E}, {"nbsp", 0x20}, {"iexcl", 0xA1},
        {"curren", 0xA4}, {"cent", 0xA2}, {"pound", 0xA3}, {"yen", 0xA5}, {"brvbar", 0xA6}, {"sect", 0xA7},
        {"uml", 0xA8}, {"copy", 0xA9}, {"ordf", 0xAA}, {"laquo", 0xAB}, {"not", 0xAC}, {"shy", 0xAD}, {"reg", 0xAE},
        {"trade", 0x2122}, {"#8482", 0x2122}, {"macr", 0xAF}, {"deg", 0xB0}, {"plusmn", 0xB1}, {"sup2", 0xB2},
        {"sup3", 0xB3}, {"acute", 0xB4}, {"micro", 0xB5}, {"para", 0xB6}, {"middot", 0xB7}, {"cedil", 0xB8},
        {"sup1", 0xB9}, {"ordm", 0xBA}, {"raquo", 0xBB}, {"frac14", 0xBC}, {"frac12", 0xBD}, {"frac34", 0xBE},
        {"iquest", 0xBF}, {"times", 0xD7}, {"divide", 0xF7}, {"Agrave", 0xC0}, {"Aacute", 0xC1}, {"Acirc", 0xC2},
        {"Atilde", 0xC3}, {"Auml", 0xC4}, {"Aring", 0xC5}, {"AElig", 0xC6}, {"Ccedil", 0xC7}, {"Egrave", 0xC8},
        {"Eacute", 0xC9}, {"Ecirc", 0xCA}, {"Euml", 0xCB}, {"Igrave", 0xCC}, {"Iacute", 0xCD}, {"Icirc", 0xCE},
        {"Iuml", 0xCF}, {"ETH", 0xD0}, {"Ntilde", 0xD1}, {"Ograve", 0xD2}, {"Oacute", 0xD3}, {"Ocirc", 0xD4},
        {"Otilde", 0xD5}, {"Ouml", 0xD6}, {"Oslash", 0xD8}, {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"Ucirc", 0xDB},
        {"Uuml", 0xDC}, {"Yacute", 0xDD}, {"THORN", 0xDE}, {"szlig", 0xDF}, {"agrave", 0xE0}, {"aacute", 0xE1},
        {"acirc", 0xE2}, {"atilde", 0xE3}, {"auml", 0xE4}, {"aring", 0xE5}, {"aelig", 0xE6}, {"ccedil", 0xE7},
        {"egrave", 0xE8}, {"bull", 0x2022}, {"eacute", 0xE9}, {"ecirc", 0xEA}, {"euml", 0xEB}, {"igrave", 0xEC},
        {"iacute", 0xED}, {"icirc", 0xEE}, {"iuml", 0xEF}, {"eth", 0xF0}, {"ntilde", 0xF1}, {"ograve", 0xF2},
        {"oacute", 0xF3}, {"ocirc", 0xF4}, {"otilde", 0xF5}, {"ouml", 0xF6}, {"oslash", 0xF8}, {"ugrave", 0xF9},
        {"uacute", 0xFA}, {"ucirc", 0xFB}, {"uuml", 0xFC}, {"yacute", 0xFD}, {"thorn", 0xFE}, {"yuml", 0xFF},
        {"OElig", 0x152}, {"#338", 0x152}, {"oelig", 0x153}, {"#339", 0x153}, {"Scaron", 0x160}, {"#352", 0x160},
        {"scaron", 0x161}, {"#353", 0x161}, {"Yuml", 0x178}, {"#376", 0x178}, {"circ", 0x2C6}, {"#710", 0x2C6},
        {"tilde", 0x2DC}, {"#732", 0x2DC}, {"ensp", 0x20}, {"#8194", 0x20}, {"emsp", 0x20}, {"#8195", 0x20},
        {"thinsp", 0x20}, {"#8201", 0x20}, {"zwnj", 0x20}, {"#8204", 0x20}, {"zwj", 0x20}, {"#8205", 0x20},
        {"lrm", 0x20}, {"#8206", 0x20}, {"rlm", 0x20}, {"#8207", 0x20}, {"ndash", 0x2013}, {"#8211", 0x2013},
        {"mdash", 0x2014}, {"#8212", 0x2014}, {"lsquo", 0x2018}, {"#8216", 0x2018}, {"rsquo", 0x2019},
        {"#8217", 0x2019}, {"sbquo", 0x201A}, {"#8218", 0x201A}, {"ldquo", 0x201C}, {"#8220", 0x201C},
        {"rdquo", 0x201D}, {"#8221", 0x201D}, {"bdquo", 0x201E}, {"#8222", 0x201E}, {"dagger", 0x2020},
        {"#8224", 0x2020}, {"Dagger", 0x2021}, {"#8225", 0x2021}, {"hellip", 0x2026}, {"#8230", 0x2026},
        {"permil", 0x2030}, {"#8240", 0x2030}, {"lsaquo", 0x2039}, {"#8249", 0x2039}, {"rsaquo", 0x203A},
        {"#8250", 0x203A}, {"euro", 0x20AC}, {"#8364", 0x20AC}, {"#x20AC", 0x20AC},
    };
    ASSERT_EQ(sizeof entities / sizeof entities[0], 163u);
    for (const auto &[name, cp] : entities)
        EXPECT_EQ(htmlDecoded(std::string("x&") + name + ";y"), "x" + utf8(cp) + "y") << name;
}

}  // namespace
}  // namespace quorvel
