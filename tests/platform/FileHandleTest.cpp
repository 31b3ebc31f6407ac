#include "platform/FileHandle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/LogNull.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::readRawFile;
using test::RecordingLog;
using test::scratchDir;
using test::writeRawFile;

// Reads everything from the current position to the end.
std::string readRest(FileHandle &file) {
    LogNull log;
    std::string all;
    char chunk[7];  // small, to cross chunk borders
    uint32_t got = 0;
    while (file.read(chunk, sizeof chunk, got, log) && got > 0) all.append(chunk, got);
    return all;
}

bool writeText(FileHandle &file, const std::string &text, LogBase &log) {
    uint32_t written = 0;
    return file.write(text.data(), static_cast<uint32_t>(text.size()), written, log) && written == text.size();
}

TEST(FileHandle, EmptyFileHasSizeZeroAndReadsNothing) {
    std::string path = scratchDir("fh_empty") + "empty.bin";
    ASSERT_TRUE(writeRawFile(path, ""));
    RecordingLog log;
    FileHandle file;
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    EXPECT_EQ(0u, file.fileSize32(log));
    int64_t size = -1;
    EXPECT_TRUE(file.fileSize64(size, log));
    EXPECT_EQ(0, size);
    char buf[4];
    uint32_t got = 99;
    EXPECT_TRUE(file.read(buf, sizeof buf, got, log));
    EXPECT_EQ(0u, got);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST(FileHandle, MissingFileOrFolderIsPathNotFound) {
    std::string dir = scratchDir("fh_missing");
    for (const std::string &name : {std::string("missing.txt"), std::string("no-folder/missing.txt")}) {
        std::string path = dir + name;
        SCOPED_TRACE(path);
        RecordingLog log;
        FileHandle file;
        FileOpenError why = FileOpenError::None;
        EXPECT_FALSE(file.openForRead(path.c_str(), log, &why));
        EXPECT_EQ(FileOpenError::PathNotFound, why);
        EXPECT_FALSE(file.isOpen());
        ASSERT_EQ(3u, log.lines.size()) << log.joined();
        EXPECT_EQ(0u, log.lines[0].rfind("data: WindowsError=", 0));
        EXPECT_EQ(0u, log.lines[1].rfind("data: WindowsErrorCode=0x", 0));
        EXPECT_EQ(0u, log.lines[2].rfind("data: localWindowsFilePath=", 0));
        EXPECT_NE(std::string::npos, log.lines[2].find("missing.txt"));
    }
}

TEST(FileHandle, EmptyPathFails) {
    RecordingLog log;
    FileHandle file;
    FileOpenError why = FileOpenError::None;
    EXPECT_FALSE(file.openForRead("", log, &why));
    EXPECT_EQ(FileOpenError::Other, why);
    EXPECT_FALSE(file.openForRead(nullptr, log));
    EXPECT_EQ((std::vector<std::string>{"error: openFileWin32: file path is empty.",
                                        "error: openFileWin32: file path is empty."}),
              log.lines);
    log.lines.clear();
    EXPECT_FALSE(file.openForWrite("", false, log));
    EXPECT_EQ((std::vector<std::string>{"enter: openForWriteWin32", "error: openFileWin32: file path is empty.",
                                        "leave"}),
              log.lines);
}

TEST(FileHandle, ShortReadAtTheEnd) {
    std::string path = scratchDir("fh_short") + "hello.txt";
    ASSERT_TRUE(writeRawFile(path, "hello world"));
    LogNull log;
    FileHandle file;
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    char buf[100];
    uint32_t got = 0;
    ASSERT_TRUE(file.read(buf, 5, got, log));
    EXPECT_EQ("hello", std::string(buf, got));
    ASSERT_TRUE(file.read(buf, sizeof buf, got, log));
    EXPECT_EQ(" world", std::string(buf, got));
    ASSERT_TRUE(file.read(buf, sizeof buf, got, log));
    EXPECT_EQ(0u, got);
}

TEST(FileHandle, WriteTruncatesAndAppendAddsAtTheEnd) {
    std::string path = scratchDir("fh_append") + "out.txt";
    RecordingLog log;
    {
        FileHandle file;
        ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));
        ASSERT_TRUE(writeText(file, "abc", log));
    }
    EXPECT_EQ((std::vector<std::string>{"enter: openForWriteWin32", "leave"}), log.lines);
    {
        FileHandle file;
        ASSERT_TRUE(file.openForAppend(path.c_str(), log));
        ASSERT_TRUE(writeText(file, "def", log));
    }
    std::string content;
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ("abcdef", content);
    {
        FileHandle file;
        ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));
        ASSERT_TRUE(writeText(file, "x", log));
    }
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ("x", content);
    // Appending creates a missing file.
    std::string fresh = path + ".new";
    {
        FileHandle file;
        ASSERT_TRUE(file.openForAppend(fresh.c_str(), log));
        ASSERT_TRUE(writeText(file, "new", log));
    }
    ASSERT_TRUE(readRawFile(fresh, content));
    EXPECT_EQ("new", content);
}

