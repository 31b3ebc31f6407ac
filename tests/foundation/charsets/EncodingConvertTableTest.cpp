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

// The table loops on hex input, as "exact|output in hex".
template <class Loop> std::string run(const char *hex, Loop loop) {
    const Converted r = throughOutput(hexBytes(hex), loop);
    return (r.ok ? "exact|" : "lossy|") + toHex(r.bytes);
}

// Through the built-in tables of a double-byte page (932) and an EBCDIC one (37), both the
// UTF-16 and the one-step UTF-8 paths.
TEST(EncodingConvertTable, LookupsBothWays) {
    expectConversions({
        {932, 1200, "41 88 9F B1", true, "41 00 9C 4E 71 FF"},  // A, kanji, half-width katakana
        {932, 65001, "41 88 9F B1", true, "41 E4 BA 9C EF BD B1"},
        {932, 1200, "81 7F 42", false, "7F 00 42 00"},  // an unmapped pair drops only its lead byte
        {932, 65001, "81 7F 42", false, "7F 42"},
        {932, 1200, "41 88", false, "41 00"},  // lead byte cut off at the end
        {932, 65001, "41 88", false, "41"},
        {1200, 932, "52 22 41 00", true, "81 E0 41"},  // the first of the two codes of U+2252
        {1200, 932, "41 00 FF FF 42 00 00", false, "41 42"},  // U+FFFF has no code; odd byte ignored
        // EBCDIC: letters elsewhere, other characters at the ASCII positions.
        {1200, 37, "41 00 20 00 42 00 00 00", true, "C1 40 C2 00"}, {37, 65001, "C1 40 41 00", true, "41 20 C2 A0 00"},
    });
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
        {"FD EF 06 00", true, nullptr, "EE BF BD 06"}, {"FD EF 03 00", true, nullptr, "EE BF BD 03"},
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
