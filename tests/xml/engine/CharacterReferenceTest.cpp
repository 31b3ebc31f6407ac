// Numeric character references: decoded in text and attribute values to UTF-8, kept as written
// when malformed or naming a character XML does not allow; a saved document reads back the same.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "xml/engine/XmlReferences.h"

namespace quorvel::test {
namespace {

// The text decoded in place and by copy, each from a block of exactly its size, so that a read
// past the end is caught; both must agree.
std::string decoded(const std::string &text) {
    const size_t size = text.empty() ? 1 : text.size();
    std::unique_ptr<char[]> block(new char[size]), copy(new char[size]);
    text.copy(block.get(), text.size());
    text.copy(copy.get(), text.size());
    StringBuffer out;
    EXPECT_TRUE(appendDecodedXmlText(copy.get(), static_cast<uint32_t>(text.size()), out));
    const uint32_t n = decodeXmlReferencesInPlace(block.get(), static_cast<uint32_t>(text.size()));
    EXPECT_EQ(std::string(block.get(), n), std::string(out.getString(), out.getSize())) << text;
    return std::string(block.get(), n);
}

TEST(CharacterReference, DecodedOrKeptAsWritten) {
    const struct { const char *text, *decoded = nullptr; } cases[] = {
        // Decimal and hexadecimal, leading zeros, every UTF-8 length.
        {"love &#038; peace", "love & peace"}, {"&#65;&#x42;&#x0043;", "ABC"}, {"&#0000065;", "A"},
        {"it&#x2019;s", "it\xE2\x80\x99s"}, {"&#xe9;&#xE9;", "\xC3\xA9\xC3\xA9"}, {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#128512;", "\xF0\x9F\x98\x80"}, {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"}, {"&#xE000;", "\xEE\x80\x80"},
        {"a&#9;b&#10;c&#13;", "a\tb\nc\r"},
        // Characters XML does not allow, and malformed references, stay as written (null: as written).
        {"&#0;"}, {"&#x0;"}, {"&#1;"}, {"&#x1F;"}, {"&#xD800;"}, {"&#57343;"}, {"&#xFFFE;"}, {"&#xFFFF;"}, {"&#x110000;"},
        {"&#99999999999999999999;"}, {"&#x100000000041;"}, {"&#;"}, {"&#x;"}, {"&#X41;"}, {"&#xG1;"}, {"&#65"}, {"&#65 ;"},
        {"&#6a;"}, {"&#-65;"}, {"& #65;"}, {"&#"}, {"&"}, {"&eacute;&nbsp;&e;"},  // other named entities too
        // The five entities in the same pass; what a reference becomes is not rescanned.
        {"&lt;&#60;&gt;", "<<>"}, {"&amp;#65;", "&#65;"}, {"&#38;amp;", "&amp;"}, {"&#38;#65;", "&#65;"},
    };
    for (const auto &c : cases) {
        const std::string want = c.decoded ? c.decoded : c.text;
        EXPECT_EQ(decoded(c.text), want) << c.text;
        // In content, attribute values and pseudo-attributes alike.
        EXPECT_EQ(Parsed(std::string("<a>") + c.text + "</a>", false).dump(), "a{" + want + "}") << c.text;
        EXPECT_EQ(Parsed(std::string("<a v=\"") + c.text + "\"/>").dump(), "a[v=" + want + "]") << c.text;
    }
    Parsed declaration("<?xml version=\"1.0\" encoding=\"&#x75;tf-8\"?><a/>");
    EXPECT_EQ(dumpDocument(declaration.root), "a decl:xml[version=1.0,encoding=utf-8]");
}

TEST(CharacterReference, SavedDocumentReadsBackTheSameText) {
    Parsed first("<r a=\"&#x2019;&#038;\">love &#038; peace &#x1F600; &#1;</r>");
    ASSERT_TRUE(first.root);
    EXPECT_EQ(first.dump(), "r[a=\xE2\x80\x99&]{love & peace \xF0\x9F\x98\x80 &#1;}");
    const std::string saved = serialized(first.root);
    EXPECT_EQ(saved, "<r a=\"\xE2\x80\x99&amp;\">love &amp; peace \xF0\x9F\x98\x80 &amp;#1;</r>\r\n");
    EXPECT_EQ(Parsed(saved).dump(), first.dump());
}

}  // namespace
}  // namespace quorvel::test
