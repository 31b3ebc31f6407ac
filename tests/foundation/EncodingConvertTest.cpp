// The converter's paths through Windows-1252 and the code pages it cannot convert.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "EncodingConvertTestBytes.h"
#include "foundation/Windows1252.h"
#include "platform/SystemInfo.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

TEST(EncodingConvert, Windows1252BothWays) {
    struct Case {
        const char *utf8;
        const char *cp1252;
    } cases[] = {
        {"61 E2 82 AC 62", "61 80 62"},                   // a€b
        {"C3 A9 C3 BF", "E9 FF"},                         // éÿ
        {"E2 80 9A C5 92 C5 BE C5 B8", "82 8C 9E 9F"},    // ‚ŒžŸ
        {"C2 81 C2 8D C2 8F C2 90 C2 9D", "81 8D 8F 90 9D"},  // the five codes Windows leaves free
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.utf8);
        const Converted encoded = convertBytes(65001, 1252, hexBytes(c.utf8));
        EXPECT_TRUE(encoded.ok);
        EXPECT_EQ(toHex(encoded.bytes), toHex(hexBytes(c.cp1252)));
        const Converted decoded = convertBytes(1252, 65001, hexBytes(c.cp1252));
        EXPECT_TRUE(decoded.ok);
        EXPECT_EQ(toHex(decoded.bytes), toHex(hexBytes(c.utf8)));
    }
}

TEST(EncodingConvert, EveryWindows1252ByteRoundTripsThroughUtf16) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const Converted utf16 = convertBytes(1252, 1200, all);
    ASSERT_TRUE(utf16.ok);
    ASSERT_EQ(utf16.bytes.size(), 512u);
    for (int b = 0; b < 256; ++b) {
        const unsigned unit = static_cast<unsigned char>(utf16.bytes[2 * b]) |
                              (static_cast<unsigned char>(utf16.bytes[2 * b + 1]) << 8);
        EXPECT_EQ(unit, static_cast<unsigned>(Windows1252::toUnicode(static_cast<unsigned char>(b)))) << b;
    }
    const Converted back = convertBytes(1200, 1252, utf16.bytes);
    EXPECT_TRUE(back.ok);
    EXPECT_TRUE(back.bytes == all);
    // U+0000 and byte 0 stand for each other.
    EXPECT_EQ(toHex(convertBytes(1200, 1252, hexBytes("00 00 41 00")).bytes), "00 41");
}

