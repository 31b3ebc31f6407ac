// Downloads from the scripted server on loopback (tests/http/scripted_server.py), which runs
// this program and passes its ports in the environment: request bytes, every framing, reuse and
// the lost-connection retry, redirects, charsets, gzip, and hostile servers that must fail
// cleanly within the limits set here.
#include <gtest/gtest.h>

#include <string>

#include "TestClient.h"

namespace quorvel::test {
namespace {

const char kNoServer[] =
    "the scripted server is not running: these tests run in the http_tests_loopback entry (needs python3)";

// Within limits that a hostile server reaches quickly.
struct Fetch : TestClient {
    Fetch() {
        http.setMaxResponseSize(1u << 20);
        http.setReadTimeoutMs(3000);
    }
};

class Loopback : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_HTTP_TEST_PORT").empty()) GTEST_SKIP() << kNoServer;
    }
    static std::string base() { return "http://127.0.0.1:" + env("QUORVEL_HTTP_TEST_PORT"); }
};

TEST_F(Loopback, ServerReceivesTheExactRequest) {
    Fetch f;
    ASSERT_TRUE(f.get(base() + "/echo/a b/feed.xml?x=1&y=2#fragment")) << f.log.joined();
    EXPECT_EQ(f.body(), "GET /echo/a%20b/feed.xml?x=1&y=2 HTTP/1.1\r\n" + kDefaultFields +
                            "Host: 127.0.0.1:" + env("QUORVEL_HTTP_TEST_PORT") + "\r\n\r\n");
    const std::string port6 = env("QUORVEL_HTTP_TEST_PORT6");
    if (port6.empty()) GTEST_SKIP() << "no ::1 on this machine";
    ASSERT_TRUE(f.get("http://[::1]:" + port6 + "/echo")) << f.log.joined();
    EXPECT_EQ(f.body(), "GET /echo HTTP/1.1\r\n" + kDefaultFields + "Host: [::1]:" + port6 + "\r\n\r\n");
}

struct ServedCase {
    const char *path;
    bool ok;
    const char *text;     // the whole text expected, or null
    const char *logLine;  // the reason a failure must log, or null
    uint32_t readTimeoutMs;
};

// The framings and the scripted-stream limits are read in ResponseBodyTest; what the loopback
// server stages here is each kind once over a real socket, and the hostile servers.
TEST_F(Loopback, ServedCasesGiveTheirTextOrFailCleanly) {
    const std::string feed = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>Caf\xC3\xA9 "
                             "feed</title></channel></rss>";
    const std::string chunked = std::string(16, 'A') + std::string(5, 'B') + std::string(0x1F3, 'C');
    const ServedCase cases[] = {
        {"/chunked", true, chunked.c_str(), nullptr, 0},
        {"/until-close", true, "read until close", nullptr, 0},
        {"/not-found", false, "<html><body>No such feed</body></html>",
         "error: Returning failed status because of HTTP response code.", 0},
        {"/page-not-found", false, nullptr, "error: Redirect is a page-not-found error.", 0},
        {"/redirect-missing", false, nullptr, "error: No Location response header field for redirect.", 0},
        {"/loop", false, "again", "error: Too many redirects.", 0},
        {"/charset/latin1", true, "<a>caf\xC3\xA9 \xC3\xBC</a>", nullptr, 0},
        {"/gzip/chunked", true, feed.c_str(), nullptr, 0},
        {"/gzip/truncated", false, nullptr, "error: Failed to ungzip response data.", 0},
        {"/gzip/corrupt", false, nullptr, "error: The gzip CRC-32 does not match the data.", 0},
        {"/gzip/bomb", false, nullptr, "error: The decompressed body would be larger than the maximum response size.", 0},
        {"/hostile/huge-chunk-size", false, nullptr, "error: The chunk size does not fit in 32 bits.", 0},
        {"/hostile/big-chunk", false, nullptr, "error: Chunked response is too large.", 0},
        {"/hostile/endless-body", false, nullptr,
         "error: Response body larger than MaxResponseSize property set by application.", 0},
        {"/hostile/endless-header", false, nullptr, "error: The response header is larger than 1 MiB.", 0},
        {"/hostile/silent", false, nullptr, "error: Failed to read response header.", 400},
        {"/hostile/drip", true, "0123456789", nullptr, 1500},
        {"/hostile/reset", false, nullptr, "error: Failed to read response body.", 0},
    };
    for (const ServedCase &c : cases) {
        SCOPED_TRACE(c.path);
        Fetch f;
        if (c.readTimeoutMs) f.http.setReadTimeoutMs(c.readTimeoutMs);
        EXPECT_EQ(f.get(base() + c.path), c.ok) << f.log.joined();
        EXPECT_TRUE(!c.text || f.body() == c.text) << f.body();
        EXPECT_TRUE(!c.logLine || f.log.has(c.logLine)) << f.log.joined();
    }
}

