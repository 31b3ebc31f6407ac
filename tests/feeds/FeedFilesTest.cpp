// Feeds shaped like the ones found in the wild (tests/data/feeds, made by make_feeds.py): old
// and new RSS, RDF, Atom content types, eight-bit and multi-byte encodings, UTF-16. How a cut
// or junk-laden text parses is the parser's test.
#include "FeedTestSupport.h"

namespace quorvel::test {
namespace {

std::unique_ptr<ClsRss> rssFile(const std::string &name) {
    auto rss = ClsRss::createNew();
    EXPECT_TRUE(rss && rss->LoadRssFile(x(feedFile(name)))) << name << "\n" << (rss ? lastError(*rss) : "");
    return rss;
}

// The Atom object loads text; a file is read (and its encoding detected) by its Xml object.
std::unique_ptr<ClsAtom> atomFile(const std::string &name) {
    auto atom = ClsAtom::createNew();
    EXPECT_TRUE(atom && atom->xml().LoadXmlFile(x(feedFile(name)))) << name;
    return atom;
}

TEST(FeedFiles, EncodingsBecomeUtf8) {
    const struct { const char *file, *title, *item; } feeds[] = {
        {"rss_iso-8859-1.xml", "Café Müller", "Größere Straßen in Köln"}, {"rss_windows-1251.xml", "Новости дня", "Погода в Москве"},
        {"rss_shift_jis.xml", "ニュース速報", "東京の天気は晴れ"}, {"rss_euc-kr.xml", "오늘의 뉴스", "서울 날씨"},
        {"rss_big5.xml", "今日新聞", "台北天氣晴朗"},
    };
    for (const auto &f : feeds) {
        auto channel = rssFile(f.file)->GetChannel(0);
        ASSERT_TRUE(channel && channel->GetItem(0)) << f.file;
        auto item = channel->GetItem(0);
        EXPECT_EQ(getString(*channel, "title") + "|" + getString(*item, "title") + "|" + getString(*item, "description"),
                  std::string(f.title) + "|" + f.item + "|" + f.item + " & " + f.title) << f.file;
    }
    auto atom = atomFile("atom_utf-16.xml");
    EXPECT_EQ(element(*atom, "title"), "Ελληνικά νέα 🎉");  // a surrogate pair becomes one character
    EXPECT_EQ(element(*atom->GetEntry(0), "title"), "Καιρός");
    EXPECT_NE(xmlOf(*atom).find("encoding=\"utf-8\""), std::string::npos);  // written back as UTF-8
}

// RSS 0.91 with a DOCTYPE whose entities arrive as written and are decoded as feed text, RSS 2.0
// with CDATA and entities, and RDF.
TEST(FeedFiles, Rss091Rss20AndRss10Rdf) {
    auto old = rssFile("rss091_doctype.xml")->GetChannel(0), channel = rssFile("rss20_cdata.xml")->GetChannel(0);
    ASSERT_TRUE(old && old->get_NumItems() == 2 && channel && channel->get_NumItems() == 2);
    auto first = channel->GetItem(0), second = channel->GetItem(1);
    // RDF: items are children of the root, beside the channel.
    auto rdf = rssFile("rss10_rdf.xml");
    ASSERT_TRUE(rdf->get_NumChannels() == 1 && rdf->get_NumItems() == 2);
    expectReads({
        {getString(*old, "description"), "Notes from the café — daily."},
        {getString(*old->GetItem(0), "description"), "Open 8–18, closed on Sundays."},
        {getString(*channel, "title"), "Ben & Jerry’s Blog"}, {getString(*first, "title"), "Hello “world”"},
        {getString(*first, "description"), "<p>Welcome to <b>our</b> blog & shop…</p>"},
        {getString(*first, "content:encoded"), "<p>Welcome!</p>\n<p>More soon.</p>"},
        {getString(*second, "description"), "Plain <i>escaped</i> HTML"}, {getString(*rdf->GetChannel(0), "title"), "Example RDF"},
        {QUORVEL_TEXT(rdf->GetAttr(x("item"), x("rdf:about"), out_)), "http://www.example.org/1"},
    });
}

TEST(FeedFiles, AtomContentTypes) {
    auto atom = atomFile("atom_content.xml");
    ASSERT_EQ(atom->get_NumEntries(), 3);
    auto text = atom->GetEntry(0), html = atom->GetEntry(1), xhtml = atom->GetEntry(2);
    expectReads({
        {element(*atom, "subtitle"), "A <em>lot</em> of news"}, {element(*text, "content"), "Fish & chips"},
        {element(*html, "title"), "HTML & entry"}, {element(*html, "content"), "<p>Hello <b>bold</b></p>"},
        {element(*xhtml, "content"), "\r\n<div xmlns=\"http://www.w3.org/1999/xhtml\">\r\n    <p>Hi\r\n        <em>there</em>"
                                     "\r\n    </p>\r\n</div>\r\n"},
    });
}

}  // namespace
}  // namespace quorvel::test
