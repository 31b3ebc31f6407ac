#include <gtest/gtest.h>

#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/Utf8Codec.h"

namespace quorvel::test {
namespace {

// Valid text in every Unicode form is checked character by character against iconv; these
// are the rules iconv does not share.
TEST(Utf8Codec, SurrogatesAndInvalidBytes) {
    expectConversions({
        // A pair is one four-byte sequence, both ways, up to U+10FFFF.
        {1200, 65001, "3D D8 00 DE FF DB FF DF", true, "F0 9F 98 80 F4 8F BF BF"},
        {65001, 1200, "F0 9F 98 80 F4 8F BF BF", true, "3D D8 00 DE FF DB FF DF"},
        {1200, 65005, "00 D8 00 DC", true, "00 00 01 00"},
        // Lone surrogates keep their three-byte form and come back; low before high is no pair.
        {1200, 65001, "41 00 3D D8 42 00", true, "41 ED A0 BD 42"},
        {65001, 1200, "41 ED A0 BD 42", true, "41 00 3D D8 42 00"},
        {1200, 65001, "00 DE 3D D8", true, "ED B8 80 ED A0 BD"},
        {65001, 1200, "ED B8 80 ED A0 BD", true, "00 DE 3D D8"},
        {1200, 65001, "41 00 3D D8", true, "41 ED A0 BD"},
        // A pair written as two three-byte sequences reads back as the pair.
        {65001, 1200, "ED A0 BD ED B8 80", true, "3D D8 00 DE"},
        {65001, 65005, "ED A0 BD ED B8 80", true, "00 F6 01 00"},
        // Invalid bytes are skipped one at a time, without a false result.
        {65001, 1200, "41 80 42", true, "41 00 42 00"},     // stray continuation byte
        {65001, 1200, "C0 AF 41", true, "41 00"},           // overlong leads C0 and C1
        {65001, 1200, "E0 80 AF 41", true, "41 00"},        // E0 followed by less than A0
        {65001, 1200, "F0 8F BF BF 41", true, "41 00"},     // F0 followed by less than 90
        {65001, 1200, "F4 90 80 80 41", true, "41 00"},     // beyond U+10FFFF
        {65001, 1200, "41 C3", true, "41 00"},              // sequences cut off by the end
        {65001, 1200, "41 F0 9F 98", true, "41 00"},
        {65001, 1200, "E2 82 41 C3 A9", true, "41 00 E9 00"},  // a lead without its continuation
        {65001, 1200, "C3 3C", true, "3C 00"},
        // UTF-32 values beyond Unicode are dropped with a false result; a partial unit is ignored.
        {65005, 65001, "61 00 00 00 00 00 11 00 62 00 00 00 FF FF FF FF 63 00 00 00", false, "61 62 63"},
        {65005, 65001, "78 00 00 00 41 00", true, "78"},
    });
}

TEST(Utf8Codec, DecodeAndCount) {
    const std::string text = hexBytes("41 C3 A9 E2 82 AC F0 9F 98 80 ED A0 BD 80");
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    // A, é, €: one unit each; U+1F600: two; lone surrogate: one; the stray byte: none.
    EXPECT_EQ(Utf8Codec::countUtf16Units(p, static_cast<uint32_t>(text.size())), 6u);
    uint32_t len = 0;
    EXPECT_EQ(Utf8Codec::decode(p + 6, 4, len), 0x1F600u);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(Utf8Codec::decode(p + 6, 3, len), Utf8Codec::kInvalid);
    EXPECT_EQ(len, 1u);
    EXPECT_EQ(Utf8Codec::decode(p + 10, 3, len), 0xD83Du);
    EXPECT_EQ(len, 3u);
}

TEST(Utf8Codec, LongTextsCrossTheOutputBlockWhole) {
    // Longer than the local block many times over, with every kind of sequence, ASCII runs of
    // every length and invalid bytes straddling its edges, in both byte orders.
    std::string utf8, utf16le;
    for (int i = 0; i < 1000; ++i) {
        const std::string ascii(i % 19, 'x');
        utf8 += ascii + "\xE2\x82\xAC\xC3\xA9\xF0\x9F\x98\x80" + "\x80";
        for (char c : ascii) utf16le += std::string{c, '\0'};
        utf16le += hexBytes("AC 20 E9 00 3D D8 00 DE");
    }
    EXPECT_TRUE(convertBytes(65001, 1200, utf8).bytes == utf16le);
    const std::string clean = convertBytes(1200, 65001, utf16le).bytes;
    EXPECT_EQ(clean.size(), utf8.size() - 1000);
    EXPECT_TRUE(convertBytes(65001, 1200, clean).bytes == utf16le);
    const std::string utf16be = convertBytes(65001, 1201, utf8).bytes;
    EXPECT_TRUE(convertBytes(1201, 1200, utf16be).bytes == utf16le);
    EXPECT_TRUE(convertBytes(1201, 65001, utf16be).bytes == clean);
}

}  // namespace
}  // namespace quorvel::test
