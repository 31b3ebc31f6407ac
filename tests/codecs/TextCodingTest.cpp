// The text codecs' own rules: Base64, quoted-printable, RFC 2047 words, coding by name and the
// log's quoted-printable helpers. CodecInteropTest checks them against Python.
#include "CodecSamples.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string a(size_t n) { return std::string(n, 'a'); }

std::string autoWord(const std::string &bytes, const char *charset) {
    StringBuffer out;
    return outcome(ContentCoding().encodeWord(bytes.data(), len(bytes), charset, out), out);
}
std::string encodeAs(const char *name, const std::string &bytes) { StringBuffer out; return outcome(bufferOf(bytes).encodeAs(name, out), out); }
std::string decodeAs(const char *name, const std::string &s) { DataBuffer out; return outcome(out.appendDecoded(name, s.data(), len(s)), out); }

TEST(Base64, EncodingAndLenientDecoding) {
    const auto groups = [](int n) { std::string s; while (n-- > 0) s += "eHh4"; return s; };  // "xxx" each
    // MIME lines: data ending exactly at a line end is followed by an empty line.
    EXPECT_EQ(mime(std::string(57, 'x')) + mime(std::string(58, 'x')), groups(19) + "\r\n\r\n" + groups(19) + "\r\neA==\r\n");
    // A line ends after the group that reaches the length: 12 characters for 10; 0 never breaks.
    EXPECT_EQ(mime("abcabcabcabc", 10) + mime(std::string(300, 'x'), 0), "YWJjYWJjYWJj\r\nYWJj\r\n" + groups(100) + "\r\n");
    StringBuffer out("keep:");
    ASSERT_TRUE(ContentCoding::encodeBase64OneLine("\xFB\xFF", 2, out) && ContentCoding::encodeBase64UrlSafe("\xFB\xFF", 2, out));
    // Output that would pass 4 GiB is refused before an input byte is read: a small block stands in for 3 GiB.
    const char small[8] = {};
    EXPECT_FALSE(ContentCoding::encodeBase64OneLine(nullptr, 5, out) || ContentCoding::encodeBase64OneLine(small, 0xC0000000u, out) ||
                 ContentCoding().encodeBase64(small, 0xBD000000u, out));
    EXPECT_EQ(textOf(out), "keep:+/8=-_8=");
    // Decoding stops at padding or NUL and skips everything else.
    const Decoder b64 = ContentCoding::decodeBase64, mod = ContentCoding::decodeModBase64;
    EXPECT_EQ(decoded(b64, "YQ==YWJj") + "|" + decoded(b64, "YWJj\0YWJj"s) + "|" + decoded(b64, " Y\tW.J\r\nj*!YQ"), "a|abc|abca");
    // A final incomplete group gives the whole bytes it carries.
    EXPECT_EQ(decoded(b64, "YWJjYWI") + "|" + decoded(b64, "YWJjY"), "abcab|abc");
    // The modified alphabet writes 62 and 63 as '-' and ']'; each decoder skips the other's.
    EXPECT_EQ(decoded(mod, "-]8=") + "|" + decoded(mod, "+/8=") + "|" + decoded(b64, "-]8A"), "\xFB\xFF||\xF0");
}

