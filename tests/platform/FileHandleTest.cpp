#include "platform/FileHandle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/log/LogNull.h"
#include "FileHandleTestText.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::readFile;
using test::readRest;
using test::RecordingLog;
using test::writeText;
using test::scratchDir;
using Lines = std::vector<std::string>;

// The log lines without their values.
Lines shapeOf(const Lines &lines) {
    Lines out;
    for (const std::string &line : lines) out.push_back(line.substr(0, line.find('=')));
    return out;
}

TEST(FileHandle, OpenFailures) {
    const std::string dir = scratchDir("fh_missing");
    RecordingLog log;
    FileHandle file;
    FileOpenError why = FileOpenError::None;
    for (const char *name : {"missing.txt", "no-folder/missing.txt"}) {
        log.lines.clear();
        EXPECT_FALSE(file.openForRead((dir + name).c_str(), log, &why));
        EXPECT_EQ(FileOpenError::PathNotFound, why);
        EXPECT_EQ((Lines{"data: WindowsError", "data: WindowsErrorCode", "data: localWindowsFilePath"}),
                  shapeOf(log.lines));
        EXPECT_TRUE(log.mentions("missing.txt"));
    }
    log.lines.clear();
    EXPECT_FALSE(file.openForRead("", log, &why));
    EXPECT_EQ(FileOpenError::Other, why);
    EXPECT_FALSE(file.openForRead(nullptr, log) || file.openForWrite("", false, log) || file.isOpen());
    const std::string empty = "error: openFileWin32: file path is empty.";
    EXPECT_EQ((Lines{empty, empty, "enter: openForWriteWin32", empty, "leave"}), log.lines);
}

TEST(FileHandle, ReadWriteSeekAndAppend) {
    // "naïve-日本": not representable in most ANSI code pages.
    const std::string dir = scratchDir("fh_rw"), path = dir + "na\xC3\xAFve-\xE6\x97\xA5\xE6\x9C\xAC.txt";
    RecordingLog log;
    FileHandle file;
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log) && writeText(file, "0123456789", log));
    ASSERT_TRUE(file.openForReadWrite(path.c_str(), log));  // keeps the content
    char buf[3];
    uint32_t got = 0;
    ASSERT_TRUE(file.read(buf, 3, got, log));
    EXPECT_EQ("012", std::string(buf, got));
    ASSERT_TRUE(writeText(file, "XY", log) && file.seekTo(0, log));
    EXPECT_EQ("012XY56789", readRest(file));
    ASSERT_TRUE(file.seekToEnd(log) && writeText(file, "!", log));
    EXPECT_EQ(11u, file.fileSize32(log));
    // Past the end is a valid position; the gap reads as zeros once written beyond.
    ASSERT_TRUE(file.seekTo(13, log) && writeText(file, "Z", log));
    ASSERT_TRUE(file.openForAppend(path.c_str(), log) && writeText(file, "+", log));
    file.close();
    EXPECT_EQ(std::string("012XY56789!\0\0Z+", 15), readFile(path));
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log) && file.openForRead(path.c_str(), log));
    int64_t size = -1;
    EXPECT_TRUE(file.fileSize64(size, log));
    EXPECT_EQ(0, size);  // writing truncates
    EXPECT_EQ("", readRest(file));
    // Appending and reading-writing create a missing file.
    ASSERT_TRUE(file.openForAppend((dir + "a.txt").c_str(), log) && writeText(file, "new", log));
    ASSERT_TRUE(file.openForReadWrite((dir + "rw.txt").c_str(), log));
    file.close();
    EXPECT_EQ("new", readFile(dir + "a.txt"));
    EXPECT_FALSE(log.mentions("error")) << log.joined();
}

