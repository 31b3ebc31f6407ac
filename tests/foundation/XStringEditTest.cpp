// XString appends, edits, queries and case mapping, with the forms each leaves valid.
#include <gtest/gtest.h>

#include <string>

#include "foundation/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel::test {
namespace {

bool onlyUtf8(const XString &s) { return s.isUtf8Valid() && !s.isAnsiValid() && !s.isWideValid(); }
bool onlyAnsi(const XString &s) { return s.isAnsiValid() && !s.isUtf8Valid() && !s.isWideValid(); }
bool onlyWide(const XString &s) { return s.isWideValid() && !s.isUtf8Valid() && !s.isAnsiValid(); }

TEST(XStringEdit, EditsWorkOnUtf8AndClearTheOtherForms) {
    XString s;
    s.setFromUtf16(u"  \u00E9t\u00E9 \t\r\n");
    EXPECT_TRUE(s.trim());
    EXPECT_STREQ(s.getUtf8(), "\xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(onlyUtf8(s));

    s.getUtf16();
    EXPECT_TRUE(s.replaceFirstUtf8("\xC3\xA9", "E"));
    EXPECT_STREQ(s.getUtf8(), "Et\xC3\xA9");
    EXPECT_TRUE(onlyUtf8(s));
    EXPECT_TRUE(s.replaceLastUtf8("t", "TT"));
    EXPECT_STREQ(s.getUtf8(), "ETT\xC3\xA9");
    EXPECT_FALSE(s.replaceFirstUtf8("zz", "y"));

    s.getUtf16();
    EXPECT_EQ(s.replaceChar('T', 'x'), 2u);
    EXPECT_STREQ(s.getUtf8(), "Exx\xC3\xA9");
    EXPECT_TRUE(onlyUtf8(s));
    EXPECT_EQ(s.removeChar('x'), 2u);
    EXPECT_STREQ(s.getUtf8(), "E\xC3\xA9");

    s.getUtf16();
    StringBuffer &raw = s.getUtf8SbRw();
    EXPECT_TRUE(onlyUtf8(s));
    raw.append("!");
    EXPECT_EQ(std::u16string(s.getUtf16()), u"E\u00E9!");
}

TEST(XStringEdit, AnsiEditsWhileAnsiIsTheCurrentForm) {
    XString s;
    s.setFromAnsi("  ab,c \r\n");
    EXPECT_TRUE(s.trim());
    EXPECT_TRUE(onlyAnsi(s));
    EXPECT_STREQ(s.getAnsi(), "ab,c");
    EXPECT_EQ(s.removeChar(','), 1u);
    EXPECT_TRUE(onlyAnsi(s));
    EXPECT_TRUE(s.appendAnsi("de"));
    EXPECT_TRUE(onlyAnsi(s));
    EXPECT_STREQ(s.getUtf8(), "abcde");

    // With ANSI no longer valid the appended ANSI text is converted onto the UTF-8 form.
    XString u;
    u.setFromUtf8("\xE2\x82\xAC");
    EXPECT_TRUE(u.appendAnsi("xy"));
    EXPECT_TRUE(onlyUtf8(u));
    EXPECT_STREQ(u.getUtf8(), "\xE2\x82\xAC" "xy");
}

TEST(XStringEdit, NonAsciiCharacterArgumentsAreAnsiCharacters) {
    const uint32_t ansi = SystemInfo::ansiCodePage();
    XString s;
    s.setFromUtf8("caf\xC3\xA9 caf\xC3\xA9");
    if (ansi == 1252) {
        EXPECT_EQ(s.replaceChar('\xE9', 'e'), 2u);
        EXPECT_STREQ(s.getUtf8(), "cafe cafe");
        s.setFromUtf8("\xE2\x82\xAC" "5\xE2\x82\xAC");
        EXPECT_EQ(s.removeChar('\x80'), 2u);
        EXPECT_STREQ(s.getUtf8(), "5");
    } else if (ansi == 65001) {
        // A lone byte above 0x7F is no UTF-8 character: nothing matches, nothing is split.
        EXPECT_EQ(s.replaceChar('\xA9', 'e'), 0u);
        EXPECT_EQ(s.removeChar('\xC3'), 0u);
        EXPECT_STREQ(s.getUtf8(), "caf\xC3\xA9 caf\xC3\xA9");
    } else {
        GTEST_SKIP() << "no expectations for code page " << ansi;
    }
}

TEST(XStringEdit, AppendsInEveryForm) {
    XString s;
    s.setFromUtf8("a");
    EXPECT_TRUE(s.appendUtf16(u"\u00E9"));
    EXPECT_TRUE(s.appendUtf32(U"\U0001F600"));
    EXPECT_TRUE(s.appendInt(-42));
    EXPECT_TRUE(s.appendSb(StringBuffer("z")));
    EXPECT_TRUE(s.prependUtf8(">"));
    EXPECT_STREQ(s.getUtf8(), ">a\xC3\xA9\xF0\x9F\x98\x80-42z");
    EXPECT_TRUE(onlyUtf8(s));

    XString wide;
    wide.setFromUtf16(u"W\U0001F600");
    XString wide32;
    wide32.setFromUtf32(U"V\u20AC");
    XString ansi;
    ansi.setFromAnsi("n");
    XString t;
    EXPECT_TRUE(t.appendX(wide));
    EXPECT_TRUE(t.appendX(wide32));
    EXPECT_TRUE(t.appendX(ansi));
    EXPECT_TRUE(t.appendX(t));
    EXPECT_STREQ(t.getUtf8(), "W\xF0\x9F\x98\x80V\xE2\x82\xACnW\xF0\x9F\x98\x80V\xE2\x82\xACn");
}

TEST(XStringEdit, Queries) {
    XString s;
    s.setFromUtf8("\xF0\x9F\x98\x80" "ab\xC3\xA9" "cd");
    EXPECT_EQ(s.indexOfUtf8("b"), 3);  // the smiley is two UTF-16 units
    EXPECT_EQ(s.indexOfUtf8("cd"), 5);
    EXPECT_EQ(s.indexOfUtf8("x"), -1);
    EXPECT_TRUE(s.containsUtf8("\xC3\xA9" "c"));
    EXPECT_FALSE(s.containsUtf8("abc"));
    EXPECT_EQ(s.getNumChars(), 7u);

    XString t;
    t.setFromUtf8("Hello");
    EXPECT_TRUE(t.equalsIgnoreCaseUtf8("hELLO"));
    EXPECT_FALSE(t.equalsIgnoreCaseUtf8("hell"));
    EXPECT_TRUE(t.beginsWithUtf8("HE", true));
    EXPECT_FALSE(t.beginsWithUtf8("HE", false));
    t.setFromUtf8("\xC3\xA9t\xC3\xA9");
    EXPECT_FALSE(t.equalsIgnoreCaseUtf8("\xC3\xA9t\xC3\xA9"));  // not ASCII: never equal this way
    EXPECT_TRUE(t.equalsUtf8("\xC3\xA9t\xC3\xA9"));

    t.setFromUtf8("-0042abc");
    EXPECT_EQ(t.intValue(), -42);
}

TEST(XStringEdit, EqualsComparesInTheOtherStringsForm) {
    XString utf8;
    utf8.setFromUtf8("x\xE2\x82\xAC\xF0\x9F\x98\x80");
    XString utf16;
    utf16.setFromUtf16(u"x\u20AC\U0001F600");
    XString utf32;
    utf32.setFromUtf32(U"x\u20AC\U0001F600");
    EXPECT_TRUE(utf8.equalsX(utf16));
    EXPECT_TRUE(utf16.equalsX(utf32));
    EXPECT_TRUE(utf32.equalsX(utf8));
    XString other;
    other.setFromUtf16(u"x\u20AC");
    EXPECT_FALSE(utf8.equalsX(other));

    // Against ANSI-only text, a character the code page lacks makes the strings differ even
    // though the lossy ANSI forms would match.
    XString plain;
    plain.setFromAnsi("ab");
    XString withSmiley;
    withSmiley.setFromUtf8("a\xF0\x9F\x98\x80" "b");
    EXPECT_FALSE(withSmiley.equalsX(plain));
    XString same;
    same.setFromUtf16(u"ab");
    EXPECT_TRUE(same.equalsX(plain));
}

TEST(XStringEdit, CaseMapping) {
    const uint32_t ansi = SystemInfo::ansiCodePage();
    XString s;
    s.setFromUtf8("\xC3\x80" "b\xC3\x87\xF0\x9F\x98\x80");  // ÀbÇ😀
    EXPECT_TRUE(s.toLowerCase());
    EXPECT_TRUE(onlyWide(s));  // set from UTF-8, so ANSI is not valid: through UTF-16
    EXPECT_STREQ(s.getUtf8(), "\xC3\xA0" "b\xC3\xA7\xF0\x9F\x98\x80");
    EXPECT_TRUE(s.toUpperCase());
    EXPECT_STREQ(s.getUtf8(), "\xC3\x80" "B\xC3\x87\xF0\x9F\x98\x80");

    XString a;
    a.setFromAnsi("MiXeD");
    EXPECT_TRUE(a.toLowerCase());
    EXPECT_STREQ(a.getUtf8(), "mixed");
    if (ansi == 1252 || ansi == 28591 || ansi == 1250 || ansi == 28592) {
        a.setFromAnsi("\xC9t\xC9");  // ÉtÉ in a Latin code page: changed on the ANSI bytes
        EXPECT_TRUE(a.toLowerCase());
        EXPECT_TRUE(onlyAnsi(a));
        EXPECT_STREQ(a.getAnsi(), "\xE9t\xE9");
    } else {
        a.setFromAnsi("ABC");
        EXPECT_TRUE(a.toLowerCase());
        EXPECT_TRUE(onlyWide(a));
        EXPECT_EQ(std::u16string(a.getUtf16()), u"abc");
    }
}

}  // namespace
}  // namespace quorvel::test
