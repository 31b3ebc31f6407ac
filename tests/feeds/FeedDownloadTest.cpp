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
    for (unsigned char c : text)
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_') out += static_cast<char>(c);
        else out += '%', out += "0123456789ABCDEF"[c >> 4], out += "0123456789ABCDEF"[c & 15];
    return out;
}

class FeedDownload : public testing::Test {
protected:
    void SetUp() override {
        if (env("QUORVEL_FEED_SERVER").empty())
            GTEST_SKIP() << "the feed server is not running: these tests run in the feeds_tests_download entry (needs python3)";
    }
    static std::string url(const std::string &path) { return "http://127.0.0.1:" + env("QUORVEL_HTTP_TEST_PORT") + path; }
};

TEST_F(FeedDownload, RssArrivesWholeAndInUtf8) {
    const struct { const char *path, *title, *item; int items; } feeds[] = {
        {"/feed/rss", "Loopback feed", "One", 2}, {"/redirect/301?to=/feed/rss", "Loopback feed", "One", 2},
        {"/redirect/307?to=/feed/gzip", "Loopback feed", "One", 2}, {"/feed/gzip", "Loopback feed", "One", 2},
        {"/feed/chunked", "Loopback feed", "One", 2}, {"/feed/latin1", "Café Müller", "über", 1},
        {"/feed/cp1251", "Новости", "Да", 1}, {"/feed/sjis", "ニュース", "東京", 1},
        {"/feed/junk", "Still here", "One", 1},  // the markup printed after the feed is dropped
    };
    for (const auto &f : feeds) {
        ClsRss rss;
        ASSERT_TRUE(rss.DownloadRss(x(url(f.path)))) << f.path << "\n" << lastError(rss);
        const std::string log = lastError(rss);  // every logging call replaces the log
        auto channel = rss.GetChannel(0);
        ASSERT_TRUE(channel && rss.get_NumChannels() == 1) << f.path << "\n" << xmlOf(rss);
        EXPECT_EQ(getString(*channel, "title") + "|" + getString(*channel->GetItem(0), "title"),
                  std::string(f.title) + "|" + f.item) << f.path;
        EXPECT_EQ(channel->get_NumItems(), f.items) << f.path;
        for (const std::string &line : {std::string("DownloadRss"), "url: " + url(f.path), std::string("connectTimeout: 10"),
                                        std::string("readTimeout: 20"), std::string("httpRequestStr"), std::string("Success.")})
            EXPECT_NE(log.find(line), std::string::npos) << f.path << ": " << line << "\n" << log;
    }
    ClsAtom atom;
    ASSERT_TRUE(atom.DownloadAtom(x(url("/feed/utf16")))) << lastError(atom);
    EXPECT_EQ(element(atom, "title") + "|" + element(*atom.GetEntry(0), "title"), "Αθήνα|été 😀");
}

TEST_F(FeedDownload, FailuresKeepTheRssDocumentAndClearTheAtomDocument) {
    const std::string closed = "http://127.0.0.1:" + env("QUORVEL_FEED_CLOSED_PORT") + "/feed/rss";
    const struct { std::string url; const char *logLine; } failures[] = {
        {url("/not-found"), "Returning failed status because of HTTP response code."},
        {url("/feed/too-big"), "Response body larger than MaxResponseSize property set by application."},
        {closed, "DownloadAtom"}, {"htp:/not a url", "DownloadAtom"},
    };
    for (const auto &f : failures) {
        ClsRss rss;
        ASSERT_TRUE(rss.LoadRssString(x("<rss><channel><title>kept</title></channel></rss>")));
        const std::string before = xmlOf(rss);
        EXPECT_FALSE(rss.DownloadRss(x(f.url))) << f.url;
        EXPECT_TRUE(logHas(rss, "Failed.")) << f.url;
        EXPECT_EQ(xmlOf(rss), before) << f.url;
        ClsAtom atom;
        atom.NewFeed();
        EXPECT_FALSE(atom.DownloadAtom(x(f.url))) << f.url;
        EXPECT_TRUE(logHas(atom, f.logLine) && logHas(atom, "Failed.")) << f.url << "\n" << lastError(atom);
        EXPECT_EQ(xmlOf(atom), crlf({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<unnamed />"})) << f.url;
    }
    // The limit the feed download sets on its client is what refused the large body.
    ClsRss rss;
    rss.DownloadRss(x(url("/feed/too-big")));
    EXPECT_TRUE(logHas(rss, "MaxResponseSize: 268435456")) << lastError(rss);
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
    EXPECT_TRUE(logHas(rss, "The response holds no XML.")) << lastError(rss);
    EXPECT_EQ(xmlOf(rss), before);
}

TEST_F(FeedDownload, OverTls) {
    const std::string port = env("QUORVEL_HTTPS_TEST_PORT");
    if (port.empty()) GTEST_SKIP() << "no TLS server (the feed server needs the openssl command)";
    ClsRss rss;
    ASSERT_TRUE(rss.DownloadRss(x("https://localhost:" + port + "/feed/rss"))) << lastError(rss);
    EXPECT_EQ(getString(*rss.GetChannel(0), "title"), "Loopback feed");
}

}  // namespace
}  // namespace quorvel::test
