#include <gtest/gtest.h>

#include <string>

#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::RecordingLog;
using test::textOf;

TEST(StringBufferFile, LoadsTextAndConvertsUtf16) {
    const std::string dir = test::scratchDir("StringBufferFile");
    const std::pair<std::string, std::string> cases[] = {
        {"<a>caf\xC3\xA9</a>\r\n", "<a>caf\xC3\xA9</a>\r\n"},
        {"\xEF\xBB\xBF<x/>", "<x/>"},
        {std::string("ab\0\0", 4), "ab"},
        {std::string(300000, 'x'), std::string(300000, 'x')},
        {std::string("\xFF\xFE" "A\0\xE9\0\xAC\x20", 8), "A\xC3\xA9\xE2\x82\xAC"},
        {std::string("\xFE\xFF\0A\0\xE9\x20\xAC", 8), "A\xC3\xA9\xE2\x82\xAC"},
        {"\xFF\xFE", ""},
    };
    int i = 0;
    for (const auto &[bytes, text] : cases) {
        const std::string path = dir + std::to_string(i++) + ".txt";
        ASSERT_TRUE(test::writeRawFile(path, bytes));
        RecordingLog log;
        StringBuffer sb("previous");
        EXPECT_TRUE(sb.loadFileText(path.c_str(), log) && log.lines.empty()) << i << log.joined();
        EXPECT_TRUE(textOf(sb) == text) << i;
    }
    // A missing file, and a folder, fail and say why.
    for (const std::string &path : {dir + "absent.txt", dir}) {
        RecordingLog log;
        StringBuffer sb("previous");
        EXPECT_FALSE(sb.loadFileText(path.c_str(), log));
        EXPECT_TRUE(sb.isEmpty() && !log.lines.empty()) << path;
    }
}

TEST(StringBufferCharset, ConvertInPlace) {
    const struct { uint32_t from, to; const char *in; bool ok; const char *out; } cases[] = {
        {65001, 1252, "caf\xC3\xA9 \xE2\x82\xAC", true, "caf\xE9 \x80"}, {1252, 65001, "caf\xE9 \x80", true, "caf\xC3\xA9 \xE2\x82\xAC"},
        {437, 65001, "plain 7-bit", true, "plain 7-bit"}, {437, 65001, "\x82t\x82", true, "\xC3\xA9t\xC3\xA9"},
        {65001, 4242, "text", false, "text"},       // a code page the system cannot convert: the text stays
        {65001, 1252, "a\xE2\x98\xBA" "b", false, "ab"},  // what was dropped is gone, the rest replaces the text
    };
    for (const auto &c : cases) {
        RecordingLog log;
        StringBuffer sb(c.in);
        EXPECT_EQ(sb.convertEncoding(c.from, c.to, log), c.ok) << c.in;
        EXPECT_EQ(textOf(sb), c.out) << c.in;
    }
}

}  // namespace
}  // namespace quorvel
