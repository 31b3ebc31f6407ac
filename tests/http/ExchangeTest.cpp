// Whole downloads over scripted connections: the request bytes, connection reuse and the retry
// after a lost connection, redirects, gzip, the status rule and the pool.
#include <gtest/gtest.h>

#include <string>

#include "GzipTest.h"
#include "ScriptedStream.h"
#include "foundation/base/ProgressEvent.h"
#include "foundation/text/XString.h"
#include "http/ClsHttp.h"
#include "http/HttpConnPool.h"
#include "http/HttpConnection.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

using Kind = NetError::Kind;

const std::string kDefaultFields =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Connection: keep-alive\r\n"
    "User-Agent: Mozilla/5.0 (Windows NT 6.3; WOW64; rv:28.0) Gecko/20100101 Firefox/28.0\r\n"
    "Accept-Language: en-us,en;q=0.5\r\n"
    "Accept-Encoding: gzip\r\n";

std::string ok(const std::string &body, const std::string &fields = "") {
    return "HTTP/1.1 200 OK\r\n" + fields + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string redirect(int status, const std::string &location) {
    return "HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + location + "\r\nContent-Length: 3\r\n\r\nbye";
}

struct Download {
    ScriptedStreamFactory factory;
    ClsHttp http;
    RecordingLog log;
    XString text;

    Download() {
        http.setStreamFactory(&factory);
        http.setBrowserDefaults(true);
        http.setFetchFromCache(false);
        http.setUpdateCache(false);
    }
    bool get(const std::string &url, ProgressEvent *sink = nullptr) {
        log.clearLog();
        XString u;
        u.setFromUtf8(url.c_str());
        return http.httpRequestStr("GET", u, text, sink, log);
    }
    std::string textUtf8() const { return text.getUtf8(); }
};

TEST(Exchange, WritesTheRequestHeaderByteForByte) {
    struct Case {
        const char *url, *target, *requestLine, *host;
    } cases[] = {
        {"http://Feeds.Example:8080/a b/c?x=1#frag", "feeds.example:8080/plain", "GET /a%20b/c?x=1 HTTP/1.1",
         "Host: feeds.example:8080"},
        {"http://feeds.example/rss.xml", "feeds.example:80/plain", "GET /rss.xml HTTP/1.1", "Host: feeds.example"},
        {"https://secure.example/?q=a b", "secure.example:443/tls", "GET /?q=a%20b HTTP/1.1", "Host: secure.example"},
        {"http://[::1]:8081/x", "::1:8081/plain", "GET /x HTTP/1.1", "Host: [::1]:8081"},
        {"host.only", "host.only:80/plain", "GET / HTTP/1.1", "Host: host.only"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.url);
        Download d;
        auto record = d.factory.expect(c.target, {bytesStep(ok("fine")), endStep()});
        ASSERT_TRUE(d.get(c.url)) << d.log.joined();
        EXPECT_EQ(d.textUtf8(), "fine");
        EXPECT_EQ(record->written, std::string(c.requestLine) + "\r\n" + kDefaultFields + c.host + "\r\n\r\n");
        EXPECT_TRUE(d.log.has(std::string("data: startLine=") + c.requestLine));
    }
}

TEST(Exchange, KeepsConnectionsAliveUntilTheServerSaysClose) {
    Download d;
    auto first = d.factory.expect("h:80/plain", {bytesStep(ok("one")), bytesStep(ok("two", "Connection: close\r\n")),
                                                 bytesStep("never read"), endStep()});
    auto second = d.factory.expect("h:80/plain", {bytesStep(ok("three")), endStep()});
    ASSERT_TRUE(d.get("http://h/1"));
    EXPECT_EQ(d.textUtf8(), "one");
    ASSERT_TRUE(d.get("http://H/2"));
    EXPECT_EQ(d.textUtf8(), "two");
    EXPECT_TRUE(d.log.has("info: Using existing connection."));
    EXPECT_TRUE(d.log.has("info: Response includes connection:close header (or proxy-connection:close header)"));
    EXPECT_TRUE(first->closed);
    ASSERT_TRUE(d.get("http://h/3"));
    EXPECT_EQ(d.textUtf8(), "three");
    EXPECT_EQ(d.factory.connects.size(), 2u);
    EXPECT_EQ(second->written.substr(0, 17), "GET /3 HTTP/1.1\r\n");
}

TEST(Exchange, RetriesOnceAfterAKeptConnectionIsFoundLost) {
    Download d;
    d.factory.expect("h:80/plain", {bytesStep(ok("one")), failStep(Kind::Closed)});
    d.factory.expect("h:80/plain", {bytesStep(ok("again")), endStep()});
    ASSERT_TRUE(d.get("http://h/1"));
    ASSERT_TRUE(d.get("http://h/2")) << d.log.joined();
    EXPECT_EQ(d.textUtf8(), "again");
    EXPECT_TRUE(d.log.has("enter: retryAfterLostConnectionDiscovered"));
    EXPECT_TRUE(d.log.has("error: Failed to read response header."));

    // A connection opened for this very request is not retried.
    Download fresh;
    fresh.factory.expect("h:80/plain", {failStep(Kind::Closed)});
    fresh.factory.expect("h:80/plain", {bytesStep(ok("unused")), endStep()});
    EXPECT_FALSE(fresh.get("http://h/1"));
    EXPECT_EQ(fresh.factory.connects.size(), 1u);
    EXPECT_FALSE(fresh.log.mentions("retryAfterLostConnectionDiscovered"));
    EXPECT_EQ(fresh.http.connectionPool().size(), 0);  // dropped as no longer connected
}

TEST(Exchange, FollowsRedirectsOnTheRightConnection) {
    Download d;
    auto plain = d.factory.expect("h:8080/plain", {bytesStep(redirect(302, "/feed path")),
                                                   bytesStep(redirect(301, "../x/c?y=2")),
                                                   bytesStep(redirect(303, "https://h:8080/tls")), endStep()});
    auto tls = d.factory.expect("h:8080/tls", {bytesStep(redirect(307, "http://other:81/end")), endStep()});
    auto other = d.factory.expect("other:81/plain", {bytesStep(ok("arrived")), endStep()});
    ASSERT_TRUE(d.get("http://h:8080/a/b")) << d.log.joined();
    EXPECT_EQ(d.textUtf8(), "arrived");
    EXPECT_TRUE(d.http.lastResult().wasRedirected());
    EXPECT_EQ(textOf(d.http.lastResult().lastRedirectUrl()), "http://other:81/end");
    EXPECT_NE(plain->written.find("GET /feed%20path HTTP/1.1\r\n"), std::string::npos);
    EXPECT_NE(plain->written.find("GET /x/c?y=2 HTTP/1.1\r\n"), std::string::npos);
    EXPECT_EQ(tls->written.substr(0, 18), "GET /tls HTTP/1.1\r");
    EXPECT_NE(other->written.find("Host: other:81\r\n"), std::string::npos);
    // The TLS URL on the same port got a TLS connection of its own.
    EXPECT_EQ(d.factory.connects, (std::vector<std::string>{"h:8080/plain", "h:8080/tls", "other:81/plain"}));
}

TEST(Exchange, ARedirectLoopFailsAtTheTenthRedirect) {
    for (int redirects : {9, 10}) {
        SCOPED_TRACE(redirects);
        Download d;
        std::deque<ScriptStep> script;
        for (int i = 0; i < redirects; ++i) script.push_back(bytesStep(redirect(302, "/r" + std::to_string(i + 1))));
        script.push_back(bytesStep(ok("end")));
        script.push_back(endStep());
        auto record = d.factory.expect("loop:80/plain", script);
        const bool success = d.get("http://loop/r0");
        EXPECT_EQ(success, redirects < ClsHttp::kMaxRedirects) << d.log.joined();
        EXPECT_EQ(d.log.has("error: Too many redirects."), !success);
        if (!success) {
            EXPECT_EQ(d.http.lastResult().statusCode(), 302);
            EXPECT_EQ(record->written.find("GET /r10 "), std::string::npos);
        } else {
            EXPECT_EQ(d.textUtf8(), "end");
        }
    }
}

TEST(Exchange, RedirectFailures) {
    struct VetoSink : ProgressEvent {
        void redirect(const char *, const char *, int32_t, bool &abort) override { abort = true; }
    } veto;
    struct Case {
        const char *name;
        std::string response;
        ProgressEvent *sink;
        const char *logLine;
    } cases[] = {
        {"missing Location", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n", nullptr,
         "error: Failed to get redirect URL."},
        {"page not found", redirect(302, "/PageNotFound?x"), nullptr, "error: Redirect is a page-not-found error."},
        {"vetoed", redirect(301, "/next"), &veto, "error: Redirect aborted by application callback."},
        {"invalid target", redirect(302, "http:///nohost"), nullptr, "error: Redirect URL is invalid."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Download d;
        d.factory.expect("h:80/plain", {bytesStep(c.response), endStep()});
        EXPECT_FALSE(d.get("http://h/", c.sink));
        EXPECT_TRUE(d.log.has(c.logLine)) << d.log.joined();
    }
}

TEST(Exchange, StatusBodiesAndSpecialUrls) {
    Download d;
    d.factory.expect("h:80/plain", {bytesStep("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
                                              "Content-Length: 20\r\n\r\n<html>missing</html>"),
                                    bytesStep("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n"),
                                    bytesStep("ICY 200 OK\r\n\r\n"),
                                    endStep()});
    EXPECT_FALSE(d.get("http://h/missing"));
    EXPECT_EQ(d.textUtf8(), "<html>missing</html>");
    EXPECT_EQ(d.http.lastResult().statusCode(), 404);
    EXPECT_TRUE(d.log.has("error: Returning failed status because of HTTP response code."));
    EXPECT_TRUE(d.get("http://h/empty"));
    EXPECT_EQ(d.textUtf8(), "");
    EXPECT_TRUE(d.log.has("data: interimStatusCode=100"));
    EXPECT_EQ(d.http.lastResult().statusCode(), 204);
    EXPECT_FALSE(d.get("http://h/garbage"));
    EXPECT_TRUE(d.log.has("error: Failed to set response header."));

    EXPECT_TRUE(d.get("ABOUT:BLANK"));
    EXPECT_TRUE(d.log.has("info: Skipping about:blank"));
    const std::string longUrl = "http://h/" + std::string(2001 - 9, 'p');
    ASSERT_EQ(longUrl.size(), 2001u);
    EXPECT_FALSE(d.get(longUrl));
    EXPECT_TRUE(d.log.has("error: URL is longer than the maximum allowed length."));
    EXPECT_TRUE(d.log.has("data: maxUrlLen=2000"));
    EXPECT_EQ(d.factory.connects.size(), 1u);

    EXPECT_FALSE(d.get("http://u:secret@h2/x"));  // nothing listens there
    EXPECT_EQ(textOf(d.http.control().login), "u");
    EXPECT_EQ(textOf(d.http.control().password), "secret");
    EXPECT_TRUE(d.log.has("data: url=http://h2/x"));
}

TEST(Exchange, DecodesGzipOnlyWhenTheResponseSaysSo) {
    const std::string feed = "<rss><channel><title>zipped</title></channel></rss>";
    const std::string zipped = gzipMember(feed, kName);
    Download d;
    d.http.setMaxResponseSize(1u << 20);
    d.factory.expect("h:80/plain",
                     {bytesStep(ok(zipped, "Content-Encoding: gzip\r\n")), bytesStep(ok(zipped)),
                      bytesStep(ok(zipped.substr(0, zipped.size() - 1) + "!", "Content-Encoding: GZIP\r\n")),
                      bytesStep(ok(gzipMember(std::string(3u << 20, 'z')), "Content-Encoding: gzip\r\n")), endStep()});
    ASSERT_TRUE(d.get("http://h/a")) << d.log.joined();
    EXPECT_EQ(d.textUtf8(), feed);
    EXPECT_TRUE(d.log.has("info: decompressing GZIP response..."));
    ASSERT_TRUE(d.get("http://h/b"));
    EXPECT_EQ(bytesOf(d.http.responseBody()), zipped);
    EXPECT_FALSE(d.get("http://h/c"));
    EXPECT_TRUE(d.log.has("error: Failed to ungzip response data."));
    EXPECT_FALSE(d.get("http://h/bomb"));
    EXPECT_TRUE(d.log.has("error: The decompressed body would be larger than the maximum response size."));
}

TEST(Exchange, ConnectFailuresSayWhy) {
    struct Case {
        Kind kind;
        const char *reason;
    } cases[] = {
        {Kind::DnsFailed, "The host name could not be resolved."},
        {Kind::CertExpired, "The server certificate has expired or is not yet valid."},
        {Kind::CertUntrusted, "The server certificate is not trusted (unknown issuer or self-signed)."},
        {Kind::CertNameMismatch, "The server certificate does not match the host name."},
    };
    for (const Case &c : cases) {
        Download d;
        d.factory.refuse("h:443/tls", c.kind, "detail from the platform");
        EXPECT_FALSE(d.get("https://h/"));
        EXPECT_TRUE(d.log.has(std::string("data: connectFailReason=") + c.reason)) << d.log.joined();
        EXPECT_TRUE(d.log.has("data: connectError=detail from the platform"));
        EXPECT_EQ(d.log.has("error: DNS failed."), c.kind == Kind::DnsFailed);
    }
}

TEST(ConnPool, EvictsTheLeastRecentlyUsedAndMatchesOnTls) {
    HttpConnPool pool;
    RecordingLog log;
    HttpConnection *first = pool.findAddHttpConn("h0", 80, false, log);
    for (int i = 1; i < 10; ++i) pool.findAddHttpConn(("h" + std::to_string(i)).c_str(), 80, false, log);
    EXPECT_EQ(pool.findAddHttpConn("H0", 80, false, log), first);  // now the most recent
    EXPECT_NE(pool.findAddHttpConn("h0", 80, true, log), first);   // TLS is another connection
    EXPECT_TRUE(log.has("info: At max connections, removing oldest."));
    EXPECT_EQ(pool.size(), 10);
    EXPECT_EQ(std::string(pool.connectionAt(0)->host().getString()), "h2");  // h1 went first
    EXPECT_EQ(pool.connectionAt(8), first);
    log.clearLog();
    pool.findAddHttpConn("h11", 80, false, log);
    EXPECT_EQ(std::string(pool.connectionAt(0)->host().getString()), "h3");
    EXPECT_TRUE(log.has("info: Will need to open a new connection."));
    pool.removeNonConnected(log);
    EXPECT_EQ(pool.size(), 0);
}

TEST(Exchange, SettingsOfAFeedDownload) {
    ClsHttp http;
    EXPECT_EQ(http.connectTimeoutSeconds(), 10);
    EXPECT_EQ(http.readTimeoutSeconds(), 20);
    EXPECT_TRUE(http.control().fetchFromCache && http.control().updateCache);
    http.setFetchFromCache(false);
    http.setUpdateCache(false);
    EXPECT_FALSE(http.control().fetchFromCache || http.control().updateCache);
    EXPECT_EQ(ClsHttp::kFeedMaxResponseSize, 268435456u);
}

}  // namespace
}  // namespace quorvel::test
