#include <set>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/QvCharset.h"
#include "platform/SystemInfo.h"

namespace quorvel::test {
namespace {

// The lookup rules; the table's own entries are checked by walking it below.
TEST(CharsetNames, LookupRules) {
    const uint32_t ansi = SystemInfo::ansiCodePage();
    struct Case { const char *name; uint32_t codePage; } cases[] = {
        // Trimmed, any case, '-' and '_' alike; names with spaces, dots, colons and '+' are whole names.
        {"Shift_JIS", 932}, {" shift-jis ", 932}, {"\tshift_jis\r\n", 932}, {"ks-c-5601-1987", 949}, {"utf_16LE", 1200},
        {"ISO-8859-8 Visual", 28598}, {"iso-646.irv:1991", 20127}, {"asmo-449+", 709}, {"X_CP50227", 50227},
        // names listed for two code pages belong to the first
        {"csiso2022jp", 50220}, {"iso-2022-jp", 50220}, {"gb18030", 936}, {"euc-jp", 51932},
        // short names and "ansi" are the ANSI code page; anything else unknown is 0
        {"", ansi}, {nullptr, ansi}, {"xx", ansi}, {" l1 ", ansi}, {"L9", ansi}, {"ANSI", ansi}, {"  ansi ", ansi},
        {"abc", 0}, {"oem", 0}, {"utf-9", 0}, {"shift jis", 0}, {"latin1x", 0}, {"default", 0},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(CharsetNames::codePageForName(c.name) == c.codePage && CharsetNames::isKnownName(c.name) == (c.codePage != 0))
            << (c.name ? c.name : "(null)");
}

// The lookups search the tables by halves: both must be sorted, names unique and in their
// looked-up form; each name finds its code page (two-byte names excepted, which the short-name
// rule takes), and a canonical name leads back to its code page unless it is listed first elsewhere.
TEST(CharsetNames, TablesAreSortedAndConsistent) {
    std::string previous;
    for (uint32_t i = 0; i < CharsetNames::nameCount(); ++i) {
        uint32_t cp = 0;
        const char *raw = CharsetNames::nameAt(i, cp);
        ASSERT_NE(raw, nullptr);
        const std::string name = raw;
        EXPECT_TRUE(previous < name && name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string::npos &&
                    CharsetNames::codePageForName(raw) == (name.size() < 3 ? SystemInfo::ansiCodePage() : cp)) << name;
        previous = name;
    }
    std::set<std::pair<uint32_t, uint32_t>> elsewhere;
    for (uint32_t i = 0; i < CharsetNames::codePageCount(); ++i) {
        const uint32_t cp = CharsetNames::codePageAt(i);
        EXPECT_TRUE(i == 0 || CharsetNames::codePageAt(i - 1) < cp);
        if (const char *canonical = CharsetNames::canonicalName(cp))
            if (const uint32_t back = CharsetNames::codePageForName(canonical); back != cp) elsewhere.insert({cp, back});
    }
    EXPECT_EQ(elsewhere, (std::set<std::pair<uint32_t, uint32_t>>{{50221, 50220}, {50222, 50220}, {54936, 936}, {20932, 51932}}));
    // Code pages named but without a canonical name, and unknown ones, have none.
    for (uint32_t cp : {709u, 50000u, 0u, 65002u, 0xFFFFFFFFu}) EXPECT_EQ(CharsetNames::canonicalName(cp), nullptr) << cp;
    EXPECT_STREQ(CharsetNames::canonicalName(51932), "euc-jp");
}

TEST(Charset, SetByNameAndCodePage) {
    const struct { const char *name; bool ok; uint32_t codePage; const char *canonical; } cases[] = {
        {" SJIS ", true, 932, "shift_jis"}, {"gb18030", true, 936, "gb2312"}, {"default", true, 0, ""}, {"x-user-defined", true, 0, ""},
        {"X-User-Defined", true, 50000, "x-user-defined"}, {"Default", false, 0, ""}, {"no-such-charset", false, 0, ""},
        // "", null and "ansi" in any case take the ANSI code page.
        {nullptr, true, 932, "shift_jis"}, {"AnSi", true, 932, "shift_jis"},
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
