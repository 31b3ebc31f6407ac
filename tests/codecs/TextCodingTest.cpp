// The text codecs' own rules: Base64's MIME line layout, alphabets and lenient decoding;
// quoted-printable line breaks, dot and "From " rules and its "=FFFFFF" escape; RFC 2047 words;
// encoding and decoding by name; the log's quoted-printable helpers. Python checks the same
// codecs on generated data in CodecInteropTest.

#include <cctype>
#include <cstdio>

#include "CodecSamples.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string a(size_t n) { return std::string(n, 'a'); }

std::string autoWord(const std::string &bytes, const char *charset) {
    StringBuffer out;
    EXPECT_TRUE(ContentCoding().encodeWord(bytes.data(), len(bytes), charset, out));
    return textOf(out);
}

std::string encodeAs(const char *name, const std::string &bytes, bool ok = true) {
    StringBuffer out;
    EXPECT_EQ(bufferOf(bytes).encodeAs(name, out), ok) << name;
    return textOf(out);
}

std::string decodeAs(const char *name, const std::string &text, bool ok = true) {
    DataBuffer out;
    EXPECT_EQ(out.appendDecoded(name, text.data(), len(text)), ok) << name;
    return bytesOf(out);
}

TEST(Base64, Encoding) {
    const auto groups = [](int n) { std::string s; while (n-- > 0) s += "eHh4"; return s; };  // "xxx" each
    // MIME lines: data ending exactly at a line end is followed by an empty line.
    EXPECT_EQ(mime(std::string(57, 'x')), groups(19) + "\r\n\r\n");
    EXPECT_EQ(mime(""), "\r\n");
    EXPECT_EQ(mime(std::string(58, 'x')), groups(19) + "\r\neA==\r\n");
    EXPECT_EQ(mime(std::string(57, 'x') + "xy"), groups(19) + "\r\neHk=\r\n");
    // A line ends after the group that reaches the length: 12 characters for 10; 0 never breaks.
    EXPECT_EQ(mime("abcabcabcabc", 10), "YWJjYWJjYWJj\r\nYWJj\r\n");
    EXPECT_EQ(mime(std::string(300, 'x'), 0), groups(100) + "\r\n");
    // Single lines are appended, in the standard or the URL-safe alphabet.
    StringBuffer out("keep:");
    ASSERT_TRUE(ContentCoding::encodeBase64OneLine("abc", 3, out));
    EXPECT_EQ(textOf(out), "keep:YWJj");
    EXPECT_EQ(encoded(ContentCoding::encodeBase64OneLine, "\xFB\xFF"), "+/8=");
    EXPECT_EQ(encoded(ContentCoding::encodeBase64UrlSafe, "\xFB\xFF"), "-_8=");
    EXPECT_FALSE(ContentCoding::encodeBase64OneLine(nullptr, 5, out));
    // Output that would pass 4 GiB is refused before an input byte is read: a small block stands in for 3 GiB.
    const char small[8] = {};
    StringBuffer unchanged("unchanged");
    EXPECT_FALSE(ContentCoding::encodeBase64OneLine(small, 0xC0000000u, unchanged));
    EXPECT_FALSE(ContentCoding().encodeBase64(small, 0xBD000000u, unchanged));
    EXPECT_EQ(textOf(unchanged), "unchanged");
}

TEST(Base64, DecodingStopsAtPaddingOrNulAndSkipsEverythingElse) {
    const Decoder b64 = ContentCoding::decodeBase64, mod = ContentCoding::decodeModBase64;
    EXPECT_EQ(decoded(b64, "YQ==YWJj"), "a");
    EXPECT_EQ(decoded(b64, "YWJj\0YWJj"s), "abc");
    EXPECT_EQ(decoded(b64, " Y\tW.J\r\nj*!YQ"), "abca");
    // A final incomplete group gives the whole bytes it carries.
    EXPECT_EQ(decoded(b64, "YWJjYWI") + "|" + decoded(b64, "YWJjY") + "|" + decoded(b64, "===="), "abcab|abc|");
    // The modified alphabet writes 62 and 63 as '-' and ']'; each decoder skips the other's.
    EXPECT_EQ(decoded(mod, "-]8="), "\xFB\xFF");
    EXPECT_EQ(decoded(mod, "+/8="), "");
    EXPECT_EQ(decoded(b64, "-]8A"), "\xF0");
}

