#include <set>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/QvCharset.h"
#include "platform/SystemInfo.h"

namespace quorvel::test {
namespace {

TEST(CharsetNames, LookupRules) {
    const uint32_t ansi = SystemInfo::ansiCodePage();
    struct Case { const char *name; uint32_t codePage; } cases[] = {
        {"Shift_JIS", 932}, {"SJIS", 932}, {" shift-jis ", 932}, {"\tshift_jis\r\n", 932},
        {"KS_C_5601-1987", 949}, {"ks-c-5601-1987", 949}, {"UTF-8", 65001}, {"utf_16LE", 1200},
        {"UnicodeFFFE", 1201}, {"ISO-8859-8 Visual", 28598}, {"iso-646.irv:1991", 20127},
        {"EBCDIC-Latin9--Euro", 20924}, {"asmo-449+", 709}, {"x-user-defined", 50000},
        {"X_CP50227", 50227}, {"hz-gb-2312", 52936}, {"latin1", 28591}, {"latin-9", 28605}, {"koi", 20866},
        // names listed for two code pages belong to the first
        {"csiso2022jp", 50220}, {"iso-2022-jp", 50220}, {"gb18030", 936}, {"euc-jp", 51932},
        {"iso-2022-jp-1", 50221}, {"iso-2022-jp-2", 50222}, {"utf-32", 65005}, {"utf-32be", 65006},
        // short names and "ansi" are the ANSI code page; anything else unknown is 0
        {"", ansi}, {nullptr, ansi}, {"xx", ansi}, {" l1 ", ansi}, {"L9", ansi}, {"ANSI", ansi}, {"  ansi ", ansi},
        {"abc", 0}, {"oem", 0}, {"utf-9", 0}, {"shift jis", 0}, {"latin1x", 0}, {"default", 0},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(CharsetNames::codePageForName(c.name) == c.codePage && CharsetNames::isKnownName(c.name) == (c.codePage != 0))
            << (c.name ? c.name : "(null)");
}

TEST(CharsetNames, CanonicalNames) {
    const std::pair<uint32_t, const char *> cases[] = {
        {932, "shift_jis"}, {949, "ks_c_5601-1987"}, {1200, "unicode"}, {1201, "unicodefffe"}, {20127, "us-ascii"},
        {28591, "iso-8859-1"}, {858, "ibm00858"}, {50221, "csiso2022jp"}, {50222, "iso-2022-jp"}, {54936, "gb18030"},
        {20932, "euc-jp"}, {51932, "euc-jp"}, {65005, "utf-32"}, {709, "-"}, {50000, "-"}, {51950, "-"}, {0, "-"},
        {1, "-"}, {65002, "-"}, {0xFFFFFFFFu, "-"},  // "-": none
    };
    for (const auto &[cp, name] : cases) EXPECT_STREQ(CharsetNames::canonicalName(cp) ? CharsetNames::canonicalName(cp) : "-", name) << cp;
}

TEST(CharsetNames, TableInvariants) {
    ASSERT_TRUE(CharsetNames::nameCount() == 422u && CharsetNames::codePageCount() == 150u);
    // Names are sorted, unique and in their looked-up form, and each finds its code page, except
    // the seven two-byte names (l1-l5, l9, us), which the short-name rule takes for the ANSI code page.
    std::set<uint32_t> named, listed;
    std::string previous;
    uint32_t shortNames = 0;
    for (uint32_t i = 0; i < CharsetNames::nameCount(); ++i) {
        uint32_t cp = 0;
        const char *raw = CharsetNames::nameAt(i, cp);
        ASSERT_NE(raw, nullptr);
        const std::string name = raw;
        const bool isShort = name.size() < 3;
        EXPECT_TRUE(previous < name && name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string::npos &&
                    CharsetNames::codePageForName(raw) == (isShort ? SystemInfo::ansiCodePage() : cp)) << name;
        previous = name, shortNames += isShort;
        if (!isShort) named.insert(cp);
    }
    // Four canonical names lead to another code page; every other one back to its own.
    uint32_t withCanonical = 0;
    std::set<std::pair<uint32_t, uint32_t>> elsewhere;
    for (uint32_t i = 0; i < CharsetNames::codePageCount(); ++i) {
        const uint32_t cp = CharsetNames::codePageAt(i);
        EXPECT_TRUE(i == 0 || CharsetNames::codePageAt(i - 1) < cp);
        listed.insert(cp);
        if (const char *canonical = CharsetNames::canonicalName(cp); canonical && ++withCanonical)
            if (const uint32_t back = CharsetNames::codePageForName(canonical); back != cp) elsewhere.insert({cp, back});
    }
    EXPECT_TRUE(withCanonical == 140u && shortNames == 7u) << withCanonical << " " << shortNames;
    EXPECT_EQ(elsewhere, (std::set<std::pair<uint32_t, uint32_t>>{{50221, 50220}, {50222, 50220}, {54936, 936}, {20932, 51932}}));
    // Each listed code page is reached by some name, except the two whose only name belongs to an earlier one.
    listed.erase(54936), listed.erase(20932);
    EXPECT_EQ(named, listed);
}

TEST(Charset, SetByNameAndCodePage) {
    const struct { const char *name; bool ok; uint32_t codePage; const char *canonical; } cases[] = {
        {" SJIS ", true, 932, "shift_jis"}, {"csiso2022jp", true, 50220, "iso-2022-jp"}, {"gb18030", true, 936, "gb2312"},
        {"ASMO-449", true, 709, "asmo-449"}, {"default", true, 0, ""}, {"x-user-defined", true, 0, ""},
        {"X-User-Defined", true, 50000, "x-user-defined"}, {"Default", false, 0, ""}, {"no-such-charset", false, 0, ""},
        // "", null and "ansi" in any case take the ANSI code page.
        {"", true, 932, "shift_jis"}, {nullptr, true, 932, "shift_jis"}, {"AnSi", true, 932, "shift_jis"},
    };
    SystemInfo::overrideAnsiCodePage(932);
    for (const auto &c : cases) {
        _qvCharset cs;
        ASSERT_TRUE(cs.setByCodePage(1252));
        EXPECT_TRUE(cs.setByName(c.name) == c.ok && cs.getCodePage() == c.codePage && std::string(cs.getName()) == c.canonical)
            << (c.name ? c.name : "(null)") << ": " << cs.getCodePage() << " " << cs.getName();
    }
    SystemInfo::overrideAnsiCodePage(0);
    _qvCharset oem, byPage, cs;
    EXPECT_TRUE(oem.setByName("OEM") == byPage.setByCodePage(SystemInfo::oemCodePage()) && std::string(oem.getName()) == byPage.getName());
    EXPECT_TRUE(cs.setByCodePage(50222));
    _qvCharset copied(cs), assigned;
    assigned = cs;
    EXPECT_TRUE(std::string(copied.getName()) == "iso-2022-jp" && assigned.getCodePage() == 50222u);
    EXPECT_FALSE(cs.setByCodePage(709) || cs.getCodePage() != 0u || *cs.getName());  // named, but without a canonical name
}

TEST(EncodingConvert, ConvertByName) {
    const std::string in = hexBytes("61 E9 62");  // aéb in Latin-1
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    DataBuffer out, back, none;
    LogNull log;
    EncodingConvert conv;
    EXPECT_TRUE(conv.convertFromName(" ISO_8859-1 ", 65001, p, 3, out, log) && toHex(bytesOf(out)) == "61 C3 A9 62");
    EXPECT_TRUE(conv.convertToName(65001, "Latin1", out.getData(), out.getSize(), back, log) && bytesOf(back) == in);
    EXPECT_FALSE(conv.convertFromName("no-such", 65001, p, 3, none, log) || conv.convertToName(28591, "no-such", p, 3, none, log) ||
                 none.getSize() != 0u);
}

}  // namespace
}  // namespace quorvel::test
