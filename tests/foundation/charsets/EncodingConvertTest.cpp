#include <gtest/gtest.h>

#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/Windows1252.h"
#include "platform/SystemInfo.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

TEST(EncodingConvert, Windows1252AndUnmappableCharacters) {
    expectConversions({
        {65001, 1252, "61 E2 82 AC 62", true, "61 80 62"}, {1252, 65001, "61 80 62", true, "61 E2 82 AC 62"},
        // The five codes Windows leaves free stand for the C1 controls of the same value.
        {1252, 65001, "81 8D 8F 90 9D", true, "C2 81 C2 8D C2 8F C2 90 C2 9D"},
        {65001, 1252, "C2 81 C2 8D C2 8F C2 90 C2 9D", true, "81 8D 8F 90 9D"},
        // What the target lacks is dropped, the rest kept, and the result is false.
        {65001, 1252, "61 E2 98 BA 62 E2 82 AC", false, "61 62 80"},  // smiley between letters
        {65001, 1252, "61 F0 9F 98 80 62", false, "61 62"},           // beyond the BMP
        {1200, 1252, "61 00 3D D8 00 DE 62 00", false, "61 62"},      // a surrogate pair
        {1200, 1252, "61 00 00 DC", false, "61"},                     // a lone surrogate
        {65005, 1252, "B1 03 00 00 41 00 00 00", false, "41"},        // Greek from UTF-32
        {1201, 1252, "04 10 00 42", false, "42"},                     // Cyrillic from UTF-16BE
        {1200, 1252, "00 00 41 00", true, "00 41"},                   // U+0000 is byte 0
    });
    // Every byte agrees with the Windows-1252 table the string classes use, and comes back.
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const Converted utf16 = convertBytes(1252, 1200, all);
    ASSERT_TRUE(utf16.ok && utf16.bytes.size() == 512u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(utf16.bytes[2 * b]) | (static_cast<unsigned char>(utf16.bytes[2 * b + 1]) << 8),
                  static_cast<int>(Windows1252::toUnicode(static_cast<unsigned char>(b)))) << b;
    EXPECT_TRUE(convertBytes(1200, 1252, utf16.bytes).bytes == all);
}

// A mark at the start of a Unicode source is removed and, for UTF-16 and UTF-32, decides the
// byte order. "Aé" is 41 C3 A9 in UTF-8, 41 00 E9 00 in UTF-16LE.
TEST(EncodingConvert, ByteOrderMarksUnderEachDeclaredUnicodeCodePage) {
    expectConversions({
        {65001, 1200, "EF BB BF 41 C3 A9", true, "41 00 E9 00"},
        {65001, 1200, "EF BB BF", true, ""},
        {65001, 1200, "EF BB", true, ""},          // a partial mark is invalid bytes
        {65001, 1200, "FF FE 41", true, "41 00"},  // a UTF-16 mark in UTF-8 is invalid bytes
        {1200, 65001, "FF FE 41 00 E9 00", true, "41 C3 A9"},
        {1200, 65001, "FE FF 00 41 00 E9", true, "41 C3 A9"},  // big-endian after all
        {1200, 65001, "FF FE", true, ""},
        {1200, 65001, "EF BB BF 00", true, "EB AF AF C2 BF"},  // a UTF-8 mark is text here
        {1200, 65001, "41 00 E9", true, "41"},                 // an odd last byte is dropped
        {1200, 65001, "FE FF 00 41 00", true, "41"},
        {1201, 65001, "FF FE 41 00 E9 00", true, "41 C3 A9"},
        {1201, 65001, "FE FF 00 41 00 E9", true, "41 C3 A9"},
        {65005, 65001, "00 00 FE FF 00 00 00 41 00 00 00 E9", true, "41 C3 A9"},
        {65006, 65001, "FF FE 00 00 41 00 00 00 E9 00 00 00", true, "41 C3 A9"},
        {65006, 65001, "00 00 FE FF", true, ""},
        // A UTF-16 mark is no UTF-32 mark: FF FE 41 00 is the value 0x0041FEFF, beyond Unicode.
        {65005, 65001, "FF FE 41 00", false, ""},
        {65005, 1200, "00 00 FE FF 00 00 00 41", true, "41 00"},
        {1200, 1201, "FE FF 00 41 00 E9", true, "00 41 00 E9"},
        {1201, 65006, "FF FE 41 00", true, "00 00 00 41"},
        {65001, 1201, "EF BB BF 41", true, "00 41"},
        // Equal code pages copy everything, marks and odd bytes included; 0 means the other side.
        {1200, 1200, "FF FE 41 00 E9", true, "FF FE 41 00 E9"},
        {1200, 0, "FE FF 00 41", true, "FE FF 00 41"},
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
    EXPECT_TRUE(conv.convert(1200, 1201, reinterpret_cast<const unsigned char *>(in.data()), 6, out, log));
    EXPECT_EQ(toHex(bytesOf(out)), "78 79 00 41 D8 3D DE 00");
    EXPECT_TRUE(conv.convert(65001, 65001, nullptr, 5, out, log));  // no bytes: nothing to do
    EXPECT_EQ(out.getSize(), 8u);
    // Lossy, without a table, with invalid bytes: still not a word in the log.
    const unsigned char text[] = {0x61, 0xE2, 0x98, 0xBA, 0xFF};
    conv.convert(65001, 1252, text, 5, out, log);
    conv.convert(52936, 65001, text, 5, out, log);
    conv.convert(65001, 65005, text, 5, out, log);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    // The source is read in the system ANSI code page.
    SystemInfo::overrideAnsiCodePage(1252);
    DataBuffer fromAnsi;
    EXPECT_TRUE(conv.convertFromAnsi(1200, reinterpret_cast<const unsigned char *>("A\xE9\x80"), 3, fromAnsi, log));
    SystemInfo::overrideAnsiCodePage(0);
    EXPECT_EQ(toHex(bytesOf(fromAnsi)), "41 00 E9 00 AC 20");
}

TEST(EncodingConvert, SourceInsideTheOutputBuffer) {
    // Appending to the buffer that holds the source must not read moved or freed memory.
    for (uint32_t to : {1200u, 1201u, 65005u, 1252u, 65001u}) {
        DataBuffer buf;  // full to capacity, so that the first append moves the storage
        ASSERT_TRUE(buf.ensureCapacity(3) && buf.append("a\xC3\xA9", 3) && buf.getCapacity() == 3);
        LogNull log;
        EXPECT_TRUE(EncodingConvert().convert(65001, to, buf.getData(), buf.getSize(), buf, log)) << to;
        EXPECT_EQ(toHex(bytesOf(buf)), toHex("a\xC3\xA9" + convertBytes(65001, to, "a\xC3\xA9").bytes)) << to;
    }
}

}  // namespace
}  // namespace quorvel::test