TEST(EncodingConvert, UnmappableCharactersAreDroppedAndTheRestKept) {
    struct Case {
        const char *why;
        uint32_t from;
        const char *input;
        const char *cp1252;
    } cases[] = {
        {"smiley between letters", 65001, "61 E2 98 BA 62 E2 82 AC", "61 62 80"},
        {"character beyond the BMP", 65001, "61 F0 9F 98 80 62", "61 62"},
        {"surrogate pair units", 1200, "61 00 3D D8 00 DE 62 00", "61 62"},
        {"lone surrogate", 1200, "61 00 00 DC", "61"},
        {"Greek from UTF-32", 65005, "B1 03 00 00 41 00 00 00", "41"},
        {"Cyrillic from UTF-16BE", 1201, "04 10 00 42", "42"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        const Converted r = convertBytes(c.from, 1252, hexBytes(c.input));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(toHex(r.bytes), toHex(hexBytes(c.cp1252)));
    }
}

TEST(EncodingConvert, Windows1252ToEveryUnicodeForm) {
    const std::string text = hexBytes("41 80 E9");  // A€é
    EXPECT_EQ(toHex(convertBytes(1252, 1200, text).bytes), "41 00 AC 20 E9 00");
    EXPECT_EQ(toHex(convertBytes(1252, 1201, text).bytes), "00 41 20 AC 00 E9");
    EXPECT_EQ(toHex(convertBytes(1252, 65005, text).bytes), "41 00 00 00 AC 20 00 00 E9 00 00 00");
    EXPECT_EQ(toHex(convertBytes(1252, 65006, text).bytes), "00 00 00 41 00 00 20 AC 00 00 00 E9");
    EXPECT_EQ(toHex(convertBytes(65006, 1252, hexBytes("00 00 FE FF 00 00 20 AC")).bytes), "80");
    EXPECT_EQ(toHex(convertBytes(1252, 1252, text).bytes), "41 80 E9");
}

TEST(EncodingConvert, CodePagesWithoutATableFailWithNoOutput) {
    // hz-gb-2312, gb18030, x-cp50227 and ISCII are known by name but never convertible; 1 and
    // 99999 are no code pages at all.
    for (uint32_t cp : {52936u, 54936u, 50227u, 57002u, 1u, 99999u}) {
        for (uint32_t other : {65001u, 1200u, 1201u, 65005u, 65006u, 1252u}) {
            for (bool fromIt : {true, false}) {
                DataBuffer out;
                out.append("keep", 4);
                LogNull log;
                EncodingConvert conv;
                const std::string in = other == 1200 || other == 1201 ? hexBytes("41 00 42 00") : std::string("AB");
                const bool ok = fromIt ? conv.convert(cp, other, reinterpret_cast<const unsigned char *>(in.data()),
                                                      static_cast<uint32_t>(in.size()), out, log)
                                       : conv.convert(other, cp, reinterpret_cast<const unsigned char *>(in.data()),
                                                      static_cast<uint32_t>(in.size()), out, log);
                EXPECT_FALSE(ok) << cp << (fromIt ? " -> " : " <- ") << other;
                EXPECT_EQ(bytesOf(out), "keep") << cp << (fromIt ? " -> " : " <- ") << other;
            }
        }
    }
}

TEST(EncodingConvert, OutputIsAppendedAfterWhatIsThere) {
    DataBuffer out;
    out.append("xy", 2);
    LogNull log;
    EncodingConvert conv;
    const std::string in = hexBytes("41 00 3D D8 00 DE");
    EXPECT_TRUE(conv.convert(1200, 1201, reinterpret_cast<const unsigned char *>(in.data()), 6, out, log));
    EXPECT_EQ(toHex(bytesOf(out)), "78 79 00 41 D8 3D DE 00");
    EXPECT_TRUE(conv.convert(65001, 65001, nullptr, 5, out, log));  // no bytes: nothing to do
    EXPECT_EQ(out.getSize(), 8u);
}

TEST(EncodingConvert, SourceInsideTheOutputBuffer) {
    // Appending to the buffer that holds the source must not read moved or freed memory.
    for (uint32_t to : {1200u, 1201u, 65005u, 1252u, 65001u}) {
        // Full to capacity, so that the first append moves the storage.
        auto *block = static_cast<unsigned char *>(std::malloc(3));
        ASSERT_NE(block, nullptr);
        std::memcpy(block, "a\xC3\xA9", 3);
        DataBuffer buf;
        buf.adopt(block, 3);
        LogNull log;
        EncodingConvert conv;
        EXPECT_TRUE(conv.convert(65001, to, buf.getData(), buf.getSize(), buf, log)) << to;
        const Converted expected = convertBytes(65001, to, "a\xC3\xA9");
        EXPECT_EQ(toHex(bytesOf(buf)), toHex("a\xC3\xA9" + expected.bytes)) << to;
    }
}

TEST(EncodingConvert, WritesNothingToTheLog) {
    RecordingLog log;
    EncodingConvert conv;
    DataBuffer out;
    const unsigned char text[] = {0x61, 0xE2, 0x98, 0xBA, 0xFF};
    conv.convert(65001, 1252, text, 5, out, log);   // lossy
    conv.convert(52936, 65001, text, 5, out, log);  // no table
    conv.convert(65001, 65005, text, 5, out, log);  // invalid bytes skipped
    conv.convertFromAnsi(1200, text, 5, out, log);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST(EncodingConvert, FromAnsiUsesTheSystemCodePage) {
    const uint32_t ansi = SystemInfo::ansiCodePage();
    // "Aé" written in the ANSI code page, wherever it can be.
    const Converted ansiText = convertBytes(65001, ansi, hexBytes("41 C3 A9"));
    if (!ansiText.ok) GTEST_SKIP() << "code page " << ansi << " has no table or cannot hold é";
    DataBuffer out;
    LogNull log;
    EncodingConvert conv;
    EXPECT_TRUE(conv.convertFromAnsi(1200, reinterpret_cast<const unsigned char *>(ansiText.bytes.data()),
                                     static_cast<uint32_t>(ansiText.bytes.size()), out, log));
    EXPECT_EQ(toHex(bytesOf(out)), "41 00 E9 00");
    if (ansi == 1252) {
        EXPECT_EQ(toHex(ansiText.bytes), "41 E9");
    } else if (ansi == 65001) {
        EXPECT_EQ(toHex(ansiText.bytes), "41 C3 A9");
    }
}

}  // namespace
}  // namespace quorvel::test
