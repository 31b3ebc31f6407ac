// Quoted-printable rules of our own: where lines break, the dot and "From " rules, which white
// space is escaped, and the decoder's line handling and "=FFFFFF" escape.
#include <gtest/gtest.h>

#include "CodecSamples.h"
#include "support/Bytes.h"
#include "codecs/ContentCoding.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string qp(const std::string &bytes, uint32_t qpLineLength = 76) {
    ContentCoding coder;
    coder.setQpLineLength(qpLineLength);
    StringBuffer out;
    EXPECT_TRUE(coder.encodeQuotedPrintable(bytes.data(), static_cast<uint32_t>(bytes.size()), out));
    return textOf(out);
}

std::string unqp(const std::string &text) {
    DataBuffer out;
    EXPECT_TRUE(ContentCoding::decodeQuotedPrintable(text.data(), static_cast<uint32_t>(text.size()), out));
    return bytesOf(out);
}

std::string a(size_t n) { return std::string(n, 'a'); }

TEST(QuotedPrintable, LinesBreakSoftlyBeforeTheLineLength) {
    EXPECT_EQ(qp(a(100)), a(75) + "=\r\n" + a(25));
    // An escape that would pass the limit moves to the next line; one that reaches it is
    // followed by the break (even at the very end).
    EXPECT_EQ(qp(a(73) + "="), a(73) + "=\r\n=3D");
    EXPECT_EQ(qp(a(72) + "="), a(72) + "=3D=\r\n");
    // CR LF passes through and resets the column; a full line right before it needs no break.
    EXPECT_EQ(qp(a(75) + "\r\n" + a(70)), a(75) + "\r\n" + a(70));
    // Lines of at least 10.
    EXPECT_EQ(qp(a(20), 5), "aaaaaaaaa=\r\naaaaaaaaa=\r\naa");
    ContentCoding coder;
    coder.setLineLength(3);
    StringBuffer out;
    ASSERT_TRUE(coder.encodeQuotedPrintable(a(20).data(), 20, out));
    EXPECT_EQ(textOf(out), qp(a(20), 10));
}

TEST(QuotedPrintable, LeadingDotFromAndWhiteSpace) {
    EXPECT_EQ(qp(".\r\n.x\r\nx."), "=2E\r\n=2Ex\r\nx.");
    EXPECT_EQ(qp(a(75) + "."), a(75) + "=\r\n=2E");
    EXPECT_EQ(qp("From me\r\nFrom you, From"), "=46rom me\r\n=46rom you, From");
    EXPECT_EQ(qp("Fromage"), "Fromage");
    EXPECT_EQ(qp("a \r\nb\t\r\nc d\te "), "a=20\r\nb=09\r\nc d\te=20");
    EXPECT_EQ(qp("a=b\nc\rd\r\r\n\x00\x7F\x80\xFF~"s), "a=3Db=0Ac=0Dd=0D\r\n=00=7F=80=FF~");
}

TEST(QuotedPrintable, ByteFFIsKeptApartFromTheLongEscape) {
    // "=FF" followed by a literal "FFFF41" would read back as the one escape "=FFFFFF41".
    EXPECT_EQ(qp("\xFF" "FFFF41"), "=FF=46FFF41");
    EXPECT_EQ(qp("\xFF" "FFFF4"), "=FFFFFF4");
    for (const std::string s : {"\xFF" "FFFF41", "\xFF" "FFFFa9\xFF" "FFFFFF00", "\xFF" "FFFF4"})
        EXPECT_EQ(unqp(qp(s)), s);
}

TEST(QuotedPrintable, Decoding) {
    const std::pair<std::string, std::string> cases[] = {
        {"=41=4a", "AJ"}, {"=G1", "=G1"}, {"=4", "=4"}, {"==41", "=A"},
        {"=FFFFFF41", "A"}, {"=FFFFFF4", "\xFF" "FFFF4"}, {"=ffffff41", "\xFF" "ffff41"},
        {"ab\0=41"s, "ab"}, {"abc= \t\r\ndef", "abcdef"}, {"a=", "a"},
        // LF-only lines come back with CR LF; trailing white space goes unless it is all there is.
        {"a\nb\n", "a\r\nb\r\n"}, {"abc \t\r\nx  ", "abc\r\nx"}, {"  \t\r\nx", "  \t\r\nx"}, {"a\rb", "a\rb"},
    };
    for (const auto &[text, bytes] : cases) EXPECT_EQ(unqp(text), bytes) << text;

    std::vector<std::string> samples = binarySamples(), texts = textSamples();
    samples.insert(samples.end(), texts.begin(), texts.end());
    for (const std::string &s : samples) ASSERT_EQ(unqp(qp(s, 10)), s);
}

}  // namespace
}  // namespace quorvel::test
