#include <gtest/gtest.h>

#include <string>

#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::textOf;

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
