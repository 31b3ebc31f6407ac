// The file API: opening in each mode, reading, writing, seeking and failures; then the POSIX
// behaviour (paths as given, the write-permission retry, errno mapping) and the Windows one
// (attributes, sharing, long paths and name rewriting; UNC forms are WindowsFileNameTest's).
#include "platform/NativeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorvel::test {
namespace {

// One open through the platform's file API with everything it reports, closed with the object.
struct OpenedFile {
    intptr_t handle = NativeFile::kNone;
    std::string usedPath;
    std::vector<WindowsFileName::Note> notes;
    uint32_t error;

    OpenedFile(const std::string &path, FileOpenMode mode, bool hidden = false)
        : error(NativeFile::open(path.c_str(), mode, hidden, handle, usedPath, notes)) {}
    ~OpenedFile() {
        if (handle != NativeFile::kNone) NativeFile::close(handle);
    }
    OpenedFile(const OpenedFile &) = delete;

    // From the current position to the end, in steps small enough to need several calls.
    std::string readRest() {
        std::string all;
        char chunk[7];
        for (uint32_t got = 1; got != 0; all.append(chunk, got))
            if (NativeFile::read(handle, chunk, sizeof chunk, got) != 0) return "<read failed>";
        return all;
    }
    bool writeAll(const std::string &text) {
        uint32_t n = static_cast<uint32_t>(text.size()), written = 0;
        return NativeFile::write(handle, text.data(), n, written) == 0 && written == n;
    }
};

std::string readWhole(const std::string &path) {
    OpenedFile file(path, FileOpenMode::Read);
    return file.error == 0 ? file.readRest() : "<unreadable>";
}

inline bool writeWhole(const std::string &path, const std::string &text, bool hidden = false) {
    OpenedFile file(path, FileOpenMode::Write, hidden);
    return file.error == 0 && file.writeAll(text);
}

TEST(NativeFile, ReadWriteSeekAndSize) {
    // "naïve-日本": not representable in most ANSI code pages.
    const std::string path = scratchDir("nf_rw") + "na\xC3\xAFve-\xE6\x97\xA5\xE6\x9C\xAC.txt";
    ASSERT_TRUE(writeWhole(path, "0123456789"));
    OpenedFile file(path, FileOpenMode::ReadWrite);
    char buf[3];
    uint32_t got = 0;
    ASSERT_TRUE(file.error == 0 && NativeFile::read(file.handle, buf, 3, got) == 0);
    EXPECT_EQ("012", std::string(buf, got));
    ASSERT_TRUE(file.writeAll("XY") && NativeFile::seek(file.handle, 0, false) == 0);
    EXPECT_EQ("012XY56789", file.readRest());
    // Past the end is a valid position; the gap reads as zeros once written beyond.
    ASSERT_TRUE(NativeFile::seek(file.handle, 13, false) == 0 && file.writeAll("Z"));
    int64_t size = 0;
    EXPECT_TRUE(NativeFile::size(file.handle, size) == 0 && size == 14);
    ASSERT_EQ(0u, NativeFile::seek(file.handle, -5, true));
    EXPECT_EQ(std::string("9\0\0\0Z", 5), file.readRest());
}

TEST(NativeFile, WhatEachModeDoesToTheFile) {
    const std::string dir = scratchDir("nf_modes");
    const struct {
        FileOpenMode mode;
        const char *existing, *missing;  // the content afterwards; null: the open fails
    } cases[] = {
        {FileOpenMode::Read, "old", nullptr},
        {FileOpenMode::Write, "", ""},  // truncates
        {FileOpenMode::ReadWrite, "old", ""},
        {FileOpenMode::Append, "old", ""},  // the caller seeks to the end
    };
    for (const auto &c : cases) {
        const std::string existing = dir + "existing.txt", missing = dir + "missing.txt";
        ASSERT_TRUE(writeRawFile(existing, "old"));
        std::remove(missing.c_str());
        EXPECT_EQ(0u, OpenedFile(existing, c.mode).error);
        EXPECT_EQ(c.existing, readWhole(existing));
        const uint32_t error = OpenedFile(missing, c.mode).error;
        EXPECT_EQ(c.missing ? c.missing : "<unreadable>", readWhole(missing));
        EXPECT_EQ(c.missing == nullptr, NativeFile::classify(error) == FileOpenError::PathNotFound);
    }
}

#ifndef _WIN32

constexpr uid_t kNobody = 65534;

// Root passes every permission check, so the permission test runs as "nobody" for a while.
struct AsUnprivilegedUser {
    const bool dropped = geteuid() == 0 && setegid(kNobody) == 0 && seteuid(kNobody) == 0;
    AsUnprivilegedUser() {
        if (!dropped && geteuid() == 0) setegid(0);
    }
    ~AsUnprivilegedUser() { EXPECT_TRUE(!dropped || (seteuid(0) == 0 && setegid(0) == 0)); }
};

mode_t modeOf(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(NativeFilePosix, OnlyOurOwnReadOnlyFilesAreMadeWritable) {
    std::string dir = scratchDir("nfp_readonly");
    ::chmod(dir.c_str(), 0777);
    std::string mine = dir + "mine.txt", theirs = dir + "theirs.txt";
    ASSERT_TRUE(writeRawFile(theirs, "keep"));
    ASSERT_EQ(0, ::chmod(theirs.c_str(), 0444));
    AsUnprivilegedUser user;
    if (geteuid() == 0) GTEST_SKIP() << "cannot run without root's permission bypass";
    if (!writeRawFile(mine, "old")) GTEST_SKIP() << "scratch folder not writable for an unprivileged user";
    ASSERT_EQ(0, ::chmod(mine.c_str(), 0444));
    ASSERT_TRUE(writeWhole(mine, "new"));
    EXPECT_EQ(0644, modeOf(mine));
    EXPECT_EQ("new", readWhole(mine));
    // Without root the other file is our own as well, and the retry would rightly succeed.
    if (getuid() == geteuid()) GTEST_SKIP() << "needs a file owned by another user";
    OpenedFile refused(theirs, FileOpenMode::Write);
    EXPECT_EQ(static_cast<uint32_t>(EACCES), refused.error);
    EXPECT_EQ(FileOpenError::AccessDenied, NativeFile::classify(refused.error));
    EXPECT_EQ(0444, modeOf(theirs));
    EXPECT_EQ("keep", readWhole(theirs));
}

TEST(NativeFilePosix, PathsAreUsedAsGivenAndErrnoIsTheFailure) {
    std::string dir = scratchDir("nfp_errno");
    ASSERT_TRUE(writeRawFile(dir + "plain.txt", "x"));
    const struct { std::string path; FileOpenMode mode; int code; FileOpenError kind; } cases[] = {
        // No name rules here: what Windows refuses is a plain file name.
        {dir + "a\\b:c?*<>|\"q\".txt", FileOpenMode::Write, 0, FileOpenError::Other},
        {dir + "con.txt", FileOpenMode::Write, 0, FileOpenError::Other},
        {dir + "plain.txt/inside.txt", FileOpenMode::Read, ENOTDIR, FileOpenError::PathNotFound},
        {dir + "absent/inside.txt", FileOpenMode::Read, ENOENT, FileOpenError::PathNotFound},
        {dir, FileOpenMode::Read, EISDIR, FileOpenError::Other},  // a folder opens, but is no file
        {dir + std::string(5000, 'n'), FileOpenMode::Read, ENAMETOOLONG, FileOpenError::Other},
    };
    for (const auto &c : cases) {
        OpenedFile file(c.path, c.mode);
        EXPECT_EQ(static_cast<uint32_t>(c.code), file.error) << c.path.substr(0, 100);
        EXPECT_EQ(c.kind, NativeFile::classify(file.error));
        EXPECT_TRUE(file.usedPath == c.path && file.notes.empty() && (file.handle == NativeFile::kNone) == (c.code != 0));
    }
    EXPECT_TRUE(fileExists(dir + "a\\b:c?*<>|\"q\".txt") && fileExists(dir + "con.txt"));
    EXPECT_EQ(FileOpenError::AccessDenied, NativeFile::classify(EPERM));
}

#else

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
    // Reading leaves the read-only attribute alone; writing clears it, and puts it back when the
    // write fails all the same: here the file is held without sharing, so both attempts fail.
    setAttributes(shared, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("", readWhole(shared));  // as the writer above left it
    HANDLE holder = CreateFileW(wide(shared).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(kSharingViolation, OpenedFile(shared, FileOpenMode::Write).error);
    CloseHandle(holder);
    EXPECT_TRUE(attributesOf(shared) & FILE_ATTRIBUTE_READONLY);
    // Wine running as root lets a write to a read-only file through without refusing it, so the
    // clearing shows only where the system refuses.
    HANDLE probe = CreateFileW(wide(shared).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool refused = probe == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(probe);
    ASSERT_TRUE(writeWhole(shared, "new"));
    EXPECT_EQ("new", readWhole(shared));
    EXPECT_TRUE(!refused || !(attributesOf(shared) & FILE_ATTRIBUTE_READONLY));
    setAttributes(shared, FILE_ATTRIBUTE_NORMAL);
    // Windows refuses to replace a hidden file unless the attribute is asked for again.
    ASSERT_TRUE(writeWhole(dir + "hidden.txt", "one", true));
    EXPECT_TRUE(attributesOf(dir + "hidden.txt") & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(writeWhole(dir + "hidden.txt", "two", false));
    EXPECT_EQ("two", readWhole(dir + "hidden.txt"));
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

TEST(NativeFileWin32, RefusedNamesAreRewrittenWithNotes) {
    std::string dir = scratchDir("nfw_names");
    for (const char *name : {"con.txt", "a:b.txt", "what?.txt"}) ASSERT_TRUE(writeWhole(dir + name, name)) << name;
    for (const char *name : {"_con.txt", "a_b.txt", "what_.txt"}) EXPECT_TRUE(exists(dir + name)) << name;
    OpenedFile colon(dir + "a:b.txt", FileOpenMode::Read);
    ASSERT_EQ(1u, colon.notes.size());  // the rules' own tests check the note in detail
    EXPECT_EQ(dir + "a_b.txt", colon.notes[0].modifiedFilename);
    // Reading applies the character rules but not the device-name rule.
    EXPECT_EQ("a:b.txt", colon.readRest());
    EXPECT_EQ("con.txt", readWhole(dir + "_con.txt"));
}

#endif

}  // namespace
}  // namespace quorvel::test