TEST(FileHandle, ReadWriteSeeksWithoutTruncating) {
    std::string dir = scratchDir("fh_rw");
    std::string path = dir + "digits.txt";
    ASSERT_TRUE(writeRawFile(path, "0123456789"));
    LogNull log;
    {
        FileHandle file;
        ASSERT_TRUE(file.openForReadWrite(path.c_str(), log));
        ASSERT_TRUE(file.seekTo(3, log));
        ASSERT_TRUE(writeText(file, "XY", log));
        ASSERT_TRUE(file.seekTo(0, log));
        EXPECT_EQ("012XY56789", readRest(file));
        ASSERT_TRUE(file.seekToEnd(log));
        ASSERT_TRUE(writeText(file, "!", log));
        EXPECT_EQ(11u, file.fileSize32(log));
        // Past the end is a valid position; the gap reads as zeros once written beyond.
        ASSERT_TRUE(file.seekTo(13, log));
        ASSERT_TRUE(writeText(file, "Z", log));
    }
    std::string content;
    ASSERT_TRUE(readRawFile(path, content));
    EXPECT_EQ(std::string("012XY56789!\0\0Z", 14), content);
    // A missing file is created.
    std::string fresh = dir + "fresh.txt";
    FileHandle file;
    ASSERT_TRUE(file.openForReadWrite(fresh.c_str(), log));
    EXPECT_EQ(0u, file.fileSize32(log));
}

TEST(FileHandle, MisuseAndFailedQueriesAreLogged) {
    std::string path = scratchDir("fh_misuse") + "f.txt";
    ASSERT_TRUE(writeRawFile(path, "abc"));
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
    EXPECT_FALSE(file.fileSize64(size, log));
    EXPECT_FALSE(file.write("x", 1, count, log));
    EXPECT_EQ(0u, count);
    EXPECT_FALSE(file.read(buf, sizeof buf, count, log));
    EXPECT_EQ((std::vector<std::string>{"error: Failed to SetFilePointer to absolute file position",
                                        "data: position=-1", "error: NULL buf pointer.",
                                        "error: Failed to SetFilePointer to end of file.",
                                        "error: Failed to get file size (32)", "error: Failed to get file size (64)",
                                        "error: Failed to write because file is not open.",
                                        "error: Failed to read because file is not open."}),
              log.lines);
}

TEST(FileHandle, FilesOf4GiBHaveNo32BitSize) {
    std::string path = scratchDir("fh_huge") + "sparse.bin";
    LogNull quiet;
    {
        // Writing one byte past 4 GiB leaves a sparse file, cheap on the usual file systems.
        FileHandle file;
        ASSERT_TRUE(file.openForWrite(path.c_str(), false, quiet));
        ASSERT_TRUE(file.seekTo(0x100000000LL, quiet));
        ASSERT_TRUE(writeText(file, "!", quiet));
    }
    RecordingLog log;
    FileHandle file;
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    int64_t size = 0;
    EXPECT_TRUE(file.fileSize64(size, log));
    EXPECT_EQ(0x100000001LL, size);
    EXPECT_EQ(0xFFFFFFFFu, file.fileSize32(log));
    EXPECT_EQ((std::vector<std::string>{"error: Failed to get file size (32)", "data: fileSize=4294967297"}),
              log.lines);
    file.close();
    std::remove(path.c_str());
}