// Lines break softly before the line length; each case reads back.
TEST(QuotedPrintable, Encoding) {
    const std::pair<std::string, std::string> cases[] = {
        {a(100), a(75) + "=\r\n" + a(25)},
        // An escape that would pass the limit moves to the next line; one that reaches it is
        // followed by the break (even at the very end).
        {a(73) + "=", a(73) + "=\r\n=3D"}, {a(72) + "=", a(72) + "=3D=\r\n"},
        // CR LF passes through and resets the column; a full line right before it needs no break.
        {a(75) + "\r\n" + a(70), a(75) + "\r\n" + a(70)},
        // No line starts with a lone dot or "From ", or ends in white space.
        {".\r\n.x\r\nx.", "=2E\r\n=2Ex\r\nx."}, {a(75) + ".", a(75) + "=\r\n=2E"}, {"Fromage", "Fromage"},
        {"From me\r\nFrom you, From", "=46rom me\r\n=46rom you, From"}, {"a \r\nb\t\r\nc d\te ", "a=20\r\nb=09\r\nc d\te=20"},
        {"a=b\nc\rd\r\r\n\x00\x7F\x80\xFF~"s, "a=3Db=0Ac=0Dd=0D\r\n=00=7F=80=FF~"},
        // "=FF" followed by a literal "FFFF41" would read back as the one escape "=FFFFFF41".
        {"\xFF" "FFFF41", "=FF=46FFF41"}, {"\xFF" "FFFF4", "=FFFFFF4"}, {"\xFF" "FFFFa9\xFF" "FFFFFF00", "=FF=46FFFa9=FF=46FFFFF00"},
    };
    for (const auto &[bytes, text] : cases) {
        EXPECT_EQ(qp(bytes), text);
        EXPECT_EQ(decoded(ContentCoding::decodeQuotedPrintable, text), bytes) << text;
    }
    // Lines of at least 10, however the length was set.
    EXPECT_EQ(qp(a(20), 5), "aaaaaaaaa=\r\naaaaaaaaa=\r\naa");
    ContentCoding coder;
    coder.setLineLength(3);
    StringBuffer out;
    ASSERT_TRUE(coder.encodeQuotedPrintable(a(20).data(), 20, out));
    EXPECT_EQ(textOf(out), qp(a(20), 10));
}

TEST(QuotedPrintable, Decoding) {
    const std::pair<std::string, std::string> cases[] = {
        {"=41=4a", "AJ"}, {"=G1", "=G1"}, {"=4", "=4"}, {"==41", "=A"},
        {"=FFFFFF41", "A"}, {"=FFFFFF4", "\xFF" "FFFF4"}, {"=ffffff41", "\xFF" "ffff41"},
        {"ab\0=41"s, "ab"}, {"abc= \t\r\ndef", "abcdef"}, {"a=", "a"},
        // LF-only lines come back with CR LF; trailing white space goes unless it is all there is.
        {"a\nb\n", "a\r\nb\r\n"}, {"abc \t\r\nx  ", "abc\r\nx"}, {"  \t\r\nx", "  \t\r\nx"}, {"a\rb", "a\rb"},
    };
    for (const auto &[text, bytes] : cases) EXPECT_EQ(decoded(ContentCoding::decodeQuotedPrintable, text), bytes) << text;
    for (const std::string &s : allSamples()) ASSERT_EQ(decoded(ContentCoding::decodeQuotedPrintable, qp(s, 10)), s);
}

TEST(EncodedWord, QAndB) {
    EXPECT_EQ(qWord("a b?c", "utf-8"), "=?utf-8?Q?a_b=3Fc?=");
    EXPECT_EQ(qWord("x", nullptr) + qWord("x", ""), "=?utf-8?Q?x?==?utf-8?Q?x?=");
    EXPECT_EQ(qWord("=?_>@`,\t\x7F\xE9", "c"), "=?c?Q?=3D=3F=5F>@`,=09=7F=E9?=");
    EXPECT_EQ(qWord("a,b", "c", true), "=?c?Q?a=2Cb?=");
    StringBuffer b("keep ");
    ASSERT_TRUE(ContentCoding::encodeB("\xFB\xFF", 2, "", b));
    EXPECT_EQ(textOf(b), "keep =??B?+/8=?=");
    // Automatically B for the listed charsets, compared ignoring case, and Q for all others; a
    // marker in the first 100 bytes means the text is encoded already.
    const std::string cases[][3] = {
        {"abc", "Shift_JIS", "=?Shift_JIS?B?YWJj?="}, {"abc", "CP-1256", "=?CP-1256?B?YWJj?="}, {"abc", "gb18030", "=?gb18030?Q?abc?="},
        {"=?utf-8?q?x?=", "utf-8", "=?utf-8?q?x?="}, {a(97) + "?b?", "big5", a(97) + "?b?"},
        {a(98) + "?Q?", "x", "=?x?Q?" + a(98) + "=3FQ=3F?="},
    };
    for (const auto &[bytes, charset, word] : cases) EXPECT_EQ(autoWord(bytes, charset.c_str()), word);
    EXPECT_EQ(autoWord("a b", nullptr), "=?utf-8?Q?a_b?=");
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
    for (const auto &[text, bytes] : cases) EXPECT_EQ(decoded(ContentCoding::decodeEncodedWords, text), bytes) << text;
    // Controls, '?' and 127-159 are dropped from Q text.
    EXPECT_EQ(decoded(ContentCoding::decodeQ, "a_b=3f=E9=4=G1 x\x01?\x7F\x80\x9F\xA0\r\n"s), "a b?\xE9=4=G1 x\xA0");
}

