#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/Windows1252.h"
#include "platform/SystemInfo.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

TEST(EncodingConvert, Windows1252BothWays) {
    const std::pair<const char *, const char *> cases[] = {
        {"61 E2 82 AC 62", "61 80 62"},                       // a€b
        {"E2 80 9A C5 92 C5 BE C5 B8 C3 BF", "82 8C 9E 9F FF"},  // ‚ŒžŸÿ
        {"C2 81 C2 8D C2 8F C2 90 C2 9D", "81 8D 8F 90 9D"},  // the five codes Windows leaves free
    };
    for (const auto &[utf8, cp1252] : cases) {
        const Converted encoded = convertBytes(65001, 1252, hexBytes(utf8)), decoded = convertBytes(1252, 65001, hexBytes(cp1252));
        EXPECT_TRUE(encoded.ok && decoded.ok) << utf8;
        EXPECT_EQ(toHex(encoded.bytes), toHex(hexBytes(cp1252)));
        EXPECT_EQ(toHex(decoded.bytes), toHex(hexBytes(utf8)));
    }
    // Every byte agrees with the Windows-1252 table the string classes use, and comes back.
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const Converted utf16 = convertBytes(1252, 1200, all);
    ASSERT_TRUE(utf16.ok);
    ASSERT_EQ(utf16.bytes.size(), 512u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(utf16.bytes[2 * b]) | (static_cast<unsigned char>(utf16.bytes[2 * b + 1]) << 8),
                  static_cast<int>(Windows1252::toUnicode(static_cast<unsigned char>(b)))) << b;
    EXPECT_TRUE(convertBytes(1200, 1252, utf16.bytes).bytes == all);
}

TEST(EncodingConvert, UnmappableCharactersAreDroppedAndTheRestKept) {
    struct Case { uint32_t from; const char *input; const char *cp1252; } cases[] = {
        {65001, "61 E2 98 BA 62 E2 82 AC", "61 62 80"},  // smiley between letters
        {65001, "61 F0 9F 98 80 62", "61 62"},           // beyond the BMP
        {1200, "61 00 3D D8 00 DE 62 00", "61 62"},      // a surrogate pair
        {1200, "61 00 00 DC", "61"},                     // a lone surrogate
        {65005, "B1 03 00 00 41 00 00 00", "41"},        // Greek from UTF-32
        {1201, "04 10 00 42", "42"},                     // Cyrillic from UTF-16BE
    };
    for (const Case &c : cases) {
        const Converted r = convertBytes(c.from, 1252, hexBytes(c.input));
        EXPECT_FALSE(r.ok) << c.input;
        EXPECT_EQ(toHex(r.bytes), toHex(hexBytes(c.cp1252))) << c.input;
    }
    EXPECT_EQ(toHex(convertBytes(1200, 1252, hexBytes("00 00 41 00")).bytes), "00 41");  // U+0000 is byte 0
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
        EXPECT_TRUE(EncodingConvert().convert(65001, to, buf.getData(), buf.getSize(), buf, log)) << to;
        EXPECT_EQ(toHex(bytesOf(buf)), toHex("a\xC3\xA9" + convertBytes(65001, to, "a\xC3\xA9").bytes)) << to;
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
    EXPECT_TRUE(EncodingConvert().convertFromAnsi(1200, reinterpret_cast<const unsigned char *>(ansiText.bytes.data()),
                                                  static_cast<uint32_t>(ansiText.bytes.size()), out, log));
    EXPECT_EQ(toHex(bytesOf(out)), "41 00 E9 00");
}

}  // namespace
}  // namespace quorvel::test
