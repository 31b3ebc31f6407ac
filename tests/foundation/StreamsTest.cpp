#include <gtest/gtest.h>

#include <string>

#include "support/Bytes.h"
#include "foundation/DataBuffer.h"
#include "foundation/DataOutputBuffer.h"
#include "foundation/DataOutputFile.h"
#include "foundation/DataSourceMemory.h"
#include "foundation/ProgressEvent.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::bytesOf;

using test::RecordingLog;

std::string patternBytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 13 + i / 251);
    return s;
}

// Asks to abort at the given abort check (counting from 1); 0 never aborts.
class AbortAt : public ProgressEvent {
public:
    explicit AbortAt(int when) : m_when(when) {}
    void abortCheck(bool &abort) override { abort = ++checks == m_when; }
    int checks = 0;

private:
    int m_when;
};

TEST(Streams, BufferOutputGrowsByHalfAgainOfTheNeed) {
    DataBuffer target;
    DataOutputBuffer out(target);
    RecordingLog log;
    std::string a(100, 'a');
    ASSERT_TRUE(out.writeBytes(a.data(), 100, nullptr, log));
    EXPECT_EQ(target.getCapacity(), 150u);
    ASSERT_TRUE(out.writeBytes(a.data(), 40, nullptr, log));
    EXPECT_EQ(target.getCapacity(), 150u);
    ASSERT_TRUE(out.writeBytes(a.data(), 60, nullptr, log));
    EXPECT_EQ(target.getCapacity(), 300u);
    EXPECT_EQ(target.getSize(), 200u);
    EXPECT_EQ(out.bytesWritten(), 200u);
    EXPECT_EQ(target.firstByte(), 'a');
    EXPECT_TRUE(out.writeBytes(nullptr, 0, nullptr, log));
    EXPECT_FALSE(out.writeBytes(nullptr, 5, nullptr, log));
    EXPECT_TRUE(out.close(log));
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST(Streams, OutputAbortStopsBetweenChunks) {
    DataBuffer target;
    DataOutputBuffer out(target);
    RecordingLog log;
    std::string big = patternBytes(3 * DataOutput::kChunkSize);
    AbortAt abortSecond(2);
    EXPECT_FALSE(out.writeBytes(big.data(), static_cast<uint32_t>(big.size()), &abortSecond, log));
    EXPECT_EQ(target.getSize(), DataOutput::kChunkSize);
    EXPECT_EQ(out.bytesWritten(), DataOutput::kChunkSize);
    EXPECT_EQ(log.joined(), "error: Output aborted by application callback.\n");

    AbortAt never(0);
    RecordingLog quiet;
    ASSERT_TRUE(out.writeBytes(big.data(), static_cast<uint32_t>(big.size()), &never, quiet));
    EXPECT_EQ(never.checks, 3);
    EXPECT_EQ(target.getSize(), 4 * DataOutput::kChunkSize);
}

TEST(Streams, MemorySourceReadsAndCopies) {
    std::string content = patternBytes(100000);
    DataSourceMemory src(content.data(), static_cast<uint32_t>(content.size()));
    RecordingLog log;
    unsigned char buf[10];
    uint32_t got = 0;
    ASSERT_TRUE(src.readSourceBytes(buf, sizeof buf, got, nullptr, log));
    ASSERT_EQ(got, 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 10), content.substr(0, 10));

    DataBuffer target;
    DataOutputBuffer out(target);
    ASSERT_TRUE(src.copyToOutput(out, nullptr, log));
    EXPECT_EQ(bytesOf(target), content.substr(10));
    EXPECT_TRUE(src.endOfSource());
    ASSERT_TRUE(src.readSourceBytes(buf, sizeof buf, got, nullptr, log));
    EXPECT_EQ(got, 0u);

    src.rewind();
    AbortAt abortFirst(1);
    EXPECT_FALSE(src.readSourceBytes(buf, sizeof buf, got, &abortFirst, log));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(src.position(), 0u);
    EXPECT_TRUE(log.has("error: Read source bytes aborted by application callback.")) << log.joined();
}

TEST(Streams, SourceCopyAbortStopsBetweenChunks) {
    std::string content = patternBytes(3 * DataSource::kCopyChunk + 5);
    DataSourceMemory src(content.data(), static_cast<uint32_t>(content.size()));
    DataBuffer target;
    DataOutputBuffer out(target);
    RecordingLog log;
    AbortAt abortSecond(2);
    EXPECT_FALSE(src.copyToOutput(out, &abortSecond, log));
    EXPECT_EQ(bytesOf(target), content.substr(0, DataSource::kCopyChunk));
    EXPECT_EQ(log.joined(), "error: Source read aborted by application callback.\n");
    EXPECT_EQ(abortSecond.checks, 2);
}

