#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "foundation/base/ExtPtrArray.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::bytesOf, test::outcome, test::textOf;
using Edit = std::function<uint32_t(StringBuffer &)>;
using Tokens = std::vector<std::string>;

// The tokens in the list, after "<failed>" when the split returned false.
Tokens tokens(bool ok, const ExtPtrArray &list) {
    Tokens out = ok ? Tokens{} : Tokens{"<failed>"};
    for (int32_t i = 0; i < list.getSize(); ++i) {
        auto *sb = static_cast<StringBuffer *>(list.elementAt(i));
        out.emplace_back(sb->getString(), sb->getSize());
    }
    return out;
}

Tokens split(const std::string &text, char delimiter, bool quotes, bool escapes) {
    ExtPtrArray list(true);
    return tokens(StringBuffer(text.c_str()).split(list, delimiter, quotes, escapes), list);
}

// The bytes 0, 1, 2, ... n-1 (mod 256).
std::string counting(uint32_t n) {
    std::string bytes(n, '\0');
    for (uint32_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i);
    return bytes;
}

std::string hexOf(const std::string &bytes, bool (StringBuffer::*form)(const unsigned char *, uint32_t)) {
    StringBuffer sb("=");
    EXPECT_TRUE((sb.*form)(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<uint32_t>(bytes.size())));
    return textOf(sb);
}

TEST(StringBufferEdit, TrimCutReplaceCaseAndLineEnds) {
    const char five[5] = {'<', '>', '&', 0, 0};
    std::string items, manyItems, lines, crlfLines;
    for (int i = 0; i < 100; ++i) items += "<x/>", manyItems += "<item></item>", lines += "l\n", crlfLines += "l\r\n";
    const struct { const char *in; Edit edit; uint32_t result; /* the count, or 1/0 for true/false */ std::string out; } cases[] = {
        {"  \t a b \r\n", [](StringBuffer &s) { return s.trim(); }, 7, "a b"},
        {" a\r\n ", [](StringBuffer &s) { return s.trimSpacesTabs(); }, 2, "a\r\n"},
        {"a\r\n\tb   c ", [](StringBuffer &s) { s.collapseWhitespace(); return 0; }, 0, "a b c "},
        {"k=v=m", [](StringBuffer &s) { return s.chopAtLastChar('='); }, 1, "k=v"},
        {"<a><!-- c --></a>", [](StringBuffer &s) { return s.chopAtSubstring("-->", true); }, 1, "<a><!-- c -->"},
        {"0123456789", [](StringBuffer &s) { s.removeChunk(5, 100); return 0; }, 0, "01234"},
        {"0123456789", [](StringBuffer &s) { s.shorten(11); return 0; }, 0, ""},
        {"a,b,,c,", [](StringBuffer &s) { return s.removeCharOccurrencesFrom(',', 3); }, 3, "a,bc"},
        {"a,b,,c,", [](StringBuffer &s) { return s.removeCharOccurrences(','); }, 4, "abc"},
        {"a b.c-d_e:f!g#h(i)\xC3\xA9/", [](StringBuffer &s) { s.keepNameCharacters(); return 0; }, 0,
         "ab.c-d_e:f!ghi\xC3\xA9"},
        {"<a&b>", [&](StringBuffer &s) { return s.replaceAnyOfFive(five, '_'); }, 3, "_a_b_"},
        // replaceChar: a byte of 0x80 or more stands for that Latin-1 character, found and written as UTF-8.
        {"caf\xC3\xA9 \xC3\xA9t\xC3\xA9", [](StringBuffer &s) { return s.replaceChar('\xE9', 'e'); }, 3, "cafe ete"},
        {"eel", [](StringBuffer &s) { return s.replaceChar('e', '\xE9'); }, 2, "\xC3\xA9\xC3\xA9l"},
        // The euro sign E2 82 AC holds bytes 0x82 and 0xAC, but no character U+0082 or U+00AC.
        {"5\xE2\x82\xAC", [](StringBuffer &s) { return s.replaceChar('\xAC', 'x'); }, 0, "5\xE2\x82\xAC"},
        {"5\xE2\x82\xAC", [](StringBuffer &s) { return s.replaceChar('5', '\0'); }, 0, "5\xE2\x82\xAC"},
        {"aaa", [](StringBuffer &s) { return s.replaceAll("aa", "b"); }, 1, "ba"},
        // A replacement containing the searched text does not feed back into the search.
        {"aXa", [](StringBuffer &s) { return s.replaceAll("a", "aa"); }, 2, "aaXaa"},
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
        {lines.c_str(), [](StringBuffer &s) { return s.toCRLF(); }, 100, crlfLines},
        {crlfLines.c_str(), [](StringBuffer &s) { s.toLF(); return 0; }, 0, lines},
        {"a\r\nb\r\r\n\r", [](StringBuffer &s) { s.toLF(); return 0; }, 0, "a\nb\r\n\r"},
    };
    for (const auto &c : cases) {
        StringBuffer sb(c.in);
        const uint32_t result = c.edit(sb);
        EXPECT_EQ(std::to_string(result) + "|" + textOf(sb), std::to_string(c.result) + "|" + c.out) << c.in;
    }
}

