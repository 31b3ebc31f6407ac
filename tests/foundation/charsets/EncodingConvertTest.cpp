// The converter between code pages: the built-in tables both ways, the one-step path to UTF-8,
// byte-order marks, lossy targets, pages with rules of their own, and what it leaves in the output.
#include <array>

#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePageData.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/MacArabic.h"
#include "foundation/charsets/Utf8Codec.h"
#include "foundation/charsets/Windows1252.h"
#include "platform/SystemInfo.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

// The table loops on hex input, as "exact|output in hex".
template <class Loop> std::string run(const char *hex, Loop loop) {
    const Converted r = throughOutput(hexBytes(hex), loop);
    return (r.ok ? "exact|" : "lossy|") + toHex(r.bytes);
}

// What a double-byte table does with codes it lacks (each code of each table: CodePageTablesTest).
TEST(EncodingConvertTable, LookupsBothWays) {
    expectConversions({
        {932, 1200, "81 7F 42", false, "7F 00 42 00"},  // an unmapped pair drops only its lead byte
        {932, 65001, "41 88", false, "41"},  // lead byte cut off at the end
        {1200, 932, "41 00 FF FF 42 00 00", false, "41 42"},  // U+FFFF has no code; odd byte ignored
    });
    // A page without a table, and the Unicode forms, which need none.
    EXPECT_TRUE(CodePageTable::forCodePage(52936) == nullptr && CodePageTable::forCodePage(65001) == nullptr);
}

// The one-step path to UTF-8 equals the two steps through UTF-16 for every byte and pair of every
// table; a table holding a unit the second step acts on (escape, surrogate) keeps two steps.
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
        // A count of 6 or more, or raw bytes cut off, are ordinary units; outside a second step, no escapes.
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

TEST(EncodingConvert, Windows1252UnmappableCharactersAndPagesWithRulesOfTheirOwn) {
    expectConversions({
        // What the target lacks is dropped, the rest kept, and the result is false.
        {65001, 1252, "61 E2 98 BA 62 E2 82 AC", false, "61 62 80"},  // smiley between letters
        {1200, 1252, "61 00 3D D8 00 DE 62 00", false, "61 62"}, {1200, 1252, "61 00 00 DC", false, "61"},  // a surrogate pair; a lone surrogate
        {1200, 1252, "00 00 41 00", true, "00 41"}, {1200, 28591, "61 00 AC 20 62 00", false, "61 62"},  // U+0000 is byte 0; no euro in iso-8859-1
        {1253, 65001, "41 AA E1", false, "41 CE B1"}, {932, 65001, "41 88 9F 88", false, "41 E4 BA 9C"},  // an unmapped byte; a lone lead byte
        // Rules of their own: iso-8859-6 takes Arabic-Indic digits as ASCII ones, x-mac-arabic lowers its digits.
        {65001, 28596, "D9 A0 D9 A9 DB B0 DB B9 20 D8 A7", true, "30 39 30 39 20 C7"}, {1200, 28596, "65 06 F5 06", true, "35 35"},
        {65000, 1201, "2B 49 6D 49 2D", true, "22 62"}, {10004, 65001, "B1 B2 B3", true, "31 32 33"},
    });
    // Every byte agrees with the Windows-1252 table the string classes use, and comes back (the five
    // codes Windows leaves free stand for the C1 controls of the same value).
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const Converted utf16 = convertBytes(1252, 1200, all);
    std::u16string table;
    for (int b = 0; b < 256; ++b) table += static_cast<char16_t>(Windows1252::toUnicode(static_cast<unsigned char>(b)));
    EXPECT_TRUE(utf16.ok && utf16.bytes == std::string(reinterpret_cast<const char *>(table.data()), 512) &&
                convertBytes(1200, 1252, utf16.bytes).bytes == all);
}

