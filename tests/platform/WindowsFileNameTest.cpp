#include "platform/WindowsFileName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/text/StringBuffer.h"
#include "support/RecordingLog.h"

namespace quorvel {
namespace {

using Lines = std::vector<std::string>;

std::string rewritten(const char *input, bool forWriting, Lines &log) {
    StringBuffer path(input);
    test::RecordingLog rec;
    EXPECT_TRUE(WindowsFileName::makeAcceptable(path, forWriting, rec));
    log = rec.lines;
    return path.getString();
}

std::string refused(const char *what) {
    return std::string("The ") + what + " character is not allowed in Windows filenames.";
}

TEST(WindowsFileName, RefusedCharactersAreReplacedAndLogged) {
    const std::string colon = refused(":"), driveColon = colon + ".";
    const char *const longE = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9:x";
    const struct {
        const char *input, *expected;
        std::string message;  // empty: nothing logged
    } cases[] = {
        {"C:/dir/file.txt", "C:\\dir\\file.txt", ""}, {longE, longE, ""},
        // A first colon at character index 1..7 stays and later ones go; from index 8 on, or at 0, all go.
        {"C:\\dir\\a:b.txt", "C:\\dir\\a_b.txt", driveColon}, {"\\\\?\\C:\\x:y", "\\\\?\\C:\\x_y", driveColon},
        {"\xC3\xA9:\\x:y", "\xC3\xA9:\\x_y", driveColon},  // the index counts characters, not bytes
        {"abcdefgh:x", "abcdefgh_x", colon}, {"folder\\sub:x:y", "folder\\sub_x_y", colon}, {":abc", "_abc", colon},
        {"\\\\?\\C:\\q?.txt", "\\\\?\\C:\\q_.txt", refused("?")}, {"//?/C:/q.txt", "\\\\?\\C:\\q.txt", ""},
        {"a*b", "a_b", refused("asterisk")}, {"a<b", "a_b", refused("open-angle-bracket")},
        {"a>b", "a_b", refused("close-angle-bracket")}, {"a\"b\"", "a_b_", refused("double-quote")},
        // Line breaks disappear without a message, before the colon is placed.
        {"line\r\nbreak.txt", "linebreak.txt", ""}, {"\r\n\r\n\r\n\r\nC:\\x.txt", "C:\\x.txt", ""},
    };
    Lines log;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(c.expected, rewritten(c.input, false, log));
        Lines expected;
        if (!c.message.empty()) expected = {"error: " + c.message, std::string("data: filename=") + c.input};
        if (c.message.rfind("The :", 0) == 0) expected.push_back(std::string("data: modifiedFilename=") + c.expected);
        EXPECT_EQ(expected, log);
    }
    // Each rule logs the name as the rules before it left it.
    EXPECT_EQ("C:\\a_b_c.txt", rewritten("C:\\a|b*c.txt", false, log));
    EXPECT_EQ((Lines{"error: " + refused("|"), "data: filename=C:\\a|b*c.txt", "error: " + refused("asterisk"),
                     "data: filename=C:\\a_b*c.txt"}),
              log);
}

TEST(WindowsFileName, DeviceNamesGetAnUnderscoreOnlyForWriting) {
    const std::pair<const char *, const char *> cases[] = {
        {"con.txt", "_con.txt"}, {"C:/d/CON.TXT", "C:\\d\\_CON.TXT"}, {"C:\\Com1.log", "C:\\_Com1.log"},
        {"C:\\lpt9.x", "C:\\_lpt9.x"}, {"C:\\clock$.txt", "C:\\_clock$.txt"}, {"prn.", "_prn."}, {"d\\Aux.a", "d\\_Aux.a"},
        {"d\\nul.a", "d\\_nul.a"}, {"C:con.txt", "C:_con.txt"}, {"C:\\con\\file.txt", "C:\\con\\file.txt"},
        {"C:\\console.txt", "C:\\console.txt"}, {"C:\\com10.txt", "C:\\com10.txt"}, {"C:\\lpt", "C:\\lpt"},
    };
    Lines log;
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, rewritten(c.first, true, log)) << c.first;
        EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ("C:\\dir\\con.txt", rewritten("C:\\dir\\con.txt", false, log));
}

TEST(WindowsFileName, EmptyPathsFailAndLongPathForms) {
    for (const char *input : {"", "\r\n", "\n"}) {
        StringBuffer path(input);
        test::RecordingLog log;
        EXPECT_FALSE(WindowsFileName::makeAcceptable(path, true, log));
        EXPECT_EQ(Lines{"error: openFileWin32: file path is empty."}, log.lines);
    }
    const std::pair<const char *, const char *> cases[] = {
        {"\\\\?\\C:\\x", "\\\\?\\C:\\x"}, {"\\\\?\\UNC\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"},
        {"\\\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"}, {"\\\\.\\C:\\x", "\\\\?\\C:\\x"},
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
