// Feeds shaped like the ones found in the wild (tests/data/feeds, made by make_feeds.py): old
// and new RSS, RDF, Atom content types, eight-bit and multi-byte encodings, UTF-16, a truncated
// feed and one with junk after it.
#include "FeedTestSupport.h"

namespace quorvel::test {
namespace {

std::unique_ptr<ClsRss> rssFile(const std::string &name) {
    auto rss = ClsRss::createNew();
    EXPECT_TRUE(rss && rss->LoadRssFile(x(feedFile(name)))) << name << "\n" << (rss ? lastError(*rss) : "");
    return rss;
}

std::unique_ptr<ClsAtom> atomFile(const std::string &name) {
    auto atom = ClsAtom::createNew();
    // The Atom object loads text; a file is read (and its encoding detected) by its Xml object.
    EXPECT_TRUE(atom && atom->xml().LoadXmlFile(x(feedFile(name)))) << name;
    return atom;
}

std::string getString(ClsRss &rss, const char *tag) { return QUORVEL_TEXT(rss.GetString(x(tag), out_)); }
std::string element(ClsAtom &a, const char *tag, int i = 0) { return QUORVEL_TEXT(a.GetElement(x(tag), i, out_)); }

TEST(FeedFiles, EncodingsBecomeUtf8) {
    const struct {
        const char *file, *title, *item;
    } feeds[] = {
        {"rss_iso-8859-1.xml", "Café Müller", "Größere Straßen in Köln"},
        {"rss_windows-1251.xml", "Новости дня", "Погода в Москве"},
        {"rss_shift_jis.xml", "ニュース速報", "東京の天気は晴れ"},
        {"rss_euc-kr.xml", "오늘의 뉴스", "서울 날씨"},
        {"rss_big5.xml", "今日新聞", "台北天氣晴朗"},
    };
    for (const auto &f : feeds) {
        auto rss = rssFile(f.file);
        auto channel = rss->GetChannel(0);
        ASSERT_TRUE(channel) << f.file;
        EXPECT_EQ(getString(*channel, "title"), f.title) << f.file;
        auto item = channel->GetItem(0);
        ASSERT_TRUE(item) << f.file;
        EXPECT_EQ(getString(*item, "title"), f.item) << f.file;
        EXPECT_EQ(getString(*item, "description"), std::string(f.item) + " & " + f.title) << f.file;
    }
    auto atom = atomFile("atom_utf-16.xml");
    EXPECT_EQ(element(*atom, "title"), "Ελληνικά νέα 🎉");  // a surrogate pair becomes one character
    EXPECT_EQ(element(*atom->GetEntry(0), "title"), "Καιρός");
    // Written back as UTF-8, whatever the file was.
    EXPECT_NE(xmlOf(*atom).find("encoding=\"utf-8\""), std::string::npos);
}

TEST(FeedFiles, Rss091WithDoctype) {
    auto rss = rssFile("rss091_doctype.xml");
    auto channel = rss->GetChannel(0);
    ASSERT_TRUE(channel);
    // The entities the DTD defines arrive as written and are decoded as feed text.
    EXPECT_EQ(getString(*channel, "title"), "Café Notes");
    EXPECT_EQ(getString(*channel, "description"), "Notes from the café — daily.");
    EXPECT_EQ(getString(*channel->GetItem(0), "description"), "Open 8–18, closed on Sundays.");
    EXPECT_EQ(channel->GetImage()->GetInt(x("width")), 88);
    EXPECT_EQ(channel->get_NumItems(), 2);
    EXPECT_EQ(QUORVEL_TEXT(channel->GetItem(1)->MGetString(x("description"), 0, out_)), "(null)");
    // The DOCTYPE is written back.
    EXPECT_NE(xmlOf(*rss).find("<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\"\n"
                               " \"http://my.netscape.com/publish/formats/rss-0.91.dtd\">"),
              std::string::npos);
}

TEST(FeedFiles, Rss20WithCdataAndEntities) {
    auto rss = rssFile("rss20_cdata.xml");
    auto channel = rss->GetChannel(0);
    ASSERT_TRUE(channel);
    EXPECT_EQ(getString(*channel, "title"), "Ben & Jerry’s Blog");
    EXPECT_EQ(getString(*channel, "description"), "Ice cream & more");
    EXPECT_EQ(QUORVEL_TEXT(channel->GetAttr(x("atom:link"), x("rel"), out_)), "self");
    EXPECT_EQ(QUORVEL_TEXT(channel->GetDateStr(x("lastBuildDate"), out_)), "Fri, 21 Mar 2014 10:00:00 GMT");
    ASSERT_EQ(channel->get_NumItems(), 2);
    auto first = channel->GetItem(0), second = channel->GetItem(1);
    EXPECT_EQ(getString(*first, "title"), "Hello “world”");
    EXPECT_EQ(getString(*first, "dc:creator"), "Jerry");
    EXPECT_EQ(QUORVEL_TEXT(first->MGetString(x("category"), 1, out_)), "Flavours");
    EXPECT_EQ(getString(*first, "description"), "<p>Welcome to <b>our</b> blog & shop…</p>");
    EXPECT_EQ(getString(*first, "content:encoded"), "<p>Welcome!</p>\n<p>More soon.</p>");
    EXPECT_EQ(QUORVEL_TEXT(first->GetAttr(x("guid"), x("isPermaLink"), out_)), "false");
    EXPECT_EQ(QUORVEL_TEXT(first->GetAttr(x("enclosure"), x("url"), out_)), "https://blog.example.com/a.mp3");
    EXPECT_EQ(first->GetCount(x("category")), 2);
    EXPECT_EQ(QUORVEL_TEXT(second->GetDateStr(x("pubDate"), out_)), "Thu, 20 Mar 2014 23:00:00 GMT");
    EXPECT_EQ(getString(*second, "description"), "Plain <i>escaped</i> HTML");
}

TEST(FeedFiles, Rss10Rdf) {
    auto rss = rssFile("rss10_rdf.xml");
    // Items are children of the root, beside the channel.
    EXPECT_EQ(rss->get_NumChannels(), 1);
    EXPECT_EQ(rss->get_NumItems(), 2);
    EXPECT_EQ(getString(*rss->GetChannel(0), "title"), "Example RDF");
    EXPECT_EQ(QUORVEL_TEXT(rss->GetItem(1)->MGetAttr(x("link"), 0, x("href"), out_)), "");
    EXPECT_EQ(QUORVEL_TEXT(rss->GetAttr(x("item"), x("rdf:about"), out_)), "http://www.example.org/1");
    EXPECT_EQ(QUORVEL_TEXT(rss->GetItem(0)->GetDateStr(x("dc:date"), out_)), "Fri, 21 Mar 2014 09:00:00 GMT");
    EXPECT_EQ(QUORVEL_TEXT(rss->GetItem(1)->GetDateStr(x("dc:date"), out_)), "Sat, 22 Mar 2014 08:15:00 GMT");
}

TEST(FeedFiles, AtomContentTypes) {
    auto atom = atomFile("atom_content.xml");
    EXPECT_EQ(QUORVEL_TEXT(atom->GetTopAttr(x("xml:lang"), out_)), "en");
    EXPECT_EQ(element(*atom, "title"), "Example Atom");
    EXPECT_EQ(element(*atom, "subtitle"), "A <em>lot</em> of news");
    EXPECT_EQ(QUORVEL_TEXT(atom->GetLinkHref(x("self"), out_)), "https://example.org/feed.atom");
    EXPECT_EQ(QUORVEL_TEXT(atom->GetPersonInfo(x("author"), 0, x("email"), out_)), "ann@example.org");
    ASSERT_EQ(atom->get_NumEntries(), 3);
    auto text = atom->GetEntry(0), html = atom->GetEntry(1), xhtml = atom->GetEntry(2);
    EXPECT_EQ(element(*text, "content"), "Fish & chips");
    EXPECT_EQ(QUORVEL_TEXT(text->GetElementDateStr(x("updated"), 0, out_)), "Fri, 21 Mar 2014 14:00:00 GMT");
    EXPECT_EQ(element(*html, "title"), "HTML & entry");
    EXPECT_EQ(element(*html, "content"), "<p>Hello <b>bold</b></p>");
    EXPECT_EQ(element(*xhtml, "content"),
              "\r\n<div xmlns=\"http://www.w3.org/1999/xhtml\">\r\n    <p>Hi\r\n        <em>there</em>\r\n    </p>\r\n"
              "</div>\r\n");
    EXPECT_EQ(QUORVEL_TEXT(xhtml->GetElementDateStr(x("updated"), 0, out_)), "Wed, 19 Mar 2014 05:00:00 GMT");
    EXPECT_EQ(QUORVEL_TEXT(xhtml->GetPersonInfo(x("contributor"), 0, x("name"), out_)), "Bo");
}

TEST(FeedFiles, TruncatedAndTrailingJunk) {
    // What arrived before the cut is kept: open elements are closed at the end.
    auto cut = rssFile("rss_truncated.xml");
    auto channel = cut->GetChannel(0);
    ASSERT_TRUE(channel);
    ASSERT_EQ(channel->get_NumItems(), 2);
    EXPECT_EQ(getString(*channel->GetItem(1), "description"), "This text is cut o");

    // The feed outweighs the markup printed after it; the parser's note is in the log of the
    // Xml object that loaded it.
    auto junk = rssFile("rss_trailing_junk.xml");
    EXPECT_NE(lastError(junk->xml()).find("only the largest was kept"), std::string::npos);
    ASSERT_EQ(junk->get_NumChannels(), 1);
    EXPECT_EQ(getString(*junk->GetChannel(0), "title"), "Still here");
    EXPECT_EQ(junk->GetChannel(0)->get_NumItems(), 2);
}

}  // namespace
}  // namespace quorvel::test
