// POSIX behaviour of the file API: paths as given, the write-permission retry, errno mapping.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "OpenedFile.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

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
    const struct {
        std::string path;
        FileOpenMode mode;
        int code;
        FileOpenError kind;
    } cases[] = {
        // No name rules here: what Windows refuses is a plain file name.
        {dir + "a\\b:c?.txt", FileOpenMode::Write, 0, FileOpenError::Other},
        {dir + "con.txt", FileOpenMode::Write, 0, FileOpenError::Other},
        {dir + "star*<>|\"q\".txt", FileOpenMode::Write, 0, FileOpenError::Other},
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
    EXPECT_TRUE(fileExists(dir + "a\\b:c?.txt") && fileExists(dir + "con.txt"));
    EXPECT_EQ(FileOpenError::AccessDenied, NativeFile::classify(EPERM));
}

}  // namespace
}  // namespace quorvel::test

#endif
