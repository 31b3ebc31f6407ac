// UTF-8 / UTF-16 / UTF-32 transforms: every character, beyond the BMP, surrogates, invalid bytes.
#include <gtest/gtest.h>

#include <string>

#include "EncodingConvertTestBytes.h"
#include "foundation/ConvertOutput.h"
#include "foundation/Utf8Codec.h"

namespace quorvel::test {
namespace {

// Every Unicode scalar value from U+0001 to U+10FFFF, in order.
std::u32string allScalarValues() {
    std::u32string s;
    for (char32_t c = 1; c <= 0x10FFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF) s.push_back(c);
    return s;
}

TEST(Utf8Codec, EveryCharacterSurvivesEveryUnicodeRoundTrip) {
    const std::string original = utf32Le(allScalarValues());
    // Through each form and byte order in turn, ending where it started.
    const uint32_t chain[] = {65001, 1200, 65006, 1201, 65001, 65005};
    std::string text = original;
    uint32_t from = 65005;
    for (uint32_t to : chain) {
        const Converted r = convertBytes(from, to, text);
        ASSERT_TRUE(r.ok) << from << " -> " << to;
        text = r.bytes;
        from = to;
    }
    EXPECT_TRUE(text == original);
}

TEST(Utf8Codec, SizesOfEveryForm) {
    // 1-byte: 127 characters, 2-byte: 1920, 3-byte: 63488 (BMP without surrogates, from U+0800),
    // 4-byte: 1048576. UTF-16 needs two units for each of the last.
    const std::string utf32 = utf32Le(allScalarValues());
    const Converted utf8 = convertBytes(65005, 65001, utf32);
    EXPECT_EQ(utf8.bytes.size(), 127u + 1920u * 2 + 61440u * 3 + 1048576u * 4);
    const Converted utf16 = convertBytes(65005, 1200, utf32);
    EXPECT_EQ(utf16.bytes.size(), (127u + 1920u + 61440u + 1048576u * 2) * 2);
}

struct Vector {
    const char *name;
    char32_t cp;
    const char *utf8;
    const char *utf16le;
};

// Published encodings at the boundaries of each sequence length.
const Vector kVectors[] = {
    {"U+0001", 0x1, "01", "01 00"},
    {"U+007F", 0x7F, "7F", "7F 00"},
    {"U+0080", 0x80, "C2 80", "80 00"},
    {"U+07FF", 0x7FF, "DF BF", "FF 07"},
    {"U+0800", 0x800, "E0 A0 80", "00 08"},
    {"U+0FFF", 0xFFF, "E0 BF BF", "FF 0F"},
    {"U+1000", 0x1000, "E1 80 80", "00 10"},
    {"U+20AC", 0x20AC, "E2 82 AC", "AC 20"},
    {"U+D7FF", 0xD7FF, "ED 9F BF", "FF D7"},
    {"U+E000", 0xE000, "EE 80 80", "00 E0"},
    {"U+FEFF", 0xFEFF, "EF BB BF", "FF FE"},
    {"U+FFFD", 0xFFFD, "EF BF BD", "FD FF"},
    {"U+FFFF", 0xFFFF, "EF BF BF", "FF FF"},
    {"U+10000", 0x10000, "F0 90 80 80", "00 D8 00 DC"},
    {"U+1F600", 0x1F600, "F0 9F 98 80", "3D D8 00 DE"},
    {"U+10FFFF", 0x10FFFF, "F4 8F BF BF", "FF DB FF DF"},
};

TEST(Utf8Codec, PublishedVectorsBothWays) {
    for (const Vector &v : kVectors) {
        SCOPED_TRACE(v.name);
        // Behind a letter, so that U+FEFF is not taken for a byte-order mark.
        const std::string utf8 = "a" + hexBytes(v.utf8);
        const std::string utf16 = hexBytes("61 00") + hexBytes(v.utf16le);
        const std::string utf32 = utf32Le({U'a', v.cp});
        EXPECT_EQ(toHex(convertBytes(65001, 1200, utf8).bytes), toHex(utf16));
        EXPECT_EQ(toHex(convertBytes(1200, 65001, utf16).bytes), toHex(utf8));
        EXPECT_EQ(toHex(convertBytes(65005, 65001, utf32).bytes), toHex(utf8));
        EXPECT_EQ(toHex(convertBytes(65001, 65005, utf8).bytes), toHex(utf32));
        EXPECT_EQ(toHex(convertBytes(1200, 65005, utf16).bytes), toHex(utf32));
    }
}

TEST(Utf8Codec, SurrogatePairIsOneFourByteSequence) {
    const Converted utf8 = convertBytes(1200, 65001, hexBytes("3D D8 00 DE"));
    EXPECT_TRUE(utf8.ok);
    EXPECT_EQ(toHex(utf8.bytes), "F0 9F 98 80");
    const Converted back = convertBytes(65001, 1200, utf8.bytes);
    EXPECT_TRUE(back.ok);
    EXPECT_EQ(toHex(back.bytes), "3D D8 00 DE");
}

TEST(Utf8Codec, SurrogatesWrittenAsTwoThreeByteSequencesReadBackAsThePair) {
    const std::string cesu = hexBytes("ED A0 BD ED B8 80");
    EXPECT_EQ(toHex(convertBytes(65001, 1200, cesu).bytes), "3D D8 00 DE");
    EXPECT_EQ(toHex(convertBytes(65001, 65005, cesu).bytes), "00 F6 01 00");
    // Written again, the character takes its proper four-byte form.
    EXPECT_EQ(toHex(convertBytes(1200, 65001, convertBytes(65001, 1200, cesu).bytes).bytes), "F0 9F 98 80");
}

TEST(Utf8Codec, LoneSurrogatesKeepTheirThreeByteForm) {
    struct Case {
        const char *utf16;
        const char *utf8;
    } cases[] = {
        {"41 00 3D D8 42 00", "41 ED A0 BD 42"},  // high surrogate, then a letter
        {"41 00 00 DE", "41 ED B8 80"},           // low surrogate alone
        {"00 DE 3D D8", "ED B8 80 ED A0 BD"},     // low before high is no pair
        {"41 00 3D D8", "41 ED A0 BD"},           // high surrogate at the end
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.utf16);
        const Converted utf8 = convertBytes(1200, 65001, hexBytes(c.utf16));
        EXPECT_TRUE(utf8.ok);
        EXPECT_EQ(toHex(utf8.bytes), toHex(hexBytes(c.utf8)));
        const Converted back = convertBytes(65001, 1200, utf8.bytes);
        EXPECT_TRUE(back.ok);
        EXPECT_EQ(toHex(back.bytes), toHex(hexBytes(c.utf16)));
    }
}

TEST(Utf8Codec, InvalidBytesAreSkippedOneAtATime) {
    struct Case {
        const char *why;
        const char *utf8;
        const char *utf16le;
    } cases[] = {
        {"stray continuation byte", "41 80 42", "41 00 42 00"},
        {"overlong lead C0", "C0 AF 41", "41 00"},
        {"overlong lead C1", "C1 BF", ""},
        {"E0 followed by less than A0", "E0 80 AF 41", "41 00"},
        {"F0 followed by less than 90", "F0 8F BF BF 41", "41 00"},
        {"F4 followed by 90 or more", "F4 90 80 80 41", "41 00"},
        {"lead F5", "F5 80 80 80", ""},
        {"lead FF and FE", "FF FE 41", "41 00"},
        {"two-byte sequence cut off", "41 C3", "41 00"},
        {"three-byte sequence cut off", "41 E2 82", "41 00"},
        {"four-byte sequence cut off", "41 F0 9F 98", "41 00"},
        {"lead without its continuation", "E2 82 41 C3 A9", "41 00 E9 00"},
        {"two-byte lead before a letter", "C3 3C", "3C 00"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        const Converted r = convertBytes(65001, 1200, hexBytes(c.utf8));
        EXPECT_TRUE(r.ok);  // skipping invalid bytes does not make the result false
        EXPECT_EQ(toHex(r.bytes), toHex(hexBytes(c.utf16le)));
    }
}

TEST(Utf8Codec, Utf32ValuesBeyondUnicodeAreDroppedAndTheRestKept) {
    const std::string in = utf32Le({U'a', char32_t{0x110000}, U'b', char32_t{0xFFFFFFFF}, U'c'});
    const Converted r = convertBytes(65005, 65001, in);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.bytes, "abc");
    // Bytes short of a whole unit at the end are ignored.
    const Converted tail = convertBytes(65005, 65001, utf32Le({U'x'}) + hexBytes("41 00"));
    EXPECT_TRUE(tail.ok);
    EXPECT_EQ(tail.bytes, "x");
}

TEST(Utf8Codec, CountsUtf16Units) {
    const std::string text = hexBytes("41 C3 A9 E2 82 AC F0 9F 98 80 ED A0 BD 80");
    // A, é, €: one unit each; U+1F600: two; lone surrogate: one; the stray byte: none.
    EXPECT_EQ(Utf8Codec::countUtf16Units(reinterpret_cast<const unsigned char *>(text.data()),
                                         static_cast<uint32_t>(text.size())),
              6u);
}

TEST(Utf8Codec, DecodeReportsLengthAndValue) {
    const unsigned char four[] = {0xF0, 0x9F, 0x98, 0x80};
    uint32_t len = 0;
    EXPECT_EQ(Utf8Codec::decode(four, 4, len), 0x1F600u);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(Utf8Codec::decode(four, 3, len), Utf8Codec::kInvalid);
    EXPECT_EQ(len, 1u);
    const unsigned char high[] = {0xED, 0xA0, 0xBD};
    EXPECT_EQ(Utf8Codec::decode(high, 3, len), 0xD83Du);
    EXPECT_EQ(len, 3u);
}

TEST(Utf8Codec, OutputBlockCarriesLongTextsWhole) {
    // Longer than the local block many times over, with sequences straddling its edges.
    std::string in;
    for (int i = 0; i < 1000; ++i) in += "x\xE2\x82\xAC\xF0\x9F\x98\x80";
    DataBuffer out;
    ConvertOutput o(out);
    Utf8Codec::utf8ToUtf16(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()),
                           false, o);
    ASSERT_TRUE(o.flush());
    ASSERT_EQ(out.getSize(), 1000u * 8);
    EXPECT_EQ(toHex(bytesOf(out).substr(7992)), "78 00 AC 20 3D D8 00 DE");
}

}  // namespace
}  // namespace quorvel::test