TEST(EncodingByName, EncodingNames) {
    for (const char *name : {"base64", "base-64", " BASE64\r\n"}) EXPECT_EQ(encodeAs(name, std::string(60, '\xFB')).substr(0, 4), "+/v7");
    EXPECT_EQ(encodeAs("base64", std::string(60, 'x')).find('\n'), std::string::npos);
    for (const char *name : {"hex", "Hexidecimal"}) EXPECT_EQ(encodeAs(name, "\x00\xAB\x7F"s), "00AB7F");
    for (const char *name : {"asc", "ANSI"}) EXPECT_EQ(encodeAs(name, "a b\xE9"), "a b\xE9");
    // Quoted-printable: 76 unless "qp-N" names a length, which is at least 10 and saturates.
    for (const char *name : {"qp", "quoted-printable", "qp-", "qp-0", "qp-x"}) EXPECT_EQ(encodeAs(name, a(100)), a(75) + "=\r\n" + a(25));
    EXPECT_EQ(encodeAs("qp-5", a(10)), "aaaaaaaaa=\r\na");
    EXPECT_EQ(encodeAs("QP-20a", a(20)), a(19) + "=\r\na");
    EXPECT_EQ(encodeAs("qp-4294967306", a(100)), a(100));
    // Unknown names clear the output; known ones append.
    const DataBuffer data = bufferOf("abc");
    StringBuffer out("x=");
    EXPECT_TRUE(data.encodeAs("hex", out));
    EXPECT_EQ(textOf(out), "x=616263");
    for (const char *name : {"base32", "", "url-rfc1738", static_cast<const char *>(nullptr)})
        EXPECT_TRUE(!data.encodeAs(name, out) && out.isEmpty()) << (name ? name : "(null)");
}

TEST(EncodingByName, UrlVariantsKeepTheirOwnPunctuation) {
    const std::pair<const char *, std::string> rows[] = {{"url", "-.,_~"}, {"url_rfc3986", "-.,_~"}, {"URL_OAUTH", "-.,_~"},
                                                         {"url_rfc1738", "$-_.+!*'(),"}, {"url_rfc2396", "-_.!~*'()"}};
    for (const auto &[name, kept] : rows) {
        std::string all, expected;
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", b);
            all.push_back(c);
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
    DataBuffer out = bufferOf("pre");
    ASSERT_TRUE(out.appendDecoded("base64", "YWJj", 4));
    EXPECT_EQ(bytesOf(out), "preabc");
}

TEST(EncodingByName, LogHelpers) {
    RecordingLog log;
    const std::string bytes = "a=b\x00\xFF "s, letters(3000, 'x');
    ASSERT_TRUE(log.logDataQpBytes("payload", reinterpret_cast<const unsigned char *>(bytes.data()), 6));
    ASSERT_TRUE(log.logDataQpBytes("long", reinterpret_cast<const unsigned char *>(letters.data()), 3000));
    ASSERT_TRUE(log.logDataQpText("text", ("From x=y \r\n" + std::string(80, 'y')).c_str()));
    EXPECT_EQ(log.joined(), "data: payload=[a=3Db=00=FF=20]\ndata: long=[" + std::string(2047, 'x') + "=\r\n" + std::string(953, 'x') +
                                "]\ndata: text==46rom x=3Dy=20\r\n" + std::string(75, 'y') + "=\r\nyyyyy\n");
}

}  // namespace
}  // namespace quorvel::test
