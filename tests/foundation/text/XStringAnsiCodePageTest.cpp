#include <gtest/gtest.h>

#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel::test {
namespace {

// Makes the system ANSI code page the given one for the life of the guard.
class AnsiCodePage {
public:
    explicit AnsiCodePage(uint32_t cp) { SystemInfo::overrideAnsiCodePage(cp); }
    ~AnsiCodePage() { SystemInfo::overrideAnsiCodePage(0); }
};

TEST(XStringAnsi, FormsFollowTheAnsiCodePage) {
    struct Case { uint32_t codePage; const char *utf8; const char *ansi; } cases[] = {
        {932, "a\xE4\xBA\x9C" "b\xEF\xBD\xB1", "61 88 9F 62 B1"},  // a, kanji, b, half-width katakana
        {932, "\xE3\x82\xBD\\", "83 5C 5C"},                         // a trail byte equal to '\'
        {949, "\xEA\xB0\x80!", "B0 A1 21"},
        {1251, "\xD0\x81\xD1\x91", "A8 B8"},
        {1252, "\xE2\x82\xAC\xC3\xA9", "80 E9"},
        {28591, "\xC3\xA9", "E9"},
        {65001, "\xE2\x82\xAC", "E2 82 AC"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codePage);
        AnsiCodePage guard(c.codePage);
        XString fromUtf8;
        ASSERT_TRUE(fromUtf8.setFromUtf8(c.utf8));
        EXPECT_EQ(toHex(fromUtf8.getAnsi()), toHex(hexBytes(c.ansi)));
        XString fromAnsi;
        ASSERT_TRUE(fromAnsi.setFromAnsi(hexBytes(c.ansi).c_str()));
        EXPECT_EQ(toHex(fromAnsi.getUtf8()), toHex(c.utf8));
        XString appended;
        ASSERT_TRUE(appended.setFromUtf8("x"));
        ASSERT_TRUE(appended.appendAnsi(hexBytes(c.ansi).c_str()));
        EXPECT_EQ(std::string(appended.getUtf8()), std::string("x") + c.utf8);
    }
}

TEST(XStringAnsi, ByteEditsNeverSplitADoubleByteCharacter) {
    AnsiCodePage guard(932);
    XString s;
    ASSERT_TRUE(s.setFromAnsi(hexBytes("83 5C 5C 88 9F").c_str()));  // katakana so, '\', kanji
    EXPECT_EQ(s.removeChar('\\'), 1u);
    EXPECT_EQ(toHex(s.getAnsi()), "83 5C 88 9F");
    EXPECT_EQ(s.removeChar(static_cast<char>(0x9F)), 0u);  // a lead byte is no character alone
    EXPECT_EQ(toHex(s.getAnsi()), "83 5C 88 9F");
    EXPECT_EQ(s.replaceChar('\\', '/'), 0u);
    EXPECT_EQ(toHex(s.getUtf8()), toHex("\xE3\x82\xBD\xE4\xBA\x9C"));
}

TEST(XStringAnsi, CaseRulesByCodePage) {
    struct Case { uint32_t codePage; const char *ansi; const char *upper; const char *lower; } cases[] = {
        {1252, "61 E9 FF 9A", "41 C9 FF 9A", "61 E9 FF 9A"},  // bytes: the Latin-1 rules only
        {28592, "61 B1 E9", "41 B1 C9", "61 B1 E9"},
        {1251, "61 B8 D7", "41 A8 D7", "61 B8 F7"},           // characters: Cyrillic yo and che
        {932, "61 88 9F 82 81", "41 88 9F 82 60", "61 88 9F 82 81"},  // full-width a to A
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codePage);
        AnsiCodePage guard(c.codePage);
        XString upper, lower;
        ASSERT_TRUE(upper.setFromAnsi(hexBytes(c.ansi).c_str()));
        ASSERT_TRUE(lower.setFromAnsi(hexBytes(c.ansi).c_str()));
        EXPECT_TRUE(upper.toUpperCase());
        EXPECT_TRUE(lower.toLowerCase());
        EXPECT_EQ(toHex(upper.getAnsi()), toHex(hexBytes(c.upper)));
        EXPECT_EQ(toHex(lower.getAnsi()), toHex(hexBytes(c.lower)));
    }
}

}  // namespace
}  // namespace quorvel::test
