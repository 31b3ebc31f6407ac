// Feed downloads from the loopback feed server (tests/feeds/feed_server.py), which runs this
// program with its ports in the environment: success, redirects, gzip, chunks, charsets, HTTP
// errors (the RSS document kept, the Atom document cleared), an unreachable server, a body too
// large for a feed, a body that names a file, and TLS.
#include <cctype>
#include <cstdlib>

#include "FeedTestSupport.h"

namespace quorvel::test {
namespace {

std::string env(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::string percentEncoded(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_')
            out += static_cast<char>(c);
        else
            out += '%', out += "0123456789ABCDEF"[c >> 4], out += "0123456789ABCDEF"[c & 15];
    }
    return out;
}

class FeedDownload : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_FEED_SERVER").empty())
            GTEST_SKIP() << "the feed server is not running: these tests run in the feeds_tests_download entry "
                            "(needs python3)";
    }
    static std::string url(const std::string &path) { return "http://127.0.0.1:" + env("QUORVEL_HTTP_TEST_PORT") + path; }
};

std::string getString(ClsRss &rss, const char *tag) { return QUORVEL_TEXT(rss.GetString(x(tag), out_)); }

TEST_F(FeedDownload, RssArrivesWhole) {
    const char *const paths[] = {"/feed/rss", "/redirect/301?to=/feed/rss", "/redirect/307?to=/feed/gzip",
                                 "/feed/gzip", "/feed/chunked"};
    for (const char *path : paths) {
        ClsRss rss;
        ASSERT_TRUE(rss.DownloadRss(x(url(path)))) << path << "\n" << lastError(rss);
        const std::string log = lastError(rss);  // every logging call replaces the log
        auto channel = rss.GetChannel(0);
        ASSERT_TRUE(channel) << path;
        EXPECT_EQ(getString(*channel, "title"), "Loopback feed") << path;
        EXPECT_EQ(channel->get_NumItems(), 2) << path;
        for (const std::string &line : std::initializer_list<std::string>{"DownloadRss", "url: " + url(path), "connectTimeout: 10", "readTimeout: 20",
                                       "httpRequestStr", "Success."})
            EXPECT_NE(log.find(line), std::string::npos) << path << ": " << line << "\n" << log;
    }
}

TEST_F(FeedDownload, CharsetsBecomeUtf8) {
    const struct {
        const char *path, *title, *item;
    } feeds[] = {
        {"/feed/latin1", "Café Müller", "über"},
        {"/feed/cp1251", "Новости", "Да"},
        {"/feed/sjis", "ニュース", "東京"},
    };
    for (const auto &f : feeds) {
        ClsRss rss;
        ASSERT_TRUE(rss.DownloadRss(x(url(f.path)))) << f.path << "\n" << lastError(rss);
        auto channel = rss.GetChannel(0);
        ASSERT_TRUE(channel) << f.path << "\n" << lastError(rss);
        EXPECT_EQ(getString(*channel, "title"), f.title) << f.path;
        EXPECT_EQ(getString(*channel->GetItem(0), "title"), f.item) << f.path;
    }
    ClsAtom atom;
    ASSERT_TRUE(atom.DownloadAtom(x(url("/feed/utf16")))) << lastError(atom);
    EXPECT_EQ(QUORVEL_TEXT(atom.GetElement(x("title"), 0, out_)), "Αθήνα");
    EXPECT_EQ(QUORVEL_TEXT(atom.GetEntry(0)->GetElement(x("title"), 0, out_)), "été 😀");
}

TEST_F(FeedDownload, FailuresKeepTheRssDocumentAndClearTheAtomDocument) {
    const std::string closed = "http://127.0.0.1:" + env("QUORVEL_FEED_CLOSED_PORT") + "/feed/rss";
    const struct {
        std::string url;
        const char *logLine;
    } failures[] = {
        {url("/not-found"), "Returning failed status because of HTTP response code."},
        {url("/feed/too-big"), "Response body larger than MaxResponseSize property set by application."},
        {closed, "DownloadAtom"},
        {"htp:/not a url", "DownloadAtom"},
    };
    for (const auto &f : failures) {
        ClsRss rss;
        ASSERT_TRUE(rss.LoadRssString(x("<rss><channel><title>kept</title></channel></rss>")));
        const std::string before = xmlOf(rss);
        EXPECT_FALSE(rss.DownloadRss(x(f.url))) << f.url;
        EXPECT_NE(lastError(rss).find("Failed."), std::string::npos) << f.url;
        EXPECT_EQ(xmlOf(rss), before) << f.url;

        ClsAtom atom;
        atom.NewFeed();
        EXPECT_FALSE(atom.DownloadAtom(x(f.url))) << f.url;
        const std::string log = lastError(atom);
        EXPECT_NE(log.find(f.logLine), std::string::npos) << f.url << "\n" << log;
        EXPECT_NE(log.find("Failed."), std::string::npos) << f.url;
        EXPECT_EQ(xmlOf(atom), crlf({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<unnamed />"})) << f.url;
    }
    // The limit the feed download sets on its client is what refused the large body.
    ClsRss rss;
    rss.DownloadRss(x(url("/feed/too-big")));
    EXPECT_NE(lastError(rss).find("MaxResponseSize: 268435456"), std::string::npos) << lastError(rss);
}

TEST_F(FeedDownload, ABodyIsNeverTakenForAFileName) {
    // A short body without markup that ends in ".xml" would name a file to the Xml object's
    // LoadXml; the download must not read it.
    const std::string path = feedFile("rss10_rdf.xml");
    ClsXml probe;
    if (path.size() >= 100 || !probe.LoadXml(x(path))) GTEST_SKIP() << "the data path is too long for the shortcut";
    ClsRss rss;
    rss.NewRss();
    const std::string before = xmlOf(rss);
    EXPECT_TRUE(rss.DownloadRss(x(url("/feed/text?body=" + percentEncoded(path)))));
    EXPECT_NE(lastError(rss).find("The response holds no XML."), std::string::npos) << lastError(rss);
    EXPECT_EQ(xmlOf(rss), before);
}

TEST_F(FeedDownload, TrailingJunkAfterTheFeed) {
    ClsRss rss;
    ASSERT_TRUE(rss.DownloadRss(x(url("/feed/junk"))));
    ASSERT_EQ(rss.get_NumChannels(), 1) << xmlOf(rss);
    EXPECT_EQ(getString(*rss.GetChannel(0), "title"), "Still here");
}

TEST_F(FeedDownload, OverTls) {
    const std::string port = env("QUORVEL_HTTPS_TEST_PORT");
    if (port.empty()) GTEST_SKIP() << "no TLS server (the feed server needs the openssl command)";
    ClsRss rss;
    ASSERT_TRUE(rss.DownloadRss(x("https://localhost:" + port + "/feed/rss"))) << lastError(rss);
    EXPECT_EQ(getString(*rss.GetChannel(0), "title"), "Loopback feed");
    ClsAtom atom;
    ASSERT_TRUE(atom.DownloadAtom(x("https://127.0.0.1:" + port + "/feed/utf16"))) << lastError(atom);
    EXPECT_EQ(atom.get_NumEntries(), 1);
}

}  // namespace
}  // namespace quorvel::test
