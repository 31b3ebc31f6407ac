#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/Bytes.h"
#include "foundation/DataBuffer.h"
#include "foundation/FileAccess.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::bytesOf;
using test::bufferOf;

using test::RecordingLog;

// More than one 64 KiB read chunk, with every byte value.
std::string patternBytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
}

bool hasError(const RecordingLog &log) { return log.mentions("error: "); }

TEST(FileAccess, WholeFileRoundTrip) {
    std::string dir = test::scratchDir("FileAccessRoundTrip");
    std::string path = dir + "data.bin";
    std::string content = patternBytes(200000);
    RecordingLog saveLog;
    ASSERT_TRUE(bufferOf(content).saveToFile(path.c_str(), saveLog)) << saveLog.joined();
    EXPECT_FALSE(hasError(saveLog)) << saveLog.joined();
    std::string raw;
    ASSERT_TRUE(test::readRawFile(path, raw));
    EXPECT_EQ(raw, content);

    RecordingLog log;

    DataBuffer loaded = bufferOf("previous");
    ASSERT_TRUE(loaded.loadFile(path.c_str(), log)) << log.joined();
    EXPECT_EQ(bytesOf(loaded), content);
    // Zeroed slack follows the bytes, so the content may be read as terminated text.
    ASSERT_GE(loaded.getCapacity(), loaded.getSize() + FileAccess::kReadSlack);
    EXPECT_EQ(loaded.getData()[loaded.getSize()], 0);
    EXPECT_FALSE(hasError(log)) << log.joined();
    EXPECT_EQ(log.lines.front(), "enter: loadFileX");
    EXPECT_EQ(log.lines.back(), "leave");
}

TEST(FileAccess, EmptyFileLoadsAsEmptyBuffer) {
    std::string path = test::scratchDir("FileAccessEmpty") + "empty.txt";
    ASSERT_TRUE(test::writeRawFile(path, ""));
    RecordingLog log;
    DataBuffer b = bufferOf("old content");
    ASSERT_TRUE(b.loadFile(path.c_str(), log));
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(log.joined(), "enter: loadFileX\nleave\n");
}

TEST(FileAccess, MissingFileFailsInsideItsContext) {
    std::string path = test::scratchDir("FileAccessMissing") + "absent.xml";
    RecordingLog log;
    DataBuffer b = bufferOf("old content");
    EXPECT_FALSE(b.loadFile(path.c_str(), log));
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(log.lines.front(), "enter: loadFileX");
    EXPECT_EQ(log.lines.back(), "leave");
    // The file layer reports the platform error and the path it tried.
    EXPECT_TRUE(log.mentions("data: WindowsError=")) << log.joined();
    EXPECT_TRUE(log.mentions("data: localWindowsFilePath=")) << log.joined();
}

// A sysfs file reports a size of one page but yields only a few bytes: a short read.
TEST(FileAccess, ShortReadIsReported) {
    const std::string path = "/sys/devices/system/cpu/online";
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    std::string raw;
    if (ec || size == 0 || !test::readRawFile(path, raw) || raw.size() >= size)
        GTEST_SKIP() << "no file here that reads shorter than its size";
    RecordingLog log;
    DataBuffer b;
    EXPECT_FALSE(b.loadFile(path.c_str(), log));
    EXPECT_TRUE(b.isEmpty());
    EXPECT_TRUE(log.has("data: fileSize=" + std::to_string(size))) << log.joined();
    EXPECT_TRUE(log.has("data: numBytesRead=" + std::to_string(raw.size()))) << log.joined();
    EXPECT_TRUE(log.has("error: Failed to read the entire file (2)")) << log.joined();
}

TEST(FileAccess, WriteTruncatesAppendExtends) {
    std::string dir = test::scratchDir("FileAccessWrite");
    std::string path = dir + "out.txt";
    RecordingLog log;
    ASSERT_TRUE(bufferOf("a long first version").saveToFile(path.c_str(), log));
    ASSERT_TRUE(bufferOf("short").saveToFile(path.c_str(), log));
    ASSERT_TRUE(bufferOf("+tail").appendToFile(path.c_str(), log));
    std::string raw;
    ASSERT_TRUE(test::readRawFile(path, raw));
    EXPECT_EQ(raw, "short+tail");

    std::string fresh = dir + "appended.txt";
    ASSERT_TRUE(bufferOf("new").appendToFile(fresh.c_str(), log));
    ASSERT_TRUE(test::readRawFile(fresh, raw));
    EXPECT_EQ(raw, "new");

    std::string empty = dir + "empty.txt";
    ASSERT_TRUE(DataBuffer().saveToFile(empty.c_str(), log));
    ASSERT_TRUE(test::fileExists(empty));
    ASSERT_TRUE(test::readRawFile(empty, raw));
    EXPECT_EQ(raw, "");
    EXPECT_FALSE(hasError(log)) << log.joined();
}

