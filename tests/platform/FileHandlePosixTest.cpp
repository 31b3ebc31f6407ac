// POSIX behaviour of the file layer: paths as given, the write-permission retry, errno mapping.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/FileHandle.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::fileExists;
using test::readRawFile;
using test::RecordingLog;
using test::scratchDir;
using test::writeRawFile;

constexpr uid_t kNobody = 65534;

// Root passes every permission check, so the permission tests run as "nobody" for a while.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() {
        if (geteuid() != 0) return;
        m_dropped = setegid(kNobody) == 0 && seteuid(kNobody) == 0;
        if (!m_dropped) setegid(0);
    }
    ~AsUnprivilegedUser() {
        if (m_dropped) {
            EXPECT_EQ(0, seteuid(0));
            EXPECT_EQ(0, setegid(0));
        }
    }
    bool ok() const { return geteuid() != 0; }

private:
    bool m_dropped = false;
};

mode_t modeOf(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool writeThrough(const std::string &path, const std::string &text, LogBase &log, FileOpenError *why = nullptr) {
    FileHandle file;
    uint32_t written = 0;
    return file.openForWrite(path.c_str(), false, log, why) &&
           file.write(text.data(), static_cast<uint32_t>(text.size()), written, log) && written == text.size();
}

std::string permissionDir(const char *name) {
    std::string dir = scratchDir(name);
    ::chmod(dir.c_str(), 0777);
    return dir;
}

TEST(FileHandlePosix, WriteToOwnReadOnlyFileAddsOwnerWritePermission) {
    std::string dir = permissionDir("fhp_readonly");
    AsUnprivilegedUser user;
    if (!user.ok()) GTEST_SKIP() << "cannot run without root's permission bypass";
    std::string path = dir + "locked.txt";
    if (!writeRawFile(path, "old")) GTEST_SKIP() << "scratch folder not writable for an unprivileged user";
    ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
    RecordingLog log;
    ASSERT_TRUE(writeThrough(path, "new", log)) << log.joined();
    EXPECT_EQ(0644, modeOf(path));
    std::string content;
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ("new", content);
    EXPECT_EQ((std::vector<std::string>{"enter: openForWriteWin32", "leave"}), log.lines);
}

TEST(FileHandlePosix, SomeoneElsesReadOnlyFileIsAccessDenied) {
    std::string dir = permissionDir("fhp_denied");
    std::string path = dir + "theirs.txt";
    ASSERT_TRUE(writeRawFile(path, "keep"));
    ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
    AsUnprivilegedUser user;
    if (!user.ok() || getuid() == geteuid()) {
        // Without root the file is our own; the retry would (rightly) succeed.
        GTEST_SKIP() << "needs a file owned by another user";
    }
    RecordingLog log;
    FileOpenError why = FileOpenError::None;
    EXPECT_FALSE(writeThrough(path, "lost", log, &why));
    EXPECT_EQ(FileOpenError::AccessDenied, why);
    EXPECT_TRUE(log.has("data: WindowsErrorCode=0xd")) << log.joined();  // EACCES
    EXPECT_TRUE(log.has("data: localWindowsFilePath=" + path));
    EXPECT_EQ("leave", log.lines.back());
    EXPECT_EQ(0444, modeOf(path));
    std::string content;
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ("keep", content);
}

TEST(FileHandlePosix, PathsAreUsedExactlyAsGiven) {
    std::string dir = scratchDir("fhp_names");
    for (const char *name : {"a\\b:c?.txt", "con.txt", "star*<>|\"q\".txt"}) {
        SCOPED_TRACE(name);
        RecordingLog log;
        ASSERT_TRUE(writeThrough(dir + name, "x", log));
        EXPECT_TRUE(fileExists(dir + name));
        EXPECT_EQ((std::vector<std::string>{"enter: openForWriteWin32", "leave"}), log.lines);
    }
}

TEST(FileHandlePosix, ErrnoBecomesTheOpenFailure) {
    std::string dir = scratchDir("fhp_errno");
    ASSERT_TRUE(writeRawFile(dir + "plain.txt", "x"));
    const struct {
        std::string path;
        FileOpenError why;
    } cases[] = {
        {dir + "plain.txt/inside.txt", FileOpenError::PathNotFound},  // ENOTDIR
        {dir + "absent/inside.txt", FileOpenError::PathNotFound},     // ENOENT
        {dir, FileOpenError::Other},                                   // a folder
        {dir + std::string(5000, 'n'), FileOpenError::Other},          // ENAMETOOLONG
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.substr(0, 100));
        RecordingLog log;
        FileHandle file;
        FileOpenError why = FileOpenError::None;
        EXPECT_FALSE(file.openForRead(c.path.c_str(), log, &why));
        EXPECT_EQ(c.why, why);
        EXPECT_FALSE(file.isOpen());
        EXPECT_TRUE(log.has("data: localWindowsFilePath=" + c.path));
    }
}

TEST(FileHandlePosix, FullDiskIsAWriteFileError) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    RecordingLog log;
    FileHandle file;
    ASSERT_TRUE(file.openForAppend("/dev/full", log));
    log.lines.clear();
    uint32_t written = 0;
    EXPECT_FALSE(file.write("abc", 3, written, log));
    ASSERT_EQ(4u, log.lines.size()) << log.joined();
    EXPECT_EQ("enter: WriteFileError", log.lines[0]);
    EXPECT_EQ("data: WindowsErrorCode=0x1c", log.lines[2]);  // ENOSPC
    EXPECT_EQ("leave", log.lines[3]);
}

}  // namespace
}  // namespace quorvel

#endif
