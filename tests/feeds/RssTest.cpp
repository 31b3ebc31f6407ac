// The RSS object: the template, values by tag and index, sub-objects on the shared tree, dates.
#include <climits>

#include "FeedTestSupport.h"
#include "support/ZoneScope.h"

namespace quorvel::test {
namespace {

std::unique_ptr<ClsRss> loaded(const std::string &xml) {
    auto rss = ClsRss::createNew();
    EXPECT_TRUE(rss && rss->LoadRssString(x(xml))) << xml;
    return rss;
}

std::string mGetString(ClsRss &rss, const char *tag, int i) { return QUORVEL_TEXT(rss.MGetString(x(tag), i, out_)); }
std::string dateStr(ClsRss &rss, const char *tag) { return QUORVEL_TEXT(rss.GetDateStr(x(tag), out_)); }

// A channel with an item and an image; text and attribute values that need escaping.
std::unique_ptr<ClsRss> builtFeed() {
    auto rss = ClsRss::createNew();
    rss->NewRss();
    auto channel = rss->AddNewChannel();
    channel->SetString(x("title"), x("Quorvel & \"friends\" — Grüße 日本 🎉 'q'"));
    channel->SetString(x("link"), x("https://example.com/"));
    channel->SetInt(x("ttl"), 60);
    auto item = channel->AddNewItem();
    item->SetString(x("title"), x("First <post>"));
    item->SetDateStr(x("pubDate"), x("2014-03-21T10:00:00+01:00"));
    item->SetString(x("guid"), x("abc"));
    item->SetAttr(x("guid"), x("isPermaLink"), x("false"));
    item->SetString(x("enclosure"), x(""));
    item->SetAttr(x("enclosure"), x("url"), x("a.mp3?x=1&y=\"2\" 'q' <3>"));
    channel->AddNewImage()->SetString(x("url"), x("https://example.com/i.png"));
    return rss;
}

TEST(Rss, TemplateAndBuildingWriteExactText) {
    ClsRss empty;
    EXPECT_EQ(xmlOf(empty), crlf({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<unnamed />"}));
    ASSERT_TRUE(empty.LoadRssString(x("<rss><channel/></rss>")) && empty.get_NumChannels() == 1);
    empty.NewRss();  // replaces a loaded document whole
    EXPECT_EQ(xmlOf(empty), crlf({"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<rss version=\"2.0\" />"}));
    EXPECT_EQ(xmlOf(*builtFeed()), crlf({"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<rss version=\"2.0\">", "    <channel>",
                                "        <title>Quorvel &amp; \"friends\" — Grüße 日本 🎉 'q'</title>",
                                "        <link>https://example.com/</link>", "        <ttl>60</ttl>", "        <item>",
                                "            <title>First &lt;post&gt;</title>", "            <pubDate>Fri, 21 Mar 2014 09:00:00 GMT</pubDate>",
                                "            <guid isPermaLink=\"false\">abc</guid>",
                                "            <enclosure url=\"a.mp3?x=1&amp;y=&quot;2&quot; &apos;q&apos; &lt;3&gt;\" />", "        </item>",
                                "        <image>", "            <url>https://example.com/i.png</url>", "        </image>", "    </channel>", "</rss>"}));
}

TEST(Rss, SubObjectsOutliveTheOwnerAndFailedLoadsKeepTheDocument) {
    auto rss = ClsRss::createNew();
    rss->NewRss();
    auto first = rss->AddNewChannel(), second = rss->AddNewChannel();
    auto item = second ? second->AddNewItem() : nullptr;
    ASSERT_TRUE(first && item);
    item->SetString(x("title"), x("in the second channel"));
    EXPECT_TRUE(rss->get_NumChannels() == 2 && rss->GetChannel(0)->get_NumItems() == 0 && rss->GetChannel(1)->get_NumItems() == 1);
    EXPECT_FALSE(rss->GetChannel(2) || rss->GetChannel(-1) || second->GetItem(1) || second->GetImage());
    // The owner goes; its sub-objects keep the tree and still edit it, and write their own
    // element without a declaration.
    rss.reset();
    item->SetString(x("link"), x("l"));
    first.reset();
    second.reset();
    EXPECT_EQ(xmlOf(*item), crlf({"", "<item>", "    <title>in the second channel</title>", "    <link>l</link>", "</item>"}));
    // A loaded document leaves objects of the old tree on the old tree; failed loads keep it.
    auto owner = loaded("<rss><channel><title>old</title></channel></rss>");
    auto oldChannel = owner->GetChannel(0);
    ASSERT_TRUE(owner->LoadRssString(x("<rss><channel><title>new</title></channel></rss>")));
    const std::string before = xmlOf(*owner);
    EXPECT_FALSE(owner->LoadRssFile(x(scratchDir("RssLoadingFiles") + "missing.xml")));
    EXPECT_FALSE(owner->LoadRssString(x("no markup at all")));
    EXPECT_TRUE(logHas(*owner, "Failed.") && xmlOf(*owner) == before);
    owner.reset();
    EXPECT_EQ(getString(*oldChannel, "title"), "old");
}

TEST(Rss, ValuesByTagAndIndexAndEntityDecoding) {
    auto rss = loaded(
        "<item><title>a &amp;amp; b</title><title>second</title><n>+42abc</n><big>99999999999</big>"
        "<c attr=\"x &amp;amp; y\"/><c/></item>");
    ClsRss &r = *rss;
    expectReads({
        {getString(r, "title"), "a & b"},  // the parser decodes one level, the feed text one more
        {getString(r, "missing"), ""}, {mGetString(r, "title", 1), "second"}, {mGetString(r, "title", 2), "(null)"},
        {mGetString(r, "title", -1), "(null)"}, {QUORVEL_TEXT(r.GetAttr(x("c"), x("attr"), out_)), "x & y"},
        {QUORVEL_TEXT(r.GetAttr(x("c"), x("other"), out_)), ""}, {QUORVEL_TEXT(r.MGetAttr(x("c"), 1, x("attr"), out_)), ""},
        {QUORVEL_TEXT(r.MGetAttr(x("c"), 2, x("attr"), out_)), "(null)"},
    });
    // The integer rule (StringBufferParse): leading sign and digits, saturated, 0 for none.
    const std::pair<const char *, int> ints[] = {{"n", 42}, {"big", INT_MAX}, {"missing", 0}};
    for (const auto &[tag, value] : ints) EXPECT_EQ(r.GetInt(x(tag)), value) << tag;
    EXPECT_TRUE(r.GetCount(x("title")) == 2 && r.GetCount(x("")) == 0);
    // Setting by tag changes the first occurrence only; by index it never creates.
    r.SetString(x("title"), x("a&b"));
    EXPECT_FALSE(r.MSetString(x("title"), 2, x("new")));
    EXPECT_TRUE(r.MSetString(x("title"), 1, x("two")) && r.GetCount(x("title")) == 2);
    EXPECT_EQ(getString(r, "title") + "|" + mGetString(r, "title", 1), "a&b|two");
    EXPECT_TRUE(r.MSetAttr(x("c"), 1, x("k"), x("v")) && !r.MSetAttr(x("c"), 2, x("k"), x("v")));
    EXPECT_EQ(QUORVEL_TEXT(r.MGetAttr(x("c"), 1, x("k"), out_)), "v");
    // A null tag and a missing child change nothing; Remove takes every occurrence at once.
    const std::string before = xmlOf(r);
    r.SetString(x(""), x("v"));
    r.SetAttr(x("missing"), x("k"), x("v"));
    r.Remove(x("missing"));
    EXPECT_EQ(xmlOf(r), before);
    r.Remove(x("title"));
    EXPECT_EQ(r.GetCount(x("title")), 0);
    // Feed text is entity-decoded (named HTML entities and CDATA: the sample feeds of FeedFilesTest).
    const struct { const char *content, *text; } cases[] = {
        {"it&amp;#8217;s", "it\xE2\x80\x99s"}, {"a&amp;nbsp;b", "a b"}, {"&amp;unknown; &amp;", "&unknown; &"}};
    for (const auto &c : cases)
        EXPECT_EQ(getString(*loaded(std::string("<item><description>") + c.content + "</description></item>"), "description"),
                  c.text) << c.content;
}

TEST(Rss, Dates) {
    auto rss = loaded(
        "<item><a>Fri, 21 Mar 2014 10:00:00 -0500</a><empty></empty><q>&quot;21 Mar 2014 15:00:00 GMT&quot;</q></item>");
    ClsRss &r = *rss;
    EXPECT_EQ(dateStr(r, "a"), "Fri, 21 Mar 2014 15:00:00 GMT");
    EXPECT_DOUBLE_EQ(r.GetDate(x("a")), 41719.625);
    EXPECT_EQ(dateStr(r, "q"), "Fri, 21 Mar 2014 15:00:00 GMT");  // entity-decoded, then unquoted (the other texts: DateTextTest)
    for (const char *tag : {"missing", "empty"})
        EXPECT_TRUE(dateStr(r, tag) == "Sun, 00 Jan 0 00:00:00 GMT" && r.GetDate(x(tag)) == 2.0) << tag << ": " << dateStr(r, tag);
    r.SetDateStr(x("pubDate"), x(""));  // a date text is written as RFC 822 in GMT: builtFeed
    EXPECT_EQ(getString(r, "pubDate"), "Sun, 00 Jan 0 00:00:00 GMT");
    QUORVEL_IN_ZONE("<+01>-1");  // the UTC rules above run everywhere; local time in a zone of its own
    r.SetDate(x("pubDate"), 41719.416666666664);  // 21 March 2014 10:00 local
    EXPECT_EQ(getString(r, "pubDate"), "Fri, 21 Mar 2014 10:00:00 +0100");
    EXPECT_DOUBLE_EQ(r.GetDate(x("pubDate")), 41719.375);  // read back as UTC clock time
    r.SetDate(x("pubDate"), 1e9);  // an automation date out of range stores the current UTC time
    EXPECT_EQ(getString(r, "pubDate").substr(25), " GMT");
}

}  // namespace
}  // namespace quorvel::test
