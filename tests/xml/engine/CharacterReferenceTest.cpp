// Numeric character references: decoded in text and attribute values to UTF-8, kept as written
// when malformed or naming a character XML does not allow; a saved document reads back the same.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "xml/engine/XmlReferences.h"

namespace quorvel::test {
namespace {

// The text decoded from a block of exactly its size, so that a read past the end is caught.
std::string decodedInPlace(const std::string &text) {
    std::unique_ptr<char[]> block(new char[text.size() ? text.size() : 1]);
    text.copy(block.get(), text.size());
    const uint32_t n = decodeXmlReferencesInPlace(block.get(), static_cast<uint32_t>(text.size()));
    EXPECT_LE(n, text.size());
    return std::string(block.get(), n);
}

std::string decodedCopy(const std::string &text) {
    std::unique_ptr<char[]> block(new char[text.size() ? text.size() : 1]);
    text.copy(block.get(), text.size());
    StringBuffer out;
    EXPECT_TRUE(appendDecodedXmlText(block.get(), static_cast<uint32_t>(text.size()), out));
    return std::string(out.getString(), out.getSize());
}

TEST(CharacterReference, DecodedOrKeptAsWritten) {
    const struct {
        const char *text, *decoded;
    } cases[] = {
        // Decimal and hexadecimal, leading zeros, every UTF-8 length.
        {"love &#038; peace", "love & peace"}, {"&#65;&#x42;&#x0043;", "ABC"}, {"&#0000065;", "A"},
        {"it&#x2019;s", "it\xE2\x80\x99s"}, {"&#xe9;&#xE9;", "\xC3\xA9\xC3\xA9"}, {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#128512;", "\xF0\x9F\x98\x80"}, {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"}, {"&#xE000;", "\xEE\x80\x80"},
        {"a&#9;b&#10;c&#13;", "a\tb\nc\r"},
        // Characters XML does not allow stay as written.
        {"&#0;", "&#0;"}, {"&#x0;", "&#x0;"}, {"&#1;", "&#1;"}, {"&#x1F;", "&#x1F;"}, {"&#xD800;", "&#xD800;"},
        {"&#57343;", "&#57343;"}, {"&#xFFFE;", "&#xFFFE;"}, {"&#xFFFF;", "&#xFFFF;"}, {"&#x110000;", "&#x110000;"},
        {"&#99999999999999999999;", "&#99999999999999999999;"}, {"&#x100000000041;", "&#x100000000041;"},
        // Malformed references stay as written.
        {"&#;", "&#;"}, {"&#x;", "&#x;"}, {"&#X41;", "&#X41;"}, {"&#xG1;", "&#xG1;"}, {"&#65", "&#65"},
        {"&#65 ;", "&#65 ;"}, {"&#6a;", "&#6a;"}, {"&#-65;", "&#-65;"}, {"& #65;", "& #65;"}, {"&#", "&#"}, {"&", "&"},
        // The five entities in the same pass; what a reference becomes is not rescanned.
        {"&lt;&#60;&gt;", "<<>"}, {"&amp;#65;", "&#65;"}, {"&#38;amp;", "&amp;"}, {"&#38;#65;", "&#65;"},
        // Other named entities stay.
        {"&eacute;&nbsp;&e;", "&eacute;&nbsp;&e;"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(decodedInPlace(c.text), c.decoded) << c.text;
        EXPECT_EQ(decodedCopy(c.text), c.decoded) << c.text;
        // In content, attribute values and pseudo-attributes alike.
        EXPECT_EQ(Parsed(std::string("<a>") + c.text + "</a>", false).dump(), std::string("a{") + c.decoded + "}")
            << c.text;
        Parsed attribute(std::string("<a v=\"") + c.text + "\"/>");
        EXPECT_EQ(attribute.dump(), std::string("a[v=") + c.decoded + "]") << c.text;
    }
    Parsed declaration("<?xml version=\"1.0\" encoding=\"&#x75;tf-8\"?><a/>");
    EXPECT_EQ(dumpDocument(declaration.root), "a decl:xml[version=1.0,encoding=utf-8]");
}

TEST(CharacterReference, WhereTheParserDecodes) {
    const struct {
        const char *xml, *tree;
    } cases[] = {
        {"<a>&#65;<b/>&#66;</a>", "a{A B}(b)"},                     // each text piece
        {"<a>&#65;<![CDATA[&#66;]]></a>", "a!{A&#66;}"},            // never inside CDATA
        {"<a x='&#34;' y=\"&#39;\"/>", "a[x=\",y=']"},              // quotes by reference
        {"<a>x&#6", "a{x&#6}"},                                    // cut by the end of the text
        {"<a>&#x3C;b&#x3E;</a>", "a{<b>}"},                        // markup by reference is text
    };
    for (const auto &c : cases) EXPECT_EQ(Parsed(c.xml).dump(), c.tree) << c.xml;
}

TEST(CharacterReference, SavedDocumentReadsBackTheSameText) {
    Parsed first("<r a=\"&#x2019;&#038;\">love &#038; peace &#x1F600; &#1;</r>");
    ASSERT_TRUE(first.root);
    EXPECT_EQ(first.dump(), "r[a=\xE2\x80\x99&]{love & peace \xF0\x9F\x98\x80 &#1;}");
    StringBuffer saved;
    serializeNode(first.root, saved, 0, 0, false);
    EXPECT_STREQ(saved.getString(), "<r a=\"\xE2\x80\x99&amp;\">love &amp; peace \xF0\x9F\x98\x80 &amp;#1;</r>\r\n");
    Parsed second(saved.getString());
    EXPECT_EQ(second.dump(), first.dump());
}

}  // namespace
}  // namespace quorvel::test
