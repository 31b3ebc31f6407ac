// Conversion paths by code page: round trips among the Unicode forms, the recognised code pages
// without a table, iso-8859-6 digits and the x-mac-arabic preparation.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "EncodingConvertTestBytes.h"
#include "foundation/MacArabic.h"

namespace quorvel::test {
namespace {

// Random text of every plane's kind, as UTF-8, from a fixed seed.
std::string randomUtf8(std::mt19937 &gen, size_t chars) {
    static const uint32_t ranges[][2] = {{0x20, 0x7E}, {0x09, 0x0D}, {0xA0, 0x7FF}, {0x800, 0xD7FF},
                                         {0xE000, 0xFFFD}, {0x10000, 0x10FFFF}, {0x1F600, 0x1F64F}};
    std::u32string cps;
    for (size_t i = 0; i < chars; ++i) {
        const auto &r = ranges[gen() % std::size(ranges)];
        cps.push_back(static_cast<char32_t>(r[0] + gen() % (r[1] - r[0] + 1)));
    }
    const Converted utf8 = convertBytes(65005, 65001, utf32Le(cps));
    return utf8.bytes;
}

TEST(CharsetConvert, UnicodeFormsRoundTripInEveryPair) {
    const uint32_t forms[] = {65001, 1200, 1201, 65005, 65006, 65000};
    std::mt19937 gen(1993u);
    for (int sample = 0; sample < 40; ++sample) {
        const std::string utf8 = randomUtf8(gen, gen() % 200);
        for (uint32_t from : forms) {
            const Converted source = convertBytes(65001, from, utf8);
            ASSERT_TRUE(source.ok) << from;
            for (uint32_t to : forms) {
                SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
                const Converted there = convertBytes(from, to, source.bytes);
                EXPECT_TRUE(there.ok);
                const Converted back = convertBytes(to, 65001, there.bytes);
                EXPECT_TRUE(back.ok);
                EXPECT_EQ(back.bytes, utf8);
            }
        }
    }
}

TEST(CharsetConvert, EdgeCases) {
    struct Case {
        const char *what;
        uint32_t from, to;
        const char *in, *out;
        bool exact;
    } cases[] = {
        {"1200 starting with FE FF is big-endian", 1200, 65001, "FE FF 00 61 20 AC", "61 E2 82 AC", true},
        {"a euro b to iso-8859-1", 1200, 28591, "61 00 AC 20 62 00", "61 62", false},
        {"U+1F600 from UTF-8 to UTF-16", 65001, 1200, "F0 9F 98 80", "3D D8 00 DE", true},
        {"Arabic-Indic digits to iso-8859-6", 65001, 28596, "D9 A0 D9 A9 DB B0 DB B9 20 D8 A7", "30 39 30 39 20 C7", true},
        {"digits from UTF-16 to iso-8859-6", 1200, 28596, "65 06 F5 06", "35 35", true},
        {"UTF-16 to UTF-7 to UTF-16BE", 65000, 1201, "2B 49 6D 49 2D", "22 62", true},
        {"x-mac-arabic digits are lowered", 10004, 65001, "B1 B2 B3", "31 32 33", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Converted got = convertBytes(c.from, c.to, hexBytes(c.in));
        EXPECT_EQ(toHex(got.bytes), toHex(hexBytes(c.out)));
        EXPECT_EQ(got.ok, c.exact);
    }
}

TEST(CharsetConvert, TablelessCodePagesFailOnEveryPath) {
    for (uint32_t cp : {52936u, 54936u, 50227u, 57002u, 57011u, 20000u, 709u}) {
        for (uint32_t other : {65000u, 50220u, 50225u, 10004u, 932u}) {
            for (bool fromIt : {true, false}) {
                SCOPED_TRACE(std::to_string(cp) + (fromIt ? " -> " : " <- ") + std::to_string(other));
                const Converted got = fromIt ? convertBytes(cp, other, "AB") : convertBytes(other, cp, "AB");
                EXPECT_FALSE(got.ok);
                EXPECT_EQ(got.bytes, "");
            }
        }
    }
}

TEST(MacArabic, Preparation) {
    struct Case {
        const char *what;
        const char *in, *out;
    } cases[] = {
        {"a run of letters is reversed", "41 C7 C8 CA 42", "41 CA C8 C7 42"},
        {"a single letter stays", "41 C7 42 C8", "41 C7 42 C8"},
        {"two runs each reversed", "C7 C8 20 CA CB CC", "C8 C7 20 CC CB CA"},
        {"right-to-left punctuation inside a run", "C7 AC C8", "C8 AC C7"},
        {"lowered bytes", "A0 A1 AF B0 B9 BA BC BE DB DF FB FD", "20 21 2F 30 39 3A 3C 3E 5B 5F 7B 7D"},
        {"bytes that stay", "A5 41 AC 41 BB 41 C0 DA 41 E0 41 FA 41 FE 41 FF", "A5 41 AC 41 BB 41 C0 DA 41 E0 41 FA 41 FE 41 FF"},
        {"no-break space", "81", "A0"},
        {"ASCII", "48 69 21", "48 69 21"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = hexBytes(c.in);
        MacArabic::prepare(reinterpret_cast<unsigned char *>(bytes.data()), static_cast<uint32_t>(bytes.size()));
        EXPECT_EQ(toHex(bytes), toHex(hexBytes(c.out)));
    }
    uint32_t rightToLeft = 0;
    for (int b = 0; b < 256; ++b) rightToLeft += MacArabic::isRightToLeft(static_cast<unsigned char>(b)) ? 1 : 0;
    EXPECT_EQ(rightToLeft, 60u);
    EXPECT_FALSE(MacArabic::isRightToLeft('A'));
    EXPECT_FALSE(MacArabic::isRightToLeft(0xB0));  // a digit
}

}  // namespace
}  // namespace quorvel::test
