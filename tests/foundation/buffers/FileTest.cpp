// Files: whole-file loads and saves with their header form, and the handle underneath with its
// errors, 4 GiB sizes and adopted streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "foundation/buffers/FileAccess.h"
#include "foundation/buffers/FileHandle.h"
#include "foundation/log/LogNull.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

TEST(FileAccess, WholeFilesAndHeadersRoundTrip) {
    const std::string dir = test::scratchDir("FileAccessRoundTrip"), path = dir + "data.bin";
    const std::string content = patternBytes(200000);
    RecordingLog log;
    ASSERT_TRUE(bufferOf(content).saveToFile(path.c_str(), log) && fileBytes(path) == content);
    DataBuffer loaded = bufferOf("previous");
    ASSERT_TRUE(loaded.loadFile(path.c_str(), log) && bytesOf(loaded) == content);
    // Zeroed slack follows the bytes, so the content may be read as terminated text.
    EXPECT_TRUE(loaded.getCapacity() >= loaded.getSize() + FileAccess::kReadSlack && loaded.getData()[loaded.getSize()] == 0);
    // Saving truncates, appending extends or creates, and no data makes an empty file.
    ASSERT_TRUE(bufferOf("short").saveToFile(path.c_str(), log) && bufferOf("+tail").appendToFile(path.c_str(), log));
    ASSERT_TRUE(bufferOf("new").appendToFile((dir + "appended.txt").c_str(), log) &&
                DataBuffer().saveToFile((dir + "empty.txt").c_str(), log) &&
                FileAccess::writeHeaderThenData((dir + "raw.bin").c_str(), "HEAD", 4, "body", 4, log));
    EXPECT_EQ(fileBytes(path) + "|" + fileBytes(dir + "appended.txt") + "|" + fileBytes(dir + "empty.txt") + "|" +
                  fileBytes(dir + "raw.bin"), "short+tail|new||HEADbody");
    EXPECT_FALSE(log.mentions("error: ")) << log.joined();
    log.lines.clear();  // an empty file loads as an empty buffer
    EXPECT_TRUE(loaded.loadFile((dir + "empty.txt").c_str(), log) && loaded.isEmpty());
    EXPECT_EQ(log.joined(), "enter: loadFileX\nleave\n");
    // A header goes before the data with its length in four little-endian bytes.
    const std::pair<std::string, std::string> cases[] = {{"HDR", "payload"}, {"", "only data"}, {"only header", ""}, {"h", patternBytes(150000)}};
    for (const auto &[head, data] : cases) {
        DataBuffer header = bufferOf("stale");
        const auto n = static_cast<uint32_t>(head.size());
        ASSERT_TRUE(bufferOf(data).saveToFileWithHeader(path.c_str(), bufferOf(head), log) && loaded.loadFileWithHeader(path.c_str(), header, log));
        EXPECT_TRUE(fileBytes(path) == (std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)} + head + data)) << head;
        EXPECT_TRUE(bytesOf(header) == head && bytesOf(loaded) == data && !log.mentions("error: ")) << head << log.joined();
    }
}

TEST(FileAccess, FailuresNameTheFileAndKeepTheBuffers) {
    const std::string dir = test::scratchDir("FileAccessFailures"), absent = dir + "absent.bin", unwritable = dir + "no-such-dir/out.txt";
    ASSERT_TRUE(test::writeRawFile(dir + "empty.bin", "") && test::writeRawFile(dir + "huge.bin", std::string("\xFF\xFF\xFF\xFF" "0123", 8)) &&
                test::writeRawFile(dir + "over.bin", std::string("\x05\x00\x00\x00" "0123", 8)));
    using Op = bool (*)(const std::string &, DataBuffer &, DataBuffer &, LogBase &);
    const Op load = [](const std::string &p, DataBuffer &h, DataBuffer &d, LogBase &l) { return d.loadFileWithHeader(p.c_str(), h, l); };
    const struct { std::string path; Op op; std::vector<std::string> lines; } cases[] = {
        {absent, [](const std::string &p, DataBuffer &, DataBuffer &d, LogBase &l) { return d.loadFile(p.c_str(), l); },
         {"enter: loadFileX", "data: localWindowsFilePath=" + absent, "leave"}},
        {unwritable, [](const std::string &p, DataBuffer &, DataBuffer &d, LogBase &l) { return d.saveToFile(p.c_str(), l); },
         {"data: filename=" + unwritable, "error: Failed to write complete file (7)"}},
        {unwritable, [](const std::string &p, DataBuffer &, DataBuffer &d, LogBase &l) { return d.appendToFile(p.c_str(), l); },
         {"data: filename=" + unwritable, "error: Failed to write complete file (2)"}},
        {unwritable, [](const std::string &p, DataBuffer &h, DataBuffer &d, LogBase &l) { return d.saveToFileWithHeader(p.c_str(), h, l); },
         {"error: Failed to write complete file (7)"}},
        {dir + "empty.bin", load, {"data: path=" + dir + "empty.bin", "error: File is empty or too small"}},
        {dir + "huge.bin", load, {"error: Invalid header size"}}, {dir + "over.bin", load, {"error: Invalid header size"}},
        {absent, load, {"data: path=" + absent}},
    };
    for (const auto &c : cases) {
        RecordingLog log;
        DataBuffer header = bufferOf("H"), data = bufferOf("D");
        EXPECT_FALSE(c.op(c.path, header, data, log)) << c.lines.back();
        for (const std::string &line : c.lines) EXPECT_TRUE(log.has(line)) << line << "\n" << log.joined();
        // A failed whole-file load empties the buffer; the others leave it.
        EXPECT_EQ(bytesOf(header) + bytesOf(data), c.lines[0] == "enter: loadFileX" ? "H" : "HD") << c.lines.back();
    }
    EXPECT_FALSE(test::fileExists(unwritable));
}

