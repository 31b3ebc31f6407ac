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

// Root passes every permission check, so the permission tests run as "nobody" for a while.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() : m_dropped(geteuid() == 0 && setegid(kNobody) == 0 && seteuid(kNobody) == 0) {
        if (!m_dropped && geteuid() == 0) setegid(0);
    }
    ~AsUnprivilegedUser() {
        if (m_dropped) {
            EXPECT_TRUE(seteuid(0) == 0 && setegid(0) == 0);
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

TEST(NativeFilePosix, OnlyOurOwnReadOnlyFilesAreMadeWritable) {
    std::string dir = scratchDir("nfp_readonly");
    ::chmod(dir.c_str(), 0777);
    std::string mine = dir + "mine.txt", theirs = dir + "theirs.txt";
    ASSERT_TRUE(writeRawFile(theirs, "keep"));
    ASSERT_EQ(0, ::chmod(theirs.c_str(), 0444));
    AsUnprivilegedUser user;
    if (!user.ok()) GTEST_SKIP() << "cannot run without root's permission bypass";
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

TEST(NativeFilePosix, PathsAreUsedExactlyAsGiven) {
    std::string dir = scratchDir("nfp_names");
    for (const char *name : {"a\\b:c?.txt", "con.txt", "star*<>|\"q\".txt"}) {
        OpenedFile file(dir + name, FileOpenMode::Write);
        EXPECT_EQ(0u, file.error) << name;
        EXPECT_EQ(dir + name, file.usedPath);
        EXPECT_TRUE(file.notes.empty() && fileExists(dir + name)) << name;
    }
}

TEST(NativeFilePosix, ErrnoBecomesTheOpenFailure) {
    std::string dir = scratchDir("nfp_errno");
    ASSERT_TRUE(writeRawFile(dir + "plain.txt", "x"));
    const struct {
        std::string path;
        int code;
        FileOpenError kind;
    } cases[] = {
        {dir + "plain.txt/inside.txt", ENOTDIR, FileOpenError::PathNotFound},
        {dir + "absent/inside.txt", ENOENT, FileOpenError::PathNotFound},
        {dir, EISDIR, FileOpenError::Other},  // a folder opens, but is no file
        {dir + std::string(5000, 'n'), ENAMETOOLONG, FileOpenError::Other},
    };
    for (const auto &c : cases) {
        OpenedFile file(c.path, FileOpenMode::Read);
        EXPECT_EQ(static_cast<uint32_t>(c.code), file.error) << c.path.substr(0, 100);
        EXPECT_EQ(c.kind, NativeFile::classify(file.error));
        EXPECT_TRUE(file.handle == NativeFile::kNone && file.usedPath == c.path);
    }
    EXPECT_EQ(FileOpenError::AccessDenied, NativeFile::classify(EPERM));
}

TEST(NativeFilePosix, FullDiskIsReportedAsSuch) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    OpenedFile file("/dev/full", FileOpenMode::Append);
    ASSERT_EQ(0u, file.error);
    uint32_t written = 7;
    EXPECT_EQ(NativeFile::diskFullCode(), NativeFile::write(file.handle, "abc", 3, written));
    EXPECT_EQ(0u, written);
}

}  // namespace
}  // namespace quorvel::test

#endif
