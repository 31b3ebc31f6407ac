#include <gtest/gtest.h>

#include "foundation/base/ProgressEvent.h"
#include "foundation/buffers/DataOutputBuffer.h"
#include "foundation/buffers/DataOutputFile.h"
#include "foundation/buffers/DataSourceMemory.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

using test::bytesOf, test::fileBytes, test::patternBytes, test::RecordingLog;

// Asks to abort at the given abort check (counting from 1); 0 never aborts.
struct AbortAt : ProgressEvent {
    explicit AbortAt(int when) : m_when(when) {}
    void abortCheck(bool &abort) override { abort = ++checks == m_when; }
    int checks = 0, m_when;
};

uint32_t len(const std::string &s) { return static_cast<uint32_t>(s.size()); }

struct BufferOutput : ::testing::Test {
    DataBuffer target;
    DataOutputBuffer out{target};
    RecordingLog log;
};

TEST_F(BufferOutput, GrowsByHalfAgainOfTheNeed) {
    const std::string a(100, 'a');
    for (const auto &[n, capacity] : {std::pair{100u, 150u}, {40u, 150u}, {60u, 300u}}) {
        ASSERT_TRUE(out.writeBytes(a.data(), n, nullptr, log));
        EXPECT_EQ(target.getCapacity(), capacity);
    }
    EXPECT_TRUE(bytesOf(target) == std::string(200, 'a') && out.bytesWritten() == 200u);
    EXPECT_TRUE(out.writeBytes(nullptr, 0, nullptr, log) && !out.writeBytes(nullptr, 5, nullptr, log) && out.close(log));
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST_F(BufferOutput, AbortStopsBetweenChunks) {
    DataBuffer copied;
    DataOutputBuffer copy(copied);
    const std::string big = patternBytes(3 * DataOutput::kChunkSize);
    AbortAt second(2), never(0), secondCopy(2), first(1);
    EXPECT_TRUE(!out.writeBytes(big.data(), len(big), &second, log) && out.bytesWritten() == DataOutput::kChunkSize);
    ASSERT_TRUE(out.writeBytes(big.data(), len(big), &never, log));
    EXPECT_TRUE(never.checks == 3 && target.getSize() == 4 * DataOutput::kChunkSize);
    const std::string content = patternBytes(3 * DataSource::kCopyChunk + 5);
    DataSourceMemory src(content.data(), len(content));
    EXPECT_TRUE(!src.copyToOutput(copy, &secondCopy, log) && bytesOf(copied) == content.substr(0, DataSource::kCopyChunk));
    unsigned char buf[10];
    uint32_t got = 0;
    src.rewind();
    EXPECT_TRUE(!src.readSourceBytes(buf, sizeof buf, got, &first, log) && got + src.position() == 0u);
    // Without an abort: a read, then the rest copied, then nothing more to read.
    ASSERT_TRUE(src.readSourceBytes(buf, sizeof buf, got, nullptr, log) && src.copyToOutput(copy, nullptr, log) && src.endOfSource());
    EXPECT_TRUE(bytesOf(copied) == content.substr(0, DataSource::kCopyChunk) + content.substr(10) && got == 10u);
    EXPECT_TRUE(src.readSourceBytes(buf, sizeof buf, got, nullptr, log) && got == 0u);
    EXPECT_EQ(log.joined(), "error: Output aborted by application callback.\nerror: Source read aborted by application callback.\n"
                            "error: Read source bytes aborted by application callback.\n");
}

TEST_F(BufferOutput, ReroutesToAFileWhenTooLarge) {
    const std::string dir = test::scratchDir("StreamsReroute"), path = dir + "rerouted.bin";
    const std::string part1 = patternBytes(600), part2(600, 'b'), part3(50, 'c');
    ASSERT_TRUE(out.setRerouteFile(path.c_str(), 1000));
    ASSERT_TRUE(out.writeBytes(part1.data(), 600, nullptr, log));
    EXPECT_TRUE(!out.isRerouted() && target.getSize() == 600u);
    ASSERT_TRUE(out.writeBytes(part2.data(), 600, nullptr, log) && out.writeBytes(part3.data(), 50, nullptr, log));
    EXPECT_TRUE(out.isRerouted() && target.isEmpty() && out.close(log) && out.bytesWritten() == 1250u && fileBytes(path) == part1 + part2 + part3);
    EXPECT_TRUE(log.joined().rfind("info: Rerouting in-memory output to file because of size.\ndata: rerouteSize=1000\n", 0) == 0 &&
                !log.mentions("error: ")) << log.joined();
    // A file that cannot be made keeps the bytes in memory.
    const std::string missing = dir + "missing-dir/out.bin";
    DataBuffer kept;
    DataOutputBuffer failing(kept);
    ASSERT_TRUE(failing.setRerouteFile(missing.c_str(), 10) && failing.writeBytes("12345678", 8, nullptr, log));
    EXPECT_FALSE(failing.writeBytes("90ab", 4, nullptr, log) || failing.isRerouted() || test::fileExists(missing));
    EXPECT_TRUE(bytesOf(kept) == "12345678" && log.has("data: rerouteSize=10")) << log.joined();
}

TEST(Streams, BufferOutputNeverWritesIntoABorrowedTarget) {
    char block[] = "borrowed";
    DataBuffer target;
    target.borrow(block, 8);
    target.shorten(4);
    DataOutputBuffer out(target);
    RecordingLog log;
    ASSERT_TRUE(out.writeBytes("XY", 2, nullptr, log));
    EXPECT_TRUE(bytesOf(target) == "borrXY" && target.getCapacity() == 9u && std::string(block) == "borrowed");
    // A borrowed target claiming nearly 4 GiB: the output refuses before touching it.
    unsigned char tiny[4] = {};
    target.borrow(tiny, 0xFFFFFFF0u);
    EXPECT_TRUE(!out.writeBytes("0123456789abcdef", 16, nullptr, log) && target.getSize() == 0xFFFFFFF0u && target.isBorrowed() &&
                log.has("error: In-memory output cannot hold 4 GiB or more.")) << log.joined();
    target.release();
}

TEST(Streams, FileOutputCreatesAndAppends) {
    const std::string path = test::scratchDir("StreamsFile") + "out.txt";
    RecordingLog log;
    DataOutputFile out;
    ASSERT_TRUE(out.openNew(path.c_str(), log) && out.writeBytes("first ", 6, nullptr, log) && out.close(log));
    EXPECT_TRUE(!out.isOpen() && !out.writeBytes("x", 1, nullptr, log) && log.has("error: Failed to write because file is not open."));
    {
        DataOutputFile appending;
        ASSERT_TRUE(appending.openAppend(path.c_str(), log) && appending.writeBytes("second", 6, nullptr, log));
    }  // closed with the object
    EXPECT_EQ(fileBytes(path), "first second");
}

}  // namespace
}  // namespace quorvel
