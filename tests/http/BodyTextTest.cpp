// The body as text: charset parameters on any media type, HTML meta charsets, the XML rules for
// bodies that name no charset, NUL bytes and binary bodies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"
#include "http/BodyText.h"
#include "http/HtmlCharset.h"
#include "http/MimeHeader.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

struct TextCase {
    const char *name;
    const char *contentType;  // null: no Content-Type field
    std::string body;
    std::string text;
};

TEST(BodyText, DecodesByTheCharsetTheResponseOrDocumentNames) {
    const std::string utf16Le("\xFF\xFE<\0r\0/\0>\0\xE9\0", 12);
    const TextCase cases[] = {
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
    for (const TextCase &c : cases) {
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
