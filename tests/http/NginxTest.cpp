// Downloads from Debian's nginx on loopback (tests/http/nginx_server.py runs this program with
// nginx's ports in the environment): feed files served plain and over TLS arrive as their text
// through nginx's chunked gzip answers on one kept connection, and a missing file fails with its
// status (feed downloads themselves are the feed tests').
#include <gtest/gtest.h>

#include <string>

#include "TestClient.h"
#include "foundation/text/StringBuffer.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

std::string field(const TestClient &f, const char *name) {
    StringBuffer value;
    f.http.lastResult().responseHeader().getField(name, value);
    return value.getString();
}

class Nginx : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_NGINX_PORT").empty())
            GTEST_SKIP() << "nginx is not running: these tests run in the http_tests_nginx entry (needs nginx and python3)";
    }
    static std::string plain() { return "http://127.0.0.1:" + env("QUORVEL_NGINX_PORT"); }

    // Every file through one client: nginx keeps the connection, and gzips each answer in chunks.
    static void expectFeedFiles(const std::string &base) {
        TestClient f;
        for (const char *name : {"rss20_cdata.xml", "atom_content.xml"}) {
            SCOPED_TRACE(base + "/feeds/" + name);
            ASSERT_TRUE(f.get(base + "/feeds/" + name)) << f.log.joined();
            EXPECT_EQ(f.body(), fileBytes(dataFile(std::string("feeds/") + name)));
            EXPECT_EQ(field(f, "transfer-encoding") + "|" + field(f, "content-encoding"), "chunked|gzip");
        }
        EXPECT_EQ(f.http.connectionPool().size(), 1);
    }
};

TEST_F(Nginx, FeedFilesArriveAsTheirText) { expectFeedFiles(plain()); }

TEST_F(Nginx, FeedFilesArriveAsTheirTextOverTls) {
    const std::string port = env("QUORVEL_NGINX_TLS_PORT");
    if (port.empty()) GTEST_SKIP() << "no TLS port: nginx_server.py makes its certificate with the openssl command";
    expectFeedFiles("https://localhost:" + port);
}

TEST_F(Nginx, MissingFileFailsWithItsStatus) {
    TestClient f;
    EXPECT_FALSE(f.get(plain() + "/feeds/missing.xml"));
    EXPECT_EQ(f.http.lastResult().statusCode(), 404);
    // nginx's own error page, gzipped too, comes through decoded.
    EXPECT_NE(f.body().find("<title>404 Not Found</title>"), std::string::npos) << f.body();
}

}  // namespace
}  // namespace quorvel::test
