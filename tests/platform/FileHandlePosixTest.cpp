// POSIX behaviour of the file layer: paths as given, the write-permission retry, errno mapping.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "FileHandleTestText.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::fileExists;
using test::readFile;
using test::RecordingLog;
using test::writeFile;
using test::scratchDir;
using test::writeRawFile;
using Lines = std::vector<std::string>;

constexpr uid_t kNobody = 65534;

// Root passes every permission check, so the permission tests run as "nobody" for a while.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() : m_dropped(geteuid() == 0 && setegid(kNobody) == 0 && seteuid(kNobody) == 0) {
        if (!m_dropped && geteuid() == 0) setegid(0);
    }
    ~AsUnprivilegedUser() {
        if (m_dropped) {
            EXPECT_EQ(0, seteuid(0));
            EXPECT_EQ(0, setegid(0));
        }
    }
    bool ok() const { return geteuid() != 0; }

private:
    bool m_dropped;
};

mode_t modeOf(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(FileHandlePosix, OnlyOurOwnReadOnlyFilesAreMadeWritable) {
    std::string dir = scratchDir("fhp_readonly");
    ::chmod(dir.c_str(), 0777);
    std::string mine = dir + "mine.txt", theirs = dir + "theirs.txt";
    ASSERT_TRUE(writeRawFile(theirs, "keep"));
    ASSERT_EQ(0, ::chmod(theirs.c_str(), 0444));
    AsUnprivilegedUser user;
    if (!user.ok()) GTEST_SKIP() << "cannot run without root's permission bypass";
    if (!writeRawFile(mine, "old")) GTEST_SKIP() << "scratch folder not writable for an unprivileged user";
    ASSERT_EQ(0, ::chmod(mine.c_str(), 0444));
    RecordingLog log;
    ASSERT_TRUE(writeFile(mine, "new", log)) << log.joined();
    EXPECT_EQ(0644, modeOf(mine));
    EXPECT_EQ("new", readFile(mine));
    EXPECT_EQ((Lines{"enter: openForWriteWin32", "leave"}), log.lines);
    // Without root the other file is our own as well, and the retry would rightly succeed.
    if (getuid() == geteuid()) GTEST_SKIP() << "needs a file owned by another user";
    FileOpenError why = FileOpenError::None;
    EXPECT_FALSE(writeFile(theirs, "lost", log, false, &why));
    EXPECT_EQ(FileOpenError::AccessDenied, why);
    EXPECT_TRUE(log.has("data: WindowsErrorCode=0xd")) << log.joined();  // EACCES
    EXPECT_TRUE(log.has("data: localWindowsFilePath=" + theirs));
    EXPECT_EQ(0444, modeOf(theirs));
    EXPECT_EQ("keep", readFile(theirs));
}

TEST(FileHandlePosix, PathsAreUsedExactlyAsGiven) {
    std::string dir = scratchDir("fhp_names");
    for (const char *name : {"a\\b:c?.txt", "con.txt", "star*<>|\"q\".txt"}) {
        RecordingLog log;
        ASSERT_TRUE(writeFile(dir + name, "x", log)) << name;
        EXPECT_TRUE(fileExists(dir + name)) << name;
        EXPECT_EQ((Lines{"enter: openForWriteWin32", "leave"}), log.lines);
    }
}

TEST(FileHandlePosix, ErrnoBecomesTheOpenFailure) {
    std::string dir = scratchDir("fhp_errno");
    ASSERT_TRUE(writeRawFile(dir + "plain.txt", "x"));
    const std::pair<std::string, FileOpenError> cases[] = {
        {dir + "plain.txt/inside.txt", FileOpenError::PathNotFound},  // ENOTDIR
        {dir + "absent/inside.txt", FileOpenError::PathNotFound},     // ENOENT
        {dir, FileOpenError::Other},                                   // a folder
        {dir + std::string(5000, 'n'), FileOpenError::Other},          // ENAMETOOLONG
    };
    for (const auto &[path, expected] : cases) {
        RecordingLog log;
        FileHandle file;
        FileOpenError why = FileOpenError::None;
        EXPECT_FALSE(file.openForRead(path.c_str(), log, &why));
        EXPECT_EQ(expected, why) << path.substr(0, 100);
        EXPECT_TRUE(log.has("data: localWindowsFilePath=" + path));
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
