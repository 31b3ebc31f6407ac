#include <gtest/gtest.h>

#include <array>
#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePageData.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/Utf8Codec.h"

namespace quorvel::test {
namespace {

constexpr char16_t kNone = CodePageData::kUnmapped;

// A small double-byte code page: ASCII, lead byte 0x81, a single-byte katakana at 0xA1.
struct DoubleByteSample {
    std::array<char16_t, 256> bytes{};
    uint16_t codes[3] = {0x8140, 0x8141, 0x8142};
    char16_t chars[3] = {0x3000, 0x3001, 0x3000};  // 0x8142 duplicates 0x8140
    CodePageData data{};

    DoubleByteSample() {
        for (unsigned b = 0; b < 256; ++b) bytes[b] = b < 0x80 ? static_cast<char16_t>(b) : kNone;
        bytes[0x81] = CodePageData::kLeadByte;
        bytes[0xA1] = 0xFF61;
        data = CodePageData{99001, bytes.data(), codes, chars, 3};
    }
};

// The table loops on hex input, as "exact|output in hex".
template <class Loop> std::string run(const char *hex, Loop loop) {
    const Converted r = throughOutput(hexBytes(hex), loop);
    return (r.ok ? "exact|" : "lossy|") + toHex(r.bytes);
}

TEST(EncodingConvertTable, DoubleByteLookups) {
    DoubleByteSample sample;
    CodePageTable table(sample.data);
    ASSERT_TRUE(table.isComplete());
    EXPECT_TRUE(table.isDoubleByte() && table.isAsciiCompatible() && table.decodesToUtf8());
    const auto decode = [&](auto p, auto n, auto &o) { table.decode(p, n, false, o); };
    const auto decodeToUtf8 = [&](auto p, auto n, auto &o) { table.decodeToUtf8(p, n, o); };
    const auto encode = [&](auto p, auto n, auto &o) { table.encode(p, n, false, o, false); };
    const struct { const char *bytes, *utf16le, *utf8; } cases[] = {
        {"41 81 40 A1 81 41", "exact|41 00 00 30 61 FF 01 30", "exact|41 E3 80 80 EF BD A1 E3 80 81"},
        {"81 7F 42", "lossy|7F 00 42 00", "lossy|7F 42"},  // an unmapped pair drops only its lead byte
        {"41 81", "lossy|41 00", "lossy|41"},              // lead byte cut off at the end
        {"41 FF 42", "lossy|41 00 42 00", "lossy|41 42"},  // unmapped single byte
        {"00 41", "exact|00 00 41 00", "exact|00 41"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(run(c.bytes, decode), c.utf16le) << c.bytes;
        EXPECT_EQ(run(c.bytes, decodeToUtf8), c.utf8) << c.bytes;
    }
    // The first code listed for a character is the one it encodes to.
    EXPECT_EQ(run("00 30 61 FF 41 00 01 30", encode), "exact|81 40 A1 41 81 41");
    EXPECT_EQ(run("41 00 00 4E 42 00 00", encode), "lossy|41 42");  // U+4E00 has no code; odd byte ignored
}

TEST(EncodingConvertTable, CodePageThatIsNotAsciiCompatible) {
    // An EBCDIC-like layout: letters elsewhere, nothing at the ASCII positions.
    std::array<char16_t, 256> bytes{};
    bytes.fill(kNone);
    bytes[0xC1] = u'A', bytes[0xC2] = u'B', bytes[0x40] = u' ';
    CodePageTable table(CodePageData{99002, bytes.data(), nullptr, nullptr, 0});
    ASSERT_TRUE(table.isComplete());
    EXPECT_FALSE(table.isAsciiCompatible() || table.isDoubleByte());
    EXPECT_EQ(run("41 00 20 00 42 00 43 00 00 00", [&](auto p, auto n, auto &o) { table.encode(p, n, false, o, false); }),
              "lossy|C1 40 C2 00");  // C has no code
    EXPECT_EQ(run("C1 41 42 43 44 45 46 47 48 40", [&](auto p, auto n, auto &o) { table.decodeToUtf8(p, n, o); }),
              "lossy|41 20");  // 0x41-0x48 are no characters here
    const CodePageTable *first = CodePageTable::forCodePage(1252);
    ASSERT_TRUE(first != nullptr && first == CodePageTable::forCodePage(1252) && first->codePage() == 1252u);
    EXPECT_EQ(CodePageTable::forCodePage(52936), nullptr);
    EXPECT_EQ(CodePageTable::forCodePage(65001), nullptr);  // Unicode forms need no table
}

// The one-step path to UTF-8 gives exactly what decoding to UTF-16 and writing that as UTF-8
// in a second step gives, for every byte and pair of every built-in table; and a table with a
// character that would act on the second step (the escape unit, a surrogate) keeps two steps.
TEST(EncodingConvertTable, OneStepToUtf8EqualsTwoSteps) {
    uint32_t tables = 0;
    for (uint32_t i = 0; i < CharsetNames::codePageCount(); ++i) {
        const CodePageTable *table = CodePageTable::forCodePage(CharsetNames::codePageAt(i));
        if (table == nullptr) continue;
        ++tables;
        ASSERT_TRUE(table->decodesToUtf8()) << table->codePage();
        std::string in;
        for (int b = 0; b < 256; ++b) in += static_cast<char>(b);
        for (int lead = 0x80; table->isDoubleByte() && lead < 256; ++lead)
            for (int t = 0; t < 256; ++t) in += std::string{static_cast<char>(lead), static_cast<char>(t), 'x'};
        const Converted pivot = throughOutput(in, [&](auto p, auto n, auto &o) { table->decode(p, n, false, o); });
        const Converted twoSteps = throughOutput(pivot.bytes, [](auto p, auto n, auto &o) { Utf8Codec::utf16ToUtf8(p, n, false, o, true); });
        const Converted oneStep = throughOutput(in, [&](auto p, auto n, auto &o) { table->decodeToUtf8(p, n, o); });
        EXPECT_EQ(oneStep.ok, pivot.ok) << table->codePage();
        EXPECT_TRUE(oneStep.bytes == twoSteps.bytes) << table->codePage();
    }
    EXPECT_EQ(tables, 103u);
    for (char16_t acting : {char16_t{0xEFFD}, char16_t{0xD800}, char16_t{0xDFFF}}) {
        std::array<char16_t, 256> bytes{};
        for (unsigned b = 0; b < 256; ++b) bytes[b] = static_cast<char16_t>(b);
        bytes[0xA1] = acting;
        EXPECT_FALSE(CodePageTable(CodePageData{99003, bytes.data(), nullptr, nullptr, 0}).decodesToUtf8());
    }
}

TEST(EncodingConvertTable, SecondStepWritesEscapedRawBytes) {
    const CodePageTable *cp1252 = CodePageTable::forCodePage(1252);
    ASSERT_NE(cp1252, nullptr);
    const struct { const char *pivot; bool secondStep; const char *cp1252, *utf8; } cases[] = {
        {"41 00 FD EF 02 AA BB 42 00", true, "exact|41 AA BB 42", "41 AA BB 42"},  // two raw bytes
        {"FD EF 00 41 00", true, "exact|41", "41"},
        {"FD EF 05 01 02 03 04 05 3D D8 00 DE", true, "lossy|01 02 03 04 05", "01 02 03 04 05 F0 9F 98 80"},
        {"3D D8 FD EF 01 80", true, "lossy|80", "ED A0 BD 80"},  // a high surrogate before an escape is alone
        // A count of 6 or more, or raw bytes cut off by the end, are ordinary units; and
        // outside a second step there are no escapes.
        {"FD EF 06 00", true, nullptr, "EE BF BD 06"},
        {"FD EF 03 00", true, nullptr, "EE BF BD 03"},
        {"FD EF 02 AA BB 00", false, nullptr, "EE BF BD EA A8 82 C2 BB"},
    };
    for (const auto &c : cases) {
        const Converted utf8 = throughOutput(hexBytes(c.pivot), [&](auto p, auto n, auto &o) { Utf8Codec::utf16ToUtf8(p, n, false, o, c.secondStep); });
        EXPECT_EQ(toHex(utf8.bytes), toHex(hexBytes(c.utf8))) << c.pivot;
        if (c.cp1252) {
            EXPECT_EQ(run(c.pivot, [&](auto p, auto n, auto &o) { cp1252->encode(p, n, false, o, true); }), c.cp1252);
        }
    }
    // Through the converter, U+EFFD has no Windows-1252 code and is dropped like any other.
    expectConversions({{65001, 1252, "EE BF BD 02 41 42", false, "02 41 42"}});
}

}  // namespace
}  // namespace quorvel::test
