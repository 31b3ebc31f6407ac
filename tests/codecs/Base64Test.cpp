// Base64 rules of our own: the MIME line layout and closing CR LF, the modified alphabet, how
// the decoder treats padding, NUL and stray characters, and the 4 GiB limit.
#include <gtest/gtest.h>

#include "support/Bytes.h"
#include "codecs/ContentCoding.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string mime(const std::string &bytes, uint32_t lineLength = 76) {
    ContentCoding coder;
    coder.setLineLength(lineLength);
    StringBuffer out;
    EXPECT_TRUE(coder.encodeBase64(bytes.data(), static_cast<uint32_t>(bytes.size()), out));
    return textOf(out);
}

std::string decoded(const std::string &text, bool modified = false) {
    DataBuffer out;
    const uint32_t n = static_cast<uint32_t>(text.size());
    EXPECT_TRUE(modified ? ContentCoding::decodeModBase64(text.data(), n, out) : ContentCoding::decodeBase64(text.data(), n, out));
    return bytesOf(out);
}

TEST(Base64, MimeLinesAndTheClosingCrLf) {
    std::string line;
    for (int g = 0; g < 19; ++g) line += "eHh4";  // "xxx"
    // Data ending exactly at a line end is followed by an empty line.
    EXPECT_EQ(mime(std::string(57, 'x')), line + "\r\n\r\n");
    EXPECT_EQ(mime(std::string(58, 'x')), line + "\r\neA==\r\n");
    EXPECT_EQ(mime(std::string(57, 'x') + "xy"), line + "\r\neHk=\r\n");
    EXPECT_EQ(mime(""), "\r\n");
    // A line ends after the group that reaches the length: 12 characters for 10; 0 never breaks.
    EXPECT_EQ(mime("abcabcabcabc", 10), "YWJjYWJjYWJj\r\nYWJj\r\n");
    StringBuffer oneLine;
    ASSERT_TRUE(ContentCoding::encodeBase64OneLine(std::string(300, 'x').data(), 300, oneLine));
    EXPECT_EQ(mime(std::string(300, 'x'), 0), textOf(oneLine) + "\r\n");
}

TEST(Base64, SingleLineAlphabets) {
    StringBuffer out("keep:"), standard, urlSafe;
    ASSERT_TRUE(ContentCoding::encodeBase64OneLine("abc", 3, out));
    EXPECT_EQ(textOf(out), "keep:YWJj");
    ASSERT_TRUE(ContentCoding::encodeBase64OneLine("\xFB\xFF", 2, standard));
    ASSERT_TRUE(ContentCoding::encodeBase64UrlSafe("\xFB\xFF", 2, urlSafe));
    EXPECT_EQ(textOf(standard) + " " + textOf(urlSafe), "+/8= -_8=");
    EXPECT_FALSE(ContentCoding::encodeBase64OneLine(nullptr, 5, out));
}

TEST(Base64, DecodingStopsAtPaddingOrNulAndSkipsEverythingElse) {
    EXPECT_EQ(decoded("YQ==YWJj"), "a");
    EXPECT_EQ(decoded("YWJj\0YWJj"s), "abc");
    EXPECT_EQ(decoded(" Y\tW.J\r\nj*!YQ"), "abca");
    // A final incomplete group gives the whole bytes it carries.
    EXPECT_EQ(decoded("YWJjYWI") + "|" + decoded("YWJjY") + "|" + decoded("===="), "abcab|abc|");
    // The modified alphabet writes 62 and 63 as '-' and ']'; each decoder skips the other's.
    EXPECT_EQ(decoded("-]8=", true), "\xFB\xFF");
    EXPECT_EQ(decoded("+/8=", true), "");
    EXPECT_EQ(decoded("-]8A"), "\xF0");
}

TEST(Base64, OutputThatWouldPass4GiBIsRefusedBeforeAnyWork) {
    // The size is checked before an input byte is read, so a small block stands in for 3 GiB.
    const char small[8] = {};
    StringBuffer out("unchanged");
    EXPECT_FALSE(ContentCoding::encodeBase64OneLine(small, 0xC0000000u, out));
    EXPECT_FALSE(ContentCoding().encodeBase64(small, 0xBD000000u, out));
    EXPECT_EQ(textOf(out), "unchanged");
}

}  // namespace
}  // namespace quorvel::test
