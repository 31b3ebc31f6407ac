// ClsHttp: one download from URL to text, with the retry and the redirects of the exchange.
#include <new>

#include "foundation/base/CritSecExitor.h"
#include "foundation/base/ProgressEvent.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/BodyText.h"
#include "http/ClsHttp.h"
#include "http/GzipDecoder.h"
#include "http/HttpConnection.h"
#include "http/RedirectUrl.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

namespace {

bool isRedirectStatus(int32_t status) { return status == 301 || status == 302 || status == 303 || status == 307; }

}  // namespace

bool ClsHttp::httpRequestStr(const char *verb, const XString &url, XString &text, ProgressEvent *sink, LogBase &log) {
    CritSecExitor lock(this);
    LogContextExitor context(log, "httpRequestStr");
    try {
        return requestText(verb, url, text, sink, log);
    } catch (const std::bad_alloc &) {
        // Whatever connection was in use is in an unknown state: it is not used again.
        text.clear();
        m_connection = nullptr;
        m_pool.removeAll();
        log.logError("Out of memory.");
        if (sink) sink->downloadEnd(url.getUtf8(), false);
        return false;
    }
}

bool ClsHttp::requestText(const char *verb, const XString &url, XString &text, ProgressEvent *sink, LogBase &log) {
    if (!verb || !*verb) verb = "GET";
    text.clear();
    m_result.clear();
    m_body.clear();
    if (sink) sink->downloadBegin(url.getUtf8());

    bool ok = getHttpConnectionByUrl(url.getUtf8(), log);
    if (ok) {
        ok = exchangeWithRetry(verb, sink, log);
        // Straight into the text's UTF-8 form (no NUL is left in it), without a preamble. A body
        // that could not be had whole (a failed exchange, memory running out) makes no text.
        StringBuffer &utf8 = text.getUtf8SbRw();
        if (ok && !convertResponseBodyToUtf8(m_body, m_result.responseHeader(), utf8, log, m_bodyFreeOfNul)) {
            log.logError("Out of memory for the response text.");
            text.clear();
            ok = false;
        } else if (utf8.beginsWith("\xEF\xBB\xBF")) {
            utf8.removeChunk(0, 3);
        }
        if (ok && m_result.statusCode() >= 400) {
            log.logError("Returning failed status because of HTTP response code.");
            ok = false;
        } else if (!ok) {
            m_connection = nullptr;
            m_pool.removeNonConnected(log);
        }
    }
    if (sink) sink->downloadEnd(url.getUtf8(), ok);
    return ok;
}

bool ClsHttp::getHttpConnectionByUrl(const char *url, LogBase &log) {
    LogContextExitor context(log, "getHttpConnectionByUrl");
    m_connection = nullptr;
    if (!m_url.urlObject_loadUrl(url, log)) return false;
    copyUrlCredentials();
    m_connection = m_pool.findAddHttpConn(m_url.host().getString(), m_url.port(), m_url.ssl(), log);
    return m_connection != nullptr;
}

bool ClsHttp::exchangeWithRetry(const char *verb, ProgressEvent *sink, LogBase &log) {
    if (a_quickReq(verb, sink, log)) return true;
    // A kept-alive connection that the server dropped shows only when its answer does not come.
    if (!m_connection || !m_connection->lost || m_connection->openedNow) return false;
    LogContextExitor context(log, "retryAfterLostConnectionDiscovered");
    if (sink) sink->retryAfterLostConnection(m_url.url().getString());
    return a_quickReq(verb, sink, log);
}

bool ClsHttp::a_quickReq(const char *verb, ProgressEvent *sink, LogBase &log) {
    LogContextExitor context(log, "a_quickReq");
    int redirects = 0;
    for (;;) {
        if (!quickHttpRequest(verb, sink, log)) return false;
        const int32_t status = m_result.statusCode();
        if (status == 401 && sink) sink->authenticationRequired("", status);
        if (!m_control.followRedirects || !isRedirectStatus(status)) break;
        if (!followRedirect(redirects, sink, log)) return false;
    }
    return checkUngzipResponse(sink, log);
}

bool ClsHttp::followRedirect(int &redirects, ProgressEvent *sink, LogBase &log) {
    StringBuffer newUrl;
    if (!getRedirectUrl(m_result, m_url.url().getString(), newUrl, log)) {
        log.logError("Failed to get redirect URL.");
        return false;
    }
    m_result.setRedirected(newUrl);
    bool abort = false;
    if (sink) sink->redirect(m_url.url().getString(), newUrl.getString(), m_result.statusCode(), abort);
    if (abort) {
        log.logError("Redirect aborted by application callback.");
        return false;
    }
    if (++redirects >= kMaxRedirects) {
        log.logError("Too many redirects.");
        log.logDataInt("numRedirects", redirects);
        return false;
    }
    m_result.reset();
    if (!m_url.urlObject_loadUrl(newUrl.getString(), log)) {
        log.logError("Redirect URL is invalid.");
        return false;
    }
    copyUrlCredentials();
    m_connection = m_pool.findAddHttpConn(m_url.host().getString(), m_url.port(), m_url.ssl(), log);
    if (!m_connection) {
        log.logError("Unable to get a new HTTP connection object for redirection.");
        return false;
    }
    return true;
}

bool ClsHttp::checkUngzipResponse(ProgressEvent *sink, LogBase &log) {
    LogContextExitor context(log, "checkUngzipResponse");
    StringBuffer coding;
    m_result.responseHeader().getField("content-encoding", coding);
    coding.trim();
    const unsigned char *p = m_body.getData();
    if (m_body.getSize() <= 10 || p[0] != 0x1F || p[1] != 0x8B || !coding.equalsIgnoreCase("gzip")) return true;
    log.logInfo("decompressing GZIP response...");
    if (sink) sink->decompressBegin("gzip");
    DataBuffer inflated;
    bool nulSeen = true;
    const bool ok = GzipDecoder::ungzip(p, m_body.getSize(), inflated, m_control.maxResponseSize, log, &nulSeen);
    if (ok) {
        m_body.takeData(inflated);
        m_bodyFreeOfNul = !nulSeen;
    } else {
        log.logError("Failed to ungzip response data.");
    }
    if (sink) sink->decompressEnd(ok);
    return ok;
}

}  // namespace quorvel
