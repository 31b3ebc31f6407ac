// Windows behaviour of the file layer: attributes, sharing, long paths, UNC and name rewriting.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "foundation/LogNull.h"
#include "platform/FileHandle.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::readRawFile;
using test::RecordingLog;
using test::scratchDir;
using test::writeRawFile;

std::wstring wide(const std::string &utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w.data(), n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

DWORD attributesOf(const std::string &pathUtf8) { return GetFileAttributesW(wide(pathUtf8).c_str()); }

bool writeThrough(const std::string &path, const std::string &text, LogBase &log, bool hidden = false) {
    FileHandle file;
    uint32_t written = 0;
    return file.openForWrite(path.c_str(), hidden, log) &&
           file.write(text.data(), static_cast<uint32_t>(text.size()), written, log) && written == text.size();
}

bool readThrough(const std::string &path, std::string &text) {
    LogNull log;
    FileHandle file;
    if (!file.openForRead(path.c_str(), log)) return false;
    text.clear();
    char buf[512];
    uint32_t got = 0;
    while (file.read(buf, sizeof buf, got, log) && got > 0) text.append(buf, got);
    return true;
}

// The names in a folder, as UTF-8.
std::set<std::string> namesIn(const std::string &dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(wide(dir + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring w = found.cFileName;
        if (w == L"." || w == L"..") continue;
        int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
        s.resize(static_cast<size_t>(n - 1));
        names.insert(s);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

TEST(FileHandleWin32, ReadOnlyAttributeIsClearedToWrite) {
    std::string path = scratchDir("fhw_readonly") + "ro.txt";
    ASSERT_TRUE(writeRawFile(path, "old"));
    ASSERT_TRUE(SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
    // Reading leaves the attribute alone.
    std::string content;
    ASSERT_TRUE(readThrough(path, content));
    EXPECT_TRUE(attributesOf(path) & FILE_ATTRIBUTE_READONLY);

    // Wine running as root lets the write through without refusing it, so the retry is only
    // observable where the system refuses.
    HANDLE probe = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    bool refused = probe == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(probe);

    RecordingLog log;
    ASSERT_TRUE(writeThrough(path, "new", log)) << log.joined();
    EXPECT_EQ((std::vector<std::string>{"enter: openForWriteWin32", "leave"}), log.lines);
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ("new", content);
    if (refused) {
        EXPECT_FALSE(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
    } else {
        SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "the system does not refuse writes to read-only files here (Wine as root)";
    }
}

TEST(FileHandleWin32, ReadOnlyAttributeIsPutBackWhenTheRetryFails) {
    std::string path = scratchDir("fhw_readonly_busy") + "busy.txt";
    ASSERT_TRUE(writeRawFile(path, "old"));
    ASSERT_TRUE(SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
    // Another handle holds the file without sharing, so both attempts fail.
    HANDLE holder = CreateFileW(wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    RecordingLog log;
    FileOpenError why = FileOpenError::None;
    FileHandle file;
    EXPECT_FALSE(file.openForWrite(path.c_str(), false, log, &why));
    CloseHandle(holder);
    EXPECT_EQ(FileOpenError::Other, why);
    EXPECT_TRUE(log.has("data: WindowsErrorCode=0x20")) << log.joined();  // sharing violation
    EXPECT_TRUE(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileHandleWin32, HiddenFilesAreCreatedAndReplaced) {
    std::string path = scratchDir("fhw_hidden") + "hidden.txt";
    LogNull log;
    ASSERT_TRUE(writeThrough(path, "one", log, true));
    EXPECT_TRUE(attributesOf(path) & FILE_ATTRIBUTE_HIDDEN);
    // Windows refuses to replace a hidden file unless the attribute is asked for again.
    ASSERT_TRUE(writeThrough(path, "two", log, false));
    std::string content;
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ("two", content);
}

TEST(FileHandleWin32, WritersHaveTheFileToThemselves) {
    std::string path = scratchDir("fhw_share") + "shared.txt";
    ASSERT_TRUE(writeRawFile(path, "abc"));
    LogNull quiet;
    {
        FileHandle reader1, reader2, writer;
        ASSERT_TRUE(reader1.openForRead(path.c_str(), quiet));
        EXPECT_TRUE(reader2.openForRead(path.c_str(), quiet));
        EXPECT_FALSE(writer.openForWrite(path.c_str(), false, quiet));
    }
    FileHandle writer, reader;
    ASSERT_TRUE(writer.openForWrite(path.c_str(), false, quiet));
    RecordingLog log;
    FileOpenError why = FileOpenError::None;
    EXPECT_FALSE(reader.openForRead(path.c_str(), log, &why));
    EXPECT_EQ(FileOpenError::Other, why);  // a sharing violation
    EXPECT_TRUE(log.has("data: WindowsErrorCode=0x20")) << log.joined();
}

TEST(FileHandleWin32, PathsOver260CharactersTakeTheLongForm) {
    // The folders are made and removed here: the test support's clean-up stops at 260 characters.
    std::string base = scratchDir("fhw_long");
    std::vector<std::string> folders;
    std::string dir = base;
    while (dir.size() < 292) {
        dir += std::string(40, 'd') + "\\";
        bool made = CreateDirectoryW(wide("\\\\?\\" + dir).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
        ASSERT_TRUE(made) << dir;
        folders.push_back(dir);
    }
    std::string path = dir + "file.txt";
    ASSERT_GE(path.size(), 300u);
    LogNull quiet;
    ASSERT_TRUE(writeThrough(path, "far away", quiet));
    std::string content;
    ASSERT_TRUE(readThrough(path, content));
    EXPECT_EQ("far away", content);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(wide("\\\\?\\" + path).c_str()));

    // The failure log shows the form that was handed to the system.
    RecordingLog log;
    FileHandle file;
    FileOpenError why = FileOpenError::None;
    EXPECT_FALSE(file.openForRead((dir + "missing.txt").c_str(), log, &why));
    EXPECT_EQ(FileOpenError::PathNotFound, why);
    EXPECT_TRUE(log.has("data: localWindowsFilePath=\\\\?\\" + dir + "missing.txt")) << log.joined();

    // Forward slashes and relative forms become the absolute long form as well.
    std::string slashed = dir + "slashed.txt";
    for (char &c : slashed)
        if (c == '\\') c = '/';
    ASSERT_TRUE(writeThrough(slashed, "slashed", quiet));
    ASSERT_TRUE(readThrough(dir + "slashed.txt", content));
    EXPECT_EQ("slashed", content);

    for (const char *name : {"file.txt", "slashed.txt"}) DeleteFileW(wide("\\\\?\\" + dir + name).c_str());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(wide("\\\\?\\" + *it).c_str());
}

TEST(FileHandleWin32, NonAnsiNamesTakeTheWideLongForm) {
    std::string dir = scratchDir("fhw_wide");
    // "日本" has no form in the usual ANSI code pages.
    std::string name = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
    if (GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8";
    RecordingLog log;
    FileHandle file;
    EXPECT_FALSE(file.openForRead((dir + "missing-" + name).c_str(), log));
    EXPECT_TRUE(log.has("data: localWindowsFilePath=\\\\?\\" + dir + "missing-" + name)) << log.joined();
    LogNull quiet;
    ASSERT_TRUE(writeThrough(dir + name, "wide", quiet));
    EXPECT_EQ(std::set<std::string>{name}, namesIn(dir));
}

TEST(FileHandleWin32, UncPaths) {
    // Wine serves \\server\share from dosdevices\unc\server\share inside its prefix; on Windows
    // the administrative share of the system drive stands in.
    const char *prefix = std::getenv("WINEPREFIX");
    std::string local, unc;
    if (prefix && *prefix) {
        std::string folder = std::string("Z:") + prefix + "\\dosdevices\\unc\\quorvel-unc\\share\\";
        for (char &c : folder)
            if (c == '/') c = '\\';
        for (size_t i = 3; i < folder.size(); ++i)
            if (folder[i] == '\\') CreateDirectoryW(wide(folder.substr(0, i)).c_str(), nullptr);
        local = folder;
        unc = "\\\\quorvel-unc\\share\\";
    } else {
        std::string dir = scratchDir("fhw_unc");
        if (dir.size() < 3 || dir[1] != ':') GTEST_SKIP() << "scratch folder is not on a drive";
        local = dir;
        unc = std::string("\\\\localhost\\") + dir[0] + "$" + dir.substr(2);
    }
    LogNull quiet;
    if (!writeThrough(unc + "short.txt", "via unc", quiet)) GTEST_SKIP() << "no UNC access to " << unc;
    std::string content;
    ASSERT_TRUE(readRawFile(local + "short.txt", content));
    EXPECT_EQ("via unc", content);

    // A name without an ANSI form goes through \\?\UNC\server\share.
    std::string name = "unc-\xE6\x97\xA5\xE6\x9C\xAC.txt";
    if (GetACP() != CP_UTF8) {
        RecordingLog log;
        FileHandle file;
        EXPECT_FALSE(file.openForRead((unc + "missing-" + name).c_str(), log));
        EXPECT_TRUE(log.has("data: localWindowsFilePath=\\\\?\\UNC" + unc.substr(1) + "missing-" + name))
            << log.joined();
    }
    ASSERT_TRUE(writeThrough(unc + name, "wide unc", quiet));
    ASSERT_TRUE(readThrough(local + name, content));
    EXPECT_EQ("wide unc", content);
    DeleteFileW(wide(local + name).c_str());
    DeleteFileW(wide(local + "short.txt").c_str());
}

TEST(FileHandleWin32, RefusedNamesAreRewritten) {
    std::string dir = scratchDir("fhw_names");
    RecordingLog log;
    ASSERT_TRUE(writeThrough(dir + "con.txt", "device", log));
    ASSERT_TRUE(writeThrough(dir + "a:b.txt", "colon", log));
    ASSERT_TRUE(writeThrough(dir + "what?.txt", "question", log));
    EXPECT_EQ((std::set<std::string>{"_con.txt", "a_b.txt", "what_.txt"}), namesIn(dir));
    EXPECT_TRUE(log.has("error: The : character is not allowed in Windows filenames.."));
    EXPECT_TRUE(log.has("data: modifiedFilename=" + dir + "a_b.txt"));
    EXPECT_TRUE(log.has("error: The ? character is not allowed in Windows filenames."));
    std::string content;
    ASSERT_TRUE(readRawFile(dir + "_con.txt", content));
    EXPECT_EQ("device", content);
    // Reading applies the character rules but not the device-name rule.
    ASSERT_TRUE(readThrough(dir + "a:b.txt", content));
    EXPECT_EQ("colon", content);
    ASSERT_TRUE(readThrough(dir + "_con.txt", content));
    EXPECT_EQ("device", content);
}

}  // namespace
}  // namespace quorvel

#endif
