// RFC 2047 rules of our own: the Q alphabet and its variant, the default charset, the automatic
// choice between Q and B, and how text with encoded words is decoded.
#include <gtest/gtest.h>

#include "support/Bytes.h"
#include "codecs/ContentCoding.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string qWord(const std::string &bytes, const char *charset, bool variant = false) {
    ContentCoding coder;
    coder.setQVariant(variant);
    StringBuffer out;
    EXPECT_TRUE(coder.encodeQ(bytes.data(), static_cast<uint32_t>(bytes.size()), charset, out));
    return textOf(out);
}

std::string autoWord(const std::string &bytes, const char *charset) {
    StringBuffer out;
    EXPECT_TRUE(ContentCoding().encodeWord(bytes.data(), static_cast<uint32_t>(bytes.size()), charset, out));
    return textOf(out);
}

std::string decodeWords(const std::string &text) {
    DataBuffer out;
    EXPECT_TRUE(ContentCoding::decodeEncodedWords(text.data(), static_cast<uint32_t>(text.size()), out));
    return bytesOf(out);
}

TEST(EncodedWord, QAndB) {
    EXPECT_EQ(qWord("a b?c", "utf-8"), "=?utf-8?Q?a_b=3Fc?=");
    EXPECT_EQ(qWord("x", nullptr) + qWord("x", ""), "=?utf-8?Q?x?==?utf-8?Q?x?=");
    EXPECT_EQ(qWord("=?_>@`,\t\x7F\xE9", "c"), "=?c?Q?=3D=3F=5F>@`,=09=7F=E9?=");
    EXPECT_EQ(qWord("a,b", "c", true), "=?c?Q?a=2Cb?=");
    StringBuffer b("keep ");
    ASSERT_TRUE(ContentCoding::encodeB("\xFB\xFF", 2, "", b));
    EXPECT_EQ(textOf(b), "keep =??B?+/8=?=");
}

TEST(EncodedWord, AutomaticChoice) {
    // B for the listed charsets, compared ignoring case; Q for all others.
    EXPECT_EQ(autoWord("abc", "Shift_JIS"), "=?Shift_JIS?B?YWJj?=");
    EXPECT_EQ(autoWord("abc", "CP-1256"), "=?CP-1256?B?YWJj?=");
    EXPECT_EQ(autoWord("abc", "gb18030"), "=?gb18030?Q?abc?=");
    EXPECT_EQ(autoWord("a b", nullptr), "=?utf-8?Q?a_b?=");
    // A marker in the first 100 bytes means the text is encoded already.
    EXPECT_EQ(autoWord("=?utf-8?q?x?=", "utf-8"), "=?utf-8?q?x?=");
    EXPECT_EQ(autoWord(std::string(97, 'a') + "?b?", "big5"), std::string(97, 'a') + "?b?");
    EXPECT_EQ(autoWord(std::string(98, 'a') + "?Q?", "x"), "=?x?Q?" + std::string(98, 'a') + "=3FQ=3F?=");
}

TEST(EncodedWord, Decoding) {
    const std::pair<std::string, std::string> cases[] = {
        {"=?utf-8?Q?caf=C3=A9?= =?utf-8?B?w6k=?=", "caf\xC3\xA9\xC3\xA9"},
        // The charset is not applied, and any letter but B means Q.
        {"=?iso-8859-1?q?caf=E9?=\t=?x?b?YWJj?==?x?X?d_e?=", "caf\xE9" "abcd e"},
        // White space at the start and after each word disappears; before a word it stays.
        {"  plain", "plain"}, {"Re: =?c?Q?x?= tail ", "Re: xtail "},
        // The first malformed word ends the decoding.
        {"ok =?utf-8?Q", "ok "}, {"ok =?utf-8?Qx?= after", "ok "}, {"a =?c?Q?x?= b =?c?Q?y", "a xb "}, {"=?", ""},
    };
    for (const auto &[text, bytes] : cases) EXPECT_EQ(decodeWords(text), bytes) << text;

    DataBuffer q;
    const std::string text = "a_b=3f=E9=4=G1 x\x01?\x7F\x80\x9F\xA0\r\n"s;
    ASSERT_TRUE(ContentCoding::decodeQ(text.data(), static_cast<uint32_t>(text.size()), q));
    // Controls, '?' and 127-159 are dropped.
    EXPECT_EQ(bytesOf(q), "a b?\xE9=4=G1 x\xA0");
}

}  // namespace
}  // namespace quorvel::test
