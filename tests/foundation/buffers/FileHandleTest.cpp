#include "foundation/buffers/FileHandle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "foundation/log/LogNull.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

using Lines = std::vector<std::string>;

// The log lines without their values.
Lines shapeOf(const Lines &lines) {
    Lines out;
    for (const std::string &line : lines) out.push_back(line.substr(0, line.find('=')));
    return out;
}

bool writeText(FileHandle &file, const std::string &text, LogBase &log) {
    uint32_t written = 0;
    return file.write(text.data(), static_cast<uint32_t>(text.size()), written, log) && written == text.size();
}

// From the current position on; one read call goes on to the end of the file.
std::string readRest(FileHandle &file) {
    LogNull log;
    char buf[64];
    uint32_t got = 0;
    return file.read(buf, sizeof buf, got, log) ? std::string(buf, got) : "<read failed>";
}

TEST(FileHandle, OpenFailuresAndNameChanges) {
    const std::string dir = scratchDir("fh_missing");
    RecordingLog log;
    FileHandle file;
    FileOpenError why = FileOpenError::None;
    // The path is logged as it was handed to the system: Windows takes '\\' for '/'.
    const std::string inFolder = std::string("no-folder") + static_cast<char>(std::filesystem::path::preferred_separator);
    for (const char *name : {"missing.txt", "no-folder/missing.txt"}) {
        log.lines.clear();
        EXPECT_TRUE(!file.openForRead((dir + name).c_str(), log, &why) && why == FileOpenError::PathNotFound) << name;
        EXPECT_EQ(shapeOf(log.lines), (Lines{"data: WindowsError", "data: WindowsErrorCode", "data: localWindowsFilePath"}));
        EXPECT_EQ(log.lines.back(), "data: localWindowsFilePath=" + dir + (name[0] == 'n' ? inFolder : "") + "missing.txt");
    }
    log.lines.clear();
    EXPECT_TRUE(!file.openForRead("", log, &why) && why == FileOpenError::Other);
    EXPECT_FALSE(file.openForRead(nullptr, log) || file.openForWrite("", false, log) || file.isOpen());
    const std::string empty = "error: openFileWin32: file path is empty.";
    EXPECT_EQ(log.lines, (Lines{empty, empty, "enter: openForWriteWin32", empty, "leave"}));
    log.lines.clear();
    ASSERT_TRUE(file.openForWrite((dir + "a:b.txt").c_str(), false, log));
#ifdef _WIN32  // only the Windows file layer rewrites names
    EXPECT_EQ(log.lines, (Lines{"enter: openForWriteWin32", "error: The : character is not allowed in Windows filenames..",
                                "data: filename=" + dir + "a:b.txt", "data: modifiedFilename=" + dir + "a_b.txt", "leave"}));
#else
    EXPECT_EQ(log.lines, (Lines{"enter: openForWriteWin32", "leave"}));
#endif
}

TEST(FileHandle, MisuseAndFailedQueriesAreLogged) {
    const std::string path = scratchDir("fh_misuse") + "f.txt";
    ASSERT_TRUE(writeRawFile(path, "abc"));
    RecordingLog log;
    FileHandle file;
    uint32_t count = 7;
    char buf[4];
    int64_t size = 0;
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    EXPECT_TRUE(file.fileSize32(log) == 3u && !file.seekTo(-1, log) && !file.read(nullptr, 4, count, log));
    file.close();
    EXPECT_TRUE(!file.seekToEnd(log) && file.fileSize32(log) == 0xFFFFFFFFu);
    EXPECT_FALSE(file.fileSize64(size, log) || file.write("x", 1, count, log) || count != 0 || file.read(buf, sizeof buf, count, log));
    EXPECT_EQ(log.lines, (Lines{"error: Failed to SetFilePointer to absolute file position", "data: position=-1", "error: NULL buf pointer.",
                                "error: Failed to SetFilePointer to end of file.", "error: Failed to get file size (32)",
                                "error: Failed to get file size (64)", "error: Failed to write because file is not open.",
                                "error: Failed to read because file is not open."}));
}

TEST(FileHandle, PlatformErrorsAndSizesOf4GiB) {
    const std::string dir = scratchDir("fh_errors"), path = dir + "f.txt", huge = dir + "sparse.bin";
    ASSERT_TRUE(writeRawFile(path, "abc"));
    RecordingLog log;
    FileHandle file;
    uint32_t count = 9;
    char buf[4];
    ASSERT_TRUE(file.openForRead(path.c_str(), log));  // refuses writes
    EXPECT_FALSE(file.write("xyz", 3, count, log));
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));  // refuses reads
    EXPECT_FALSE(file.read(buf, sizeof buf, count, log));
    EXPECT_EQ(shapeOf(log.lines), (Lines{"enter: WriteFileError", "data: WindowsError", "data: WindowsErrorCode", "leave",
                                         "enter: openForWriteWin32", "leave", "data: WindowsError", "data: WindowsErrorCode",
                                         "error: Failed to read from file."}));
    // Writing one byte past 4 GiB leaves a sparse file, cheap on the usual file systems.
    ASSERT_TRUE(file.openForWrite(huge.c_str(), false, log) && file.seekTo(0x100000000LL, log));
    ASSERT_TRUE(writeText(file, "!", log) && file.openForRead(huge.c_str(), log));
    log.lines.clear();
    int64_t size = 0;
    EXPECT_TRUE(file.fileSize64(size, log) && size == 0x100000001LL && file.fileSize32(log) == 0xFFFFFFFFu) << size;
    EXPECT_EQ(log.lines, (Lines{"error: Failed to get file size (32)", "data: fileSize=4294967297"}));
    file.close();
    std::remove(huge.c_str());
}

TEST(FileHandle, LargeWritesGoOutInChunksAndAppendWritesAtTheEnd) {
    const std::string path = scratchDir("fh_large") + "large.bin";
    std::string data(2 * FileHandle::kWriteChunk + 12345, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    RecordingLog log;
    FileHandle file;
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log) && writeText(file, data, log));
    ASSERT_TRUE(file.openForAppend(path.c_str(), log) && writeText(file, "+", log));
    file.close();
    EXPECT_TRUE(fileBytes(path) == data + "+");
    EXPECT_EQ(log.lines, (Lines{"enter: openForWriteWin32", "leave", "enter: openForWriteWin32", "leave"}));
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
    int64_t size = 0;
    ASSERT_TRUE(writeText(file, "stream data", log) && file.seekTo(7, log));
    EXPECT_TRUE(file.fileSize64(size, log) && size == 11);
    EXPECT_EQ(readRest(file), "data");  // measuring the size keeps the position
    EXPECT_TRUE(file.seekToEnd(log) && file.fileSize32(log) == 11u && log.lines.empty()) << log.joined();
    EXPECT_FALSE(file.seekTo(-5, log));
    FILE *readOnly = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, readOnly);
    file.adoptStream(readOnly);
    uint32_t written = 0;
    EXPECT_EQ(readRest(file), "stream data");
    EXPECT_FALSE(file.write("more", 4, written, log));
    EXPECT_EQ(log.lines, (Lines{"error: Failed to fseek to absolute file position", "data: position=-5", "error: fwrite failed."}));
}

}  // namespace
}  // namespace quorvel::test
