// Header fields: the ordered request list, response parsing, the status line and Content-Length.
#include <gtest/gtest.h>

#include <string>

#include "foundation/text/StringBuffer.h"
#include "http/ClsHttp.h"
#include "http/HttpControl.h"
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
    EXPECT_TRUE(h.getField("user-agent", v));
    EXPECT_EQ(textOf(v), "u");
    EXPECT_FALSE(h.getField("Connection", v));
    EXPECT_TRUE(v.isEmpty());
}

TEST(MimeHeader, DefaultsOfTheClientInOrder) {
    HttpControl control;
    EXPECT_EQ(linesOf(control.requestHeader),
              "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
              "Connection: keep-alive\r\n"
              "User-Agent: Mozilla/5.0 (Windows NT 6.3; WOW64; rv:28.0) Gecko/20100101 Firefox/28.0\r\n"
              "Accept-Language: en-us,en;q=0.5\r\n");
    EXPECT_EQ(control.maxUrlLen, 2000u);
    EXPECT_EQ(control.connectTimeoutMs, 10000u);
    EXPECT_EQ(control.readTimeoutMs, 20000u);
    EXPECT_EQ(control.maxResponseSize, 0u);
    EXPECT_TRUE(control.allowGzip && control.followRedirects && control.autoAddHostHeader);
    ClsHttp http;  // the client's own settings: the cache is used until a feed download turns it off
    EXPECT_TRUE(http.connectTimeoutSeconds() == 10 && http.readTimeoutSeconds() == 20);
    EXPECT_TRUE(http.control().fetchFromCache && http.control().updateCache);
    http.setFetchFromCache(false);
    http.setUpdateCache(false);
    EXPECT_FALSE(http.control().fetchFromCache || http.control().updateCache);
    EXPECT_EQ(ClsHttp::kFeedMaxResponseSize, 268435456u);  // 256 MiB
}

TEST(MimeHeader, ParsesResponseFields) {
    const std::string text =
        "Content-Type: text/xml;\r\n\tcharset=\"ISO-8859-1\"\r\nX-Empty:\r\nno colon here\n"
        "Set-Cookie: a=1\r\nset-cookie: b=2\r\nLocation:  /next  \r\n\r\nIgnored: after the end\r\n";
    MimeHeader h;
    RecordingLog log;
    ASSERT_TRUE(h.loadMimeHeaderText(text.data(), static_cast<uint32_t>(text.size()), log));
    EXPECT_EQ(linesOf(h), "Content-Type: text/xml; charset=\"ISO-8859-1\"\r\nX-Empty: \r\nSet-Cookie: a=1\r\n"
                          "set-cookie: b=2\r\nLocation: /next\r\n");
    EXPECT_TRUE(log.has("info: Skipping a header line without a colon."));
    StringBuffer v;
    EXPECT_TRUE(h.getFieldParam("content-type", "charset", v));
    EXPECT_EQ(textOf(v), "ISO-8859-1");
}

TEST(MimeHeader, FindsParametersOfAnyMediaType) {
    struct Case {
        const char *contentType, *charset;
    } cases[] = {{"application/rss+xml; charset=koi8-r", "koi8-r"}, {"text/html;charset=UTF-8", "UTF-8"},
                 {"text/plain; format=flowed; Charset = windows-1251 ", "windows-1251"}, {"text/xml", ""},
                 {"text/xml; notcharset=x", ""}, {"text/xml; charset=", ""}};
    for (const Case &c : cases) {
        MimeHeader h;
        h.setField("Content-Type", c.contentType);
        StringBuffer v;
        EXPECT_EQ(h.getFieldParam("Content-Type", "charset", v), *c.charset != 0) << c.contentType;
        EXPECT_EQ(textOf(v), c.charset) << c.contentType;
    }
}

TEST(HttpResult, ReadsStatusLinesAndContentLengthStrictly) {
    struct Case {
        const char *statusLine, *field;
        int code;  // 0: the header is refused
        const char *text;
        int64_t length;  // -1: no Content-Length
    } cases[] = {
        {"HTTP/1.1 200 OK", "Server: t", 200, "OK", -1}, {"HTTP/1.0 404 Not Found", "Server: t", 404, "Not Found", -1},
        {"HTTP/1.1 204", "Server: t", 204, "", -1}, {"HTTP/2 503 Unavailable", "X: y", 503, "Unavailable", -1},
        {"HTTP/1.1 302 Moved  Temporarily  ", "Server: t", 302, "Moved  Temporarily", -1},
        {"HTTP/1.1 200 OK", "Content-Length: 21", 200, "OK", 21}, {"HTTP/1.1 200 OK", "content-length:0", 200, "OK", 0},
        {"HTTP/1.1 200 OK", "CONTENT-LENGTH:   4294967296  ", 200, "OK", 4294967296LL},
        {"ICY 200 OK", "Server: t", 0, "", -1}, {"HTTP/1.1", "Server: t", 0, "", -1},
        {"HTTP/1.1 OK", "Server: t", 0, "", -1}, {"HTTP/1.1 99999999999 Big", "Server: t", 0, "", -1},
        {"", "Server: t", 0, "", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.statusLine) + " / " + c.field);
        const std::string header = std::string(c.statusLine) + "\r\n" + c.field + "\r\n\r\n";
        HttpResult r;
        RecordingLog log;
        ASSERT_EQ(r.setResponseHeader(header.data(), static_cast<uint32_t>(header.size()), log), c.code != 0);
        if (c.code == 0) continue;
        EXPECT_TRUE(r.statusCode() == c.code && textOf(r.statusText()) == c.text) << r.statusCode();
        EXPECT_EQ(textOf(r.statusLine()), c.statusLine);
        EXPECT_EQ(r.responseHeader().getNumFields(), 1u);
        EXPECT_EQ(r.contentLengthPresent() ? r.contentLength() : -1, c.length);
    }
    for (const char *bad : {"-5", "12abc", "", "99999999999999999999999", "0x10"}) {
        const std::string header = std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + bad + "\r\n\r\n";
        HttpResult r;
        RecordingLog log;
        EXPECT_FALSE(r.setResponseHeader(header.data(), static_cast<uint32_t>(header.size()), log)) << bad;
        EXPECT_TRUE(log.has("error: Invalid Content-Length in the response header.")) << bad;
    }
}

}  // namespace
}  // namespace quorvel::test
