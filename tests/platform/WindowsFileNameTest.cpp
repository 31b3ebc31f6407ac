#include "platform/WindowsFileName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

using Lines = std::vector<std::string>;

// The notes as lines, each field that is present on its own.
Lines linesOf(const std::vector<WindowsFileName::Note> &notes) {
    Lines lines;
    for (const auto &note : notes) {
        lines.push_back(note.message);
        if (!note.filename.empty()) lines.push_back("filename=" + note.filename);
        if (!note.modifiedFilename.empty()) lines.push_back("modifiedFilename=" + note.modifiedFilename);
    }
    return lines;
}

std::string rewritten(const char *input, bool forWriting, Lines &notes) {
    std::string path = input;
    std::vector<WindowsFileName::Note> found;
    EXPECT_TRUE(WindowsFileName::makeAcceptable(path, forWriting, found));
    notes = linesOf(found);
    return path;
}

std::string refused(const char *what) {
    return std::string("The ") + what + " character is not allowed in Windows filenames.";
}

TEST(WindowsFileName, RefusedCharactersAreReplacedWithANote) {
    const std::string colon = refused(":"), driveColon = colon + ".";
    const char *const longE = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9:x";
    const struct {
        const char *input, *expected;
        std::string message;  // empty: no note
    } cases[] = {
        {"C:/dir/file.txt", "C:\\dir\\file.txt", ""}, {longE, longE, ""},
        // A first colon at character index 1..7 stays and later ones go; from index 8 on, or at 0, all go.
        {"C:\\dir\\a:b.txt", "C:\\dir\\a_b.txt", driveColon}, {"\\\\?\\C:\\x:y", "\\\\?\\C:\\x_y", driveColon},
        {"\xC3\xA9:\\x:y", "\xC3\xA9:\\x_y", driveColon},  // the index counts characters, not bytes
        {"abcdefgh:x", "abcdefgh_x", colon}, {"folder\\sub:x:y", "folder\\sub_x_y", colon}, {":abc", "_abc", colon},
        {"\\\\?\\C:\\q?.txt", "\\\\?\\C:\\q_.txt", refused("?")}, {"//?/C:/q.txt", "\\\\?\\C:\\q.txt", ""},
        {"a*b", "a_b", refused("asterisk")}, {"a<b", "a_b", refused("open-angle-bracket")},
        {"a>b", "a_b", refused("close-angle-bracket")}, {"a\"b\"", "a_b_", refused("double-quote")},
        // Line breaks disappear without a note, before the colon is placed.
        {"line\r\nbreak.txt", "linebreak.txt", ""}, {"\r\n\r\n\r\n\r\nC:\\x.txt", "C:\\x.txt", ""},
    };
    Lines notes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(c.expected, rewritten(c.input, false, notes));
        Lines expected;
        if (!c.message.empty()) expected = {c.message, std::string("filename=") + c.input};
        if (c.message.rfind("The :", 0) == 0) expected.push_back(std::string("modifiedFilename=") + c.expected);
        EXPECT_EQ(expected, notes);
    }
    // Each rule notes the name as the rules before it left it.
    EXPECT_EQ("C:\\a_b_c.txt", rewritten("C:\\a|b*c.txt", false, notes));
    EXPECT_EQ((Lines{refused("|"), "filename=C:\\a|b*c.txt", refused("asterisk"), "filename=C:\\a_b*c.txt"}), notes);
}

TEST(WindowsFileName, DeviceNamesGetAnUnderscoreOnlyForWriting) {
    const std::pair<const char *, const char *> cases[] = {
        {"con.txt", "_con.txt"}, {"C:/d/CON.TXT", "C:\\d\\_CON.TXT"}, {"C:\\Com1.log", "C:\\_Com1.log"},
        {"C:\\lpt9.x", "C:\\_lpt9.x"}, {"C:\\clock$.txt", "C:\\_clock$.txt"}, {"prn.", "_prn."}, {"d\\Aux.a", "d\\_Aux.a"},
        {"d\\nul.a", "d\\_nul.a"}, {"C:con.txt", "C:_con.txt"}, {"C:\\con\\file.txt", "C:\\con\\file.txt"},
        {"C:\\console.txt", "C:\\console.txt"}, {"C:\\com10.txt", "C:\\com10.txt"}, {"C:\\lpt", "C:\\lpt"},
    };
    Lines notes;
    for (const auto &c : cases) {
        EXPECT_EQ(c.second, rewritten(c.first, true, notes)) << c.first;
        EXPECT_TRUE(notes.empty());
    }
    EXPECT_EQ("C:\\dir\\con.txt", rewritten("C:\\dir\\con.txt", false, notes));
}

TEST(WindowsFileName, EmptyPathsFailAndLongPathForms) {
    for (const char *input : {"", "\r\n", "\n"}) {
        std::string path = input;
        std::vector<WindowsFileName::Note> notes;
        EXPECT_FALSE(WindowsFileName::makeAcceptable(path, true, notes));
        EXPECT_EQ(Lines{"openFileWin32: file path is empty."}, linesOf(notes));
    }
    const std::pair<std::string, std::string> cases[] = {
        {"\\\\?\\C:\\x", "\\\\?\\C:\\x"}, {"\\\\?\\UNC\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"},
        {"\\\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"}, {"\\\\.\\C:\\x", "\\\\?\\C:\\x"},
        {"C:\\x", "\\\\?\\C:\\x"},
    };
    for (auto [path, expected] : cases) {
        EXPECT_TRUE(WindowsFileName::toLongPathForm(path));
        EXPECT_EQ(expected, path);
    }
}

}  // namespace
}  // namespace quorvel