TEST_F(Loopback, FollowsEachRedirectKind) {
    for (const char *code : {"301", "302", "303", "307"}) {
        SCOPED_TRACE(code);
        Fetch f;
        ASSERT_TRUE(f.get(base() + "/redirect/" + code + "?to=/conn")) << f.log.joined();
        EXPECT_NE(f.body().find("req=2 path=/conn"), std::string::npos) << f.body();  // same socket
        EXPECT_TRUE(f.http.lastResult().wasRedirected());
    }
}

TEST_F(Loopback, ReusesKeptConnectionsAndRetriesALostOne) {
    Fetch f;
    const auto served = [&f](const std::string &path) {  // "conn=<socket> req=<requests on it>"
        EXPECT_TRUE(f.get(base() + path)) << f.log.joined();
        return f.body().substr(6, f.body().find(" path=") - 6);
    };
    const auto socket = [](const std::string &conn) { return conn.substr(0, conn.find(' ')); };
    const std::string first = served("/conn");
    EXPECT_EQ(served("/conn"), socket(first) + " req=2");
    served("/close");  // answered with Connection: close
    const std::string fresh = served("/conn");
    EXPECT_TRUE(socket(fresh) != socket(first) && fresh == socket(fresh) + " req=1") << fresh;
    // The server drops the kept socket at the next request: the client finds out and retries.
    const std::string lost = served("/lost");
    EXPECT_NE(socket(served("/conn")), socket(lost));
}

TEST_F(Loopback, RefusesBeforeConnecting) {
    Fetch f;
    const std::string url = base() + "/" + std::string(2001 - base().size() - 1, 'u');
    EXPECT_FALSE(f.get(url));
    EXPECT_TRUE(f.log.has("error: URL is longer than the maximum allowed length."));
    EXPECT_FALSE(f.log.mentions("openHttpConnection"));
    EXPECT_TRUE(f.get("about:blank"));
    EXPECT_EQ(f.body(), "");
}

class Https : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_HTTPS_TEST_PORT").empty())
            GTEST_SKIP() << "no TLS servers: " << kNoServer << ", with the openssl command";
    }
    static std::string port() { return env("QUORVEL_HTTPS_TEST_PORT"); }
};

TEST_F(Https, TrustedForLoopbackNamesAndRedirectsToAndFromPlainOnOnePort) {
    for (const std::string host : {"localhost", "127.0.0.1"}) {
        Fetch f;
        ASSERT_TRUE(f.get("https://" + host + ":" + port() + "/conn")) << f.log.joined();
        EXPECT_EQ(f.body().substr(0, 6), "tls=1 ");
    }
    Fetch f;
    const std::string plain = "http://127.0.0.1:" + port(), tls = "https://127.0.0.1:" + port();
    ASSERT_TRUE(f.get(plain + "/redirect/302?to=" + tls + "/conn")) << f.log.joined();
    EXPECT_EQ(f.body().substr(0, 6), "tls=1 ");
    ASSERT_TRUE(f.get(tls + "/redirect/307?to=" + plain + "/conn")) << f.log.joined();
    EXPECT_EQ(f.body().substr(0, 6), "tls=0 ");
    EXPECT_EQ(f.http.connectionPool().size(), 2);
}

TEST_F(Https, RefusedCertificatesSayWhy) {
    const char *const untrusted = "The server certificate is not trusted (unknown issuer or self-signed).";
    const struct {
        const char *portVariable, *host, *reason;
    } cases[] = {
        {"QUORVEL_HTTPS_WRONGHOST_PORT", "localhost", "The server certificate does not match the host name."},
        {"QUORVEL_HTTPS_SELFSIGNED_PORT", "localhost", untrusted}, {"QUORVEL_HTTPS_UNKNOWNCA_PORT", "localhost", untrusted},
        {"QUORVEL_HTTPS_EXPIRED_PORT", "127.0.0.1", "The server certificate has expired or is not yet valid."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.portVariable);
        Fetch f;
        EXPECT_FALSE(f.get(std::string("https://") + c.host + ":" + env(c.portVariable) + "/conn"));
        EXPECT_TRUE(f.log.has(std::string("data: connectFailReason=") + c.reason)) << f.log.joined();
    }
}

}  // namespace
}  // namespace quorvel::test
