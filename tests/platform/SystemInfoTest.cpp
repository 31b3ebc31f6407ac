#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorvel {
namespace {

TEST(SystemInfo, CodePages) {
#ifdef _WIN32
    EXPECT_EQ(GetACP(), SystemInfo::ansiCodePage());
    EXPECT_EQ(GetOEMCP(), SystemInfo::oemCodePage());
#else
    EXPECT_EQ(437u, SystemInfo::oemCodePage());
    // The C locale's ASCII counts as UTF-8; a UTF-8 locale is UTF-8.
    std::string saved = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, "C"));
    EXPECT_EQ(65001u, SystemInfo::ansiCodePage());
    EXPECT_TRUE(!std::setlocale(LC_CTYPE, "C.UTF-8") || SystemInfo::ansiCodePage() == 65001u);
    std::setlocale(LC_CTYPE, saved.c_str());
#endif
    const std::pair<const char *, uint32_t> codesets[] = {
        {"utf8", 65001}, {"ISO-8859-15", 28605}, {"KOI8-U", 21866}, {"CP1258", 1258}, {"BIG5-HKSCS", 950}, {"SJIS", 932},
        {"ANSI_X3.4-1968", 0}, {"ISO-8859-10", 0}, {nullptr, 0}, {"A-VERY-LONG-CODESET-NAME-THAT-NOBODY-USES", 0}};
    for (const auto &[name, page] : codesets) EXPECT_EQ(page, SystemInfo::codePageForCodeset(name)) << name;
}

TEST(SystemInfo, NamesAndErrorTextAreAppended) {
    std::string computer, user, dir, prefixed = "x:";
    EXPECT_TRUE(SystemInfo::computerName(computer) && !computer.empty() && SystemInfo::userName(user) &&
                !user.empty() && SystemInfo::currentDirectory(dir) && !dir.empty() && SystemInfo::userName(prefixed));
    EXPECT_EQ("x:" + user, prefixed);
    SystemInfo::setLastErrorCode(2);
    std::string s = "[";  // 2 is "file not found" on both platforms; the text comes trimmed, the code kept
    EXPECT_TRUE(SystemInfo::appendErrorText(2, s) && s.size() > 2 && s[1] != ' ' && std::string(" \r\n").find(s.back()) == std::string::npos);
    EXPECT_EQ(2u, SystemInfo::lastErrorCode());
    SystemInfo::setLastErrorCode(0);
}

TEST(SystemInfo, TickCountMovesForward) {
    uint32_t first = SystemInfo::tickCountMs(), later = first;
    // Spin until the millisecond count changes; a stuck clock would never get there.
    for (int i = 0; i < 100000000 && later == first; ++i) later = SystemInfo::tickCountMs();
    EXPECT_NE(first, later);
    EXPECT_LT(later - first, 60000u);  // forward, not wrapped backwards
}

TEST(SystemInfo, WideCaseMapping) {
    const struct { char16_t unit, lower, upper; } cases[] = {
        {u'A', u'a', u'A'}, {u'5', u'5', u'5'}, {0x00C4, 0x00E4, 0x00C4}, {0x03C9, 0x03C9, 0x03A9},
        {0xD83D, 0xD83D, 0xD83D},  // a surrogate stays
    };
    for (const auto &c : cases)
        EXPECT_TRUE(SystemInfo::toLowerWide(c.unit) == c.lower && SystemInfo::toUpperWide(c.unit) == c.upper) << static_cast<int>(c.unit);
}

}  // namespace
}  // namespace quorvel
