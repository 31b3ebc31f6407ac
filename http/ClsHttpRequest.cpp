// ClsHttp: one request and its response on the current connection.
#include "foundation/base/ProgressEvent.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/BufferedStreamReader.h"
#include "http/ClsHttp.h"
#include "http/HttpConnection.h"
#include "http/RequestHeader.h"
#include "http/ResponseBodyReader.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

namespace {

using Status = BufferedStreamReader::Status;

constexpr uint32_t kLoggedHeaderBytes = 2000;
constexpr int kMaxInterimResponses = 10;

bool isInterimStatus(int32_t status) { return status >= 100 && status < 200 && status != 101; }

uint32_t atMost(uint32_t n, uint32_t limit) { return n < limit ? n : limit; }

}  // namespace

bool ClsHttp::quickHttpRequest(const char *verb, ProgressEvent *sink, LogBase &log) {
    LogContextExitor context(log, "quickHttpRequest");
    log.logData("httpVerb", verb);
    log.logDataSb("url", m_url.url());
    m_result.reset();
    m_body.clear();
    m_bodyFreeOfNul = false;
    HttpConnection &connection = *m_connection;
    connection.failed = false;
    connection.lost = false;

    if (http_text::equalsNoCase(m_url.url().getString(), "about:blank")) {
        log.logInfo("Skipping about:blank");
        return true;
    }
    if (m_url.url().getSize() > m_control.maxUrlLen) {
        log.logError("URL is longer than the maximum allowed length.");
        log.logDataUint32("maxUrlLen", m_control.maxUrlLen);
        return false;
    }
    if (!openHttpConnection(connection, sink, log)) return false;

    StringBuffer header;
    if (!buildRequestHeader(verb, m_url, m_control, header, log)) {
        log.logError("Failed to build request header.");
        return false;
    }
    if (log.verbose()) log.logDataSb("requestHeader", header);
    if (sink) sink->requestBegin(verb, m_url.url().getString());
    if (!sendRequestHeader(connection, header, log)) return false;
    if (sink) sink->requestHeaderSent(header.getString());
    if (!readResponseHeader(connection, log)) return false;
    // Interim answers (100 Continue, 102, 103) come before the real one and carry no body.
    for (int interim = 0; isInterimStatus(m_result.statusCode()); ++interim) {
        log.logInfo("Skipping an interim response.");
        log.logDataInt("interimStatusCode", m_result.statusCode());
        if (interim == kMaxInterimResponses) {
            log.logError("Too many interim responses.");
            connection.close();
            return false;
        }
        if (!readResponseHeader(connection, log)) return false;
    }
    log.logDataInt("statusCode", m_result.statusCode());
    log.logDataSb("statusText", m_result.statusText());
    if (sink) {
        sink->responseStatus(m_result.statusCode(), m_result.statusText().getString());
        if (m_result.contentLengthPresent()) sink->responseContentLength(m_result.contentLength());
    }

    if (!http_text::equalsNoCase(verb, "HEAD")) {
        bool readToClose = false;
        if (!ResponseBodyReader::readResponseBody(connection.reader(), m_result, m_control.maxResponseSize, sink,
                                                  m_body, readToClose, log)) {
            log.logError("Failed to read response body.");
            // Whatever is left of the body would be read as the next response.
            connection.close();
            return false;
        }
        // A body that is not empty was read in full since the reader's NUL watch began.
        m_bodyFreeOfNul = !m_body.isEmpty() && !connection.reader().nulSeen();
        if (readToClose) connection.close();
    }
    checkCloseConnection(connection, sink, log);
    if (sink) sink->requestEnd(verb, m_url.url().getString(), m_result.statusCode(), true);
    return true;
}

bool ClsHttp::sendRequestHeader(HttpConnection &connection, const StringBuffer &header, LogBase &log) {
    LogContextExitor context(log, "sendRequestHeader");
    NetError err;
    if (connection.stream() &&
        connection.stream()->writeAll(header.getString(), header.getSize(), m_control.readTimeoutMs, err))
        return true;
    log.logError("Failed to send HTTP request header.");
    if (!err.text.empty()) log.logData("sendError", err.text.c_str());
    connection.failed = true;
    connection.close();
    return false;
}

bool ClsHttp::readResponseHeader(HttpConnection &connection, LogBase &log) {
    BufferedStreamReader &reader = connection.reader();
    reader.setTimeoutMs(m_control.readTimeoutMs);
    DataBuffer header;
    const Status s = reader.readHeaderBlock(header, HttpControl::kMaxResponseHeaderSize);
    if (s != Status::Ok) {
        log.logError("Failed to read response header.");
        if (s == Status::TooLong) log.logError("The response header is larger than 1 MiB.");
        else if (s == Status::Ended) log.logInfo("The server closed the connection.");
        else if (s == Status::Failed) log.logData("readError", reader.error().text.c_str());
        log.logDataQpBytes("receivedBytesQP", header.getData(), atMost(header.getSize(), kLoggedHeaderBytes));
        connection.lost = true;
        connection.close();
        return false;
    }
    const char *text = reinterpret_cast<const char *>(header.getData());
    if (!m_result.setResponseHeader(text, header.getSize(), log)) {
        log.logError("Failed to set response header.");
        StringBuffer shown;
        shown.appendN(text, atMost(header.getSize(), kLoggedHeaderBytes));
        log.logDataSb("responseHeader", shown);
        connection.close();
        return false;
    }
    return true;
}

}  // namespace quorvel
