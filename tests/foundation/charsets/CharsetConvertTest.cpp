#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/MacArabic.h"

namespace quorvel::test {
namespace {

// Every character a table page maps, sorted; empty for the Unicode forms, which hold any.
std::vector<char32_t> repertoire(uint32_t cp) {
    const CodePageTable *table = CodePageTable::forCodePage(cp);
    std::vector<char32_t> chars;
    for (uint32_t code = 1; table && code < (table->isDoubleByte() ? 0x10000u : 0x100u); ++code) {
        const std::string bytes = code < 0x100 ? std::string(1, char(code)) : std::string{char(code >> 8), char(code)};
        const Converted utf16 = throughOutput(bytes, [&](auto p, auto n, auto &o) { table->decode(p, n, false, o); });
        if (utf16.ok && utf16.bytes.size() == 2 && utf16.bytes != std::string(2, '\0'))
            chars.push_back(static_cast<unsigned char>(utf16.bytes[0]) | char32_t{static_cast<unsigned char>(utf16.bytes[1])} << 8);
    }
    std::sort(chars.begin(), chars.end());
    chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
    return chars;
}

// Characters for Unicode-only pairs: every plane's kind, without the two that read as byte-order
// marks at the start of a text, and without surrogates.
char32_t randomScalar(std::mt19937 &gen) {
    static const uint32_t ranges[][2] = {{0x20, 0x7E}, {0x09, 0x0D}, {0xA0, 0x7FF}, {0x800, 0xD7FF},
                                         {0xE000, 0xFEFE}, {0xFF00, 0xFFFD}, {0x10000, 0x10FFFF}, {0x1F600, 0x1F64F}};
    const auto &r = ranges[gen() % std::size(ranges)];
    return static_cast<char32_t>(r[0] + gen() % (r[1] - r[0] + 1));
}

// For each ordered pair (A, B): seeded random text drawn from what both can hold, written in A,
// converts to B and back to the same bytes, and B holds the same text.
TEST(CharsetConvert, RealisticTextRoundTripsBetweenEveryPair) {
    const uint32_t pages[] = {65001, 1200, 1201, 65005, 65006, 65000, 1252, 1251, 932,
                              936, 949, 950, 874, 28592, 51932, 20866, 10005, 10021};
    std::vector<std::vector<char32_t>> repertoires;
    for (uint32_t cp : pages) {
        repertoires.push_back(repertoire(cp));
        ASSERT_TRUE(cp >= 65000 || cp == 1200 || cp == 1201 || repertoires.back().size() > 60) << cp;
    }
    std::mt19937 gen(1993u);
    for (size_t a = 0; a < std::size(pages); ++a) {
        for (size_t b = 0; b < std::size(pages); ++b) {
            if (a == b) continue;
            SCOPED_TRACE(std::to_string(pages[a]) + " -> " + std::to_string(pages[b]));
            std::vector<char32_t> common;  // empty: any character
            const auto &ra = repertoires[a], &rb = repertoires[b];
            if (ra.empty() || rb.empty()) common = ra.empty() ? rb : ra;
            else std::set_intersection(ra.begin(), ra.end(), rb.begin(), rb.end(), std::back_inserter(common));
            // Short texts of every length, and one long enough to cross many output blocks.
            for (size_t length : {0, 1, 2, 7, 40, 200, 3000}) {
                std::u32string text;
                for (size_t k = 0; k < length; ++k)
                    text.push_back(gen() % 4 == 0 ? U" a1\n"[gen() % 4] : common.empty() ? randomScalar(gen) : common[gen() % common.size()]);
                const Converted source = convertBytes(65005, pages[a], utf32Le(text));
                const Converted there = convertBytes(pages[a], pages[b], source.bytes);
                const Converted back = convertBytes(pages[b], pages[a], there.bytes);
                const Converted check = convertBytes(pages[b], 65005, there.bytes);
                ASSERT_TRUE(source.ok && there.ok && back.ok && check.ok) << "length " << length;
                ASSERT_EQ(toHex(back.bytes), toHex(source.bytes));
                ASSERT_EQ(toHex(check.bytes), toHex(utf32Le(text)));
            }
        }
    }
}

TEST(CharsetConvert, PagesWithRulesOfTheirOwn) {
    expectConversions({
        {1200, 28591, "61 00 AC 20 62 00", false, "61 62"},  // no euro in iso-8859-1
        // iso-8859-6 takes Arabic-Indic digits as ASCII ones.
        {65001, 28596, "D9 A0 D9 A9 DB B0 DB B9 20 D8 A7", true, "30 39 30 39 20 C7"},
        {1200, 28596, "65 06 F5 06", true, "35 35"},
        {65000, 1201, "2B 49 6D 49 2D", true, "22 62"},
        {10004, 65001, "B1 B2 B3", true, "31 32 33"},  // x-mac-arabic digits are lowered
        {10005, 65001, "41 E0 FA", true, "41 D7 90 D7 AA"},
        {10021, 1200, "A1 E8", true, "01 0E 48 0E"},
        {1253, 65001, "41 AA E1", false, "41 CE B1"},        // an unmapped byte
        {932, 65001, "41 88 9F 88", false, "41 E4 BA 9C"},   // a lone lead byte
    });
}

TEST(CharsetConvert, CodePagesWithoutATableFailWithNoOutputOnEveryPath) {
    const unsigned char in[] = {0x41, 0x00, 0x42, 0x00};
    for (uint32_t cp : {52936u, 54936u, 50227u, 57002u, 57011u, 20000u, 709u, 1u, 99999u}) {
        for (uint32_t other : {65001u, 1200u, 1201u, 65005u, 65006u, 65000u, 50220u, 50225u, 10004u, 932u, 1252u}) {
            for (bool fromIt : {true, false}) {
                DataBuffer out = bufferOf("keep");
                LogNull log;
                EXPECT_FALSE(EncodingConvert().convert(fromIt ? cp : other, fromIt ? other : cp, in, 4, out, log));
                EXPECT_EQ(bytesOf(out), "keep") << cp << (fromIt ? " -> " : " <- ") << other;
            }
        }
    }
}

TEST(MacArabic, Preparation) {
    const std::pair<const char *, const char *> cases[] = {
        {"41 C7 C8 CA 42", "41 CA C8 C7 42"},        // a run of letters is reversed
        {"41 C7 42 C8", "41 C7 42 C8"},              // a single letter stays
        {"C7 C8 20 CA CB CC", "C8 C7 20 CC CB CA"},  // two runs, each reversed
        {"C7 AC C8", "C8 AC C7"},                    // right-to-left punctuation inside a run
        {"A0 A1 AF B0 B9 BA BC BE DB DF FB FD", "20 21 2F 30 39 3A 3C 3E 5B 5F 7B 7D"},  // lowered
        {"A5 41 AC 41 BB 41 C0 DA 41 E0 41 FA 41 FE 41 FF", "A5 41 AC 41 BB 41 C0 DA 41 E0 41 FA 41 FE 41 FF"},
        {"81 48 69", "A0 48 69"},  // no-break space; ASCII stays
    };
    for (const auto &[in, out] : cases) {
        std::string bytes = hexBytes(in);
        MacArabic::prepare(reinterpret_cast<unsigned char *>(bytes.data()), static_cast<uint32_t>(bytes.size()));
        EXPECT_EQ(toHex(bytes), toHex(hexBytes(out))) << in;
    }
    uint32_t rightToLeft = 0;
    for (int b = 0; b < 256; ++b) rightToLeft += MacArabic::isRightToLeft(static_cast<unsigned char>(b)) ? 1 : 0;
    EXPECT_EQ(rightToLeft, 60u);
    EXPECT_FALSE(MacArabic::isRightToLeft(0xB0));  // a digit
}

}  // namespace
}  // namespace quorvel::test