TEST(Streams, BufferOutputReroutesToAFileWhenTooLarge) {
    std::string path = test::scratchDir("StreamsReroute") + "rerouted.bin";
    std::string part1 = patternBytes(600), part2(600, 'b'), part3(50, 'c');
    DataBuffer target;
    DataOutputBuffer out(target);
    ASSERT_TRUE(out.setRerouteFile(path.c_str(), 1000));
    RecordingLog log;
    ASSERT_TRUE(out.writeBytes(part1.data(), 600, nullptr, log));
    EXPECT_FALSE(out.isRerouted());
    EXPECT_EQ(target.getSize(), 600u);
    EXPECT_TRUE(log.lines.empty()) << log.joined();

    ASSERT_TRUE(out.writeBytes(part2.data(), 600, nullptr, log));
    EXPECT_TRUE(out.isRerouted());
    EXPECT_TRUE(target.isEmpty());
    ASSERT_GE(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "info: Rerouting in-memory output to file because of size.");
    EXPECT_EQ(log.lines[1], "data: rerouteSize=1000");
    EXPECT_FALSE(log.mentions("error: ")) << log.joined();
    ASSERT_TRUE(out.writeBytes(part3.data(), 50, nullptr, log));
    EXPECT_TRUE(target.isEmpty());
    ASSERT_TRUE(out.close(log));
    EXPECT_EQ(out.bytesWritten(), 1250u);

    std::string raw;
    ASSERT_TRUE(test::readRawFile(path, raw));
    EXPECT_EQ(raw, part1 + part2 + part3);
}

TEST(Streams, FailedRerouteKeepsTheBytesInMemory) {
    std::string path = test::scratchDir("StreamsRerouteFail") + "missing-dir/out.bin";
    DataBuffer target;
    DataOutputBuffer out(target);
    ASSERT_TRUE(out.setRerouteFile(path.c_str(), 10));
    RecordingLog log;
    ASSERT_TRUE(out.writeBytes("12345678", 8, nullptr, log));
    EXPECT_FALSE(out.writeBytes("90ab", 4, nullptr, log));
    EXPECT_FALSE(out.isRerouted());
    EXPECT_EQ(bytesOf(target), "12345678");
    EXPECT_TRUE(log.has("data: rerouteSize=10")) << log.joined();
    EXPECT_FALSE(test::fileExists(path));
}

TEST(Streams, BufferOutputNeverWritesIntoABorrowedTarget) {
    char block[] = "borrowed";
    DataBuffer target;
    target.borrow(block, 8);
    target.shorten(4);
    DataOutputBuffer out(target);
    RecordingLog log;
    ASSERT_TRUE(out.writeBytes("XY", 2, nullptr, log));
    EXPECT_EQ(bytesOf(target), "borrXY");
    EXPECT_EQ(target.getCapacity(), 9u);
    EXPECT_STREQ(block, "borrowed");
}

// A borrowed target claiming nearly 4 GiB: the output refuses before touching it.
TEST(Streams, BufferOutputRefusesToPass4GiB) {
    unsigned char tiny[4] = {};
    DataBuffer target;
    target.borrow(tiny, 0xFFFFFFF0u);
    DataOutputBuffer out(target);
    RecordingLog log;
    EXPECT_FALSE(out.writeBytes("0123456789abcdef", 16, nullptr, log));
    EXPECT_EQ(target.getSize(), 0xFFFFFFF0u);
    EXPECT_TRUE(target.isBorrowed());
    EXPECT_TRUE(log.has("error: In-memory output cannot hold 4 GiB or more.")) << log.joined();
    target.release();
}

TEST(Streams, FileOutputCreatesAndAppends) {
    std::string path = test::scratchDir("StreamsFile") + "out.txt";
    RecordingLog log;
    {
        DataOutputFile out;
        ASSERT_TRUE(out.openNew(path.c_str(), log));
        ASSERT_TRUE(out.writeBytes("first ", 6, nullptr, log));
        ASSERT_TRUE(out.close(log));
        EXPECT_FALSE(out.isOpen());
    }
    {
        DataOutputFile out;
        ASSERT_TRUE(out.openAppend(path.c_str(), log));
        ASSERT_TRUE(out.writeBytes("second", 6, nullptr, log));
    }  // closed with the object
    std::string raw;
    ASSERT_TRUE(test::readRawFile(path, raw));
    EXPECT_EQ(raw, "first second");

    DataOutputFile closed;
    RecordingLog failLog;
    EXPECT_FALSE(closed.writeBytes("x", 1, nullptr, failLog));
    EXPECT_TRUE(failLog.has("error: Failed to write because file is not open.")) << failLog.joined();
}

}  // namespace
}  // namespace quorvel