// A mark at the start of a Unicode source is removed and, for UTF-16 and UTF-32, decides the
// byte order. "Aé" is 41 C3 A9 in UTF-8, 41 00 E9 00 in UTF-16LE.
TEST(EncodingConvert, ByteOrderMarksUnderEachDeclaredUnicodeCodePage) {
    expectConversions({
        {65001, 1200, "EF BB BF 41 C3 A9", true, "41 00 E9 00"}, {65001, 1200, "EF BB BF", true, ""},
        {65001, 1200, "EF BB", true, ""},          // a partial mark is invalid bytes
        {65001, 1200, "FF FE 41", true, "41 00"},  // a UTF-16 mark in UTF-8 is invalid bytes
        {1200, 65001, "FF FE 41 00 E9 00", true, "41 C3 A9"},
        {1200, 65001, "FE FF 00 41 00 E9", true, "41 C3 A9"},  // big-endian after all
        {1200, 65001, "EF BB BF 00", true, "EB AF AF C2 BF"},  // a UTF-8 mark is text here
        {1200, 65001, "41 00 E9", true, "41"},                 // an odd last byte is dropped
        {1201, 65001, "FF FE 41 00 E9 00", true, "41 C3 A9"}, {65005, 65001, "00 00 FE FF 00 00 00 41 00 00 00 E9", true, "41 C3 A9"},
        {65006, 65001, "FF FE 00 00 41 00 00 00 E9 00 00 00", true, "41 C3 A9"},
        // A UTF-16 mark is no UTF-32 mark: FF FE 41 00 is the value 0x0041FEFF, beyond Unicode.
        {65005, 65001, "FF FE 41 00", false, ""}, {65005, 1200, "00 00 FE FF 00 00 00 41", true, "41 00"},
        {1200, 1201, "FE FF 00 41 00 E9", true, "00 41 00 E9"}, {1201, 65006, "FF FE 41 00", true, "00 00 00 41"},
        // Equal code pages copy everything, marks and odd bytes included; 0 means the other side.
        {1200, 1200, "FF FE 41 00 E9", true, "FF FE 41 00 E9"}, {1200, 0, "FE FF 00 41", true, "FE FF 00 41"},
        {0, 65001, "EF BB BF 41", true, "EF BB BF 41"},
    });
    for (uint32_t from : {65001u, 1200u, 1201u, 65005u, 65006u, 1252u})
        for (uint32_t to : {65001u, 1200u, 1201u, 65005u, 65006u, 1252u})
            EXPECT_TRUE(convertBytes(from, to, "").ok && convertBytes(from, to, "").bytes.empty()) << from << " -> " << to;
}

TEST(EncodingConvert, AppendsToTheOutputAndWritesNoLog) {
    DataBuffer out = bufferOf("xy");
    RecordingLog log;
    EncodingConvert conv;
    const std::string in = hexBytes("41 00 3D D8 00 DE");
    EXPECT_TRUE(conv.convert(1200, 1201, reinterpret_cast<const unsigned char *>(in.data()), 6, out, log) &&
                conv.convert(65001, 65001, nullptr, 5, out, log));  // no bytes: nothing to do
    EXPECT_EQ(toHex(bytesOf(out)), "78 79 00 41 D8 3D DE 00");
    // Lossy, without a table, with invalid bytes: still not a word in the log.
    const unsigned char text[] = {0x61, 0xE2, 0x98, 0xBA, 0xFF};
    conv.convert(65001, 1252, text, 5, out, log), conv.convert(52936, 65001, text, 5, out, log), conv.convert(65001, 65005, text, 5, out, log);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    // The source is read in the system ANSI code page.
    SystemInfo::overrideAnsiCodePage(1252);
    DataBuffer fromAnsi;
    EXPECT_TRUE(conv.convertFromAnsi(1200, reinterpret_cast<const unsigned char *>("A\xE9\x80"), 3, fromAnsi, log) &&
                toHex(bytesOf(fromAnsi)) == "41 00 E9 00 AC 20");
    SystemInfo::overrideAnsiCodePage(0);
}

TEST(EncodingConvert, SourceInsideTheOutputBuffer) {
    // Appending to the buffer that holds the source must not read moved or freed memory.
    for (uint32_t to : {1200u, 1201u, 65005u, 1252u, 65001u}) {
        DataBuffer buf;  // full to capacity, so that the first append moves the storage
        ASSERT_TRUE(buf.ensureCapacity(3) && buf.append("a\xC3\xA9", 3) && buf.getCapacity() == 3);
        LogNull log;
        EXPECT_TRUE(EncodingConvert().convert(65001, to, buf.getData(), buf.getSize(), buf, log) &&
                    bytesOf(buf) == "a\xC3\xA9" + convertBytes(65001, to, "a\xC3\xA9").bytes) << to;
    }
}

TEST(CharsetConvert, CodePagesWithoutATableFailWithNoOutputOnEveryPath) {
    const unsigned char in[] = {0x41, 0x00, 0x42, 0x00};
    for (uint32_t cp : {52936u, 54936u, 50227u, 57002u, 57011u, 20000u, 709u, 1u, 99999u})
        for (uint32_t other : {65001u, 1200u, 1201u, 65005u, 65006u, 65000u, 50220u, 50225u, 10004u, 932u, 1252u})
            for (bool fromIt : {true, false}) {
                DataBuffer out = bufferOf("keep");
                LogNull log;
                EXPECT_FALSE(EncodingConvert().convert(fromIt ? cp : other, fromIt ? other : cp, in, 4, out, log) || bytesOf(out) != "keep")
                    << cp << (fromIt ? " -> " : " <- ") << other;
            }
}

TEST(MacArabic, Preparation) {
    const std::pair<const char *, const char *> cases[] = {
        {"41 C7 C8 CA 42", "41 CA C8 C7 42"}, {"41 C7 42 C8", "41 C7 42 C8"},  // a run of letters is reversed; a single letter stays
        {"C7 C8 20 CA CB CC", "C8 C7 20 CC CB CA"}, {"C7 AC C8", "C8 AC C7"},  // two runs, each reversed; right-to-left punctuation inside a run
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
    EXPECT_TRUE(rightToLeft == 60u && !MacArabic::isRightToLeft(0xB0)) << rightToLeft;  // B0 is a digit
}

}  // namespace
}  // namespace quorvel::test
