#include "http/HttpResult.h"

#include <cstdint>

#include "foundation/log/LogBase.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

void HttpResult::reset() {
    m_statusCode = 0;
    m_statusText.clear();
    m_statusLine.clear();
    m_header.clear();
    m_contentLengthPresent = false;
    m_contentLength = 0;
}

void HttpResult::clear() {
    reset();
    m_wasRedirected = false;
    m_lastRedirectUrl.clear();
}

bool HttpResult::parseStatusLine(LogBase &log) {
    const char *line = m_statusLine.getString();
    const int32_t space = m_statusLine.indexOf(" ");
    if (!m_statusLine.beginsWith("HTTP") || space < 0) {
        log.logError("The status line does not begin with HTTP and a space.");
        log.logDataSb("statusLine", m_statusLine);
        return false;
    }
    const char *p = line + space + 1;
    int32_t code = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
        if (++digits > 9) break;
        code = code * 10 + (*p++ - '0');
    }
    if (digits == 0 || digits > 9) {
        log.logError("The status line has no status code.");
        log.logDataSb("statusLine", m_statusLine);
        return false;
    }
    m_statusCode = code;
    // The text runs from the next space to the end of the line.
    while (*p && *p != ' ') ++p;
    m_statusText.append(p);
    m_statusText.trim();
    return true;
}

// The first "\r\nContent-Length:" anywhere in the header, read as a decimal from 0 up. A
// negative, empty, non-numeric or out-of-range value fails: a wrong length would truncate the
// body or misread the next response on a kept-alive connection.
bool HttpResult::parseContentLength(const char *header, uint32_t n, LogBase &log) {
    static constexpr char kField[] = "\r\nContent-Length:";
    const char *found = http_text::findNoCase(header, n, kField);
    if (!found) return true;
    const char *end = header + n;
    const char *p = found + sizeof kField - 1;
    const char *lineEnd = p;
    while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
    StringBuffer value;
    value.appendN(p, static_cast<uint32_t>(lineEnd - p));
    value.trim();
    const char *v = value.getString();
    bool ok = !value.isEmpty();
    int64_t length = 0;
    for (; ok && *v; ++v) {
        if (*v < '0' || *v > '9' || length > (INT64_MAX - 9) / 10) {
            ok = false;
            break;
        }
        length = length * 10 + (*v - '0');
    }
    if (!ok) {
        log.logError("Invalid Content-Length in the response header.");
        log.logDataSb("contentLength", value);
        return false;
    }
    m_contentLength = length;
    m_contentLengthPresent = true;
    return true;
}

bool HttpResult::setResponseHeader(const char *header, uint32_t n, LogBase &log) {
    reset();
    uint32_t lineEnd = 0;
    while (lineEnd < n && header[lineEnd] != '\r') ++lineEnd;
    if (!m_statusLine.appendN(header, lineEnd)) return false;
    if (!parseStatusLine(log) || !parseContentLength(header, n, log)) return false;
    uint32_t rest = lineEnd;
    while (rest < n && (header[rest] == '\r' || header[rest] == '\n' || http_text::isSpaceOrTab(header[rest]))) ++rest;
    return m_header.loadMimeHeaderText(header + rest, n - rest, log);
}

}  // namespace quorvel
