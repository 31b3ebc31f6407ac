// Windows behaviour of the file API: attributes, sharing, long paths, UNC and name rewriting.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "OpenedFile.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

std::wstring wide(const std::string &utf8) {
    std::wstring w(utf8.size(), L'\0');  // never more UTF-16 units than UTF-8 bytes
    w.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(),
                                                     static_cast<int>(w.size()))));
    return w;
}

DWORD attributesOf(const std::string &path) { return GetFileAttributesW(wide(path).c_str()); }
void setAttributes(const std::string &path, DWORD attributes) { SetFileAttributesW(wide(path).c_str(), attributes); }

bool exists(const std::string &path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

TEST(NativeFileWin32, SharingAndAttributes) {
    const std::string dir = scratchDir("nfw_attributes"), shared = dir + "shared.txt";
    ASSERT_TRUE(writeRawFile(shared, "abc"));
    const uint32_t kSharingViolation = ERROR_SHARING_VIOLATION;
    {
        // Readers share the file; a writer has it to itself.
        OpenedFile reader1(shared, FileOpenMode::Read), reader2(shared, FileOpenMode::Read);
        ASSERT_TRUE(reader1.error == 0 && reader2.error == 0);
        EXPECT_EQ(kSharingViolation, OpenedFile(shared, FileOpenMode::Write).error);
    }
    {
        OpenedFile writer(shared, FileOpenMode::Write);
        EXPECT_TRUE(writer.error == 0 && OpenedFile(shared, FileOpenMode::Read).error == kSharingViolation);
        EXPECT_EQ(FileOpenError::Other, NativeFile::classify(kSharingViolation));
    }
    // A read-only file held without sharing: both attempts fail and the attribute is put back.
    setAttributes(shared, FILE_ATTRIBUTE_READONLY);
    HANDLE holder = CreateFileW(wide(shared).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(kSharingViolation, OpenedFile(shared, FileOpenMode::Write).error);
    CloseHandle(holder);
    EXPECT_TRUE(attributesOf(shared) & FILE_ATTRIBUTE_READONLY);
    setAttributes(shared, FILE_ATTRIBUTE_NORMAL);
    // Windows refuses to replace a hidden file unless the attribute is asked for again.
    ASSERT_TRUE(writeWhole(dir + "hidden.txt", "one", true));
    EXPECT_TRUE(attributesOf(dir + "hidden.txt") & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(writeWhole(dir + "hidden.txt", "two", false));
    EXPECT_EQ("two", readWhole(dir + "hidden.txt"));
}

TEST(NativeFileWin32, ReadOnlyAttributeIsClearedToWrite) {
    const std::string path = scratchDir("nfw_readonly") + "ro.txt";
    ASSERT_TRUE(writeRawFile(path, "old"));
    // Reading leaves the read-only attribute alone; writing clears it. Wine running as root lets
    // the write through without refusing it, so the retry is only observable where the system refuses.
    setAttributes(path, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("old", readWhole(path));
    EXPECT_TRUE(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool refused = probe == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(probe);
    ASSERT_TRUE(writeWhole(path, "new"));
    EXPECT_EQ("new", readWhole(path));
    const bool cleared = !(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
    setAttributes(path, FILE_ATTRIBUTE_NORMAL);
    if (!refused) GTEST_SKIP() << "the system does not refuse writes to read-only files here (Wine as root)";
    EXPECT_TRUE(cleared);
}

TEST(NativeFileWin32, LongAndNonAnsiPathsTakeTheWideLongForm) {
    // The folders are made and removed here: the test support's clean-up stops at 260 characters.
    std::string dir = scratchDir("nfw_long");
    std::vector<std::string> folders;
    while (dir.size() < 292) {
        dir += std::string(40, 'd') + "\\";
        bool made = CreateDirectoryW(wide("\\\\?\\" + dir).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
        ASSERT_TRUE(made) << dir;
        folders.push_back(dir);
    }
    ASSERT_TRUE(writeWhole(dir + "file.txt", "far away"));
    EXPECT_EQ("far away", readWhole(dir + "file.txt"));
    EXPECT_TRUE(exists("\\\\?\\" + dir + "file.txt"));
    OpenedFile missing(dir + "missing.txt", FileOpenMode::Read);
    EXPECT_EQ(FileOpenError::PathNotFound, NativeFile::classify(missing.error));
    EXPECT_EQ("\\\\?\\" + dir + "missing.txt", missing.usedPath);  // the form handed to the system
    DeleteFileW(wide("\\\\?\\" + dir + "file.txt").c_str());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(wide("\\\\?\\" + *it).c_str());

    // "日本" has no form in the usual ANSI code pages, so a short path takes the long form too.
    if (GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8";
    std::string wideDir = scratchDir("nfw_wide"), name = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
    EXPECT_EQ("\\\\?\\" + wideDir + "missing-" + name, OpenedFile(wideDir + "missing-" + name, FileOpenMode::Read).usedPath);
    ASSERT_TRUE(writeWhole(wideDir + name, "wide"));
    EXPECT_TRUE(exists(wideDir + name));  // under its own name, not a lossy ANSI one
}

TEST(NativeFileWin32, UncPaths) {
    // Wine serves \\server\share from dosdevices\unc\server\share inside its prefix.
    const char *prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) GTEST_SKIP() << "needs a Wine prefix to serve a share";
    std::string local = std::string("Z:") + prefix + "\\dosdevices\\unc\\quorvel-unc\\share\\";
    std::replace(local.begin(), local.end(), '/', '\\');
    for (size_t i = 3; i < local.size(); ++i)
        if (local[i] == '\\') CreateDirectoryW(wide(local.substr(0, i)).c_str(), nullptr);
    // A short ANSI name goes as it is; one without an ANSI form through \\?\UNC\server\share.
    const std::string unc = "\\\\quorvel-unc\\share\\", name = "unc-\xE6\x97\xA5\xE6\x9C\xAC.txt";
    for (const std::string &file : {std::string("short.txt"), name}) {
        ASSERT_TRUE(writeWhole(unc + file, file)) << file;
        EXPECT_EQ(file, readWhole(local + file));
        DeleteFileW(wide(local + file).c_str());
    }
    if (GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8";
    EXPECT_EQ("\\\\?\\UNC" + unc.substr(1) + name, OpenedFile(unc + name, FileOpenMode::Read).usedPath);
}

TEST(NativeFileWin32, RefusedNamesAreRewrittenWithNotes) {
    std::string dir = scratchDir("nfw_names");
    for (const char *name : {"con.txt", "a:b.txt", "what?.txt"}) ASSERT_TRUE(writeWhole(dir + name, name)) << name;
    for (const char *name : {"_con.txt", "a_b.txt", "what_.txt"}) EXPECT_TRUE(exists(dir + name)) << name;
    OpenedFile colon(dir + "a:b.txt", FileOpenMode::Read);
    ASSERT_EQ(1u, colon.notes.size());
    EXPECT_EQ("The : character is not allowed in Windows filenames..", colon.notes[0].message);
    EXPECT_EQ(dir + "a:b.txt", colon.notes[0].filename);
    EXPECT_EQ(dir + "a_b.txt", colon.notes[0].modifiedFilename);
    // Reading applies the character rules but not the device-name rule.
    EXPECT_EQ("a:b.txt", colon.readRest());
    EXPECT_EQ("con.txt", readWhole(dir + "_con.txt"));
}

}  // namespace
}  // namespace quorvel::test

#endif
