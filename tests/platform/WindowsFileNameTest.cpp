#include "platform/WindowsFileName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/StringBuffer.h"
#include "support/RecordingLog.h"

namespace quorvel {
namespace {

using test::RecordingLog;

struct NameCase {
    const char *input;
    bool forWriting;
    const char *expected;
    std::vector<std::string> log;
};

const char kColon[] = "error: The : character is not allowed in Windows filenames.";
const char kColon2[] = "error: The : character is not allowed in Windows filenames..";

std::string data(const char *tag, const std::string &value) { return std::string("data: ") + tag + "=" + value; }

TEST(WindowsFileName, RewritesNamesAndLogsEachRule) {
    const std::vector<NameCase> cases = {
        {"C:/dir/file.txt", false, "C:\\dir\\file.txt", {}},
        // Colon: at index 1..7 it stays and later ones go, with the two-dot message.
        {"C:\\dir\\a:b.txt", false, "C:\\dir\\a_b.txt",
         {kColon2, data("filename", "C:\\dir\\a:b.txt"), data("modifiedFilename", "C:\\dir\\a_b.txt")}},
        {"abcdefg:x", false, "abcdefg:x", {}},
        {"\\\\?\\C:\\dir\\x:y", false, "\\\\?\\C:\\dir\\x_y",
         {kColon2, data("filename", "\\\\?\\C:\\dir\\x:y"), data("modifiedFilename", "\\\\?\\C:\\dir\\x_y")}},
        // Colon: from index 8 on every colon goes, with the one-dot message; index 0 likewise.
        {"abcdefgh:x", false, "abcdefgh_x",
         {kColon, data("filename", "abcdefgh:x"), data("modifiedFilename", "abcdefgh_x")}},
        {"folder\\sub:x:y", false, "folder\\sub_x_y",
         {kColon, data("filename", "folder\\sub:x:y"), data("modifiedFilename", "folder\\sub_x_y")}},
        {":abc", false, "_abc", {kColon, data("filename", ":abc"), data("modifiedFilename", "_abc")}},
        // The index counts characters, not bytes.
        {"\xC3\xA9:\\x:y", false, "\xC3\xA9:\\x_y",
         {kColon2, data("filename", "\xC3\xA9:\\x:y"), data("modifiedFilename", "\xC3\xA9:\\x_y")}},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9:x", false,
         "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9:x", {}},
        // The other characters Windows refuses.
        {"a|b", false, "a_b", {"error: The | character is not allowed in Windows filenames.", data("filename", "a|b")}},
        {"dir\\what?.txt", false, "dir\\what_.txt",
         {"error: The ? character is not allowed in Windows filenames.", data("filename", "dir\\what?.txt")}},
        {"\\\\?\\C:\\q?.txt", false, "\\\\?\\C:\\q_.txt",
         {"error: The ? character is not allowed in Windows filenames.", data("filename", "\\\\?\\C:\\q?.txt")}},
        {"//?/C:/q.txt", false, "\\\\?\\C:\\q.txt", {}},
        {"a*b", false, "a_b",
         {"error: The asterisk character is not allowed in Windows filenames.", data("filename", "a*b")}},
        {"a<b", false, "a_b",
         {"error: The open-angle-bracket character is not allowed in Windows filenames.", data("filename", "a<b")}},
        {"a>b", false, "a_b",
         {"error: The close-angle-bracket character is not allowed in Windows filenames.", data("filename", "a>b")}},
        {"a\"b\"", false, "a_b_",
         {"error: The double-quote character is not allowed in Windows filenames.", data("filename", "a\"b\"")}},
        {"C:\\a|b*c.txt", false, "C:\\a_b_c.txt",
         {"error: The | character is not allowed in Windows filenames.", data("filename", "C:\\a|b*c.txt"),
          "error: The asterisk character is not allowed in Windows filenames.", data("filename", "C:\\a_b*c.txt")}},
        // Line breaks disappear without a message, before the colon is placed.
        {"line\r\nbreak.txt", false, "linebreak.txt", {}},
        {"\r\n\r\n\r\n\r\nC:\\x.txt", false, "C:\\x.txt", {}},
        // Reserved device names get '_' in front of the file name, only when writing.
        {"con.txt", true, "_con.txt", {}},
        {"C:\\dir\\con.txt", true, "C:\\dir\\_con.txt", {}},
        {"C:/dir/CON.TXT", true, "C:\\dir\\_CON.TXT", {}},
        {"C:\\dir\\Com1.log", true, "C:\\dir\\_Com1.log", {}},
        {"C:\\dir\\lpt9.x", true, "C:\\dir\\_lpt9.x", {}},
        {"C:\\dir\\clock$.txt", true, "C:\\dir\\_clock$.txt", {}},
        {"prn.", true, "_prn.", {}},
        {"d\\Aux.a", true, "d\\_Aux.a", {}},
        {"d\\nul.a", true, "d\\_nul.a", {}},
        {"C:con.txt", true, "C:_con.txt", {}},
        {"C:\\dir\\con.txt", false, "C:\\dir\\con.txt", {}},
        {"C:\\con\\file.txt", true, "C:\\con\\file.txt", {}},
        {"C:\\dir\\console.txt", true, "C:\\dir\\console.txt", {}},
        {"C:\\dir\\con", true, "C:\\dir\\con", {}},
        {"C:\\dir\\com10.txt", true, "C:\\dir\\com10.txt", {}},
        {"C:\\dir\\comx.txt", true, "C:\\dir\\comx.txt", {}},
        {"C:\\dir\\lpt", true, "C:\\dir\\lpt", {}},
    };
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.input);
        StringBuffer path(c.input);
        RecordingLog log;
        EXPECT_TRUE(WindowsFileName::makeAcceptable(path, c.forWriting, log));
        EXPECT_STREQ(c.expected, path.getString());
        EXPECT_EQ(c.log, log.lines);
    }
}

TEST(WindowsFileName, EmptyPathsFail) {
    for (const char *input : {"", "\r\n", "\n"}) {
        SCOPED_TRACE(testing::PrintToString(input));
        StringBuffer path(input);
        RecordingLog log;
        EXPECT_FALSE(WindowsFileName::makeAcceptable(path, true, log));
        EXPECT_EQ(std::vector<std::string>{"error: openFileWin32: file path is empty."}, log.lines);
    }
}

TEST(WindowsFileName, LongPathForms) {
    const std::pair<const char *, const char *> cases[] = {
        {"\\\\?\\C:\\x", "\\\\?\\C:\\x"},
        {"\\\\?\\UNC\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"},
        {"\\\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"},
        {"\\\\.\\C:\\x", "\\\\?\\C:\\x"},
        {"C:\\x", "\\\\?\\C:\\x"},
    };
    for (const auto &c : cases) {
        StringBuffer path(c.first);
        EXPECT_TRUE(WindowsFileName::toLongPathForm(path));
        EXPECT_STREQ(c.second, path.getString());
    }
}

}  // namespace
}  // namespace quorvel