TEST(FileHandle, PlatformWriteAndReadErrorsAreLogged) {
    std::string path = scratchDir("fh_rwerr") + "f.txt";
    ASSERT_TRUE(writeRawFile(path, "abc"));
    RecordingLog log;
    {
        // A file opened for reading refuses writes.
        FileHandle file;
        ASSERT_TRUE(file.openForRead(path.c_str(), log));
        uint32_t written = 9;
        EXPECT_FALSE(file.write("xyz", 3, written, log));
        EXPECT_EQ(0u, written);
        ASSERT_EQ(4u, log.lines.size()) << log.joined();
        EXPECT_EQ("enter: WriteFileError", log.lines[0]);
        EXPECT_EQ(0u, log.lines[1].rfind("data: WindowsError=", 0));
        EXPECT_EQ(0u, log.lines[2].rfind("data: WindowsErrorCode=0x", 0));
        EXPECT_EQ("leave", log.lines[3]);
    }
    log.lines.clear();
    {
        // And one opened for writing refuses reads.
        FileHandle file;
        ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));
        char buf[4];
        uint32_t got = 9;
        EXPECT_FALSE(file.read(buf, sizeof buf, got, log));
        EXPECT_EQ(0u, got);
        EXPECT_EQ("error: Failed to read from file.", log.lines.back());
        EXPECT_TRUE(log.mentions("data: WindowsErrorCode=0x"));
    }
}

TEST(FileHandle, LargeWritesGoOutInChunks) {
    std::string path = scratchDir("fh_large") + "large.bin";
    const uint32_t n = 2 * FileHandle::kWriteChunk + 12345;
    std::vector<unsigned char> data(n);
    for (uint32_t i = 0; i < n; ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 251);
    LogNull log;
    {
        FileHandle file;
        ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));
        uint32_t written = 0;
        ASSERT_TRUE(file.write(data.data(), n, written, log));
        EXPECT_EQ(n, written);
    }
    std::string content;
    ASSERT_TRUE(readRawFile(path, content));
    ASSERT_EQ(n, content.size());
    EXPECT_EQ(0, std::memcmp(data.data(), content.data(), n));
    std::remove(path.c_str());
}

TEST(FileHandle, AdoptedStreamUsesItsOwnMessages) {
    std::string dir = scratchDir("fh_stream");
    std::string path = dir + "stream.bin";
    RecordingLog log;
    FileHandle file;
    file.adoptStream(nullptr);
    EXPECT_FALSE(file.isOpen());
    FILE *f = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(nullptr, f);
    file.adoptStream(f);
    ASSERT_TRUE(file.isOpen());
    ASSERT_TRUE(writeText(file, "stream data", log));
    EXPECT_EQ(11u, file.fileSize32(log));
    ASSERT_TRUE(file.seekTo(7, log));
    EXPECT_EQ("data", readRest(file));
    ASSERT_TRUE(file.seekTo(0, log));
    int64_t size = 0;
    EXPECT_TRUE(file.fileSize64(size, log));
    EXPECT_EQ(11, size);
    // Measuring the size keeps the position.
    EXPECT_EQ("stream data", readRest(file));
    EXPECT_TRUE(file.seekToEnd(log));
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    EXPECT_FALSE(file.seekTo(-5, log));
    EXPECT_EQ((std::vector<std::string>{"error: Failed to fseek to absolute file position", "data: position=-5"}),
              log.lines);
    file.close();
    EXPECT_FALSE(file.isOpen());

    log.lines.clear();
    FILE *readOnly = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, readOnly);
    file.adoptStream(readOnly);
    uint32_t written = 0;
    EXPECT_FALSE(file.write("more", 4, written, log));
    EXPECT_EQ((std::vector<std::string>{"error: fwrite failed."}), log.lines);
}

TEST(FileHandle, NonAsciiNamesRoundTrip) {
    // "naïve-日本.txt": not representable in most ANSI code pages.
    std::string path = scratchDir("fh_utf8") + "na\xC3\xAFve-\xE6\x97\xA5\xE6\x9C\xAC.txt";
    LogNull log;
    {
        FileHandle file;
        ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));
        ASSERT_TRUE(writeText(file, "unicode", log));
    }
    FileHandle file;
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    EXPECT_EQ("unicode", readRest(file));
}

}  // namespace
}  // namespace quorvel
