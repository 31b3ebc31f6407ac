#include <functional>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel::test {
namespace {

// "Aé€😀" in UTF-8 and UTF-16.
const char *const kMixedUtf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
const char16_t kMixedUtf16[] = {0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0};

// The valid forms: u (UTF-8), a (ANSI), w16 or w32 (the wide form and its width).
std::string forms(const XString &s) {
    return std::string(s.isUtf8Valid() ? "u" : "") + (s.isAnsiValid() ? "a" : "") +
           (s.isWideValid() ? (s.isWideUtf16() ? "w16" : "w32") : "");
}

XString fromUtf8(const char *utf8) { XString s; s.setFromUtf8(utf8); return s; }
XString fromWide(const char16_t *utf16) { XString s; s.setFromUtf16(utf16); return s; }
XString fromWide(const char32_t *utf32) { XString s; s.setFromUtf32(utf32); return s; }
XString fromAnsiHex(const char *hex) { XString s; s.setFromAnsi(hexBytes(hex).c_str()); return s; }

// The UTF-8 form after operations, "false|" first when one of them failed.
std::string utf8After(bool ok, const XString &s) { return std::string(ok ? "" : "false|") + s.getUtf8(); }

// Makes the system ANSI code page the given one for the life of the guard.
struct AnsiCodePage {
    explicit AnsiCodePage(uint32_t cp) { SystemInfo::overrideAnsiCodePage(cp); }
    ~AnsiCodePage() { SystemInfo::overrideAnsiCodePage(0); }
};

TEST(XString, SettingMarksOnlyTheWrittenFormAndDropsByteOrderMarks) {
    XString s = fromWide(U"x\U0001F600");
    s.clear();  // as a new string: empty UTF-8 and ANSI forms
    EXPECT_TRUE(forms(s) == "ua" && s.isWideUtf16() && std::u16string(s.getUtf16()).empty() && s.getNumChars() == 0u);
    static const unsigned char leSmiley[] = {0xFF, 0xFE, 0x61, 0x00, 0x3D, 0xD8, 0x00, 0xDE};  // a mark, then "a😀"
    using Set = bool (*)(XString &);
    const struct { Set set; const char *forms, *utf8; } cases[] = {
        {[](XString &x) { return x.setFromUtf8(kMixedUtf8); }, "u", kMixedUtf8},
        {[](XString &x) { return x.setFromUtf16(kMixedUtf16); }, "w16", kMixedUtf8}, {[](XString &x) { return x.setFromUtf32(U"ab"); }, "w32", "ab"},
        {[](XString &x) { return x.setFromAnsi("plain"); }, "a", "plain"},
        // An empty or null input clears.
        {[](XString &x) { return x.setFromUtf8N("abc", 0); }, "ua", ""},
        // Byte-order marks are dropped; U+FFFE counts as one in UTF-16 and UTF-32 (either order).
        {[](XString &x) { return x.setFromUtf8("\xEF\xBB\xBF" "abc"); }, "u", "abc"},
        {[](XString &x) { return x.setFromSb(StringBuffer("\xEF\xBB\xBF" "sb")); }, "u", "sb"},
        {[](XString &x) { return x.setFromUtf16(u"\uFFFEab"); }, "w16", "ab"},
        {[](XString &x) { return x.setFromUtf16Le(leSmiley, 8); }, "w16", "a\xF0\x9F\x98\x80"},
        {[](XString &x) { return x.setFromUtf32(std::u32string{0xFFFE0000u, U'r'}.c_str()); }, "w32", "r"},
        // The text ends at the first zero.
        {[](XString &x) { return x.setFromUtf8N("ab\0cd", 5); }, "u", "ab"}, {[](XString &x) { return x.setFromUtf16N(u"ab\0c", 4); }, "w16", "ab"},
    };
    for (const auto &c : cases) {
        XString x = fromUtf8("previous");
        c.set(x);
        const std::string valid = forms(x);  // before the getter converts
        EXPECT_EQ(valid + " " + x.getUtf8(), std::string(c.forms) + " " + c.utf8);
        EXPECT_EQ(std::u16string(x.getUtf16()).find(u'\uFEFF'), std::u16string::npos) << c.utf8;
    }
    s.setFromUtf8("x");
    EXPECT_EQ(utf8After(s.appendUtf8("\xEF\xBB\xBFy") && s.prependUtf8("\xEF\xBB\xBFw") && s.appendUtf16N(u"ab\0c", 4), s), "wxyab");
    EXPECT_TRUE(s.beginsWithUtf8("\xEF\xBB\xBFwx", false));
}

TEST(XString, GettersConvertLazilyAndKeepTheirForms) {
    XString s = fromUtf8(kMixedUtf8), w = fromWide(kMixedUtf16), u = fromWide(U"x\U0001F600");
    EXPECT_TRUE(std::u16string(s.getUtf16()) == kMixedUtf16 && forms(s) == "uw16");
    EXPECT_TRUE(std::u32string(s.getUtf32()) == U"A\u00E9\u20AC\U0001F600" && forms(s) == "uw32");
    EXPECT_TRUE(std::string(w.getUtf8()) == kMixedUtf8 && forms(w) == "uw16");  // four-byte sequences beyond the BMP
    EXPECT_TRUE(std::u16string(u.getUtf16()) == u"x\U0001F600" && forms(u) == "w16");  // UTF-32 becomes UTF-16 in place
    EXPECT_STREQ(u.getUtf8(), "x\xF0\x9F\x98\x80");
    DataBuffer le;
    EXPECT_TRUE(w.getUtf16Le(le, true) && toHex(bytesOf(le)) == "41 00 E9 00 AC 20 3D D8 00 DE 00 00");
    EXPECT_TRUE(w.getUtf16Le(le, false) && le.getSize() == 10u);
    // Copies keep the forms and flags.
    const XString wideOnly = fromWide(kMixedUtf16);
    XString assigned = fromAnsiHex("7A");
    EXPECT_EQ(forms(XString(wideOnly)), "w16");
    assigned = w;
    assigned = assigned;
    EXPECT_TRUE(forms(assigned) == "uw16" && assigned.equalsUtf8(kMixedUtf8));
}

// UTF-16 without surrogates goes to UTF-8, and ASCII UTF-8 to UTF-16, by direct loops built a chunk
// of 256 units at a time; surrogates and non-ASCII take the general codecs, as UTF-32 input always does.
TEST(XString, ShortCutConversionsAgreeWithTheGeneralCodecs) {
    std::u32string mixed, smileys;
    for (int i = 0; i < 300; ++i) mixed += U"ab\u00E9\u20AC", smileys += U"\U0001F600";
    const std::u32string texts[] = {U"a", U"plain ascii", U"\u00E9\u20AC\u65E5\u07FF\u0800\uFFFD", std::u32string(255, U'x') + U"\u20AC",
                                    mixed, U"x\U0001F600y", smileys, std::u32string(700, U'q')};
    for (const std::u32string &text : texts) {
        const XString reference = fromWide(text.c_str());
        const std::string utf8 = reference.getUtf8();
        const std::u16string utf16 = fromWide(text.c_str()).getUtf16();
        EXPECT_EQ(fromWide(utf16.c_str()).getUtf8(), utf8) << utf8.substr(0, 20);
        EXPECT_TRUE(std::u16string(fromUtf8(utf8.c_str()).getUtf16()) == utf16) << utf8.substr(0, 20);
        EXPECT_EQ(fromUtf8(utf8.c_str()).getNumChars(), reference.getNumChars());
    }
}

TEST(XString, AnsiFormAndItsLength) {
    for (uint32_t cp : {1252u, 65001u}) {
        AnsiCodePage guard(cp);
        const std::string ansi = cp == 1252 ? "A\xE9\x80" : "A\xC3\xA9\xE2\x82\xAC";
        XString s, t = fromUtf8("A\xC3\xA9\xE2\x82\xAC"), lossy = fromUtf8(kMixedUtf8);
        s.setFromAnsi(ansi.c_str());
        // While the ANSI form is valid the length is its byte count, otherwise UTF-16 units.
        EXPECT_TRUE(s.getNumChars() == ansi.size() && std::u16string(s.getUtf16()) == u"A\u00E9\u20AC" && t.getNumChars() == 3u) << cp;
        EXPECT_TRUE((t.getAnsi(), t.isAnsiValid())) << cp;
        // The ANSI flag records whether the conversion was exact; the rest of the text is kept.
        EXPECT_EQ(std::string(lossy.getAnsi()), cp == 1252 ? ansi : std::string(kMixedUtf8));
        EXPECT_TRUE(lossy.isAnsiValid() == (cp == 65001) && lossy.getNumChars() == (cp == 1252 ? 5u : 10u)) << cp;
    }
}

// Each page's ANSI form both ways and appended, and its case rules: the Latin-1 rules byte by byte
// in a Latin page (its other letters stay), characters through UTF-16 elsewhere.
TEST(XString, AnsiFormsAndCaseFollowTheCodePage) {
    const struct { uint32_t codePage; const char *utf8, *ansi, *upper, *lower; } cases[] = {
        {932, "a\xE4\xBA\x9C" "b\xEF\xBD\xB1\xEF\xBD\x81", "61 88 9F 62 B1 82 81",  // a, kanji, b, half-width
         "41 88 9F 42 B1 82 60", "61 88 9F 62 B1 82 81"},                                  // katakana, full-width a
        {932, "\xE3\x82\xBD\\", "83 5C 5C", "83 5C 5C", "83 5C 5C"},  // a trail byte equal to '\'
        {1252, "\xE2\x82\xAC" "a\xC3\xA9\xC3\xBF\xC5\xA1", "80 61 E9 FF 9A", "80 41 C9 FF 9A", "80 61 E9 FF 9A"},
        {28592, "a\xC4\x85\xC3\xA9", "61 B1 E9", "41 B1 C9", "61 B1 E9"},
        {1251, "a\xD1\x91\xD0\xA7", "61 B8 D7", "41 A8 D7", "61 B8 F7"},  // Cyrillic yo and che
        {65001, "\xE2\x82\xAC", "E2 82 AC", "E2 82 AC", "E2 82 AC"},  // the tables: the charset tests
    };
    for (const auto &c : cases) {
        AnsiCodePage guard(c.codePage);
        XString appended = fromUtf8("x"), upper = fromAnsiHex(c.ansi), lower = fromAnsiHex(c.ansi);
        ASSERT_TRUE(appended.appendAnsi(hexBytes(c.ansi).c_str()) && upper.toUpperCase() && lower.toLowerCase());
        EXPECT_EQ(toHex(fromUtf8(c.utf8).getAnsi()), c.ansi) << c.codePage;
        EXPECT_TRUE(fromAnsiHex(c.ansi).getUtf8() == std::string(c.utf8) && appended.getUtf8() == "x" + std::string(c.utf8)) << c.codePage;
        EXPECT_EQ(toHex(upper.getAnsi()) + "|" + toHex(lower.getAnsi()), std::string(c.upper) + "|" + c.lower) << c.codePage;
    }
    // Byte edits never split a double-byte character: katakana so (83 5C), '\', kanji.
    AnsiCodePage guard(932);
    XString s = fromAnsiHex("83 5C 5C 88 9F");
    EXPECT_TRUE(s.removeChar('\\') == 1u && s.removeChar(static_cast<char>(0x9F)) == 0u);  // a lead byte is no character alone
    EXPECT_EQ(toHex(s.getAnsi()), "83 5C 88 9F");
    EXPECT_TRUE(s.replaceChar('\\', '/') == 0u && s.getUtf8() == std::string("\xE3\x82\xBD\xE4\xBA\x9C"));
}

TEST(XString, ConvertsToAnyCodePage) {
    XString s = fromUtf8("a\xE2\x82\xAC" "b"), w = fromWide(u"a\U0001F600"), odd;
    // A wide text starting with U+FFFE is text, not a byte-order mark.
    const std::string le = hexBytes("FE FF 61 00");
    odd.setFromUtf16Le(reinterpret_cast<const unsigned char *>(le.data()), 4);
    const struct { const XString &from; uint32_t codePage; bool ok; const char *hex; } cases[] = {
        {s, 1252, true, "61 80 62"}, {s, 1201, true, "00 61 20 AC 00 62"}, {s, 65001, true, "61 E2 82 AC 62"},
        {w, 1252, false, "61"}, {w, 1200, true, "61 00 3D D8 00 DE"},  // no terminator
        {w, 65006, true, "00 00 00 61 00 01 F6 00"}, {w, 52936, false, ""}, {odd, 1200, true, "FE FF 61 00"}, {odd, 1201, true, "FF FE 00 61"},
    };
    for (const auto &c : cases) {
        DataBuffer out;
        EXPECT_EQ(outcome(c.from.getConverted(c.codePage, out), out), (c.ok ? "" : "false|") + hexBytes(c.hex)) << c.codePage;
    }
    EXPECT_STREQ(odd.getUtf8(), "\xEF\xBF\xBE" "a");
}

TEST(XStringEdit, EditsAndTheFormsTheyLeave) {
    // Edits leave only UTF-8 valid, except on a current ANSI form; case mapping keeps ANSI only in a
    // Latin code page, else goes through UTF-16. A non-ASCII character argument is an ANSI one: no
    // lone UTF-8 byte above 0x7F matches, so nothing is split.
    using Edit = std::function<uint32_t(XString &)>;
    const struct { uint32_t codePage; bool fromAnsi; const char *text; Edit edit; uint32_t result; const char *forms, *utf8; } cases[] = {
        {1252, false, "  \xC3\xA9t\xC3\xA9 \t\r\n", [](XString &x) { return x.trim(); }, 1, "u", "\xC3\xA9t\xC3\xA9"},
        {1252, false, "\xC3\xA9t\xC3\xA9", [](XString &x) { return x.replaceFirstUtf8("\xC3\xA9", "E"); }, 1, "u", "Et\xC3\xA9"},
        {1252, false, "Etxx", [](XString &x) { return x.removeChar('x'); }, 2, "u", "Et"},
        {1252, true, "  ab,c \r\n", [](XString &x) { return x.trim() && x.removeChar(','); }, 1, "a", "abc"},
        {1252, false, "caf\xC3\xA9 caf\xC3\xA9", [](XString &x) { return x.replaceChar('\xE9', 'e'); }, 2, "u", "cafe cafe"},
        {1252, false, "\xE2\x82\xAC" "5\xE2\x82\xAC", [](XString &x) { return x.removeChar('\x80'); }, 2, "u", "5"},
        {65001, false, "caf\xC3\xA9", [](XString &x) { return x.replaceChar('\xA9', 'e'); }, 0, "uw16", "caf\xC3\xA9"},
        {1252, false, "\xC3\x80" "b\xC3\x87\xF0\x9F\x98\x80", [](XString &x) { return x.toLowerCase(); }, 1, "w16",
         "\xC3\xA0" "b\xC3\xA7\xF0\x9F\x98\x80"},
        {1252, true, "M\xC9t\xC9", [](XString &x) { return x.toLowerCase(); }, 1, "a", "m\xC3\xA9t\xC3\xA9"},
        {65001, true, "ABC", [](XString &x) { return x.toLowerCase(); }, 1, "w16", "abc"},
    };
    for (const auto &c : cases) {
        AnsiCodePage guard(c.codePage);
        XString s;
        c.fromAnsi ? s.setFromAnsi(c.text) : s.setFromUtf8(c.text);
        if (!c.fromAnsi) s.getUtf16();
        std::string result = std::to_string(c.edit(s));
        result += " " + forms(s);  // before the getter converts
        EXPECT_EQ(result + " " + s.getUtf8(), std::to_string(c.result) + " " + c.forms + " " + c.utf8);
    }
    XString s = fromUtf8("E");
    s.getUtf16();
    StringBuffer &raw = s.getUtf8SbRw();  // writable access counts as an edit too
    EXPECT_EQ(forms(s), "u");
    raw.append("!");
    EXPECT_TRUE(std::u16string(s.getUtf16()) == u"E!" && !s.replaceFirstUtf8("zz", "y"));
}

TEST(XStringEdit, AppendsAndQueries) {
    XString s = fromUtf8("a"), t;
    EXPECT_EQ(utf8After(s.appendUtf16(u"\u00E9") && s.appendUtf32(U"\U0001F600") && s.appendInt(-42) &&
                            s.appendSb(StringBuffer("z")) && s.prependUtf8(">"), s), ">a\xC3\xA9\xF0\x9F\x98\x80-42z");
    EXPECT_EQ(forms(s), "u");
    EXPECT_EQ(utf8After(t.appendX(fromWide(u"W\U0001F600")) && t.appendX(fromWide(U"V\u20AC")) && t.appendX(fromAnsiHex("6E")) &&
                            t.appendX(t), t), "W\xF0\x9F\x98\x80V\xE2\x82\xACnW\xF0\x9F\x98\x80V\xE2\x82\xACn");
    XString q = fromUtf8("\xF0\x9F\x98\x80" "ab\xC3\xA9" "cd");
    EXPECT_TRUE(q.indexOfUtf8("b") == 3 && q.indexOfUtf8("cd") == 5 && q.indexOfUtf8("x") == -1);  // in UTF-16 units
    EXPECT_TRUE(q.containsUtf8("\xC3\xA9" "c") && !q.containsUtf8("abc") && q.getNumChars() == 7u);
    // In UTF-16 units: a lone surrogate is one, a stray byte none.
    EXPECT_EQ(fromUtf8("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xED\xA0\xBD\x80").getNumChars(), 6u);
    XString h = fromUtf8("Hello"), e = fromUtf8("\xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(h.equalsIgnoreCaseUtf8("hELLO") && !h.equalsIgnoreCaseUtf8("hell") && h.beginsWithUtf8("HE", true) && !h.beginsWithUtf8("HE", false));
    EXPECT_TRUE(!e.equalsIgnoreCaseUtf8("\xC3\xA9t\xC3\xA9") && e.equalsUtf8("\xC3\xA9t\xC3\xA9"));  // not ASCII: never equal so
    EXPECT_EQ(fromUtf8("-0042abc").intValue(), -42);
}

TEST(XStringEdit, EqualsComparesInTheOtherStringsForm) {
    XString utf8 = fromUtf8("x\xE2\x82\xAC\xF0\x9F\x98\x80"), utf16 = fromWide(u"x\u20AC\U0001F600");
    XString utf32 = fromWide(U"x\u20AC\U0001F600"), other = fromWide(u"x\u20AC");
    EXPECT_TRUE(utf8.equalsX(utf16) && utf16.equalsX(utf32) && utf32.equalsX(utf8) && !utf8.equalsX(other));
    // Against ANSI-only text, a character the code page lacks makes the strings differ.
    AnsiCodePage guard(1252);
    EXPECT_TRUE(!fromUtf8("a\xF0\x9F\x98\x80" "b").equalsX(fromAnsiHex("61 62")) && fromWide(u"ab").equalsX(fromAnsiHex("61 62")));
}

}  // namespace
}  // namespace quorvel::test
