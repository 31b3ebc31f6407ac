#include <gtest/gtest.h>

#include <array>
#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePageData.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/ConvertOutput.h"
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

// Runs one of the table's (or the UTF-8 codec's) loops on hex input; returns the output in hex.
template <class Run> std::string run(const char *hex, bool &exact, Run loop) {
    const std::string in = hexBytes(hex);
    DataBuffer out;
    ConvertOutput o(out);
    loop(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()), o);
    EXPECT_TRUE(o.flush());
    exact = !o.dropped();
    return toHex(bytesOf(out));
}

TEST(EncodingConvertTable, DoubleByteLookups) {
    DoubleByteSample sample;
    CodePageTable table(sample.data);
    ASSERT_TRUE(table.isComplete());
    EXPECT_TRUE(table.isDoubleByte() && table.isAsciiCompatible() && table.decodesToUtf8());
    struct Case { const char *bytes; bool exact; const char *utf16le, *utf8; } cases[] = {
        {"41 81 40 A1 81 41", true, "41 00 00 30 61 FF 01 30", "41 E3 80 80 EF BD A1 E3 80 81"},
        {"81 7F 42", false, "7F 00 42 00", "7F 42"},  // an unmapped pair drops only its lead byte
        {"41 81", false, "41 00", "41"},              // lead byte cut off at the end
        {"41 FF 42", false, "41 00 42 00", "41 42"},  // unmapped single byte
        {"00 41", true, "00 00 41 00", "00 41"},
    };
    for (const Case &c : cases) {
        bool exact = false, exact8 = false;
        EXPECT_EQ(run(c.bytes, exact, [&](auto p, auto n, auto &o) { table.decode(p, n, false, o); }), toHex(hexBytes(c.utf16le)));
        EXPECT_EQ(run(c.bytes, exact8, [&](auto p, auto n, auto &o) { table.decodeToUtf8(p, n, o); }), toHex(hexBytes(c.utf8)));
        EXPECT_EQ(exact, c.exact) << c.bytes;
        EXPECT_EQ(exact8, c.exact) << c.bytes;
    }
    // The first code listed for a character is the one it encodes to.
    bool exact = false;
    const auto encode = [&](auto p, auto n, auto &o) { table.encode(p, n, false, o, false); };
    EXPECT_EQ(run("00 30 61 FF 41 00 01 30", exact, encode), "81 40 A1 41 81 41");
    EXPECT_TRUE(exact);
    EXPECT_EQ(run("41 00 00 4E 42 00 00", exact, encode), "41 42");  // U+4E00 has no code; odd byte ignored
    EXPECT_FALSE(exact);
}

TEST(EncodingConvertTable, CodePageThatIsNotAsciiCompatible) {
    // An EBCDIC-like layout: letters elsewhere, nothing at the ASCII positions.
    std::array<char16_t, 256> bytes{};
    bytes.fill(kNone);
    bytes[0xC1] = u'A', bytes[0xC2] = u'B', bytes[0x40] = u' ';
    CodePageTable table(CodePageData{99002, bytes.data(), nullptr, nullptr, 0});
    ASSERT_TRUE(table.isComplete());
    EXPECT_FALSE(table.isAsciiCompatible() || table.isDoubleByte());
    bool exact = true;
    EXPECT_EQ(run("41 00 20 00 42 00 43 00 00 00", exact, [&](auto p, auto n, auto &o) { table.encode(p, n, false, o, false); }),
              "C1 40 C2 00");
    EXPECT_FALSE(exact);  // C has no code
    EXPECT_EQ(run("C1 41 42 43 44 45 46 47 48 40", exact, [&](auto p, auto n, auto &o) { table.decodeToUtf8(p, n, o); }), "41 20");
    EXPECT_FALSE(exact);  // 0x41-0x48 are no characters here
}

TEST(EncodingConvertTable, BuiltInTablesAreSharedAndOthersAbsent) {
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
        const auto *p = reinterpret_cast<const unsigned char *>(in.data());
        DataBuffer pivot, twoSteps, oneStep;
        ConvertOutput toPivot(pivot), second(twoSteps), direct(oneStep);
        table->decode(p, static_cast<uint32_t>(in.size()), false, toPivot);
        ASSERT_TRUE(toPivot.flush());
        Utf8Codec::utf16ToUtf8(pivot.getData(), pivot.getSize(), false, second, true);
        table->decodeToUtf8(p, static_cast<uint32_t>(in.size()), direct);
        ASSERT_TRUE(second.flush() && direct.flush());
        EXPECT_EQ(direct.dropped(), toPivot.dropped()) << table->codePage();
        EXPECT_TRUE(bytesOf(oneStep) == bytesOf(twoSteps)) << table->codePage();
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
    struct Case { const char *pivot; bool secondStep; const char *cp1252, *utf8; } cases[] = {
        {"41 00 FD EF 02 AA BB 42 00", true, "41 AA BB 42", "41 AA BB 42"},  // two raw bytes
        {"FD EF 00 41 00", true, "41", "41"},
        {"FD EF 05 01 02 03 04 05 3D D8 00 DE", true, "01 02 03 04 05", "01 02 03 04 05 F0 9F 98 80"},
        {"3D D8 FD EF 01 80", true, "80", "ED A0 BD 80"},  // a high surrogate before an escape is alone
        // A count of 6 or more, or raw bytes cut off by the end, are ordinary units; and
        // outside a second step there are no escapes.
        {"FD EF 06 00", true, "", "EE BF BD 06"},
        {"FD EF 03 00", true, "", "EE BF BD 03"},
        {"FD EF 02 AA BB 00", false, "", "EE BF BD EA A8 82 C2 BB"},
    };
    for (const Case &c : cases) {
        bool exact = false;
        const auto toUtf8 = [&](auto p, auto n, auto &o) { Utf8Codec::utf16ToUtf8(p, n, false, o, c.secondStep); };
        EXPECT_EQ(run(c.pivot, exact, toUtf8), toHex(hexBytes(c.utf8))) << c.pivot;
        if (c.secondStep && *c.cp1252 != '\0') {
            EXPECT_EQ(run(c.pivot, exact, [&](auto p, auto n, auto &o) { cp1252->encode(p, n, false, o, true); }),
                      toHex(hexBytes(c.cp1252))) << c.pivot;
        }
    }
    // Through the converter, U+EFFD has no Windows-1252 code and is dropped like any other.
    const Converted r = convertBytes(65001, 1252, hexBytes("EE BF BD 02 41 42"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(toHex(r.bytes), "02 41 42");
}

}  // namespace
}  // namespace quorvel::test
