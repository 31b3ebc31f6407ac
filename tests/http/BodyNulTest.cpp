// NUL bytes in a downloaded body become spaces wherever they fall: in the bytes that came with
// the header, in reads straight into the body, in any chunk, in a body read to the close, or
// inside a gzip member. The reader watches for them as the bytes arrive; these cases catch a
// watch that misses a path or carries over from an earlier response.
#include <gtest/gtest.h>

#include <string>

#include "GzipTest.h"
#include "ScriptedStream.h"
#include "TestClient.h"

namespace quorvel::test {
namespace {

std::string withNulAt(std::string text, size_t at) {
    text[at] = '\0';
    return text;
}

std::string withLength(const std::string &body, const std::string &fields = "") {
    return "HTTP/1.1 200 OK\r\n" + fields + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string chunked(const std::string &a, const std::string &b) {
    char sizes[2][16];
    std::snprintf(sizes[0], sizeof sizes[0], "%zx", a.size());
    std::snprintf(sizes[1], sizeof sizes[1], "%zx", b.size());
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(sizes[0]) + "\r\n" + a + "\r\n" +
           sizes[1] + "\r\n" + b + "\r\n0\r\n\r\n";
}

TEST(BodyNul, BecomesASpaceOnEveryReadPath) {
    // Large enough that most of it skips the 16 KiB read-ahead buffer.
    const std::string plain = "<a>" + std::string(100000, 'x') + "</a>";
    const std::string packed = gzipMember(withNulAt(plain, 5));
    struct Case {
        const char *name;
        std::string response;
        size_t nulAt;  // npos: the body holds none
    } cases[] = {
        {"none", withLength(plain), std::string::npos},
        {"first byte, with the header", withLength(withNulAt(plain, 0)), 0},
        {"read straight into the body", withLength(withNulAt(plain, 70001)), 70001},
        {"last byte", withLength(withNulAt(plain, plain.size() - 1)), plain.size() - 1},
        {"second chunk", chunked(plain.substr(0, 50000), withNulAt(plain.substr(50000), 7)), 50007},
        {"read to the close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + withNulAt(plain, 99000), 99000},
        {"inside a gzip member", withLength(packed, "Content-Encoding: gzip\r\n"), 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedStreamFactory factory;
        TestClient client(&factory);
        // The header and the body's start arrive together; the rest in pieces of 40,000 bytes.
        std::deque<ScriptStep> steps;
        for (size_t at = 0; at < c.response.size(); at += 40000) steps.push_back(bytesStep(c.response.substr(at, 40000)));
        steps.push_back(endStep());
        factory.expect("h:80/plain", steps);
        ASSERT_TRUE(client.get("http://h/feed")) << client.log.joined();
        std::string expected = plain;
        if (c.nulAt != std::string::npos) expected[c.nulAt] = ' ';
        EXPECT_EQ(client.body(), expected);
    }
}

TEST(BodyNul, TheWatchStartsAnewForEachResponseOnAConnection) {
    ScriptedStreamFactory factory;
    TestClient client(&factory);
    const std::string clean = std::string(20000, 'c'), dirty = withNulAt(std::string(20000, 'd'), 19999);
    factory.expect("h:80/plain", {bytesStep(withLength(dirty)), bytesStep(withLength(clean)), bytesStep(withLength(dirty)),
                                  endStep()});
    for (const std::string &sent : {dirty, clean, dirty}) {
        ASSERT_TRUE(client.get("http://h/again")) << client.log.joined();
        std::string expected = sent;
        if (expected.back() == '\0') expected.back() = ' ';
        EXPECT_EQ(client.body(), expected);
    }
    EXPECT_EQ(factory.connects, 1);  // all three came over the same kept-alive connection
}

}  // namespace
}  // namespace quorvel::test
