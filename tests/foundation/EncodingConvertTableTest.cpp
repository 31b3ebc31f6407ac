// Table-driven code pages: expansion from mapping data, single- and double-byte lookups, and the
// raw-byte escapes that the second step of a two-step conversion honours.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "EncodingConvertTestBytes.h"
#include "foundation/CodePageData.h"
#include "foundation/CodePageTable.h"
#include "foundation/ConvertOutput.h"
#include "foundation/Utf8Codec.h"

namespace quorvel::test {
namespace {

constexpr char16_t kNone = CodePageData::kUnmapped;
constexpr char16_t kLead = CodePageData::kLeadByte;

// A small double-byte code page: ASCII, lead byte 0x81, a single-byte katakana at 0xA1.
struct DoubleByteSample {
    std::array<char16_t, 256> bytes{};
    uint16_t codes[3] = {0x8140, 0x8141, 0x8142};
    char16_t chars[3] = {0x3000, 0x3001, 0x3000};  // 0x8142 duplicates 0x8140
    CodePageData data{};

    DoubleByteSample() {
        for (unsigned b = 0; b < 256; ++b) bytes[b] = b < 0x80 ? static_cast<char16_t>(b) : kNone;
        bytes[0x81] = kLead;
        bytes[0xA1] = 0xFF61;
        data = CodePageData{99001, bytes.data(), codes, chars, 3};
    }
};

std::string decodeWith(const CodePageTable &table, const std::string &in, bool &exact) {
    DataBuffer out;
    ConvertOutput o(out);
    table.decode(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()), false, o);
    EXPECT_TRUE(o.flush());
    exact = !o.dropped();
    return bytesOf(out);
}

std::string encodeWith(const CodePageTable &table, const std::string &utf16, bool &exact, bool pivot = false) {
    DataBuffer out;
    ConvertOutput o(out);
    table.encode(reinterpret_cast<const unsigned char *>(utf16.data()), static_cast<uint32_t>(utf16.size()), false,
                 o, pivot);
    EXPECT_TRUE(o.flush());
    exact = !o.dropped();
    return bytesOf(out);
}

TEST(EncodingConvertTable, DoubleByteDecoding) {
    DoubleByteSample sample;
    CodePageTable table(sample.data);
    ASSERT_TRUE(table.isComplete());
    EXPECT_TRUE(table.isDoubleByte());
    EXPECT_TRUE(table.isAsciiCompatible());

    struct Case {
        const char *why;
        const char *bytes;
        bool exact;
        const char *utf16le;
    } cases[] = {
        {"pairs and singles", "41 81 40 A1 81 41", true, "41 00 00 30 61 FF 01 30"},
        {"unmapped pair drops only its lead byte", "81 7F 42", false, "7F 00 42 00"},
        {"lead byte cut off at the end", "41 81", false, "41 00"},
        {"unmapped single byte", "41 FF 42", false, "41 00 42 00"},
        {"byte 0", "00 41", true, "00 00 41 00"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        bool exact = false;
        EXPECT_EQ(toHex(decodeWith(table, hexBytes(c.bytes), exact)), toHex(hexBytes(c.utf16le)));
        EXPECT_EQ(exact, c.exact);
    }
}

TEST(EncodingConvertTable, DoubleByteEncodingTakesTheFirstCodeListed) {
    DoubleByteSample sample;
    CodePageTable table(sample.data);
    bool exact = false;
    EXPECT_EQ(toHex(encodeWith(table, hexBytes("00 30 61 FF 41 00 01 30"), exact)), "81 40 A1 41 81 41");
    EXPECT_TRUE(exact);
    EXPECT_EQ(toHex(encodeWith(table, hexBytes("41 00 00 4E 42 00 00"), exact)), "41 42");  // U+4E00 has no code
    EXPECT_FALSE(exact);
}

TEST(EncodingConvertTable, CodePageThatIsNotAsciiCompatible) {
    // An EBCDIC-like layout: letters elsewhere, nothing at the ASCII positions.
    std::array<char16_t, 256> bytes{};
    bytes.fill(kNone);
    bytes[0xC1] = u'A';
    bytes[0xC2] = u'B';
    bytes[0x40] = u' ';
    const CodePageData data{99002, bytes.data(), nullptr, nullptr, 0};
    CodePageTable table(data);
    ASSERT_TRUE(table.isComplete());
    EXPECT_FALSE(table.isAsciiCompatible());
    EXPECT_FALSE(table.isDoubleByte());
    bool exact = false;
    EXPECT_EQ(toHex(encodeWith(table, hexBytes("41 00 20 00 42 00 43 00 00 00"), exact)), "C1 40 C2 00");
    EXPECT_FALSE(exact);  // C has no code
    EXPECT_EQ(toHex(decodeWith(table, hexBytes("C1 41 40"), exact)), "41 00 20 00");
    EXPECT_FALSE(exact);  // 0x41 is not a character here
}

TEST(EncodingConvertTable, BuiltInTablesAreSharedAndOthersAbsent) {
    const CodePageTable *first = CodePageTable::forCodePage(1252);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, CodePageTable::forCodePage(1252));
    EXPECT_EQ(first->codePage(), 1252u);
    EXPECT_TRUE(first->isAsciiCompatible());
    EXPECT_FALSE(first->isDoubleByte());
    EXPECT_EQ(CodePageTable::forCodePage(52936), nullptr);
    EXPECT_EQ(CodePageTable::forCodePage(65001), nullptr);  // Unicode forms need no table
}

TEST(EncodingConvertTable, SecondStepWritesEscapedRawBytes) {
    const CodePageTable *cp1252 = CodePageTable::forCodePage(1252);
    ASSERT_NE(cp1252, nullptr);
    struct Case {
        const char *why;
        const char *pivot;
        const char *cp1252;
        const char *utf8;
    } cases[] = {
        {"two raw bytes", "41 00 FD EF 02 AA BB 42 00", "41 AA BB 42", "41 AA BB 42"},
        {"no raw bytes", "FD EF 00 41 00", "41", "41"},
        {"five raw bytes", "FD EF 05 01 02 03 04 05", "01 02 03 04 05", "01 02 03 04 05"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        bool exact = false;
        EXPECT_EQ(toHex(encodeWith(*cp1252, hexBytes(c.pivot), exact, true)), toHex(hexBytes(c.cp1252)));
        EXPECT_TRUE(exact);
        DataBuffer out;
        ConvertOutput o(out);
        const std::string pivot = hexBytes(c.pivot);
        Utf8Codec::utf16ToUtf8(reinterpret_cast<const unsigned char *>(pivot.data()),
                               static_cast<uint32_t>(pivot.size()), false, o, true);
        ASSERT_TRUE(o.flush());
        EXPECT_EQ(toHex(bytesOf(out)), toHex(hexBytes(c.utf8)));
    }
}

TEST(EncodingConvertTable, WhatIsNoEscapeStaysText) {
    // A count of 6 or more, or raw bytes cut off by the end, are ordinary units; and outside a
    // second step U+EFFD is always an ordinary character.
    struct Case {
        const char *pivot;
        bool pivotStep;
        const char *utf8;
    } cases[] = {
        {"FD EF 06 00", true, "EE BF BD 06"},
        {"FD EF 03 00", true, "EE BF BD 03"},
        {"FD EF 02 AA BB 00", false, "EE BF BD EA A8 82 C2 BB"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pivot);
        DataBuffer out;
        ConvertOutput o(out);
        const std::string pivot = hexBytes(c.pivot);
        Utf8Codec::utf16ToUtf8(reinterpret_cast<const unsigned char *>(pivot.data()),
                               static_cast<uint32_t>(pivot.size()), false, o, c.pivotStep);
        ASSERT_TRUE(o.flush());
        EXPECT_EQ(toHex(bytesOf(out)), toHex(hexBytes(c.utf8)));
    }
    // Through the converter, U+EFFD has no Windows-1252 code and is dropped like any other.
    const Converted r = convertBytes(65001, 1252, hexBytes("EE BF BD 02 41 42"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(toHex(r.bytes), "02 41 42");
}

}  // namespace
}  // namespace quorvel::test
