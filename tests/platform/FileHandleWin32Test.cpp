// Windows behaviour of the file layer: attributes, sharing, long paths, UNC and name rewriting.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "FileHandleTestText.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::readFile;
using test::RecordingLog;
using test::scratchDir;
using test::writeFile;
using test::writeRawFile;

std::wstring wide(const std::string &utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w.data(), n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

DWORD attributesOf(const std::string &path) { return GetFileAttributesW(wide(path).c_str()); }
void setAttributes(const std::string &path, DWORD attributes) { SetFileAttributesW(wide(path).c_str(), attributes); }

// The names in a folder, as UTF-8.
std::set<std::string> namesIn(const std::string &dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(wide(dir + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        char name[MAX_PATH * 3];
        WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, name, sizeof name, nullptr, nullptr);
        if (std::string(name) != "." && std::string(name) != "..") names.insert(name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

TEST(FileHandleWin32, SharingAndAttributes) {
    const std::string dir = scratchDir("fhw_attributes"), shared = dir + "shared.txt";
    ASSERT_TRUE(writeRawFile(shared, "abc"));
    LogNull quiet;
    RecordingLog log;
    FileOpenError why = FileOpenError::None;
    {
        // Readers share the file; a writer has it to itself.
        FileHandle reader1, reader2, writer;
        ASSERT_TRUE(reader1.openForRead(shared.c_str(), quiet) && reader2.openForRead(shared.c_str(), quiet));
        EXPECT_FALSE(writer.openForWrite(shared.c_str(), false, quiet));
        reader1.close();
        reader2.close();
        ASSERT_TRUE(writer.openForWrite(shared.c_str(), false, quiet));
        EXPECT_FALSE(reader1.openForRead(shared.c_str(), log, &why));
        EXPECT_EQ(FileOpenError::Other, why);
    }
    // A read-only file held without sharing: both attempts fail and the attribute is put back.
    setAttributes(shared, FILE_ATTRIBUTE_READONLY);
    HANDLE holder = CreateFileW(wide(shared).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    FileHandle file;
    EXPECT_FALSE(file.openForWrite(shared.c_str(), false, log, &why));
    CloseHandle(holder);
    EXPECT_EQ(FileOpenError::Other, why);
    EXPECT_TRUE(attributesOf(shared) & FILE_ATTRIBUTE_READONLY);
    setAttributes(shared, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(2, std::count(log.lines.begin(), log.lines.end(), "data: WindowsErrorCode=0x20"));  // sharing violations
    // Windows refuses to replace a hidden file unless the attribute is asked for again.
    ASSERT_TRUE(writeFile(dir + "hidden.txt", "one", quiet, true));
    EXPECT_TRUE(attributesOf(dir + "hidden.txt") & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(writeFile(dir + "hidden.txt", "two", quiet, false));
    EXPECT_EQ("two", readFile(dir + "hidden.txt"));
}

TEST(FileHandleWin32, ReadOnlyAttributeIsClearedToWrite) {
    const std::string path = scratchDir("fhw_readonly") + "ro.txt";
    ASSERT_TRUE(writeRawFile(path, "old"));
    RecordingLog log;
    // Reading leaves the read-only attribute alone; writing clears it. Wine running as root lets
    // the write through without refusing it, so the retry is only observable where the system refuses.
    setAttributes(path, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("old", readFile(path));
    EXPECT_TRUE(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool refused = probe == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(probe);
    ASSERT_TRUE(writeFile(path, "new", log)) << log.joined();
    EXPECT_EQ((std::vector<std::string>{"enter: openForWriteWin32", "leave"}), log.lines);
    EXPECT_EQ("new", readFile(path));
    const bool cleared = !(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
    setAttributes(path, FILE_ATTRIBUTE_NORMAL);
    if (!refused) GTEST_SKIP() << "the system does not refuse writes to read-only files here (Wine as root)";
    EXPECT_TRUE(cleared);
}

TEST(FileHandleWin32, LongAndNonAnsiPathsTakeTheWideLongForm) {
    // The folders are made and removed here: the test support's clean-up stops at 260 characters.
    std::string dir = scratchDir("fhw_long");
    std::vector<std::string> folders;
    while (dir.size() < 292) {
        dir += std::string(40, 'd') + "\\";
        bool made = CreateDirectoryW(wide("\\\\?\\" + dir).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
        ASSERT_TRUE(made) << dir;
        folders.push_back(dir);
    }
    LogNull quiet;
    ASSERT_TRUE(writeFile(dir + "file.txt", "far away", quiet));
    EXPECT_EQ("far away", readFile(dir + "file.txt"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributesOf("\\\\?\\" + dir + "file.txt"));
    // The failure log shows the form that was handed to the system.
    RecordingLog log;
    FileHandle file;
    FileOpenError why = FileOpenError::None;
    EXPECT_FALSE(file.openForRead((dir + "missing.txt").c_str(), log, &why));
    EXPECT_EQ(FileOpenError::PathNotFound, why);
    EXPECT_TRUE(log.has("data: localWindowsFilePath=\\\\?\\" + dir + "missing.txt")) << log.joined();
    DeleteFileW(wide("\\\\?\\" + dir + "file.txt").c_str());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(wide("\\\\?\\" + *it).c_str());

    // "日本" has no form in the usual ANSI code pages, so a short path takes the long form too.
    if (GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8";
    std::string wideDir = scratchDir("fhw_wide"), name = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
    log.lines.clear();
    EXPECT_FALSE(file.openForRead((wideDir + "missing-" + name).c_str(), log));
    EXPECT_TRUE(log.has("data: localWindowsFilePath=\\\\?\\" + wideDir + "missing-" + name)) << log.joined();
    ASSERT_TRUE(writeFile(wideDir + name, "wide", quiet));
    EXPECT_EQ(std::set<std::string>{name}, namesIn(wideDir));
}

TEST(FileHandleWin32, UncPaths) {
    // Wine serves \\server\share from dosdevices\unc\server\share inside its prefix; on Windows
    // the administrative share of the system drive stands in.
    const char *prefix = std::getenv("WINEPREFIX");
    std::string local, unc;
    if (prefix && *prefix) {
        local = std::string("Z:") + prefix + "\\dosdevices\\unc\\quorvel-unc\\share\\";
        for (char &c : local)
            if (c == '/') c = '\\';
        for (size_t i = 3; i < local.size(); ++i)
            if (local[i] == '\\') CreateDirectoryW(wide(local.substr(0, i)).c_str(), nullptr);
        unc = "\\\\quorvel-unc\\share\\";
    } else {
        local = scratchDir("fhw_unc");
        if (local.size() < 3 || local[1] != ':') GTEST_SKIP() << "scratch folder is not on a drive";
        unc = std::string("\\\\localhost\\") + local[0] + "$" + local.substr(2);
    }
    LogNull quiet;
    if (!writeFile(unc + "short.txt", "via unc", quiet)) GTEST_SKIP() << "no UNC access to " << unc;
    EXPECT_EQ("via unc", readFile(local + "short.txt"));
    // A name without an ANSI form goes through \\?\UNC\server\share.
    std::string name = "unc-\xE6\x97\xA5\xE6\x9C\xAC.txt";
    if (GetACP() != CP_UTF8) {
        RecordingLog log;
        FileHandle file;
        EXPECT_FALSE(file.openForRead((unc + "missing-" + name).c_str(), log));
        EXPECT_TRUE(log.has("data: localWindowsFilePath=\\\\?\\UNC" + unc.substr(1) + "missing-" + name))
            << log.joined();
    }
    ASSERT_TRUE(writeFile(unc + name, "wide unc", quiet));
    EXPECT_EQ("wide unc", readFile(local + name));
    DeleteFileW(wide(local + name).c_str());
    DeleteFileW(wide(local + "short.txt").c_str());
}

TEST(FileHandleWin32, RefusedNamesAreRewritten) {
    std::string dir = scratchDir("fhw_names");
    RecordingLog log;
    ASSERT_TRUE(writeFile(dir + "con.txt", "device", log));
    ASSERT_TRUE(writeFile(dir + "a:b.txt", "colon", log));
    ASSERT_TRUE(writeFile(dir + "what?.txt", "question", log));
    EXPECT_EQ((std::set<std::string>{"_con.txt", "a_b.txt", "what_.txt"}), namesIn(dir));
    EXPECT_TRUE(log.has("error: The : character is not allowed in Windows filenames.."));
    EXPECT_TRUE(log.has("data: modifiedFilename=" + dir + "a_b.txt"));
    EXPECT_TRUE(log.has("error: The ? character is not allowed in Windows filenames."));
    // Reading applies the character rules but not the device-name rule.
    EXPECT_EQ("colon", readFile(dir + "a:b.txt"));
    EXPECT_EQ("device", readFile(dir + "_con.txt"));
}

}  // namespace
}  // namespace quorvel

#endif
