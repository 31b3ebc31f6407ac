// Downloads from Debian's nginx on loopback (tests/http/nginx_server.py runs this program with
// nginx's ports in the environment): feed files served plain and over TLS arrive as their text
// through nginx's chunked gzip answers on one kept connection, a missing file fails with its
// status, and a feed download gives the channel title.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "feeds/ClsRss.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "http/ClsHttp.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

std::string env(const char *name) {
    const char *v = std::getenv(name);
    return v ? v : "";
}

XString xs(const std::string &utf8) {
    XString text;
    text.setFromUtf8N(utf8.data(), static_cast<uint32_t>(utf8.size()));
    return text;
}

// Latin-1 bytes as UTF-8: every byte is the code point of its own value.
std::string utf8FromLatin1(const std::string &bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) out += static_cast<char>(c);
        else out += static_cast<char>(0xC0 | (c >> 6)), out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

struct Fetch {
    ClsHttp http;
    RecordingLog log;
    XString text;

    Fetch() {
        http.setBrowserDefaults(true);
        http.setFetchFromCache(false);
        http.setUpdateCache(false);
        http.setMaxResponseSize(1u << 20);
        http.setReadTimeoutMs(5000);
    }
    bool get(const std::string &url) {
        log.clearLog();
        return http.httpRequestStr("GET", xs(url), text, nullptr, log);
    }
    std::string body() const { return text.getUtf8(); }
    std::string field(const char *name) const {
        StringBuffer value;
        http.lastResult().responseHeader().getField(name, value);
        return value.getString();
    }
};

class Nginx : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_NGINX_PORT").empty())
            GTEST_SKIP() << "nginx is not running: these tests run in the http_tests_nginx entry (needs nginx and python3)";
    }
    static std::string plain() { return "http://127.0.0.1:" + env("QUORVEL_NGINX_PORT"); }

    // Every file through one client: nginx keeps the connection, and gzips each answer in chunks.
    static void expectFeedFiles(const std::string &base, bool tls) {
        const struct {
            const char *name;
            bool latin1;
        } files[] = {{"rss20_cdata.xml", false}, {"atom_content.xml", false}, {"rss_iso-8859-1.xml", true}};
        Fetch f;
        for (const auto &file : files) {
            SCOPED_TRACE(base + "/feeds/" + file.name);
            ASSERT_TRUE(f.get(base + "/feeds/" + file.name)) << f.log.joined();
            const std::string bytes = fileBytes(dataFile(std::string("feeds/") + file.name));
            EXPECT_EQ(f.body(), file.latin1 ? utf8FromLatin1(bytes) : bytes);
            EXPECT_EQ(f.field("server").substr(0, 6), "nginx/");
            EXPECT_EQ(f.field("transfer-encoding"), "chunked");
            EXPECT_EQ(f.field("content-encoding"), "gzip");
            EXPECT_TRUE(f.log.has("enter: readChunkedResponse")) << f.log.joined();
            EXPECT_TRUE(f.log.has("info: decompressing GZIP response...")) << f.log.joined();
            // Only the first request connects; the others go over the kept connection.
            if (&file == files) {
                EXPECT_TRUE(f.log.has(tls ? "data: ssl=1" : "data: ssl=0")) << f.log.joined();
            } else {
                EXPECT_TRUE(f.log.has("info: Using existing connection.")) << f.log.joined();
            }
        }
        EXPECT_EQ(f.http.connectionPool().size(), 1);
    }
};

TEST_F(Nginx, FeedFilesArriveAsTheirText) { expectFeedFiles(plain(), false); }

TEST_F(Nginx, FeedFilesArriveAsTheirTextOverTls) {
    const std::string port = env("QUORVEL_NGINX_TLS_PORT");
    if (port.empty()) GTEST_SKIP() << "no TLS port: nginx_server.py makes its certificate with the openssl command";
    for (const char *host : {"localhost", "127.0.0.1"}) expectFeedFiles(std::string("https://") + host + ":" + port, true);
}

TEST_F(Nginx, MissingFileFailsWithItsStatus) {
    Fetch f;
    EXPECT_FALSE(f.get(plain() + "/feeds/missing.xml"));
    EXPECT_TRUE(f.log.has("data: statusCode=404")) << f.log.joined();
    EXPECT_TRUE(f.log.has("error: Returning failed status because of HTTP response code.")) << f.log.joined();
    // nginx's own error page, gzipped too, comes through decoded.
    EXPECT_NE(f.body().find("<title>404 Not Found</title>"), std::string::npos) << f.body();
}

TEST_F(Nginx, DownloadRssGivesTheChannelTitle) {
    ClsRss rss;
    XString out;
    ASSERT_TRUE(rss.DownloadRss(xs(plain() + "/feeds/rss20_cdata.xml"))) << (rss.get_LastErrorText(out), out.getUtf8());
    auto channel = rss.GetChannel(0);
    ASSERT_TRUE(channel);
    ASSERT_TRUE(channel->GetString(xs("title"), out));
    EXPECT_EQ(std::string(out.getUtf8()), "Ben & Jerry\xE2\x80\x99s Blog");
    EXPECT_EQ(channel->get_NumItems(), 2);
}

}  // namespace
}  // namespace quorvel::test
