#include <gtest/gtest.h>

#include <string>

#include "foundation/charsets/CodePageData.h"
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
        ASSERT_TRUE(sb.loadFileText(path.c_str(), log)) << i;
        EXPECT_EQ(textOf(sb), text) << i;
        EXPECT_TRUE(log.lines.empty()) << log.joined();
    }
    // A missing file, and a folder, fail and say why.
    for (const std::string &path : {dir + "absent.txt", dir}) {
        RecordingLog log;
        StringBuffer sb("previous");
        EXPECT_FALSE(sb.loadFileText(path.c_str(), log));
        EXPECT_TRUE(sb.isEmpty());
        EXPECT_FALSE(log.lines.empty());
    }
}

TEST(StringBufferCharset, ConvertInPlace) {
    RecordingLog log;
    StringBuffer sb("caf\xC3\xA9 \xE2\x82\xAC");
    ASSERT_TRUE(sb.convertEncoding(65001, 1252, log));
    EXPECT_EQ(textOf(sb), "caf\xE9 \x80");
    ASSERT_TRUE(sb.convertEncoding(1252, 65001, log));
    EXPECT_EQ(textOf(sb), "caf\xC3\xA9 \xE2\x82\xAC");
    StringBuffer ascii("plain 7-bit");
    ASSERT_TRUE(ascii.convertEncoding(437, 65001, log));
    EXPECT_EQ(textOf(ascii), "plain 7-bit");
    // A code page the system cannot convert leaves the text as it was.
    StringBuffer unknown("text");
    EXPECT_FALSE(unknown.convertEncoding(65001, 4242, log));
    EXPECT_EQ(textOf(unknown), "text");
    uint32_t index = 0;
    if (!CodePageData::find(437, index)) GTEST_SKIP() << "code page 437 is not built in";
    StringBuffer oem("\x82t\x82");
    ASSERT_TRUE(oem.convertEncoding(437, 65001, log));
    EXPECT_EQ(textOf(oem), "\xC3\xA9t\xC3\xA9");
}

}  // namespace
}  // namespace quorvel