TEST(StringBufferEntities, XmlEncodeAndDecode) {
    std::string plain = "a&b<c>d\"e'f", expected = "a&amp;b&lt;c&gt;d&quot;e'f";  // the apostrophe stays
    for (int i = 0; i < 300; ++i) plain += "x<&", expected += "x&lt;&amp;";  // past the builder's local block
    StringBuffer sb(plain.c_str()), decoded("&lt;a&gt; &amp;amp; &apos;&quot; &unknown; & &lt"), partial("&lt;&lt;");
    EXPECT_EQ(outcome(sb.encodeXmlEntities(), sb), expected);
    EXPECT_TRUE(decoded.decodeXmlEntities() == 5u && textOf(decoded) == "<a> &amp; '\" &unknown; & &lt") << textOf(decoded);
    EXPECT_TRUE(partial.decodeXmlEntities(4) == 1u && textOf(partial) == "&lt;<" && partial.decodeXmlEntities(50) == 0u);
}

TEST(StringBufferEntities, HtmlDecode) {
    const std::pair<const char *, const char *> cases[] = {
        // The ampersand entity is replaced before the less-than entity, and once more afterwards.
        {"&amp;lt;", "<"}, {"&amp;amp;amp;", "&"}, {"&amp;#65;", "A"},
        {"a &nbsp;b&ensp;c&#8194;d&zwj;e&#8207;f", "a  b c d e f"}, {"&unknown; & &;", "&unknown; & &;"},
        // Named entities: Latin-1, and the Windows-1252 extras by name and number.
        {"&quot;&apos;&iexcl;&shy;&times;&divide;&Agrave;&THORN;&szlig;&yuml;", "\"'\xC2\xA1\xC2\xAD\xC3\x97\xC3\xB7\xC3\x80\xC3\x9E\xC3\x9F\xC3\xBF"},
        {"&trade;&#8482;&bull;&OElig;&#338;&Yuml;&tilde;", "\xE2\x84\xA2\xE2\x84\xA2\xE2\x80\xA2\xC5\x92\xC5\x92\xC5\xB8\xCB\x9C"},
        {"&ndash;&ldquo;&permil;&rsaquo;&#8250;&euro;&#8364;&#x20AC;", "\xE2\x80\x93\xE2\x80\x9C\xE2\x80\xB0\xE2\x80\xBA\xE2\x80\xBA\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
        // Character references: hex 1..255, decimal 1..254, 128 and up as Windows-1252.
        {"&#x80;", "\xE2\x82\xAC"}, {"&#x41;&#X42;&#x9;", "AB\t"}, {"&#xFF;", "\xC3\xBF"}, {"&#x81;", "\xC2\x81"},
        {"&#x0;", "&#x0;"}, {"&#x1;", "\x01"}, {"&#254;", "\xC3\xBE"}, {"&#255;", "&#255;"}, {"&#0;", "&#0;"}, {"&#150;", "\xE2\x80\x93"},
        // Too close to the end, too short, or with more digits than a reference takes: left whole.
        {"x&#65", "x&#65"}, {"&#x4", "&#x4"}, {"&#1044;", "&#1044;"}, {"&#x414;", "&#x414;"}, {"&#65 ", "&#65 "}, {"&#xZZ;", "&#xZZ;"},
    };
    for (const auto &[text, decoded] : cases) {
        StringBuffer sb(text);
        EXPECT_EQ(outcome(sb.decodeHtmlEntities(), sb), decoded) << text;
    }
}

TEST(StringBufferSplit, DelimitersQuotesAndEscapes) {
    const std::string longToken(1000, 'k');
    const struct { std::string text; bool quotes, escapes; Tokens expected; } cases[] = {
        {"a,,b,", false, false, {"a", "", "b", ""}}, {"", true, true, {}}, {longToken + "," + longToken, false, false, {longToken, longToken}},
        // A delimiter between quotes does not split; the quotes stay, and an unclosed one keeps the rest.
        {"a,\"b,c\",d", true, false, {"a", "\"b,c\"", "d"}}, {"a,\"b,c\",d", false, false, {"a", "\"b", "c\"", "d"}},
        {"a,\"b,c", true, false, {"a", "\"b,c"}},
        // The byte after a backslash is copied literally, with the backslash.
        {"a\\,b,c", false, true, {"a\\,b", "c"}}, {"\"a\\\",b\",c", true, true, {"\"a\\\",b\"", "c"}}, {"end\\", false, true, {"end\\"}},
    };
    for (const auto &c : cases) EXPECT_EQ(split(c.text, ',', c.quotes, c.escapes), c.expected) << c.text;
}

TEST(StringBufferSplit, DelimiterSetsLinesAndExistingItems) {
    ExtPtrArray list(true), whole(true), lines(true);
    EXPECT_EQ(tokens(StringBuffer("a b\tc  d").splitOnAnyOf(list, " \t", false, false), list), (Tokens{"a", "b", "c", "", "d"}));
    // Appended after what is there.
    EXPECT_EQ(tokens(StringBuffer("e,f").split(list, ',', false, false), list), (Tokens{"a", "b", "c", "", "d", "e", "f"}));
    EXPECT_EQ(tokens(StringBuffer("a b").splitOnAnyOf(whole, nullptr, false, false), whole), (Tokens{"a b"}));
    EXPECT_EQ(tokens(StringBuffer("l1\r\nl2\rl3\n\nl5\n").splitLines(lines), lines), (Tokens{"l1", "l2", "l3", "", "l5", ""}));
}

TEST(StringBufferHex, EncodeAndDecode) {
    EXPECT_EQ(hexOf("", &StringBuffer::appendHex), "=");
    // More than one local block, and back: every byte value.
    const std::string many = hexOf(counting(512), &StringBuffer::appendHex);
    EXPECT_EQ(many.substr(0, 9) + many.substr(1017), "=00010203FCFDFEFF");
    DataBuffer decoded;
    EXPECT_EQ(outcome(StringBuffer(many.c_str() + 1).decodeHex(decoded), decoded), counting(512));
    // Digits in either case; with an odd count the first digit alone is the first byte.
    for (const auto &[hex, bytes] : {std::pair<const char *, std::string>{"0aFf", "\x0A\xFF"}, {"abc", "\x0A\xBC"}, {"", ""}}) {
        DataBuffer out;
        EXPECT_EQ(outcome(StringBuffer(hex).decodeHex(out), out), bytes) << hex;
    }
    DataBuffer kept = test::bufferOf("keep");
    EXPECT_EQ(outcome(StringBuffer("12 34").decodeHex(kept) || StringBuffer("zz").decodeHex(kept), kept), "false|keep");
    // The dump form: LogTest, in the log's hex lines.
    EXPECT_EQ(hexOf("\xAB\x01\xF0", &StringBuffer::appendHexLowerSpaced), "=ab 01 f0 ");
    StringBuffer odd("abc");
    EXPECT_EQ(outcome(odd.prependZeroIfOddLength() && odd.prependZeroIfOddLength(), odd), "0abc");
}

TEST(StringBufferParse, IntValueSaturatesOutsideInt32) {
    const std::pair<const char *, int32_t> cases[] = {
        {"", 0}, {"42", 42}, {"-0042abc", -42}, {"+", 0}, {"-", 0}, {"+17", 17}, {" 5", 0}, {"--5", 0}, {"abc", 0},
        {"0000000000000000000001", 1}, {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"4294967296", INT32_MAX},
        {"99999999999999999999999999", INT32_MAX}, {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MIN},
        {"-99999999999999999999999999", INT32_MIN},
    };
    for (const auto &[text, value] : cases) EXPECT_EQ(StringBuffer(text).intValue(), value) << "\"" << text << "\"";
}

TEST(StringBufferParse, NameValue) {
    const struct { const char *line; bool removeQuotes, ok; const char *name, *value; } pairs[] = {
        {"  name = \"va lue\" ", true, true, "name", "va lue"}, {"a=\"b=c\"", false, true, "a", "\"b=c\""}, {"q=\"", true, true, "q", "\""},
        {"no pair", true, false, "", ""},
    };
    for (const auto &c : pairs) {
        StringBuffer name("old"), value("old");
        EXPECT_EQ(StringBuffer(c.line).splitNameValue(name, value, c.removeQuotes), c.ok) << c.line;
        EXPECT_EQ(textOf(name) + "|" + (c.ok ? textOf(value) : ""), std::string(c.name) + "|" + c.value) << c.line;
    }
    const struct { const char *header, *name; bool ok; const char *value; } params[] = {
        {"text/html; xcharset=bad; charset=utf-8; x=1", "charset", true, "utf-8"}, {"text/html; charset=utf-8", "boundary", false, ""},
    };
    for (const auto &c : params) {
        StringBuffer value("old");
        EXPECT_EQ(outcome(StringBuffer(c.header).getNameValueParam(c.name, value), value), (c.ok ? "" : "false|") + std::string(c.value))
            << c.name;
    }
}

}  // namespace
}  // namespace quorvel
