#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/buffers/FileAccess.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::bufferOf, test::bytesOf, test::fileBytes, test::patternBytes, test::RecordingLog;

TEST(FileAccess, WholeFilesRoundTrip) {
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
}

TEST(FileAccess, ReadFailuresAreLoggedInsideTheContext) {
    const std::string path = test::scratchDir("FileAccessMissing") + "absent.xml";
    RecordingLog log;
    DataBuffer b = bufferOf("old content");
    EXPECT_FALSE(b.loadFile(path.c_str(), log) || !b.isEmpty());
    EXPECT_TRUE(log.lines.front() == "enter: loadFileX" && log.lines.back() == "leave") << log.joined();
    EXPECT_TRUE(log.mentions("data: WindowsError=") && log.mentions("data: localWindowsFilePath=")) << log.joined();
    // A sysfs file reports a size of one page but yields only a few bytes: a short read.
    const std::string sysfs = "/sys/devices/system/cpu/online";
    std::error_code ec;
    auto size = std::filesystem::file_size(sysfs, ec);
    std::string raw;
    if (ec || size == 0 || !test::readRawFile(sysfs, raw) || raw.size() >= size)
        GTEST_SKIP() << "no file here that reads shorter than its size";
    log.lines.clear();
    EXPECT_FALSE(b.loadFile(sysfs.c_str(), log) || !b.isEmpty());
    EXPECT_TRUE(log.has("data: fileSize=" + std::to_string(size)) && log.has("data: numBytesRead=" + std::to_string(raw.size())) &&
                log.has("error: Failed to read the entire file (2)")) << log.joined();
}

TEST(FileAccess, WriteFailuresNameTheFile) {
    const std::string path = test::scratchDir("FileAccessWriteFail") + "no-such-dir/out.txt";
    const std::pair<bool (*)(const std::string &, LogBase &), const char *> cases[] = {
        {[](const std::string &p, LogBase &l) { return bufferOf("x").saveToFile(p.c_str(), l); }, "error: Failed to write complete file (7)"},
        {[](const std::string &p, LogBase &l) { return bufferOf("x").appendToFile(p.c_str(), l); }, "error: Failed to write complete file (2)"},
        {[](const std::string &p, LogBase &l) { return bufferOf("x").saveToFileWithHeader(p.c_str(), bufferOf("h"), l); },
         "error: Failed to write complete file (7)"},
    };
    for (const auto &[write, message] : cases) {
        RecordingLog log;
        EXPECT_TRUE(!write(path, log) && log.has("data: filename=" + path) && log.has(message)) << log.joined();
    }
    EXPECT_FALSE(test::fileExists(path));
}

TEST(FileAccess, LengthPrefixedHeaderRoundTrip) {
    const std::string dir = test::scratchDir("FileAccessHeader");
    const std::pair<std::string, std::string> cases[] = {
        {"HDR", "payload"}, {"", "only data"}, {"only header", ""}, {"h", patternBytes(150000)}};
    int i = 0;
    for (const auto &[head, data] : cases) {
        const std::string path = dir + "file" + std::to_string(i++) + ".bin";
        RecordingLog log;
        ASSERT_TRUE(bufferOf(data).saveToFileWithHeader(path.c_str(), bufferOf(head), log)) << log.joined();
        const auto n = static_cast<uint32_t>(head.size());
        EXPECT_TRUE(fileBytes(path) == (std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)} + head + data)) << i;
        DataBuffer header = bufferOf("stale"), loaded = bufferOf("stale");
        ASSERT_TRUE(loaded.loadFileWithHeader(path.c_str(), header, log)) << log.joined();
        EXPECT_TRUE(bytesOf(header) == head && bytesOf(loaded) == data && !log.mentions("error: ")) << i << log.joined();
    }
}

TEST(FileAccess, HeaderLoadFailuresKeepTheBuffers) {
    const std::string dir = test::scratchDir("FileAccessHeaderFail");
    const struct { const char *name; std::string content; const char *message; /* null: no file */ } cases[] = {
        {"empty", "", "error: File is empty or too small"}, {"huge", std::string("\xFF\xFF\xFF\xFF" "0123", 8), "error: Invalid header size"},
        {"justover", std::string("\x05\x00\x00\x00" "0123", 8), "error: Invalid header size"}, {"missing", "", nullptr},
    };
    for (const auto &c : cases) {
        const std::string path = dir + c.name + ".bin";
        ASSERT_TRUE(!c.message || test::writeRawFile(path, c.content));
        RecordingLog log;
        DataBuffer header = bufferOf("H"), data = bufferOf("D");
        EXPECT_TRUE(!data.loadFileWithHeader(path.c_str(), header, log) && log.has("data: path=" + path) &&
                    (!c.message || log.has(c.message))) << c.name << log.joined();
        EXPECT_EQ(bytesOf(header) + bytesOf(data), "HD") << c.name;
    }
}

}  // namespace
}  // namespace quorvel
