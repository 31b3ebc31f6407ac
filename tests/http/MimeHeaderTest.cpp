// Header fields: the ordered request list, response parsing, the status line and Content-Length.
#include <gtest/gtest.h>

#include <string>

#include "foundation/text/StringBuffer.h"
#include "http/HttpResult.h"
#include "http/MimeHeader.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

std::string linesOf(const MimeHeader &h) {
    StringBuffer out;
    h.appendAsLines(out);
    return textOf(out);
}

TEST(MimeHeader, SetReplacesInPlaceAppendsAndRemoves) {
    MimeHeader h;
    h.setField("Accept", "a");
    h.setField("Connection", "keep-alive");
    h.setField("User-Agent", "u");
    h.setField("accept", "b");       // replaced in place, the first spelling kept
    h.setField("X-New", "n");        // appended
    h.setField("CONNECTION", "");    // removed
    EXPECT_EQ(linesOf(h), "Accept: b\r\nUser-Agent: u\r\nX-New: n\r\n");
    StringBuffer v;
    EXPECT_TRUE(h.getField("user-agent", v) && textOf(v) == "u");
    EXPECT_FALSE(h.getField("Connection", v) || !v.isEmpty());
}

TEST(MimeHeader, ParsesResponseFieldsAndTheirParameters) {
    const std::string text =
        "Content-Type: text/xml;\r\n\tcharset=\"ISO-8859-1\"\r\nX-Empty:\r\nno colon here\n"
        "Set-Cookie: a=1\r\nset-cookie: b=2\r\nLocation:  /next  \r\n\r\nIgnored: after the end\r\n";
    MimeHeader h;
    RecordingLog log;
    ASSERT_TRUE(h.loadMimeHeaderText(text.data(), static_cast<uint32_t>(text.size()), log));
    EXPECT_EQ(linesOf(h), "Content-Type: text/xml; charset=\"ISO-8859-1\"\r\nX-Empty: \r\nSet-Cookie: a=1\r\n"
                          "set-cookie: b=2\r\nLocation: /next\r\n");
    StringBuffer v;
    EXPECT_TRUE(h.getFieldParam("content-type", "charset", v) && textOf(v) == "ISO-8859-1");
    const struct { const char *contentType, *charset; } cases[] = {
        {"text/html;charset=UTF-8", "UTF-8"}, {"text/plain; format=flowed; Charset = windows-1251 ", "windows-1251"},
        {"text/xml; notcharset=x", ""}, {"text/xml; charset=", ""}};
    for (const auto &c : cases) {
        h.setField("Content-Type", c.contentType);
        EXPECT_EQ(h.getFieldParam("content-type", "charset", v), *c.charset != 0) << c.contentType;
        EXPECT_EQ(textOf(v), c.charset) << c.contentType;
    }
}

TEST(HttpResult, ReadsStatusLinesAndContentLengthStrictly) {
    const char *const badLength = "error: Invalid Content-Length in the response header.";
    struct Case {
        const char *statusLine, *field;
        int code;          // 0: the header is refused
        const char *text;  // the status text, or the reason a refusal logs
        int64_t length;    // -1: no Content-Length
    } cases[] = {
        {"HTTP/1.1 200 OK", "Server: t", 200, "OK", -1}, {"HTTP/1.0 404 Not Found", "Server: t", 404, "Not Found", -1},
        {"HTTP/1.1 204", "Server: t", 204, "", -1}, {"HTTP/2 503 Unavailable", "X: y", 503, "Unavailable", -1},
        {"HTTP/1.1 302 Moved  Temporarily  ", "Server: t", 302, "Moved  Temporarily", -1},
        {"HTTP/1.1 200 OK", "Content-Length: 21", 200, "OK", 21}, {"HTTP/1.1 200 OK", "content-length:0", 200, "OK", 0},
        {"HTTP/1.1 200 OK", "CONTENT-LENGTH:   4294967296  ", 200, "OK", 4294967296LL},
        {"ICY 200 OK", "Server: t", 0, "", -1}, {"HTTP/1.1", "Server: t", 0, "", -1},
        {"HTTP/1.1 OK", "Server: t", 0, "", -1}, {"HTTP/1.1 99999999999 Big", "Server: t", 0, "", -1},
        {"", "Server: t", 0, "", -1}, {"HTTP/1.1 200 OK", "Content-Length: -5", 0, badLength, -1},
        {"HTTP/1.1 200 OK", "Content-Length: 12abc", 0, badLength, -1}, {"HTTP/1.1 200 OK", "Content-Length:", 0, badLength, -1},
        {"HTTP/1.1 200 OK", "Content-Length: 99999999999999999999999", 0, badLength, -1},
        {"HTTP/1.1 200 OK", "Content-Length: 0x10", 0, badLength, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.statusLine) + " / " + c.field);
        const std::string header = std::string(c.statusLine) + "\r\n" + c.field + "\r\n\r\n";
        HttpResult r;
        RecordingLog log;
        ASSERT_EQ(r.setResponseHeader(header.data(), static_cast<uint32_t>(header.size()), log), c.code != 0);
        if (c.code == 0) {
            EXPECT_TRUE(!*c.text || log.has(c.text)) << log.joined();
            continue;
        }
        EXPECT_TRUE(r.statusCode() == c.code && textOf(r.statusText()) == c.text) << r.statusCode();
        EXPECT_EQ(r.contentLengthPresent() ? r.contentLength() : -1, c.length);
    }
}

}  // namespace
}  // namespace quorvel::test
