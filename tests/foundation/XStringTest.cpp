// XString forms, their valid flags and the lazy conversions between them.
#include <gtest/gtest.h>

#include <string>

#include "EncodingConvertTestBytes.h"
#include "foundation/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel::test {
namespace {

std::u16string units16(const char16_t *p) { return std::u16string(p); }
std::u32string units32(const char32_t *p) { return std::u32string(p); }

// "Aé€😀" in UTF-8.
const char *const kMixedUtf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
const char16_t kMixedUtf16[] = {0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0};

// The ANSI bytes of "Aé€" in the system code page, for the code pages the tests know.
bool ansiAeEuro(std::string &bytes) {
    switch (SystemInfo::ansiCodePage()) {
        case 65001: bytes = "A\xC3\xA9\xE2\x82\xAC"; return true;
        case 1252: bytes = "A\xE9\x80"; return true;
        default: return false;
    }
}

TEST(XString, NewAndClearedStringsHaveTheInitialFlags) {
    XString s;
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(s.isAnsiValid());
        EXPECT_TRUE(s.isUtf8Valid());
        EXPECT_FALSE(s.isWideValid());
        EXPECT_TRUE(s.isWideUtf16());
        EXPECT_TRUE(s.isEmpty());
        EXPECT_EQ(s.getNumChars(), 0u);
        EXPECT_STREQ(s.getUtf8(), "");
        s.setFromUtf32(U"x\U0001F600");
        EXPECT_FALSE(s.isEmpty());
        s.clear();
    }
    EXPECT_EQ(units16(s.getUtf16()), u"");
}

TEST(XString, SettingMarksOnlyTheWrittenForm) {
    XString s;
    s.setFromUtf8(kMixedUtf8);
    EXPECT_TRUE(s.isUtf8Valid());
    EXPECT_FALSE(s.isAnsiValid());
    EXPECT_FALSE(s.isWideValid());

    s.setFromUtf16(kMixedUtf16);
    EXPECT_TRUE(s.isWideValid());
    EXPECT_TRUE(s.isWideUtf16());
    EXPECT_FALSE(s.isUtf8Valid());
    EXPECT_FALSE(s.isAnsiValid());

    s.setFromUtf32(U"ab");
    EXPECT_TRUE(s.isWideValid());
    EXPECT_FALSE(s.isWideUtf16());
    EXPECT_FALSE(s.isUtf8Valid());

    s.setFromAnsi("plain");
    EXPECT_TRUE(s.isAnsiValid());
    EXPECT_FALSE(s.isUtf8Valid());
    EXPECT_FALSE(s.isWideValid());

    // An empty or null input clears.
    for (int i = 0; i < 4; ++i) {
        XString e;
        e.setFromUtf8("x");
        if (i == 0) e.setFromUtf8(nullptr);
        if (i == 1) e.setFromUtf16(u"");
        if (i == 2) e.setFromAnsi("");
        if (i == 3) e.setFromUtf8N("abc", 0);
        EXPECT_TRUE(e.isEmpty());
        EXPECT_TRUE(e.isAnsiValid() && e.isUtf8Valid() && !e.isWideValid()) << i;
    }
}

TEST(XString, GettersConvertLazilyAndKeepTheirForms) {
    XString s;
    s.setFromUtf8(kMixedUtf8);
    EXPECT_EQ(units16(s.getUtf16()), std::u16string(kMixedUtf16));
    EXPECT_TRUE(s.isWideValid() && s.isUtf8Valid());
    EXPECT_EQ(units32(s.getUtf32()), U"A\u00E9\u20AC\U0001F600");
    EXPECT_FALSE(s.isWideUtf16());

    // From UTF-16 to UTF-8: four-byte sequences for characters beyond the BMP.
    XString w;
    w.setFromUtf16(kMixedUtf16);
    EXPECT_STREQ(w.getUtf8(), kMixedUtf8);
    EXPECT_TRUE(w.isUtf8Valid() && w.isWideValid());

    // A UTF-32 wide form becomes UTF-16 in place.
    XString u;
    u.setFromUtf32(U"x\U0001F600");
    EXPECT_EQ(units16(u.getUtf16()), u"x\U0001F600");
    EXPECT_TRUE(u.isWideUtf16());
    EXPECT_FALSE(u.isUtf8Valid());
    EXPECT_STREQ(u.getUtf8(), "x\xF0\x9F\x98\x80");

    DataBuffer le;
    EXPECT_TRUE(w.getUtf16Le(le, true));
    EXPECT_EQ(toHex(bytesOf(le)), "41 00 E9 00 AC 20 3D D8 00 DE 00 00");
    EXPECT_TRUE(w.getUtf16Le(le, false));
    EXPECT_EQ(le.getSize(), 10u);
}