TEST(FileHandle, MisuseAndFailedQueriesAreLogged) {
    const std::string path = scratchDir("fh_misuse") + "f.txt";
    ASSERT_TRUE(test::writeRawFile(path, "abc"));
    RecordingLog log;
    FileHandle file;
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    EXPECT_EQ(3u, file.fileSize32(log));
    EXPECT_FALSE(file.seekTo(-1, log));
    uint32_t count = 7;
    EXPECT_FALSE(file.read(nullptr, 4, count, log));
    file.close();
    char buf[4];
    int64_t size = 0;
    EXPECT_FALSE(file.seekToEnd(log));
    EXPECT_EQ(0xFFFFFFFFu, file.fileSize32(log));
    EXPECT_FALSE(file.fileSize64(size, log) || file.write("x", 1, count, log));
    EXPECT_EQ(0u, count);
    EXPECT_FALSE(file.read(buf, sizeof buf, count, log));
    EXPECT_EQ((Lines{"error: Failed to SetFilePointer to absolute file position", "data: position=-1",
                     "error: NULL buf pointer.", "error: Failed to SetFilePointer to end of file.",
                     "error: Failed to get file size (32)", "error: Failed to get file size (64)",
                     "error: Failed to write because file is not open.",
                     "error: Failed to read because file is not open."}),
              log.lines);
}

TEST(FileHandle, PlatformErrorsAndSizesOf4GiB) {
    const std::string dir = scratchDir("fh_errors"), path = dir + "f.txt", huge = dir + "sparse.bin";
    ASSERT_TRUE(test::writeRawFile(path, "abc"));
    RecordingLog log;
    FileHandle file;
    uint32_t count = 9;
    char buf[4];
    ASSERT_TRUE(file.openForRead(path.c_str(), log));  // refuses writes
    EXPECT_FALSE(file.write("xyz", 3, count, log));
    EXPECT_EQ(0u, count);
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));  // refuses reads
    EXPECT_FALSE(file.read(buf, sizeof buf, count, log));
    EXPECT_EQ(0u, count);
    EXPECT_EQ((Lines{"enter: WriteFileError", "data: WindowsError", "data: WindowsErrorCode", "leave",
                     "enter: openForWriteWin32", "leave", "data: WindowsError", "data: WindowsErrorCode",
                     "error: Failed to read from file."}),
              shapeOf(log.lines));
    // Writing one byte past 4 GiB leaves a sparse file, cheap on the usual file systems.
    ASSERT_TRUE(file.openForWrite(huge.c_str(), false, log) && file.seekTo(0x100000000LL, log));
    ASSERT_TRUE(writeText(file, "!", log) && file.openForRead(huge.c_str(), log));
    log.lines.clear();
    int64_t size = 0;
    EXPECT_TRUE(file.fileSize64(size, log));
    EXPECT_EQ(0x100000001LL, size);
    EXPECT_EQ(0xFFFFFFFFu, file.fileSize32(log));
    EXPECT_EQ((Lines{"error: Failed to get file size (32)", "data: fileSize=4294967297"}), log.lines);
    file.close();
    std::remove(huge.c_str());
}

TEST(FileHandle, LargeWritesGoOutInChunks) {
    const std::string path = scratchDir("fh_large") + "large.bin";
    std::string data(2 * FileHandle::kWriteChunk + 12345, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    LogNull log;
    ASSERT_TRUE(test::writeFile(path, data, log));
    EXPECT_TRUE(readFile(path) == data);
    std::remove(path.c_str());
}

TEST(FileHandle, AdoptedStreamUsesItsOwnMessages) {
    const std::string path = scratchDir("fh_stream") + "stream.bin";
    RecordingLog log;
    FileHandle file;
    file.adoptStream(nullptr);
    EXPECT_FALSE(file.isOpen());
    FILE *f = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(nullptr, f);
    file.adoptStream(f);
    ASSERT_TRUE(writeText(file, "stream data", log) && file.seekTo(7, log));
    int64_t size = 0;
    EXPECT_TRUE(file.fileSize64(size, log));
    EXPECT_EQ(11, size);
    EXPECT_EQ("data", readRest(file));  // measuring the size keeps the position
    EXPECT_TRUE(file.seekToEnd(log));
    EXPECT_EQ(11u, file.fileSize32(log));
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    EXPECT_FALSE(file.seekTo(-5, log));
    FILE *readOnly = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, readOnly);
    file.adoptStream(readOnly);
    EXPECT_EQ("stream data", readRest(file));
    uint32_t written = 0;
    EXPECT_FALSE(file.write("more", 4, written, log));
    EXPECT_EQ((Lines{"error: Failed to fseek to absolute file position", "data: position=-5", "error: fwrite failed."}),
              log.lines);
}

}  // namespace
}  // namespace quorvel
