// Downloads from the scripted server on loopback (tests/http/scripted_server.py), which runs
// this program and passes its ports in the environment: what needs real sockets, as reuse and
// the lost-connection retry, timeouts, redirects over kept connections, and TLS (the reasons of
// the stream's refusals are NetStreamTest's; here each kind's text in the log).
#include <gtest/gtest.h>

#include <string>

#include "TestClient.h"

namespace quorvel::test {
namespace {

const char kNoServer[] =
    "the scripted server is not running: these tests run in the http_tests_loopback entry (needs python3)";

struct Fetch : TestClient {
    Fetch() { http.setReadTimeoutMs(3000); }  // a server that hangs fails the test within seconds
};

class Loopback : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_HTTP_TEST_PORT").empty()) GTEST_SKIP() << kNoServer;
    }
    static std::string base() { return "http://127.0.0.1:" + env("QUORVEL_HTTP_TEST_PORT"); }
};

struct ServedCase {
    const char *path;
    bool ok;
    const char *text;     // the whole text expected, or null
    const char *logLine;  // the reason a failure must log, or null
    uint32_t readTimeoutMs;
};

// What takes a real socket: the failed status with its body, the charset the response names, and
// the read timeout, per read and not for the whole body (the framings and hostile answers are
// played over scripted streams in ResponseBodyTest and ExchangeTest).
TEST_F(Loopback, ServedCasesGiveTheirTextOrFailCleanly) {
    const ServedCase cases[] = {
        {"/not-found", false, "<html><body>No such feed</body></html>",
         "error: Returning failed status because of HTTP response code.", 0},
        {"/latin1", true, "<a>caf\xC3\xA9 \xC3\xBC</a>", nullptr, 0},
        {"/silent", false, nullptr, "error: Failed to read response header.", 400},
        {"/drip", true, "0123456789", nullptr, 1500},
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

class Https : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_HTTPS_TEST_PORT").empty())
            GTEST_SKIP() << "no TLS servers: " << kNoServer << ", with the openssl command";
    }
    static std::string port() { return env("QUORVEL_HTTPS_TEST_PORT"); }
};

// One port answers both: the pool keeps a plain and a TLS connection to the same host and port.
TEST_F(Https, RedirectsToAndFromPlainOnOnePort) {
    Fetch f;
    const std::string plain = "http://127.0.0.1:" + port(), tls = "https://127.0.0.1:" + port();
    ASSERT_TRUE(f.get(plain + "/redirect/302?to=" + tls + "/conn")) << f.log.joined();
    EXPECT_EQ(f.body().substr(0, 6), "tls=1 ");
    ASSERT_TRUE(f.get(tls + "/redirect/307?to=" + plain + "/conn")) << f.log.joined();
    EXPECT_EQ(f.body().substr(0, 6), "tls=0 ");
    EXPECT_EQ(f.http.connectionPool().size(), 2);
}

TEST_F(Https, RefusedCertificatesSayWhy) {
    const struct { const char *portVariable, *host, *reason; } cases[] = {
        {"QUORVEL_HTTPS_WRONGHOST_PORT", "localhost", "The server certificate does not match the host name."},
        {"QUORVEL_HTTPS_SELFSIGNED_PORT", "localhost", "The server certificate is not trusted (unknown issuer or self-signed)."},
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
