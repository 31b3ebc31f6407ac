// Feed downloads from the loopback feed server (tests/feeds/feed_server.py), which runs this
// program with its ports in the environment: success, a redirect to gzip, charsets, HTTP errors
// (the RSS document kept, the Atom document cleared), a body too large for a feed, a body that
// names a file. TLS, the framings and the other failures are the HTTP tests' part (feeds over
// TLS: Nginx.FeedFilesArriveAsTheirTextOverTls).
#include <cstdlib>

#include "FeedTestSupport.h"

namespace quorvel::test {
namespace {

std::string env(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
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
    const struct { const char *path, *read; } feeds[] = {
        {"/feed/rss", "Loopback feed|One|2"}, {"/redirect/307?to=/feed/gzip", "Loopback feed|One|2"},
        {"/feed/latin1", "Café Müller|über|1"},
    };
    for (const auto &f : feeds) {
        ClsRss rss;
        ASSERT_TRUE(rss.DownloadRss(x(url(f.path)))) << f.path << "\n" << lastError(rss);
        auto channel = rss.GetChannel(0);
        ASSERT_TRUE(channel && rss.get_NumChannels() == 1) << f.path << "\n" << xmlOf(rss);
        EXPECT_EQ(getString(*channel, "title") + "|" + getString(*channel->GetItem(0), "title") + "|" +
                      std::to_string(channel->get_NumItems()), f.read) << f.path;
    }
    ClsAtom atom;
    ASSERT_TRUE(atom.DownloadAtom(x(url("/feed/utf16")))) << lastError(atom);
    EXPECT_EQ(element(atom, "title") + "|" + element(*atom.GetEntry(0), "title"), "Αθήνα|été 😀");
}

TEST_F(FeedDownload, FailuresKeepTheRssDocumentAndClearTheAtomDocument) {
    // The body too large is refused by the limit the feed download sets on its client.
    const struct { std::string url; const char *logLine; } failures[] = {
        {url("/not-found"), "Returning failed status because of HTTP response code."},
        {url("/feed/too-big"), "MaxResponseSize: 268435456"},
    };
    const std::string cleared = crlf({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<unnamed />"});
    for (const auto &f : failures) {
        ClsRss rss;
        ASSERT_TRUE(rss.LoadRssString(x("<rss><channel><title>kept</title></channel></rss>")));
        const std::string before = xmlOf(rss);
        EXPECT_FALSE(rss.DownloadRss(x(f.url))) << f.url;
        EXPECT_TRUE(logHas(rss, f.logLine) && logHas(rss, "Failed.") && xmlOf(rss) == before) << lastError(rss);
        ClsAtom atom;
        atom.NewFeed();
        EXPECT_FALSE(atom.DownloadAtom(x(f.url))) << f.url;
        EXPECT_TRUE(logHas(atom, f.logLine) && xmlOf(atom) == cleared) << lastError(atom);
    }
}

TEST_F(FeedDownload, ABodyIsNeverTakenForAFileName) {
    // A short body without markup that ends in ".xml" would name a file to the Xml object's
    // LoadXml; the download must not read it.
    const std::string path = feedFile("rss10_rdf.xml");
    ClsXml probe;
    if (path.size() >= 100 || path.find_first_of("&#+%") != std::string::npos || !probe.LoadXml(x(path)))
        GTEST_SKIP() << "the data path does not suit the shortcut or a query";
    ClsRss rss;
    rss.NewRss();
    const std::string before = xmlOf(rss);
    EXPECT_TRUE(rss.DownloadRss(x(url("/feed/text?body=" + path))));
    EXPECT_TRUE(logHas(rss, "The response holds no XML.")) << lastError(rss);
    EXPECT_EQ(xmlOf(rss), before);
}

}  // namespace
}  // namespace quorvel::test