TEST(FileAccess, WriteFailuresNameTheFile) {
    std::string path = test::scratchDir("FileAccessWriteFail") + "no-such-dir/out.txt";
    const struct {
        const char *what;
        bool (*write)(const std::string &, LogBase &);
        const char *message;
    } cases[] = {
        {"save", [](const std::string &p, LogBase &l) { return bufferOf("x").saveToFile(p.c_str(), l); },
         "error: Failed to write complete file (7)"},
        {"append", [](const std::string &p, LogBase &l) { return bufferOf("x").appendToFile(p.c_str(), l); },
         "error: Failed to write complete file (2)"},
        {"header",
         [](const std::string &p, LogBase &l) { return bufferOf("x").saveToFileWithHeader(p.c_str(), bufferOf("h"), l); },
         "error: Failed to write complete file (7)"},
    };
    for (const auto &c : cases) {
        RecordingLog log;
        EXPECT_FALSE(c.write(path, log)) << c.what;
        EXPECT_TRUE(log.has("data: filename=" + path)) << c.what << "\n" << log.joined();
        EXPECT_TRUE(log.has(c.message)) << c.what << "\n" << log.joined();
    }
    EXPECT_FALSE(test::fileExists(path));
}

TEST(FileAccess, HeaderThenDataIsWrittenAsGiven) {
    std::string path = test::scratchDir("FileAccessHeaderRaw") + "raw.bin";
    RecordingLog log;
    ASSERT_TRUE(FileAccess::writeHeaderThenData(path.c_str(), "HEAD", 4, "body", 4, log));
    std::string raw;
    ASSERT_TRUE(test::readRawFile(path, raw));
    EXPECT_EQ(raw, "HEADbody");
}

TEST(FileAccess, LengthPrefixedHeaderRoundTrip) {
    std::string dir = test::scratchDir("FileAccessHeader");
    const struct {
        std::string header, data;
    } cases[] = {{"HDR", "payload"}, {"", "only data"}, {"only header", ""}, {"", ""}, {"h", patternBytes(150000)}};
    int i = 0;
    for (const auto &c : cases) {
        std::string path = dir + "file" + std::to_string(i++) + ".bin";
        RecordingLog log;
        ASSERT_TRUE(bufferOf(c.data).saveToFileWithHeader(path.c_str(), bufferOf(c.header), log)) << log.joined();
        std::string raw;
        ASSERT_TRUE(test::readRawFile(path, raw));
        uint32_t n = static_cast<uint32_t>(c.header.size());
        std::string prefix = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                              static_cast<char>(n >> 24)};
        EXPECT_EQ(raw, prefix + c.header + c.data);

        DataBuffer header = bufferOf("stale"), data = bufferOf("stale");
        ASSERT_TRUE(data.loadFileWithHeader(path.c_str(), header, log)) << log.joined();
        EXPECT_EQ(bytesOf(header), c.header);
        EXPECT_EQ(bytesOf(data), c.data);
        EXPECT_FALSE(hasError(log)) << log.joined();
    }
}

TEST(FileAccess, HeaderLoadFailuresKeepTheBuffers) {
    std::string dir = test::scratchDir("FileAccessHeaderFail");
    const struct {
        const char *name;
        std::string content;
        const char *message;
    } cases[] = {
        {"empty", "", "error: File is empty or too small"},
        {"three", std::string("\x01\x00\x00", 3), "error: File is empty or too small"},
        {"toolong", std::string("\x64\x00\x00\x00" "0123456789", 14), "error: Invalid header size"},
        {"huge", std::string("\xFF\xFF\xFF\xFF" "0123", 8), "error: Invalid header size"},
        {"justover", std::string("\x05\x00\x00\x00" "0123", 8), "error: Invalid header size"},
    };
    for (const auto &c : cases) {
        std::string path = dir + c.name + ".bin";
        ASSERT_TRUE(test::writeRawFile(path, c.content));
        RecordingLog log;
        DataBuffer header = bufferOf("H"), data = bufferOf("D");
        EXPECT_FALSE(data.loadFileWithHeader(path.c_str(), header, log)) << c.name;
        EXPECT_TRUE(log.has(c.message)) << c.name << "\n" << log.joined();
        EXPECT_TRUE(log.has("data: path=" + path)) << c.name << "\n" << log.joined();
        EXPECT_EQ(bytesOf(header), "H");
        EXPECT_EQ(bytesOf(data), "D");
    }

    RecordingLog log;
    DataBuffer header, data;
    std::string missing = dir + "missing.bin";
    EXPECT_FALSE(data.loadFileWithHeader(missing.c_str(), header, log));
    EXPECT_TRUE(log.has("data: path=" + missing)) << log.joined();

    // A header that fills the file exactly is valid and leaves no data.
    std::string exact = dir + "exact.bin";
    ASSERT_TRUE(test::writeRawFile(exact, std::string("\x04\x00\x00\x00" "0123", 8)));
    ASSERT_TRUE(data.loadFileWithHeader(exact.c_str(), header, log));
    EXPECT_EQ(bytesOf(header), "0123");
    EXPECT_TRUE(data.isEmpty());
}

}  // namespace
}  // namespace quorvel
