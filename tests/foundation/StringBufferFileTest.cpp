// Loading files as text, code page conversion in place, platform error texts.
#include <gtest/gtest.h>

#include <string>

#include "support/Bytes.h"
#include "foundation/CodePageData.h"
#include "foundation/StringBuffer.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::textOf;

using test::RecordingLog;


// Writes the bytes to a scratch file and loads it; the text ends up in sb.
bool load(const std::string &name, const std::string &bytes, StringBuffer &sb, RecordingLog &log) {
    std::string path = test::scratchDir("StringBufferFile_" + name) + name;
    EXPECT_TRUE(test::writeRawFile(path, bytes));
    return sb.loadFileText(path.c_str(), log);
}

TEST(StringBufferFile, PlainAndUtf8BomFiles) {
    RecordingLog log;
    StringBuffer sb("previous");
    ASSERT_TRUE(load("plain.txt", "<a>caf\xC3\xA9</a>\r\n", sb, log));
    EXPECT_EQ(textOf(sb), "<a>caf\xC3\xA9</a>\r\n");

    ASSERT_TRUE(load("bom.txt", "\xEF\xBB\xBF<x/>", sb, log));
    EXPECT_EQ(textOf(sb), "<x/>");
    // A file holding nothing but the mark has no text.
    ASSERT_TRUE(load("bomonly.txt", "\xEF\xBB\xBF", sb, log));
    EXPECT_TRUE(sb.isEmpty());
    ASSERT_TRUE(load("empty.txt", "", sb, log));
    EXPECT_TRUE(sb.isEmpty());
    ASSERT_TRUE(load("nuls.txt", std::string("ab\0\0", 4), sb, log));
    EXPECT_EQ(textOf(sb), "ab");

    std::string large(300000, 'x');
    ASSERT_TRUE(load("large.txt", large, sb, log));
    EXPECT_EQ(sb.getSize(), 300000u);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST(StringBufferFile, Utf16FilesBecomeUtf8) {
    RecordingLog log;
    StringBuffer sb;
    ASSERT_TRUE(load("le.txt", std::string("\xFF\xFE" "A\0\xE9\0\xAC\x20", 8), sb, log)) << log.joined();
    EXPECT_EQ(textOf(sb), "A\xC3\xA9\xE2\x82\xAC");
    ASSERT_TRUE(load("be.txt", std::string("\xFE\xFF\0A\0\xE9\x20\xAC", 8), sb, log)) << log.joined();
    EXPECT_EQ(textOf(sb), "A\xC3\xA9\xE2\x82\xAC");
    ASSERT_TRUE(load("lebomonly.txt", "\xFF\xFE", sb, log)) << log.joined();
    EXPECT_TRUE(sb.isEmpty());
}

TEST(StringBufferFile, MissingFileFailsWithLog) {
    RecordingLog log;
    StringBuffer sb("previous");
    std::string path = test::scratchDir("StringBufferFile_missing") + "absent.txt";
    EXPECT_FALSE(sb.loadFileText(path.c_str(), log));
    EXPECT_TRUE(sb.isEmpty());
    EXPECT_FALSE(log.lines.empty());

    // A folder is not a file: whichever step refuses it, the load fails and says why.
    RecordingLog folderLog;
    std::string folder = test::scratchDir("StringBufferFile_folder");
    EXPECT_FALSE(sb.loadFileText(folder.c_str(), folderLog));
    EXPECT_FALSE(folderLog.lines.empty());
}

TEST(StringBufferCharset, ConvertInPlace) {
    RecordingLog log;
    StringBuffer sb("caf\xC3\xA9 \xE2\x82\xAC");
    ASSERT_TRUE(sb.convertEncoding(65001, 1252, log));
    EXPECT_EQ(textOf(sb), "caf\xE9 \x80");
    ASSERT_TRUE(sb.convertEncoding(1252, 65001, log));
    EXPECT_EQ(textOf(sb), "caf\xC3\xA9 \xE2\x82\xAC");

    StringBuffer oem("plain 7-bit");
    ASSERT_TRUE(oem.convertEncoding(437, 65001, log));
    EXPECT_EQ(textOf(oem), "plain 7-bit");

    // A code page the system cannot convert leaves the text as it was.
    StringBuffer unknown("text");
    EXPECT_FALSE(unknown.convertEncoding(65001, 4242, log));
    EXPECT_EQ(textOf(unknown), "text");
}

TEST(StringBufferCharset, OemTextWithAccentsIsConverted) {
    uint32_t index = 0;
    if (!CodePageData::find(437, index)) GTEST_SKIP() << "code page 437 is not built in";
    RecordingLog log;
    StringBuffer oemAccent("\x82t\x82");
    ASSERT_TRUE(oemAccent.convertEncoding(437, 65001, log));
    EXPECT_EQ(textOf(oemAccent), "\xC3\xA9t\xC3\xA9");
}

TEST(StringBufferPlatformError, MessageTextIsTrimmed) {
    StringBuffer sb("error: ");
    ASSERT_TRUE(sb.appendPlatformError(2));
    ASSERT_GT(sb.getSize(), 7u);
    char last = sb.lastChar();
    EXPECT_TRUE(last != ' ' && last != '\n' && last != '\r' && last != '\t');
    EXPECT_NE(sb.charAt(7), ' ');

    StringBuffer another;
    EXPECT_TRUE(another.appendLastPlatformError());
}

}  // namespace
}  // namespace quorvel
