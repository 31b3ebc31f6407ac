// Encoding and decoding by name through DataBuffer, and the log's quoted-printable helpers.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>

#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string encodeAs(const char *name, const std::string &bytes, bool ok = true) {
    DataBuffer data;
    data.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    StringBuffer out;
    EXPECT_EQ(data.encodeAs(name, out), ok) << name;
    return textOf(out);
}

std::string decodeAs(const char *name, const std::string &text, bool ok = true) {
    DataBuffer out;
    EXPECT_EQ(out.appendDecoded(name, text.data(), static_cast<uint32_t>(text.size())), ok) << name;
    return bytesOf(out);
}

TEST(EncodingByName, EncodingNames) {
    for (const char *name : {"base64", "base-64", " BASE64\r\n"}) EXPECT_EQ(encodeAs(name, std::string(60, '\xFB')).substr(0, 4), "+/v7");
    EXPECT_EQ(encodeAs("base64", std::string(60, 'x')).find('\n'), std::string::npos);
    for (const char *name : {"hex", "Hexidecimal"}) EXPECT_EQ(encodeAs(name, "\x00\xAB\x7F"s), "00AB7F");
    for (const char *name : {"asc", "ANSI"}) EXPECT_EQ(encodeAs(name, "a b\xE9"), "a b\xE9");
    // Quoted-printable: 76 unless "qp-N" names a length, which is at least 10 and saturates.
    const std::string at76 = std::string(75, 'a') + "=\r\n" + std::string(25, 'a');
    for (const char *name : {"qp", "quoted-printable", "qp-", "qp-0", "qp-x"}) EXPECT_EQ(encodeAs(name, std::string(100, 'a')), at76);
    EXPECT_EQ(encodeAs("qp-5", std::string(10, 'a')), "aaaaaaaaa=\r\na");
    EXPECT_EQ(encodeAs("QP-20a", std::string(20, 'a')), std::string(19, 'a') + "=\r\na");
    EXPECT_EQ(encodeAs("qp-4294967306", std::string(100, 'a')), std::string(100, 'a'));
    // Unknown names clear the output; known ones append.
    DataBuffer data;
    data.append("abc", 3);
    StringBuffer out("x=");
    EXPECT_TRUE(data.encodeAs("hex", out));
    EXPECT_EQ(textOf(out), "x=616263");
    for (const char *name : {"base32", "", "url-rfc1738", static_cast<const char *>(nullptr)}) {
        EXPECT_FALSE(data.encodeAs(name, out));
        EXPECT_TRUE(out.isEmpty());
    }
}

TEST(EncodingByName, UrlVariantsKeepTheirOwnPunctuation) {
    const std::pair<const char *, std::string> rows[] = {{"url", "-.,_~"}, {"url_rfc3986", "-.,_~"}, {"URL_OAUTH", "-.,_~"},
                                                         {"url_rfc1738", "$-_.+!*'(),"}, {"url_rfc2396", "-_.!~*'()"}};
    for (const auto &[name, kept] : rows) {
        std::string all, expected;
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            all.push_back(c);
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", b);
            expected += std::isalnum(b) || (b && kept.find(c) != std::string::npos) ? std::string(1, c) : escaped;
        }
        EXPECT_EQ(encodeAs(name, all), expected) << name;
    }
    EXPECT_EQ(encodeAs("url", "a b&~,!"), "a%20b%26~,%21");
}

TEST(EncodingByName, DecodingNames) {
    EXPECT_EQ(decodeAs(" Base-64 ", "  YWJj\r\nYQ==\r\n"), "abca");
    EXPECT_EQ(decodeAs("modbase64", "-]8="), "\xFB\xFF");
    // Trimmed first, so the closing line break adds no CR LF.
    EXPECT_EQ(decodeAs("Quoted-Printable", "=41=4a b=\r\nc\r\n"), "AJ bc");
    EXPECT_EQ(decodeAs("hexidecimal", " 0ab7F\n"), "\x00\xAB\x7F"s);
    EXPECT_EQ(decodeAs("hex", "0G", false), "");
    EXPECT_EQ(decodeAs("url", "a+b%41%4a%zz%4"), "a bAJ%zz%4");
    for (const char *name : {"asc", "url_rfc3986", "qp-10", "base32"}) EXPECT_EQ(decodeAs(name, "YWJj", false), "");
    DataBuffer out;
    out.append("pre", 3);
    ASSERT_TRUE(out.appendDecoded("base64", "YWJj", 4));
    EXPECT_EQ(bytesOf(out), "preabc");
}

TEST(EncodingByName, LogHelpers) {
    RecordingLog log;
    const std::string bytes = "a=b\x00\xFF "s, letters(3000, 'x');
    ASSERT_TRUE(log.logDataQpBytes("payload", reinterpret_cast<const unsigned char *>(bytes.data()), 6));
    ASSERT_TRUE(log.logDataQpBytes("long", reinterpret_cast<const unsigned char *>(letters.data()), 3000));
    ASSERT_TRUE(log.logDataQpText("text", ("From x=y \r\n" + std::string(80, 'y')).c_str()));
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], "data: payload=[a=3Db=00=FF=20]");
    EXPECT_EQ(log.lines[1], "data: long=[" + std::string(2047, 'x') + "=\r\n" + std::string(953, 'x') + "]");
    EXPECT_EQ(log.lines[2], "data: text==46rom x=3Dy=20\r\n" + std::string(75, 'y') + "=\r\nyyyyy");
}

}  // namespace
}  // namespace quorvel::test