// Lines break softly before the line length; each case reads back.
TEST(QuotedPrintable, EncodingAndDecoding) {
    const std::pair<std::string, std::string> cases[] = {
        {a(100), a(75) + "=\r\n" + a(25)},
        // An escape that would pass the limit moves to the next line; one that reaches it is followed by the break.
        {a(73) + "=", a(73) + "=\r\n=3D"}, {a(72) + "=", a(72) + "=3D=\r\n"},
        // CR LF passes through and resets the column; a full line right before it needs no break.
        {a(75) + "\r\n" + a(70), a(75) + "\r\n" + a(70)},
        // No line starts with a lone dot or "From ", or ends in white space.
        {".\r\n.x\r\nx.", "=2E\r\n=2Ex\r\nx."}, {a(75) + ".", a(75) + "=\r\n=2E"},
        {"From me\r\nFromage, From", "=46rom me\r\nFromage, From"}, {"a \r\nb\t\r\nc d\te ", "a=20\r\nb=09\r\nc d\te=20"},
        {"a=b\nc\rd\r\r\n\x00\x7F\x80\xFF~"s, "a=3Db=0Ac=0Dd=0D\r\n=00=7F=80=FF~"},
        // "=FF" followed by a literal "FFFF41" would read back as the one escape "=FFFFFF41".
        {"\xFF" "FFFF41", "=FF=46FFF41"}, {"\xFF" "FFFF4", "=FFFFFF4"},
    };
    for (const auto &[bytes, text] : cases) EXPECT_TRUE(qp(bytes) == text && decoded(ContentCoding::decodeQuotedPrintable, text) == bytes) << text;
    EXPECT_EQ(qp(a(20), 5), "aaaaaaaaa=\r\naaaaaaaaa=\r\naa");  // lines of at least 10
    const std::pair<std::string, std::string> decodings[] = {
        {"=41=4a", "AJ"}, {"=G1", "=G1"}, {"==41", "=A"}, {"=FFFFFF41", "A"}, {"=ffffff41", "\xFF" "ffff41"},
        {"ab\0=41"s, "ab"}, {"abc= \t\r\ndef", "abcdef"}, {"a=", "a"},
        // LF-only lines come back with CR LF; trailing white space goes unless it is all there is.
        {"a\nb\n", "a\r\nb\r\n"}, {"abc \t\r\nx  ", "abc\r\nx"}, {"  \t\r\nx", "  \t\r\nx"},
    };
    for (const auto &[text, bytes] : decodings) EXPECT_EQ(decoded(ContentCoding::decodeQuotedPrintable, text), bytes) << text;
}

TEST(EncodedWord, QAndBBothWays) {
    EXPECT_EQ(qWord("x", nullptr) + qWord("x", "") + autoWord("a b", nullptr), "=?utf-8?Q?x?==?utf-8?Q?x?==?utf-8?Q?a_b?=");
    EXPECT_EQ(qWord("=?_>@`,\t\x7F\xE9", "c") + qWord("a,b", "c", true), "=?c?Q?=3D=3F=5F>@`,=09=7F=E9?==?c?Q?a=2Cb?=");
    StringBuffer b("keep ");
    EXPECT_TRUE(ContentCoding::encodeB("\xFB\xFF", 2, "", b) && textOf(b) == "keep =??B?+/8=?=");
    // B for the listed charsets (in any case), else Q; a marker in the first 100 bytes: encoded already.
    const std::string cases[][3] = {
        {"abc", "Shift_JIS", "=?Shift_JIS?B?YWJj?="}, {"abc", "gb18030", "=?gb18030?Q?abc?="}, {"=?utf-8?q?x?=", "utf-8", "=?utf-8?q?x?="},
        {a(97) + "?b?", "big5", a(97) + "?b?"}, {a(98) + "?Q?", "x", "=?x?Q?" + a(98) + "=3FQ=3F?="},
    };
    for (const auto &[bytes, charset, word] : cases) EXPECT_EQ(autoWord(bytes, charset.c_str()), word);
    const std::pair<std::string, std::string> decodings[] = {
        // The charset is not applied, and any letter but B means Q.
        {"=?utf-8?Q?caf=C3=A9?= =?utf-8?B?w6k=?=", "caf\xC3\xA9\xC3\xA9"}, {"=?iso-8859-1?q?caf=E9?=\t=?x?b?YWJj?==?x?X?d_e?=", "caf\xE9" "abcd e"},
        // White space at the start and after each word disappears; before a word it stays.
        {"  plain", "plain"}, {"Re: =?c?Q?x?= tail ", "Re: xtail "},
        {"ok =?utf-8?Qx?= after", "ok "}, {"a =?c?Q?x?= b =?c?Q?y", "a xb "},  // the first malformed word ends it
    };
    for (const auto &[text, bytes] : decodings) EXPECT_EQ(decoded(ContentCoding::decodeEncodedWords, text), bytes) << text;
    // Controls, '?' and 127-159 are dropped from Q text.
    EXPECT_EQ(decoded(ContentCoding::decodeQ, "a_b=3f=E9=4=G1 x\x01?\x7F\x80\x9F\xA0\r\n"s), "a b?\xE9=4=G1 x\xA0");
}

