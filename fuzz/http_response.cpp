// The HTTP client reading whatever a server sends: status line and header, interim answers,
// redirects, chunked, Content-Length and read-until-close bodies, gzip, and the body made text.
// The fuzzer's bytes are the server's side of every connection the client opens (no socket),
// handed out in pieces of a chosen size. A download that succeeds never holds a body past the
// response size limit, and no text holds a NUL byte.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "foundation/base/ProgressEvent.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "http/ClsHttp.h"
#include "http/HttpStreamFactory.h"

using namespace quorvel;

namespace {

// The server's bytes, shared by every connection: each connection reads on where the last
// one stopped, so a redirect or a retry gets the next response.
struct ServerBytes {
    std::string bytes;
    size_t at = 0;
    size_t piece = 0;  // the most one read hands out, 0: everything available
    enum class End { Orderly, Reset, Silence } end = End::Orderly;
    bool exhausted() const { return at >= bytes.size(); }
};

class FuzzStream : public ByteStream {
public:
    explicit FuzzStream(ServerBytes &server) : m_server(server) {}

    bool writeAll(const void *, size_t, uint32_t, NetError &err) override {
        if (m_closed) return err.failClosed();
        return true;
    }
    bool readSome(void *buf, size_t n, size_t &got, uint32_t, NetError &err) override {
        got = 0;
        if (m_closed) return err.failClosed();
        if (m_server.exhausted()) {
            switch (m_server.end) {
                case ServerBytes::End::Orderly: return true;
                case ServerBytes::End::Reset: return err.set(NetError::Kind::Closed, 104, "reset"), false;
                case ServerBytes::End::Silence: return err.set(NetError::Kind::Timeout, 0, "timed out"), false;
            }
        }
        got = std::min(n, m_server.bytes.size() - m_server.at);
        if (m_server.piece) got = std::min(got, m_server.piece);
        std::memcpy(buf, m_server.bytes.data() + m_server.at, got);
        m_server.at += got;
        return true;
    }
    bool isConnected() override { return !m_closed && !(m_server.exhausted() && m_server.end == ServerBytes::End::Orderly); }
    void close() override { m_closed = true; }

private:
    ServerBytes &m_server;
    bool m_closed = false;
};

class FuzzFactory : public HttpStreamFactory {
public:
    explicit FuzzFactory(ServerBytes &server) : m_server(server) {}
    std::unique_ptr<ByteStream> connect(const std::string &, uint16_t, const NetConnectOptions &, NetError &err) override {
        // Bounded: the redirect limit and the single retry stop well before this.
        if (++m_connects > 64) return err.set(NetError::Kind::ConnectFailed, 111, "refused"), nullptr;
        return std::make_unique<FuzzStream>(m_server);
    }

private:
    ServerBytes &m_server;
    int m_connects = 0;
};

// Hears the whole download; may veto redirects or abort the body's progress.
struct Sink : ProgressEvent {
    bool vetoRedirects = false, abortReceive = false;
    uint64_t received = 0;
    void redirect(const char *, const char *, int32_t, bool &abort) override { abort = vetoRedirects; }
    void receiveProgress(uint64_t bytes, int64_t, bool &abort) override {
        received = bytes;
        abort = abortReceive && bytes > 100;
    }
};

constexpr uint64_t kLimits[] = {100, 4096, 65536, 1u << 20};
constexpr size_t kPieces[] = {0, 1, 3, 16, 1000, 16384, 17000, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint8_t mode = input.byte(), more = input.byte();
    ServerBytes server;
    server.piece = kPieces[mode & 7];
    server.end = static_cast<ServerBytes::End>(((mode >> 3) & 3) % 3);
    const uint64_t limit = kLimits[(mode >> 5) & 3];
    const bool head = mode & 0x80;
    server.bytes = input.rest();

    FuzzFactory factory(server);
    ClsHttp http;
    http.setStreamFactory(&factory);
    http.setBrowserDefaults(true);
    http.setFetchFromCache(false);
    http.setUpdateCache(false);
    http.setMaxResponseSize(limit);
    http.setConnectTimeoutMs(50);
    http.setReadTimeoutMs(50);
    http.setAllowGzip(!(more & 1));
    http.setFollowRedirects(!(more & 2));
    Sink sink;
    sink.vetoRedirects = more & 4;
    sink.abortReceive = more & 8;
    const char *urls[] = {"http://feeds.example/rss.xml", "https://secure.example:8443/a/b?q=1",
                          "http://[::1]:8080/feed", "http://u:p@h/x"};
    // One download, or two on the same client (the second may reuse the kept-alive connection).
    const int downloads = more & 0x40 ? 2 : 1;
    for (int i = 0; i < downloads; ++i) {
        XString url, text;
        url.setFromUtf8(urls[(more >> 4) & 3]);
        LogNull log;
        const bool ok = http.httpRequestStr(head ? "HEAD" : "GET", url, text, (more & 0x80) ? &sink : nullptr, log);
        // The body as received and decoded: kept apart when the text was made from a copy of it.
        const uint64_t body = http.responseBody().getSize() ? http.responseBody().getSize() : text.getUtf8Sb().getSize();
        if (ok && body > limit) {
            std::fprintf(stderr, "limit %llu, body %llu, text %u bytes\n", static_cast<unsigned long long>(limit),
                         static_cast<unsigned long long>(body), text.getUtf8Sb().getSize());
            fuzz::broken("a download that succeeds holds no body past the limit");
        }
        // NUL bytes become spaces, whichever path the body came by.
        const StringBuffer &utf8 = text.getUtf8Sb();
        if (utf8.getSize() && std::memchr(utf8.getString(), 0, utf8.getSize()))
            fuzz::broken("the text of a download holds no NUL byte");
    }
    return 0;
}