// A sysfs file reports a size of one page but yields only a few bytes: a short read.
TEST(FileAccess, ShortReadFails) {
    const std::string sysfs = "/sys/devices/system/cpu/online";
    std::error_code ec;
    auto size = std::filesystem::file_size(sysfs, ec);
    std::string raw;
    if (ec || size == 0 || !test::readRawFile(sysfs, raw) || raw.size() >= size) GTEST_SKIP() << "no file here that reads shorter than its size";
    RecordingLog log;
    DataBuffer b = bufferOf("old");
    EXPECT_FALSE(b.loadFile(sysfs.c_str(), log) || !b.isEmpty());
    EXPECT_TRUE(log.has("data: fileSize=" + std::to_string(size)) && log.has("data: numBytesRead=" + std::to_string(raw.size())) &&
                log.has("error: Failed to read the entire file (2)")) << log.joined();
}

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

struct FileHandleCase : ::testing::Test {
    RecordingLog log;
    FileHandle file;
};

TEST_F(FileHandleCase, OpenFailuresAndNameChanges) {
    const std::string dir = scratchDir("fh_missing");
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

TEST_F(FileHandleCase, MisuseAndPlatformErrorsAreLogged) {
    const std::string path = scratchDir("fh_misuse") + "f.txt";
    ASSERT_TRUE(writeRawFile(path, "abc"));
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
    // The system refuses writes to a file open for reading, and reads from one open for writing.
    log.lines.clear();
    ASSERT_TRUE(file.openForRead(path.c_str(), log));
    EXPECT_FALSE(file.write("xyz", 3, count, log));
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log));
    EXPECT_FALSE(file.read(buf, sizeof buf, count, log));
    EXPECT_EQ(shapeOf(log.lines), (Lines{"enter: WriteFileError", "data: WindowsError", "data: WindowsErrorCode", "leave",
                                         "enter: openForWriteWin32", "leave", "data: WindowsError", "data: WindowsErrorCode",
                                         "error: Failed to read from file."}));
}

// Large writes go out in chunks, appending writes at the end; one byte past 4 GiB leaves a sparse
// file (cheap on the usual file systems) whose size only the 64-bit query gives.
TEST_F(FileHandleCase, LargeWritesAppendsAndSizesOf4GiB) {
    const std::string dir = scratchDir("fh_large"), path = dir + "large.bin", huge = dir + "sparse.bin";
    const std::string data = patternBytes(2 * FileHandle::kWriteChunk + 12345);
    ASSERT_TRUE(file.openForWrite(path.c_str(), false, log) && writeText(file, data, log));
    ASSERT_TRUE(file.openForAppend(path.c_str(), log) && writeText(file, "+", log));
    file.close();
    EXPECT_TRUE(fileBytes(path) == data + "+" && !log.mentions("error: "));
    std::remove(path.c_str());
    ASSERT_TRUE(file.openForWrite(huge.c_str(), false, log) && file.seekTo(0x100000000LL, log));
    ASSERT_TRUE(writeText(file, "!", log) && file.openForRead(huge.c_str(), log));
    log.lines.clear();
    int64_t size = 0;
    EXPECT_TRUE(file.fileSize64(size, log) && size == 0x100000001LL && file.fileSize32(log) == 0xFFFFFFFFu) << size;
    EXPECT_EQ(log.lines, (Lines{"error: Failed to get file size (32)", "data: fileSize=4294967297"}));
    file.close();
    std::remove(huge.c_str());
}

TEST_F(FileHandleCase, AdoptedStreamUsesItsOwnMessages) {
    const std::string path = scratchDir("fh_stream") + "stream.bin";
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
