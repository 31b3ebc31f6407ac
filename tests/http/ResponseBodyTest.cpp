// Response bodies over scripted streams: Content-Length, chunked transfer, read-until-close, and
// the limits a hostile server meets.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "ScriptedStream.h"
#include "foundation/buffers/DataBuffer.h"
#include "http/BufferedStreamReader.h"
#include "http/ChunkedBodyReader.h"
#include "http/HttpResult.h"
#include "http/ResponseBodyReader.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

struct BodyCase {
    const char *name;
    std::string header;  // status line and fields, without the empty line
    std::deque<ScriptStep> script;
    uint64_t maxSize;
    bool ok;
    std::string body;
    const char *logLine;  // a line the log must hold, or null
};

std::deque<ScriptStep> bytes(const std::string &b) { return {bytesStep(b), endStep()}; }

// The same bytes handed out one at a time, so every boundary falls inside some token.
std::deque<ScriptStep> trickle(const std::string &b) {
    std::deque<ScriptStep> steps;
    for (char c : b) steps.push_back(bytesStep(std::string(1, c)));
    steps.push_back(endStep());
    return steps;
}

TEST(ResponseBody, ReadsEachFramingAndRefusesWhatPassesTheLimits) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked";
    // Larger than the read-ahead buffer: pieces go through it and straight into the body.
    const std::string big = patternBytes(100000);
    const std::string bigChunks =
        "9c40\r\n" + big.substr(0, 40000) + "\r\nea60\r\n" + big.substr(40000) + "\r\n0\r\n\r\n";
    const std::string bigLength = "HTTP/1.1 200 OK\r\nContent-Length: 100000";
    const BodyCase cases[] = {
        {"large length in two pieces", bigLength, {bytesStep(big.substr(0, 30000)), bytesStep(big.substr(30000)), endStep()},
         0, true, big, nullptr},
        {"large length cut short", bigLength, bytes(big.substr(0, 70000)), 0, false, big.substr(0, 70000),
         "error: The server closed the connection before the whole body was received."},
        {"large chunks in pieces", chunked, {bytesStep(bigChunks.substr(0, 20000)), bytesStep(bigChunks.substr(20000, 50000)),
         bytesStep(bigChunks.substr(70000)), endStep()}, 0, true, big, nullptr},
        {"large chunks past the cap", chunked, bytes(bigChunks), 60000, false, big.substr(0, 40000),
         "error: Chunked response is too large."},
        {"204 ignores a length", "HTTP/1.1 204 No Content\r\nContent-Length: 5", bytes("hello"), 0, true, "", nullptr},
        {"chunked one byte at a time", chunked, trickle("3\r\nabc\r\n1;x\r\nd\r\n0\r\nX-Trailer: y\r\n\r\n"), 0, true, "abcd",
         nullptr},
        {"chunk size past 32 bits", chunked, bytes("FFFFFFFFFFFFFFFFFFFF\r\n"), 0, false, "",
         "error: The chunk size does not fit in 32 bits."},
        {"trailer without colon", chunked, bytes("2\r\nab\r\n0\r\ngarbage\r\n\r\n"), 0, false, "ab",
         "error: chunk response error 4"},
        {"end after last chunk", chunked, bytes("2\r\nab\r\n0\r\n"), 0, false, "ab", "error: chunk response error 3"},
        {"no size", chunked, bytes("zz\r\n"), 0, false, "", "error: Failed to parse chunk length."},
        {"chunk without its CRLF", chunked, bytes("2\r\nabXY"), 0, false, "ab",
         "error: Failed to read trailing CRLF after chunk."},
        {"chunk data cut short", chunked, bytes("8\r\nabc"), 0, false, "abc", "error: Failed to read chunk data."},
        {"until close", "HTTP/1.0 200 OK", {bytesStep("read "), bytesStep("until close"), endStep()}, 0, true,
         "read until close", nullptr},
        {"until close then reset", "HTTP/1.0 200 OK", {bytesStep("abc"), failStep()}, 0, false, "abc",
         "error: The connection failed while the body was received."},
        {"until close past the cap", "HTTP/1.1 200 OK", bytes(big), 999, false, "",
         "error: Response body larger than MaxResponseSize property set by application."},
        {"length past the cap", "HTTP/1.1 200 OK\r\nContent-Length: 1000", bytes("x"), 999, false, "",
         "error: Response body larger than MaxResponseSize property set by application."},
        {"length beyond memory", "HTTP/1.1 200 OK\r\nContent-Length: 4294967296", bytes("x"), 0, false, "",
         "error: Response is too large for memory."},
    };
    for (const BodyCase &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string header = c.header + "\r\n\r\n";
        HttpResult result;
        RecordingLog log;
        ASSERT_TRUE(result.setResponseHeader(header.data(), static_cast<uint32_t>(header.size()), log));
        ScriptedStream stream(c.script, std::make_shared<StreamRecord>());
        BufferedStreamReader reader;
        reader.attach(&stream);
        DataBuffer body;
        bool toClose = false;
        EXPECT_EQ(ResponseBodyReader::readResponseBody(reader, result, c.maxSize, nullptr, body, toClose, log), c.ok)
            << log.joined();
        EXPECT_EQ(bytesOf(body), c.body);
        EXPECT_TRUE(!c.logLine || log.has(c.logLine)) << log.joined();
    }
}

TEST(ResponseBody, ChunkSizeParsing) {
    using Parse = ChunkedBodyReader::SizeParse;
    struct Case { const char *line; Parse parse; uint32_t size; } cases[] = {
        {"1a2B", Parse::Ok, 0x1A2B}, {"10;ext=\"v\"", Parse::Ok, 16}, {" 5 ", Parse::Ok, 5},
        {"FFFFFFFF", Parse::Ok, 0xFFFFFFFFu}, {"100000000", Parse::TooLarge, 0}, {"00000000000000000000001", Parse::Ok, 1},
        {";x", Parse::NoDigits, 0}};
    for (const Case &c : cases) {
        uint32_t size = 12345;
        EXPECT_EQ(ChunkedBodyReader::parseChunkSize(c.line, static_cast<uint32_t>(std::strlen(c.line)), size), c.parse)
            << c.line;
        EXPECT_TRUE(c.parse != Parse::Ok || size == c.size) << c.line << ": " << size;
    }
}

}  // namespace
}  // namespace quorvel::test
