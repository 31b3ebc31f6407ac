// Response bodies: Content-Length, chunked transfer and read-until-close over scripted streams,
// with the limits a hostile server meets; gzip decoding (the inflated-size cap is met through a
// whole download in ExchangeTest); and the body as text by the charset it names.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "GzipTest.h"
#include "ScriptedStream.h"
#include "http/BodyText.h"
#include "http/BufferedStreamReader.h"
#include "http/ChunkedBodyReader.h"
#include "http/GzipDecoder.h"
#include "http/HtmlCharset.h"
#include "http/HttpResult.h"
#include "http/MimeHeader.h"
#include "http/ResponseBodyReader.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

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
    const struct {
        const char *name;
        std::string header;  // status line and fields, without the empty line
        std::deque<ScriptStep> script;
        uint64_t maxSize;
        bool ok;
        std::string body;
        const char *logLine;  // a line the log must hold, or null
    } cases[] = {
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
    for (const auto &c : cases) {
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

std::string withByte(std::string s, size_t at, char c) {
    s[at] = c;
    return s;
}

TEST(Gzip, DecodesMembersWithEveryHeaderFieldAndRefusesDamage) {
    const std::string feed = "<?xml version=\"1.0\"?><rss><channel><title>Gzip feed</title></channel></rss>";
    const std::string good = gzipMember(feed);
    const struct {
        const char *name;
        std::string data;
        const char *plainOrError;  // the plain text, or the log line of the refusal ("error: ..."); null: any refusal
    } cases[] = {
        {"plain", good, feed.c_str()},
        {"all fields", gzipMember(feed, kExtra | kName | kComment | kHeaderCrc), feed.c_str()},
        {"empty member", gzipMember(""), ""},
        {"two members", gzipMember("first,") + gzipMember("second", kName), "first,second"},
        {"trailing bytes ignored", good + std::string(3, '\0'), feed.c_str()},
        {"wrong crc", withByte(good, good.size() - 8, static_cast<char>(good[good.size() - 8] ^ 0x55)),
         "error: The gzip CRC-32 does not match the data."},
        {"trailer cut", good.substr(0, good.size() - 5), "error: The gzip data ends early."},
        {"wrong size", withByte(good, good.size() - 4, static_cast<char>(good[good.size() - 4] + 1)),
         "error: The gzip size does not match the data."},
        {"deflate cut", good.substr(0, 20), "error: The gzip data ends early."},
        {"method 9", withByte(good, 2, 9), "error: Invalid GZip compression method"},
        {"reserved flag", withByte(good, 3, '\x20'), "error: Reserved gzip header flags are set."},
        {"name never ends", withByte(good, 3, kName).substr(0, 10) + "endless", "error: The gzip header ends early."},
        {"corrupt block type", withByte(good, 10, '\x07'), nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DataBuffer out;
        RecordingLog log;
        const bool refused = !c.plainOrError || std::string(c.plainOrError).rfind("error: ", 0) == 0;
        EXPECT_EQ(GzipDecoder::ungzip(reinterpret_cast<const unsigned char *>(c.data.data()),
                                      static_cast<uint32_t>(c.data.size()), out, 0, log), !refused) << log.joined();
        EXPECT_TRUE(refused ? !c.plainOrError || log.has(c.plainOrError) : bytesOf(out) == c.plainOrError) << log.joined();
    }
}

// Charset parameters on any media type, HTML meta charsets, the XML rules for bodies that name
// no charset, NUL bytes and binary bodies.
TEST(BodyText, DecodesByTheCharsetTheResponseOrDocumentNames) {
    const std::string utf16Le("\xFF\xFE<\0r\0/\0>\0\xE9\0", 12);
    const struct { const char *name, *contentType; std::string body, text; } cases[] = {  // contentType null: no field
        {"latin-1 parameter", "text/xml; charset=ISO-8859-1", "<a>caf\xE9</a>", "<a>caf\xC3\xA9</a>"},
        {"rss with koi8-r", "application/rss+xml; charset=koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"html meta charset", "text/html; x=y", "<meta charset='windows-1251'><p>\xCF\xF0\xE8</p>",
         "<meta charset='windows-1251'><p>\xD0\x9F\xD1\x80\xD0\xB8</p>"},
        // Without a charset, or with one unknown, the body is read as an XML document.
        {"declared encoding", "application/rss+xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80</a>",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE2\x82\xAC</a>"},
        {"utf-16 with bom", "application/xml", utf16Le, "<r/>\xC3\xA9"},
        {"utf-8 preamble", "text/plain", "\xEF\xBB\xBFok", "ok"},
        {"unknown charset", "text/xml; charset=x-bogus", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"no content type", nullptr, "<?xml version='1.0' encoding='iso-8859-1'?>\xE9",
         "<?xml version='1.0' encoding='iso-8859-1'?>\xC3\xA9"},
        {"binary", "image/png", std::string("\x89PNG\0\x1A", 6), "\x89PNG \x1A"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        MimeHeader header;
        if (c.contentType) header.setField("Content-Type", c.contentType);
        StringBuffer text;
        RecordingLog log;
        DataBuffer body = bufferOf(c.body);
        ASSERT_TRUE(convertResponseBodyToUtf8(body, header, text, log));
        EXPECT_EQ(textOf(text), c.text);
        // A body that is already its text is handed over; any other stays as received.
        EXPECT_EQ(bytesOf(body), c.text == c.body ? "" : c.body);
    }
}

TEST(BodyText, FindsTheHtmlCharset) {
    struct Case { const char *html, *charset; } cases[] = {
        {"<meta http-equiv=\"content-type\" content=\"text/html; charset=koi8-r\">", "koi8-r"},
        {"<meta content='text/html; CHARSET=big5;x' http-equiv='Content-Type'>", "big5"},
        {"<meta http-equiv=content-type charset=gbk>", "gbk"},
        {"<meta name=x charset=a><meta http-equiv=\"Content-Type\" content=\"text/html\">", ""},
        {"<meta name=x><meta charset=\"euc-jp\">", "euc-jp"},
        {"<?xml version=\"1.0\" encoding=\"iso-8859-2\"?><html/>", "iso-8859-2"},
        {"<?xml version=\"1.0\" encoding=\"utf-16\"?><html/>", ""},
        {"<meta http-equiv=\"content-type\" content=\"text/html; charset=", ""},
    };
    for (const Case &c : cases) {
        StringBuffer charset;
        const auto *html = reinterpret_cast<const unsigned char *>(c.html);
        EXPECT_EQ(findHtmlCharset(html, static_cast<uint32_t>(std::strlen(c.html)), charset), *c.charset != 0) << c.html;
        EXPECT_EQ(textOf(charset), c.charset) << c.html;
    }
}

}  // namespace
}  // namespace quorvel::test
