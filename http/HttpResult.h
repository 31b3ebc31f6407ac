#pragma once
#include <cstdint>

#include "foundation/text/StringBuffer.h"
#include "http/MimeHeader.h"

namespace quorvel {

class LogBase;

// The outcome of the last exchange: the status line and its parts, the response header, the
// Content-Length, and whether a redirect was followed on the way.
class HttpResult {
public:
    HttpResult() = default;
    HttpResult(const HttpResult &) = delete;
    HttpResult &operator=(const HttpResult &) = delete;

    // Forgets the response; the redirect record stays (it spans the requests of one exchange).
    void reset();
    // Forgets everything, the redirect record included.
    void clear();

    // Takes a response header (status line to the empty line): the status line must begin with
    // "HTTP" and hold a space followed by the decimal status code; a Content-Length must be a
    // decimal number from 0 up. False, with the reason logged, when either is malformed.
    bool setResponseHeader(const char *header, uint32_t n, LogBase &log);

    int32_t statusCode() const { return m_statusCode; }
    const StringBuffer &statusText() const { return m_statusText; }
    const StringBuffer &statusLine() const { return m_statusLine; }
    const MimeHeader &responseHeader() const { return m_header; }
    bool contentLengthPresent() const { return m_contentLengthPresent; }
    int64_t contentLength() const { return m_contentLength; }

    bool wasRedirected() const { return m_wasRedirected; }
    const StringBuffer &lastRedirectUrl() const { return m_lastRedirectUrl; }
    void setRedirected(const StringBuffer &url) {
        m_wasRedirected = true;
        m_lastRedirectUrl.setString(url);
    }

private:
    bool parseStatusLine(LogBase &log);
    bool parseContentLength(const char *header, uint32_t n, LogBase &log);

    int32_t m_statusCode = 0;
    StringBuffer m_statusText;
    StringBuffer m_statusLine;
    MimeHeader m_header;
    bool m_contentLengthPresent = false;
    int64_t m_contentLength = 0;
    bool m_wasRedirected = false;
    StringBuffer m_lastRedirectUrl;
};

}  // namespace quorvel
