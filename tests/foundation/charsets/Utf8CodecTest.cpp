#include <gtest/gtest.h>

#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/Utf8Codec.h"

namespace quorvel::test {
namespace {

TEST(Utf8Codec, PublishedVectorsBothWays) {
    // The boundaries of each sequence length.
    struct Vector { char32_t cp; const char *utf8, *utf16le; } vectors[] = {
        {0x7F, "7F", "7F 00"}, {0x80, "C2 80", "80 00"}, {0x7FF, "DF BF", "FF 07"}, {0x800, "E0 A0 80", "00 08"},
        {0xD7FF, "ED 9F BF", "FF D7"}, {0xE000, "EE 80 80", "00 E0"},
        {0xFEFF, "EF BB BF", "FF FE"}, {0xFFFF, "EF BF BF", "FF FF"}, {0x10000, "F0 90 80 80", "00 D8 00 DC"},
        {0x1F600, "F0 9F 98 80", "3D D8 00 DE"}, {0x10FFFF, "F4 8F BF BF", "FF DB FF DF"},
    };
    for (const Vector &v : vectors) {
        SCOPED_TRACE(v.utf8);
        // Behind a letter, so that U+FEFF is not taken for a byte-order mark.
        const std::string utf8 = "a" + hexBytes(v.utf8), utf16 = hexBytes("61 00") + hexBytes(v.utf16le);
        const std::string utf32 = utf32Le({U'a', v.cp});
        EXPECT_EQ(toHex(convertBytes(65001, 1200, utf8).bytes), toHex(utf16));
        EXPECT_EQ(toHex(convertBytes(1200, 65001, utf16).bytes), toHex(utf8));
        EXPECT_EQ(toHex(convertBytes(65005, 65001, utf32).bytes), toHex(utf8));
        EXPECT_EQ(toHex(convertBytes(1200, 65005, utf16).bytes), toHex(utf32));
    }
}

TEST(Utf8Codec, SurrogatesKeepEveryCharacter) {
    struct Case { const char *utf16, *utf8; } cases[] = {
        {"3D D8 00 DE", "F0 9F 98 80"},           // a pair is one four-byte sequence
        {"41 00 3D D8 42 00", "41 ED A0 BD 42"},  // lone surrogates keep their three-byte form
        {"00 DE 3D D8", "ED B8 80 ED A0 BD"},     // low before high is no pair
        {"41 00 3D D8", "41 ED A0 BD"},
    };
    for (const Case &c : cases) {
        const Converted utf8 = convertBytes(1200, 65001, hexBytes(c.utf16)), back = convertBytes(65001, 1200, utf8.bytes);
        EXPECT_TRUE(utf8.ok && back.ok) << c.utf16;
        EXPECT_EQ(toHex(utf8.bytes), toHex(hexBytes(c.utf8)));
        EXPECT_EQ(toHex(back.bytes), toHex(hexBytes(c.utf16)));
    }
    // A pair written as two three-byte sequences reads back as the pair, and is written again
    // in its proper four-byte form.
    const std::string cesu = hexBytes("ED A0 BD ED B8 80");
    EXPECT_EQ(toHex(convertBytes(65001, 1200, cesu).bytes), "3D D8 00 DE");
    EXPECT_EQ(toHex(convertBytes(65001, 65005, cesu).bytes), "00 F6 01 00");
    EXPECT_EQ(toHex(convertBytes(1200, 65001, convertBytes(65001, 1200, cesu).bytes).bytes), "F0 9F 98 80");
}

TEST(Utf8Codec, InvalidBytesAreSkippedOneAtATime) {
    const std::pair<const char *, const char *> cases[] = {
        {"41 80 42", "41 00 42 00"},         // stray continuation byte
        {"C0 AF 41", "41 00"},               // overlong leads C0 and C1
        {"E0 80 AF 41", "41 00"},            // E0 followed by less than A0
        {"F0 8F BF BF 41", "41 00"},         // F0 followed by less than 90
        {"F4 90 80 80 41", "41 00"},         // beyond U+10FFFF
        {"FF FE 41", "41 00"},
        {"41 C3", "41 00"},                  // sequences cut off by the end
        {"41 F0 9F 98", "41 00"},
        {"E2 82 41 C3 A9", "41 00 E9 00"},   // a lead without its continuation
        {"C3 3C", "3C 00"},
    };
    for (const auto &[utf8, utf16] : cases) {
        const Converted r = convertBytes(65001, 1200, hexBytes(utf8));
        EXPECT_TRUE(r.ok) << utf8;  // skipping invalid bytes does not make the result false
        EXPECT_EQ(toHex(r.bytes), toHex(hexBytes(utf16))) << utf8;
    }
}

TEST(Utf8Codec, Utf32ValuesBeyondUnicodeAreDroppedAndTheRestKept) {
    const Converted r = convertBytes(65005, 65001, utf32Le({U'a', char32_t{0x110000}, U'b', char32_t{0xFFFFFFFF}, U'c'}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.bytes, "abc");
    // Bytes short of a whole unit at the end are ignored.
    const Converted tail = convertBytes(65005, 65001, utf32Le({U'x'}) + hexBytes("41 00"));
    EXPECT_TRUE(tail.ok);
    EXPECT_EQ(tail.bytes, "x");
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
