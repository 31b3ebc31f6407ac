#pragma once
#include <cstdint>
#include <memory>

#include "foundation/base/ClsBase.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/XString.h"
#include "http/HttpConnPool.h"
#include "http/HttpControl.h"
#include "http/HttpResult.h"
#include "http/UrlObject.h"

namespace quorvel {

class HttpConnection;
class HttpStreamFactory;
class LogBase;
class ProgressEvent;

// The HTTP/1.1 client behind the feed downloads: one GET with its redirects, chunked and gzip
// bodies, and the body delivered as UTF-8 text. The client owns its settings, the outcome of
// the last exchange, the body bytes and a pool of kept-alive connections, all of which live
// until the client is destroyed. Every operation holds the client's lock.
//
// A feed download runs: create; setBrowserDefaults(true); setFetchFromCache(false);
// setUpdateCache(false); setMaxResponseSize(kFeedMaxResponseSize); httpRequestStr("GET", ...).
class ClsHttp : public ClsBase, public QuorvelCritSec {
public:
    // The body of a feed, and its inflated form, are refused beyond this size.
    static constexpr uint64_t kFeedMaxResponseSize = 256ull << 20;
    // The tenth redirect response fails the download: a loop never ends in a false success.
    static constexpr int kMaxRedirects = 10;

    ClsHttp();
    ~ClsHttp() override;
    ClsHttp(const ClsHttp &) = delete;
    ClsHttp &operator=(const ClsHttp &) = delete;

    // A new client with every default, null when memory is exhausted.
    static std::unique_ptr<ClsHttp> createNew();

    // ---- settings
    // With on, the User-Agent field gets its default value again (in place).
    void setBrowserDefaults(bool on);
    void setFetchFromCache(bool on);
    void setUpdateCache(bool on);
    int connectTimeoutSeconds();
    int readTimeoutSeconds();
    void setConnectTimeoutMs(uint32_t ms);
    // Every wait for the network: connecting, sending, and each wait for more response bytes.
    void setReadTimeoutMs(uint32_t ms);
    // 0: no limit. Applies to every body as it grows and to its inflated form.
    void setMaxResponseSize(uint64_t maxBytes);
    void setMaxUrlLen(uint32_t maxLen);
    void setFollowRedirects(bool on);
    void setAllowGzip(bool on);
    // Where connections come from; null gives the network back. Not owned.
    void setStreamFactory(HttpStreamFactory *factory);

    const HttpControl &control() const { return m_control; }
    const HttpResult &lastResult() const { return m_result; }
    // The last response's body as received, when the text was made from a copy of it (a charset
    // conversion, a NUL replaced, a binary body); empty when the body itself became the text.
    const DataBuffer &responseBody() const { return m_body; }
    const HttpConnPool &connectionPool() const { return m_pool; }

    // Sends one request for the URL (log context "httpRequestStr") and delivers the body of the
    // final response as text, converted to UTF-8. False when the URL is invalid, the exchange
    // fails, or the final status is 400 or more (the text is still set then). The sink (may
    // be null) hears the progress and may veto redirects.
    bool httpRequestStr(const char *verb, const XString &url, XString &text, ProgressEvent *sink, LogBase &log);

private:
    // httpRequestStr's body; it may throw std::bad_alloc, which httpRequestStr turns into a
    // failure.
    bool requestText(const char *verb, const XString &url, XString &text, ProgressEvent *sink, LogBase &log);
    bool getHttpConnectionByUrl(const char *url, LogBase &log);
    bool exchangeWithRetry(const char *verb, ProgressEvent *sink, LogBase &log);
    bool a_quickReq(const char *verb, ProgressEvent *sink, LogBase &log);
    // After a redirect response: the next URL and its connection. False stops the exchange.
    bool followRedirect(int &redirects, ProgressEvent *sink, LogBase &log);
    bool quickHttpRequest(const char *verb, ProgressEvent *sink, LogBase &log);
    bool sendRequestHeader(HttpConnection &connection, const StringBuffer &header, LogBase &log);
    bool readResponseHeader(HttpConnection &connection, LogBase &log);
    bool checkUngzipResponse(ProgressEvent *sink, LogBase &log);
    bool openHttpConnection(HttpConnection &connection, ProgressEvent *sink, LogBase &log);
    void checkCloseConnection(HttpConnection &connection, ProgressEvent *sink, LogBase &log);
    void copyUrlCredentials();

    HttpControl m_control;
    HttpConnPool m_pool;
    HttpResult m_result;
    DataBuffer m_body;
    // Set when every byte of m_body came through the reader's NUL watch and none was NUL.
    bool m_bodyFreeOfNul = false;
    UrlObject m_url;
    // The pooled connection of the current request; owned by the pool.
    HttpConnection *m_connection = nullptr;
    HttpStreamFactory *m_factory = nullptr;
};

}  // namespace quorvel
