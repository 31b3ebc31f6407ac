// XML entity encoding and decoding, HTML entity decoding.
#include <gtest/gtest.h>

#include <string>

#include "support/Bytes.h"
#include "foundation/StringBuffer.h"

namespace quorvel {
namespace {

using test::textOf;


std::string htmlDecoded(const char *text) {
    StringBuffer sb(text);
    EXPECT_TRUE(sb.decodeHtmlEntities());
    return textOf(sb);
}

TEST(StringBufferEntities, XmlEncodeLeavesApostrophe) {
    StringBuffer sb("a&b<c>d\"e'f");
    ASSERT_TRUE(sb.encodeXmlEntities());
    EXPECT_EQ(textOf(sb), "a&amp;b&lt;c&gt;d&quot;e'f");

    // Longer than the local block of the builder.
    std::string plain;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        plain += "x<&";
        expected += "x&lt;&amp;";
    }
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

TEST(StringBufferEntities, HtmlDecodeOrdering) {
    // The ampersand entity is replaced before the less-than entity.
    EXPECT_EQ(htmlDecoded("&amp;lt;"), "<");
    EXPECT_EQ(htmlDecoded("&amp;amp;nbsp;"), "\xC2\xA0");
    EXPECT_EQ(htmlDecoded("&amp;amp;amp;"), "&");
    EXPECT_EQ(htmlDecoded("&amp;#65;"), "A");
    EXPECT_EQ(htmlDecoded("a &nbsp;b&ensp;c&#8194;d&zwj;e"), "a  b c d e");
    EXPECT_EQ(htmlDecoded("no entities here"), "no entities here");
    EXPECT_EQ(htmlDecoded("&unknown; & &;"), "&unknown; & &;");
}

TEST(StringBufferEntities, HtmlDecodeCharacterReferences) {
    const struct {
        const char *text;
        const char *decoded;
    } cases[] = {
        {"&#x80;", "\xE2\x82\xAC"},
        {"&#x41;&#X42;&#x9;", "AB\t"},
        {"&#xe9;", "\xC3\xA9"},
        {"&#xFF;", "\xC3\xBF"},
        {"&#x81;", "\xC2\x81"},
        {"&#x0;", "&#x0;"},
        {"&#x1;", "\x01"},
        {"&#65;", "A"},
        {"&#9;", "\t"},
        {"&#254;", "\xC3\xBE"},
        {"&#255;", "&#255;"},
        {"&#0;", "&#0;"},
        {"&#150;", "\xE2\x80\x93"},
        {"x&#65", "x&#65"},
        {"&#6", "&#6"},
        {"&#x4", "&#x4"},
        // Numbers with more digits than a reference takes are left whole, not cut short.
        {"&#1044;", "&#1044;"},
        {"&#x414;", "&#x414;"},
        {"&#65 ", "&#65 "},
        {"&#xZZ;", "&#xZZ;"},
    };
    for (const auto &c : cases) EXPECT_EQ(htmlDecoded(c.text), c.decoded) << c.text;
}

TEST(StringBufferEntities, HtmlDecodeWholeNamedList) {
    // Expected characters are those of the Windows-1252 code for each entity.
    const struct {
        const char *name;
        const char *utf8;
    } entities[] = {
        {"quot", "\x22"}, {"apos", "'"}, {"amp", "&"}, {"lt", "<"}, {"gt", ">"},
        {"nbsp", "\xC2\xA0"}, {"iexcl", "\xC2\xA1"}, {"curren", "\xC2\xA4"}, {"cent", "\xC2\xA2"},
        {"pound", "\xC2\xA3"}, {"yen", "\xC2\xA5"}, {"brvbar", "\xC2\xA6"}, {"sect", "\xC2\xA7"},
        {"uml", "\xC2\xA8"}, {"copy", "\xC2\xA9"}, {"ordf", "\xC2\xAA"}, {"laquo", "\xC2\xAB"},
        {"not", "\xC2\xAC"}, {"shy", "\xC2\xAD"}, {"reg", "\xC2\xAE"}, {"trade", "\xE2\x84\xA2"},
        {"#8482", "\xE2\x84\xA2"}, {"macr", "\xC2\xAF"}, {"deg", "\xC2\xB0"},
        {"plusmn", "\xC2\xB1"}, {"sup2", "\xC2\xB2"}, {"sup3", "\xC2\xB3"}, {"acute", "\xC2\xB4"},
        {"micro", "\xC2\xB5"}, {"para", "\xC2\xB6"}, {"middot", "\xC2\xB7"}, {"cedil", "\xC2\xB8"},
        {"sup1", "\xC2\xB9"}, {"ordm", "\xC2\xBA"}, {"raquo", "\xC2\xBB"}, {"frac14", "\xC2\xBC"},
        {"frac12", "\xC2\xBD"}, {"frac34", "\xC2\xBE"}, {"iquest", "\xC2\xBF"},
        {"times", "\xC3\x97"}, {"divide", "\xC3\xB7"}, {"Agrave", "\xC3\x80"},
        {"Aacute", "\xC3\x81"}, {"Acirc", "\xC3\x82"}, {"Atilde", "\xC3\x83"}, {"Auml", "\xC3\x84"},
        {"Aring", "\xC3\x85"}, {"AElig", "\xC3\x86"}, {"Ccedil", "\xC3\x87"},
        {"Egrave", "\xC3\x88"}, {"Eacute", "\xC3\x89"}, {"Ecirc", "\xC3\x8A"}, {"Euml", "\xC3\x8B"},
        {"Igrave", "\xC3\x8C"}, {"Iacute", "\xC3\x8D"}, {"Icirc", "\xC3\x8E"}, {"Iuml", "\xC3\x8F"},
        {"ETH", "\xC3\x90"}, {"Ntilde", "\xC3\x91"}, {"Ograve", "\xC3\x92"}, {"Oacute", "\xC3\x93"},
        {"Ocirc", "\xC3\x94"}, {"Otilde", "\xC3\x95"}, {"Ouml", "\xC3\x96"}, {"Oslash", "\xC3\x98"},
        {"Ugrave", "\xC3\x99"}, {"Uacute", "\xC3\x9A"}, {"Ucirc", "\xC3\x9B"}, {"Uuml", "\xC3\x9C"},
        {"Yacute", "\xC3\x9D"}, {"THORN", "\xC3\x9E"}, {"szlig", "\xC3\x9F"},
        {"agrave", "\xC3\xA0"}, {"aacute", "\xC3\xA1"}, {"acirc", "\xC3\xA2"},
        {"atilde", "\xC3\xA3"}, {"auml", "\xC3\xA4"}, {"aring", "\xC3\xA5"}, {"aelig", "\xC3\xA6"},
        {"ccedil", "\xC3\xA7"}, {"egrave", "\xC3\xA8"}, {"bull", "\xE2\x80\xA2"},
        {"eacute", "\xC3\xA9"}, {"ecirc", "\xC3\xAA"}, {"euml", "\xC3\xAB"}, {"igrave", "\xC3\xAC"},
        {"iacute", "\xC3\xAD"}, {"icirc", "\xC3\xAE"}, {"iuml", "\xC3\xAF"}, {"eth", "\xC3\xB0"},
        {"ntilde", "\xC3\xB1"}, {"ograve", "\xC3\xB2"}, {"oacute", "\xC3\xB3"},
        {"ocirc", "\xC3\xB4"}, {"otilde", "\xC3\xB5"}, {"ouml", "\xC3\xB6"}, {"oslash", "\xC3\xB8"},
        {"ugrave", "\xC3\xB9"}, {"uacute", "\xC3\xBA"}, {"ucirc", "\xC3\xBB"}, {"uuml", "\xC3\xBC"},
        {"yacute", "\xC3\xBD"}, {"thorn", "\xC3\xBE"}, {"yuml", "\xC3\xBF"}, {"OElig", "\xC5\x92"},
        {"#338", "\xC5\x92"}, {"oelig", "\xC5\x93"}, {"#339", "\xC5\x93"}, {"Scaron", "\xC5\xA0"},
        {"#352", "\xC5\xA0"}, {"scaron", "\xC5\xA1"}, {"#353", "\xC5\xA1"}, {"Yuml", "\xC5\xB8"},
        {"#376", "\xC5\xB8"}, {"circ", "\xCB\x86"}, {"#710", "\xCB\x86"}, {"tilde", "\xCB\x9C"},
        {"#732", "\xCB\x9C"}, {"ensp", " "}, {"#8194", " "}, {"emsp", " "}, {"#8195", " "},
        {"thinsp", " "}, {"#8201", " "}, {"zwnj", " "}, {"#8204", " "}, {"zwj", " "},
        {"#8205", " "}, {"lrm", " "}, {"#8206", " "}, {"rlm", " "}, {"#8207", " "},
        {"ndash", "\xE2\x80\x93"}, {"#8211", "\xE2\x80\x93"}, {"mdash", "\xE2\x80\x94"},
        {"#8212", "\xE2\x80\x94"}, {"lsquo", "\xE2\x80\x98"}, {"#8216", "\xE2\x80\x98"},
        {"rsquo", "\xE2\x80\x99"}, {"#8217", "\xE2\x80\x99"}, {"sbquo", "\xE2\x80\x9A"},
        {"#8218", "\xE2\x80\x9A"}, {"ldquo", "\xE2\x80\x9C"}, {"#8220", "\xE2\x80\x9C"},
        {"rdquo", "\xE2\x80\x9D"}, {"#8221", "\xE2\x80\x9D"}, {"bdquo", "\xE2\x80\x9E"},
        {"#8222", "\xE2\x80\x9E"}, {"dagger", "\xE2\x80\xA0"}, {"#8224", "\xE2\x80\xA0"},
        {"Dagger", "\xE2\x80\xA1"}, {"#8225", "\xE2\x80\xA1"}, {"hellip", "\xE2\x80\xA6"},
        {"#8230", "\xE2\x80\xA6"}, {"permil", "\xE2\x80\xB0"}, {"#8240", "\xE2\x80\xB0"},
        {"lsaquo", "\xE2\x80\xB9"}, {"#8249", "\xE2\x80\xB9"}, {"rsaquo", "\xE2\x80\xBA"},
        {"#8250", "\xE2\x80\xBA"}, {"euro", "\xE2\x82\xAC"}, {"#8364", "\xE2\x82\xAC"},
        {"#x20AC", "\xE2\x82\xAC"},
    };
    ASSERT_EQ(sizeof entities / sizeof entities[0], 163u);
    for (const auto &e : entities) {
        std::string text = std::string("x&") + e.name + ";y";
        std::string expected = std::string("x") + e.utf8 + "y";
        // The first replacements turn the non-breaking space entity into a plain space.
        if (std::string(e.name) == "nbsp") expected = "x y";
        EXPECT_EQ(htmlDecoded(text.c_str()), expected) << e.name;
    }
}

}  // namespace
}  // namespace quorvel