TEST(XString, AnsiFormFollowsTheSystemCodePage) {
    std::string ansi;
    if (!ansiAeEuro(ansi)) GTEST_SKIP() << "no expectations for code page " << SystemInfo::ansiCodePage();

    XString s;
    s.setFromAnsi(ansi.c_str());
    // While the ANSI form is valid the length is its byte count.
    EXPECT_EQ(s.getNumChars(), static_cast<uint32_t>(ansi.size()));
    EXPECT_STREQ(s.getUtf8(), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(units16(s.getUtf16()), u"A\u00E9\u20AC");

    XString t;
    t.setFromUtf8("A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(t.getNumChars(), 3u);  // UTF-16 units while ANSI is not valid
    EXPECT_EQ(std::string(t.getAnsi()), ansi);
    EXPECT_TRUE(t.isAnsiValid());

    // The ANSI flag records whether the conversion was exact.
    XString lossy;
    lossy.setFromUtf8(kMixedUtf8);
    const std::string got = lossy.getAnsi();
    if (SystemInfo::ansiCodePage() == 65001) {
        EXPECT_TRUE(lossy.isAnsiValid());
        EXPECT_EQ(got, kMixedUtf8);
    } else {
        EXPECT_FALSE(lossy.isAnsiValid());
        EXPECT_EQ(got, ansi);  // everything but the character the code page lacks
        EXPECT_EQ(lossy.getNumChars(), 5u);
    }
}

TEST(XString, SingleByteAnsiLengthIsTheByteCount) {
    if (SystemInfo::ansiCodePage() != 1252) GTEST_SKIP() << "needs a single-byte ANSI code page (1252)";
    XString s;
    s.setFromAnsi("\xE9t\xE9\x80");
    EXPECT_EQ(s.getNumChars(), 4u);
    EXPECT_STREQ(s.getUtf8(), "\xC3\xA9t\xC3\xA9\xE2\x82\xAC");
}

TEST(XString, ByteOrderMarksAreDroppedOnSet) {
    XString s;
    s.setFromUtf8("\xEF\xBB\xBF" "abc");
    EXPECT_STREQ(s.getUtf8(), "abc");
    EXPECT_EQ(units16(s.getUtf16()), u"abc");  // no U+FEFF
    EXPECT_EQ(s.getNumChars(), 3u);

    s.setFromUtf8N("\xEF\xBB\xBF" "xyz!", 6);
    EXPECT_STREQ(s.getUtf8(), "xyz");
    s.setFromUtf8("\xEF\xBB\xBF");
    EXPECT_TRUE(s.isEmpty());

    StringBuffer sb("\xEF\xBB\xBF" "sb");
    s.setFromSb(sb);
    EXPECT_STREQ(s.getUtf8(), "sb");

    s.setFromUtf16(u"\uFEFFab");
    EXPECT_STREQ(s.getUtf8(), "ab");
    s.setFromUtf16(u"\uFFFEab");
    EXPECT_STREQ(s.getUtf8(), "ab");
    s.setFromUtf16N(u"\uFEFFabcd", 3);
    EXPECT_STREQ(s.getUtf8(), "ab");

    const std::string le = hexBytes("FF FE 61 00 3D D8 00 DE");
    s.setFromUtf16Le(reinterpret_cast<const unsigned char *>(le.data()), static_cast<uint32_t>(le.size()));
    EXPECT_STREQ(s.getUtf8(), "a\xF0\x9F\x98\x80");

    s.setFromUtf32(U"\uFEFFq");
    EXPECT_STREQ(s.getUtf8(), "q");
    const char32_t swappedMark[] = {0xFFFE0000u, U'r', 0};
    s.setFromUtf32(swappedMark);
    EXPECT_STREQ(s.getUtf8(), "r");

    s.setFromUtf8("x");
    s.appendUtf8("\xEF\xBB\xBFy");
    s.prependUtf8("\xEF\xBB\xBFw");
    EXPECT_STREQ(s.getUtf8(), "wxy");
    EXPECT_TRUE(s.beginsWithUtf8("\xEF\xBB\xBFwx", false));
}

TEST(XString, TextEndsAtTheFirstZero) {
    XString s;
    s.setFromUtf8N("ab\0cd", 5);
    EXPECT_STREQ(s.getUtf8(), "ab");
    EXPECT_EQ(s.getNumChars(), 2u);
    s.setFromUtf8N("\0cd", 3);
    EXPECT_TRUE(s.isEmpty());
    const char16_t text[] = {u'a', u'b', 0, u'c'};
    s.setFromUtf16N(text, 4);
    EXPECT_STREQ(s.getUtf8(), "ab");
    s.appendUtf16N(text, 4);
    EXPECT_STREQ(s.getUtf8(), "abab");
}

TEST(XString, CopiesKeepFormsAndFlags) {
    XString a;
    a.setFromUtf16(kMixedUtf16);
    XString b(a);
    EXPECT_TRUE(b.isWideValid());
    EXPECT_FALSE(b.isUtf8Valid());
    EXPECT_STREQ(b.getUtf8(), kMixedUtf8);
    XString c;
    c.setFromAnsi("z");
    c = b;
    EXPECT_FALSE(c.isAnsiValid());
    EXPECT_TRUE(c.isUtf8Valid() && c.isWideValid());
    EXPECT_TRUE(c.equalsUtf8(kMixedUtf8));
    c = c;
    EXPECT_TRUE(c.equalsUtf8(kMixedUtf8));
}

TEST(XString, ConvertsToAnyCodePage) {
    XString s;
    s.setFromUtf8("a\xE2\x82\xAC" "b");
    DataBuffer out;
    EXPECT_TRUE(s.getConverted(1252, out));
    EXPECT_EQ(toHex(bytesOf(out)), "61 80 62");
    out.clear();
    EXPECT_TRUE(s.getConverted(1201, out));
    EXPECT_EQ(toHex(bytesOf(out)), "00 61 20 AC 00 62");
    out.clear();
    EXPECT_TRUE(s.getConverted(65001, out));
    EXPECT_EQ(toHex(bytesOf(out)), "61 E2 82 AC 62");

    XString w;
    w.setFromUtf16(u"a\U0001F600");
    out.clear();
    EXPECT_FALSE(w.getConverted(1252, out));
    EXPECT_EQ(toHex(bytesOf(out)), "61");
    out.clear();
    EXPECT_TRUE(w.getConverted(1200, out));
    EXPECT_EQ(toHex(bytesOf(out)), "61 00 3D D8 00 DE");  // no terminator
    out.clear();
    EXPECT_TRUE(w.getConverted(65006, out));
    EXPECT_EQ(toHex(bytesOf(out)), "00 00 00 61 00 01 F6 00");
    out.clear();
    EXPECT_FALSE(w.getConverted(52936, out));
    EXPECT_EQ(out.getSize(), 0u);

    // A wide text starting with U+FFFE is text, not a byte-order mark.
    const std::string le = hexBytes("FE FF 61 00");
    XString odd;
    odd.setFromUtf16Le(reinterpret_cast<const unsigned char *>(le.data()), 4);
    out.clear();
    EXPECT_TRUE(odd.getConverted(1200, out));
    EXPECT_EQ(toHex(bytesOf(out)), "FE FF 61 00");
    out.clear();
    EXPECT_TRUE(odd.getConverted(1201, out));
    EXPECT_EQ(toHex(bytesOf(out)), "FF FE 00 61");
    EXPECT_STREQ(odd.getUtf8(), "\xEF\xBF\xBE" "a");
}

}  // namespace
}  // namespace quorvel::test