// Names are trimmed and read in any case; the codecs' own rules are tested above.
TEST(EncodingByName, Encoding) {
    EXPECT_EQ(encodeAs(" BASE-64\r\n", "\xFB\xFF") + encodeAs("Hexidecimal", "\x00\xAB\x7F"s) + encodeAs("ANSI", "a b\xE9"), "+/8=00AB7Fa b\xE9");
    // Quoted-printable: 76 unless "qp-N" names a length, which is at least 10 and saturates.
    EXPECT_EQ(encodeAs("qp-x", a(100)) + "|" + encodeAs("QP-20a", a(20)) + "|" + encodeAs("qp-4294967306", a(100)),
              a(75) + "=\r\n" + a(25) + "|" + a(19) + "=\r\na|" + a(100));
    // Unknown names clear the output; known ones append.
    const DataBuffer data = bufferOf("abc");
    StringBuffer out("x=");
    EXPECT_TRUE(data.encodeAs("hex", out) && textOf(out) == "x=616263");
    for (const char *name : {"base32", static_cast<const char *>(nullptr)}) EXPECT_TRUE(!data.encodeAs(name, out) && out.isEmpty());
    // The URL variants keep their own punctuation.
    const std::string punctuation = "aZ0 !$&'()*+,-./:;=?@_~\x80";
    for (const char *name : {"url", "URL_OAUTH"}) EXPECT_EQ(encodeAs(name, punctuation), "aZ0%20%21%24%26%27%28%29%2A%2B,-.%2F%3A%3B%3D%3F%40_~%80");
    EXPECT_EQ(encodeAs("url_rfc1738", punctuation), "aZ0%20!$%26'()*+,-.%2F%3A%3B%3D%3F%40_%7E%80");
    EXPECT_EQ(encodeAs("url_rfc2396", punctuation + '\0'), "aZ0%20!%24%26'()*%2B%2C-.%2F%3A%3B%3D%3F%40_~%80%00");
}

TEST(EncodingByName, Decoding) {
    // Quoted-printable text is trimmed first, so the closing line break adds no CR LF.
    EXPECT_EQ(decodeAs(" Base-64 ", "YWJj") + decodeAs("modbase64", "-]8=") + decodeAs("Quoted-Printable", "b=\r\nc\r\n"), "abc\xFB\xFF" "bc");
    EXPECT_EQ(decodeAs("hexidecimal", " 0ab7F\n") + decodeAs("hex", "0G") + decodeAs("base32", "YWJj"), "\x00\xAB\x7F" "false|false|"s);
    EXPECT_EQ(decodeAs("url", "a+b%41%4a%zz%4"), "a bAJ%zz%4");
    DataBuffer pre = bufferOf("pre");
    EXPECT_TRUE(pre.appendDecoded("base64", "YWJj", 4) && bytesOf(pre) == "preabc");
}

TEST(EncodingByName, LogHelpers) {
    RecordingLog log;
    const std::string bytes = "a=b\x00\xFF "s, letters(3000, 'x');
    ASSERT_TRUE(log.logDataQpBytes("payload", reinterpret_cast<const unsigned char *>(bytes.data()), 6) &&
                log.logDataQpBytes("long", reinterpret_cast<const unsigned char *>(letters.data()), 3000) &&
                log.logDataQpText("text", ("From x=y \r\n" + std::string(80, 'y')).c_str()));
    EXPECT_EQ(log.joined(), "data: payload=[a=3Db=00=FF=20]\ndata: long=[" + std::string(2047, 'x') + "=\r\n" + std::string(953, 'x') +
                                "]\ndata: text==46rom x=3Dy=20\r\n" + std::string(75, 'y') + "=\r\nyyyyy\n");
}

}  // namespace
}  // namespace quorvel::test
