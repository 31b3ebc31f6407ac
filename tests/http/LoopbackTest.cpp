// Downloads from loopback servers that run this program with their ports in the environment:
// scripted_server.py stages what needs real sockets (reuse and the lost-connection retry,
// timeouts, redirects over kept connections, each TLS refusal's text in the log), Debian's nginx
// (nginx_server.py) serves feed files plain and over TLS. The TLS tests trust the servers' test CA.
#include <gtest/gtest.h>

#include <string>

#include "TestClient.h"
#include "foundation/text/StringBuffer.h"
#include "support/TestCaTrust.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

const char kNoServer[] =
    "the scripted server is not running: these tests run in the http_tests_loopback entry (needs python3)";

// Skips the test unless a server that sets the variable runs this program.
#define QUORVEL_SERVED_BY(variable, why) \
    if (env(variable).empty()) GTEST_SKIP() << why

std::string base(const char *portVariable) { return "http://127.0.0.1:" + env(portVariable); }

struct Fetch : TestClient {
    Fetch() { http.setReadTimeoutMs(3000); }  // a server that hangs fails the test within seconds
};

// The read timeout holds per read, not for the whole body (framings and hostile answers: the
// scripted streams of ResponseBodyTest and ExchangeTest).
TEST(Loopback, ServedCasesGiveTheirTextOrFailCleanly) {
    QUORVEL_SERVED_BY("QUORVEL_HTTP_TEST_PORT", kNoServer);
    // text: the whole text expected, logLine: what a failure logs; each when not null.
    const struct { const char *path; bool ok; const char *text, *logLine; uint32_t readTimeoutMs; } cases[] = {
        {"/not-found", false, "<html><body>No such feed</body></html>",
         "error: Returning failed status because of HTTP response code.", 0},
        {"/latin1", true, "<a>caf\xC3\xA9 \xC3\xBC</a>", nullptr, 0},
        {"/silent", false, nullptr, "error: Failed to read response header.", 400},
        {"/drip", true, "0123456789", nullptr, 1500},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        Fetch f;
        if (c.readTimeoutMs) f.http.setReadTimeoutMs(c.readTimeoutMs);
        EXPECT_EQ(f.get(base("QUORVEL_HTTP_TEST_PORT") + c.path), c.ok) << f.log.joined();
        EXPECT_TRUE(!c.text || f.body() == c.text) << f.body();
        EXPECT_TRUE(!c.logLine || f.log.has(c.logLine)) << f.log.joined();
    }
}

TEST(Loopback, FollowsEachRedirectKind) {
    QUORVEL_SERVED_BY("QUORVEL_HTTP_TEST_PORT", kNoServer);
    for (const char *code : {"301", "302", "303", "307"}) {
        SCOPED_TRACE(code);
        Fetch f;
        ASSERT_TRUE(f.get(base("QUORVEL_HTTP_TEST_PORT") + "/redirect/" + code + "?to=/conn")) << f.log.joined();
        EXPECT_NE(f.body().find("req=2 path=/conn"), std::string::npos) << f.body();  // same socket
        EXPECT_TRUE(f.http.lastResult().wasRedirected());
    }
}

TEST(Loopback, ReusesKeptConnectionsAndRetriesALostOne) {
    QUORVEL_SERVED_BY("QUORVEL_HTTP_TEST_PORT", kNoServer);
    Fetch f;
    const auto served = [&f](const std::string &path) {  // "conn=<socket> req=<requests on it>"
        EXPECT_TRUE(f.get(base("QUORVEL_HTTP_TEST_PORT") + path)) << f.log.joined();
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

const char kNoTls[] = "no TLS servers: the scripted server is not running or had no openssl command";

// One port answers both: the pool keeps a plain and a TLS connection to the same host and port.
TEST(Https, RedirectsToAndFromPlainOnOnePort) {
    QUORVEL_SERVED_BY("QUORVEL_HTTPS_TEST_PORT", kNoTls);
    Fetch f;
    const std::string plain = base("QUORVEL_HTTPS_TEST_PORT"), tls = "https://127.0.0.1:" + env("QUORVEL_HTTPS_TEST_PORT");
    ASSERT_TRUE(f.get(plain + "/redirect/302?to=" + tls + "/conn")) << f.log.joined();
    EXPECT_EQ(f.body().substr(0, 6), "tls=1 ");
    ASSERT_TRUE(f.get(tls + "/redirect/307?to=" + plain + "/conn")) << f.log.joined();
    EXPECT_EQ(f.body().substr(0, 6), "tls=0 ");
    EXPECT_EQ(f.http.connectionPool().size(), 2);
}

TEST(Https, RefusedCertificatesSayWhy) {
    QUORVEL_SERVED_BY("QUORVEL_HTTPS_TEST_PORT", kNoTls);
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

std::string field(const TestClient &f, const char *name) {
    StringBuffer value;
    f.http.lastResult().responseHeader().getField(name, value);
    return value.getString();
}

const char kNoNginx[] = "nginx is not running: these tests run in the http_tests_nginx entry (needs nginx and python3)";

// Every file through one client: nginx keeps the connection, and gzips each answer in chunks.
void expectFeedFiles(const std::string &server) {
    TestClient f;
    for (const char *name : {"rss20_cdata.xml", "atom_content.xml"}) {
        SCOPED_TRACE(server + "/feeds/" + name);
        ASSERT_TRUE(f.get(server + "/feeds/" + name)) << f.log.joined();
        EXPECT_EQ(f.body(), fileBytes(dataFile(std::string("feeds/") + name)));
        EXPECT_EQ(field(f, "transfer-encoding") + "|" + field(f, "content-encoding"), "chunked|gzip");
    }
    EXPECT_EQ(f.http.connectionPool().size(), 1);
}

TEST(Nginx, FeedFilesArriveAsTheirText) {
    QUORVEL_SERVED_BY("QUORVEL_NGINX_PORT", kNoNginx);
    expectFeedFiles(base("QUORVEL_NGINX_PORT"));
}

TEST(Nginx, FeedFilesArriveAsTheirTextOverTls) {
    QUORVEL_SERVED_BY("QUORVEL_NGINX_PORT", kNoNginx);
    QUORVEL_SERVED_BY("QUORVEL_NGINX_TLS_PORT", "no TLS port: nginx_server.py makes its certificate with the openssl command");
    expectFeedFiles("https://localhost:" + env("QUORVEL_NGINX_TLS_PORT"));
}

TEST(Nginx, MissingFileFailsWithItsStatus) {
    QUORVEL_SERVED_BY("QUORVEL_NGINX_PORT", kNoNginx);
    TestClient f;
    EXPECT_FALSE(f.get(base("QUORVEL_NGINX_PORT") + "/feeds/missing.xml"));
    EXPECT_EQ(f.http.lastResult().statusCode(), 404);
    // nginx's own error page, gzipped too, comes through decoded.
    EXPECT_NE(f.body().find("<title>404 Not Found</title>"), std::string::npos) << f.body();
}

}  // namespace
}  // namespace quorvel::test

static testing::Environment *const g_testCaTrust = testing::AddGlobalTestEnvironment(new quorvel::test::TestCaTrust);
