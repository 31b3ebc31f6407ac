#include "platform/NativeFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "OpenedFile.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

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
    OpenedFile noFolder(dir + "no-folder/missing.txt", FileOpenMode::Read);
    EXPECT_EQ(NativeFile::kNone, noFolder.handle);
    EXPECT_EQ(FileOpenError::PathNotFound, NativeFile::classify(noFolder.error));
}

}  // namespace
}  // namespace quorvel::test
