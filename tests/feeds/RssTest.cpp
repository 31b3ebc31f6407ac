// The RSS object: the template, values by tag and index, sub-objects on the shared tree, dates.
#include <climits>

#include "FeedReaders.h"
#include "datetime/ZoneScope.h"

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

TEST(Rss, TemplateBuildingAndEditingWriteExactText) {
    ClsRss empty;
    EXPECT_EQ(xmlOf(empty), crlf({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<unnamed />"}));
    ASSERT_TRUE(empty.LoadRssString(x("<rss><channel/></rss>")) && empty.get_NumChannels() == 1);
    empty.NewRss();  // replaces a loaded document whole
    EXPECT_EQ(xmlOf(empty), crlf({"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<rss version=\"2.0\" />"}));
    EXPECT_EQ(empty.get_NumChannels() + empty.get_NumItems(), 0);
    auto owner = builtFeed();
    ClsRss &rss = *owner;
    auto channel = rss.GetChannel(0);
    ASSERT_TRUE(channel && channel->GetItem(0) && channel->GetImage());
    auto item = channel->GetItem(0), image = channel->GetImage();
    EXPECT_EQ(xmlOf(rss), crlf({"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<rss version=\"2.0\">", "    <channel>",
                                "        <title>Quorvel &amp; \"friends\" — Grüße 日本 🎉 'q'</title>",
                                "        <link>https://example.com/</link>", "        <ttl>60</ttl>", "        <item>",
                                "            <title>First &lt;post&gt;</title>", "            <pubDate>Fri, 21 Mar 2014 09:00:00 GMT</pubDate>",
                                "            <guid isPermaLink=\"false\">abc</guid>",
                                "            <enclosure url=\"a.mp3?x=1&amp;y=&quot;2&quot; &apos;q&apos; &lt;3&gt;\" />", "        </item>", "        <image>",
                                "            <url>https://example.com/i.png</url>", "        </image>", "    </channel>",
                                "</rss>"}));
    // A sub-object writes its own element, without a declaration.
    EXPECT_EQ(xmlOf(*image), crlf({"", "<image>", "    <url>https://example.com/i.png</url>", "</image>"}));
    // Edits in place: a value replaced, an attribute replaced, elements removed, an int set.
    channel->SetString(x("title"), x("Renamed"));
    item->SetAttr(x("guid"), x("isPermaLink"), x("true"));
    item->Remove(x("pubDate"));
    item->Remove(x("enclosure"));
    channel->Remove(x("image"));
    channel->SetInt(x("ttl"), -5);
    EXPECT_EQ(xmlOf(*channel), crlf({"", "<channel>", "    <title>Renamed</title>", "    <link>https://example.com/</link>",
                                     "    <ttl>-5</ttl>", "    <item>", "        <title>First &lt;post&gt;</title>",
                                     "        <guid isPermaLink=\"true\">abc</guid>", "    </item>", "</channel>"}));
}

TEST(Rss, IndependentReadersReadTheBuiltFeed) { expectIndependentReadersAgree(*builtFeed(), "RssReaders"); }

TEST(Rss, SubObjectsOutliveTheOwnerAndFailedLoadsKeepTheDocument) {
    auto rss = ClsRss::createNew();
    rss->NewRss();
    auto first = rss->AddNewChannel(), second = rss->AddNewChannel();
    auto item = second ? second->AddNewItem() : nullptr;
    ASSERT_TRUE(first && item);
    item->SetString(x("title"), x("in the second channel"));
    EXPECT_TRUE(rss->get_NumChannels() == 2 && rss->GetChannel(0)->get_NumItems() == 0 && rss->GetChannel(1)->get_NumItems() == 1);
    EXPECT_EQ(getString(*rss->GetChannel(1)->GetItem(0), "title"), "in the second channel");
    EXPECT_FALSE(rss->GetChannel(2) || rss->GetChannel(-1) || second->GetItem(1) || second->GetImage());
    // The owner goes; its sub-objects keep the tree and still edit it.
    rss.reset();
    item->SetString(x("link"), x("l"));
    EXPECT_EQ(getString(*second->GetItem(0), "link"), "l");
    first.reset();
    second.reset();
    EXPECT_EQ(xmlOf(*item), crlf({"", "<item>", "    <title>in the second channel</title>", "    <link>l</link>", "</item>"}));
    // A loaded document leaves objects of the old tree on the old tree.
    auto owner = loaded("<rss><channel><title>old</title></channel></rss>");
    auto oldChannel = owner->GetChannel(0);
    ASSERT_TRUE(owner->LoadRssString(x("<rss><channel><title>new</title></channel></rss>")));
    EXPECT_EQ(getString(*owner->GetChannel(0), "title"), "new");
    // Failed loads keep the document (loading files that exist: FeedFilesTest).
    const std::string before = xmlOf(*owner);
    EXPECT_FALSE(owner->LoadRssFile(x(scratchDir("RssLoadingFiles") + "missing.xml")));
    EXPECT_TRUE(logHas(*owner, "LoadRssFile") && logHas(*owner, "Failed."));
    EXPECT_FALSE(owner->LoadRssString(x("no markup at all")));
    EXPECT_EQ(xmlOf(*owner), before);
    // Each logging method replaces the log with its own context; the counts log nothing.
    getString(*owner, "title");
    const std::string log = lastError(*owner);
    EXPECT_TRUE(logHas(*owner, "GetString") && !logHas(*owner, "LoadRssString"));
    EXPECT_TRUE(owner->get_NumChannels() == 1 && owner->get_NumItems() == 0 && lastError(*owner) == log);
    owner.reset();
    EXPECT_EQ(getString(*oldChannel, "title"), "old");
}

TEST(Rss, ValuesByTagAndIndexAndEntityDecoding) {
    auto rss = loaded(
        "<item><title>a &amp;amp; b</title><title>second</title><n>+42abc</n><neg>-7</neg><big>99999999999</big>"
        "<none>abc</none><c attr=\"x &amp;amp; y\"/><c/></item>");
    ClsRss &r = *rss;
    const struct { std::string got, want; } reads[] = {
        {getString(r, "title"), "a & b"},  // the parser decodes one level, the feed text one more
        {getString(r, "missing"), ""}, {getString(r, ""), ""}, {mGetString(r, "title", 1), "second"},
        {mGetString(r, "title", 2), "(null)"}, {mGetString(r, "title", -1), "(null)"}, {mGetString(r, "", 0), "(null)"},
        {QUORVEL_TEXT(r.GetAttr(x("c"), x("attr"), out_)), "x & y"}, {QUORVEL_TEXT(r.GetAttr(x("c"), x("other"), out_)), ""},
        {QUORVEL_TEXT(r.GetAttr(x("missing"), x("attr"), out_)), ""},
        {QUORVEL_TEXT(r.MGetAttr(x("c"), 0, x("attr"), out_)), "x & y"},
        {QUORVEL_TEXT(r.MGetAttr(x("c"), 1, x("attr"), out_)), ""},
        {QUORVEL_TEXT(r.MGetAttr(x("c"), 2, x("attr"), out_)), "(null)"},
    };
    for (const auto &read : reads) EXPECT_EQ(read.got, read.want);
    // The integer rule: leading sign and digits, saturated, 0 for none.
    const std::pair<const char *, int> ints[] = {{"n", 42}, {"neg", -7}, {"big", INT_MAX}, {"none", 0}, {"missing", 0}, {"", 0}};
    for (const auto &[tag, value] : ints) EXPECT_EQ(r.GetInt(x(tag)), value) << tag;
    EXPECT_TRUE(r.GetCount(x("title")) == 2 && r.GetCount(x("")) == 0);
    // Setting by tag changes the first occurrence only; by index it never creates.
    r.SetString(x("title"), x("a&b"));
    EXPECT_EQ(getString(r, "title") + "|" + mGetString(r, "title", 1), "a&b|second");
    EXPECT_FALSE(r.MSetString(x("title"), 2, x("new")));
    EXPECT_TRUE(r.MSetString(x("title"), 1, x("two")) && r.GetCount(x("title")) == 2);
    EXPECT_EQ(mGetString(r, "title", 1), "two");
    EXPECT_TRUE(r.MSetAttr(x("c"), 1, x("k"), x("v")));
    EXPECT_FALSE(r.MSetAttr(x("c"), 2, x("k"), x("v")) || r.MSetAttr(x(""), 0, x("k"), x("v")) ||
                 r.MSetAttr(x("c"), 0, x(""), x("v")));
    EXPECT_EQ(QUORVEL_TEXT(r.MGetAttr(x("c"), 1, x("k"), out_)), "v");
    // A null tag and a missing child change nothing; a new tag is appended.
    const std::string before = xmlOf(r);
    r.SetString(x(""), x("v"));
    r.SetAttr(x("missing"), x("k"), x("v"));
    r.SetAttr(x("c"), x(""), x("v"));
    r.Remove(x("missing"));
    EXPECT_EQ(xmlOf(r), before);
    r.SetString(x("added"), x(""));
    // Remove takes every occurrence at once.
    r.Remove(x("title"));
    r.Remove(x("c"));
    EXPECT_EQ(xmlOf(r), crlf({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<item>", "    <n>+42abc</n>", "    <neg>-7</neg>",
                              "    <big>99999999999</big>", "    <none>abc</none>", "    <added />", "</item>"}));
    // Feed text is entity-decoded.
    const struct { const char *content, *text; } cases[] = {
        {"caf&amp;eacute; &amp;copy;", "caf\xC3\xA9 \xC2\xA9"}, {"&amp;lt;b&amp;gt;bold&amp;lt;/b&amp;gt;", "<b>bold</b>"},
        {"it&#8217;s", "it\xE2\x80\x99s"},      // a numeric reference, decoded by the parser
        {"it&amp;#8217;s", "it\xE2\x80\x99s"},  // the same reference escaped once, decoded as feed text
        {"a&amp;nbsp;b", "a b"}, {"<![CDATA[<p>x &amp; y</p>]]>", "<p>x & y</p>"}, {"&amp;unknown; &amp;", "&unknown; &"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(getString(*loaded(std::string("<item><description>") + c.content + "</description></item>"), "description"),
                  c.text) << c.content;
}

TEST(Rss, Dates) {
    auto rss = loaded(
        "<item><a>Fri, 21 Mar 2014 10:00:00 -0500</a><iso>2014-03-21T10:00:00+01:00</iso><empty></empty>"
        "<bad>Fri, 21 Foo 2014 10:00:00 GMT</bad><q>&quot;21 Mar 2014 15:00:00 GMT&quot;</q></item>");
    ClsRss &r = *rss;
    EXPECT_EQ(dateStr(r, "a"), "Fri, 21 Mar 2014 15:00:00 GMT");
    EXPECT_DOUBLE_EQ(r.GetDate(x("a")), 41719.625);
    EXPECT_EQ(dateStr(r, "iso"), "Fri, 21 Mar 2014 09:00:00 GMT");  // ISO 8601 is read too
    EXPECT_EQ(dateStr(r, "q"), "Fri, 21 Mar 2014 15:00:00 GMT");    // entity-decoded, then unquoted
    for (const char *tag : {"missing", "empty"})
        EXPECT_TRUE(dateStr(r, tag) == "Sun, 00 Jan 0 00:00:00 GMT" && r.GetDate(x(tag)) == 2.0) << tag << ": " << dateStr(r, tag);
    // Text that is no date gives the parser's fallback, the current time, and says why.
    EXPECT_GT(r.GetDate(x("bad")), 41719.0);
    EXPECT_TRUE(logHas(r, "parseRfc822Date: invalid month abbreviation") && logHas(r, "Returning current date/time"));
    const std::pair<const char *, const char *> stored[] = {{"2014-03-21T10:00:00+01:00", "Fri, 21 Mar 2014 09:00:00 GMT"},
                                                            {"21-Mar-14 10:00 PST", "Fri, 21 Mar 2014 18:00:00 GMT"},
                                                            {"", "Sun, 00 Jan 0 00:00:00 GMT"}};
    for (const auto &[text, written] : stored) {
        r.SetDateStr(x("pubDate"), x(text));
        EXPECT_EQ(getString(r, "pubDate"), written) << text;
    }
    EXPECT_EQ(r.GetCount(x("pubDate")), 1);
    QUORVEL_IN_ZONE("<+01>-1");  // the UTC rules above run everywhere; local time in a zone of its own
    r.SetDate(x("pubDate"), 41719.416666666664);  // 21 March 2014 10:00 local
    EXPECT_EQ(getString(r, "pubDate"), "Fri, 21 Mar 2014 10:00:00 +0100");
    EXPECT_DOUBLE_EQ(r.GetDate(x("pubDate")), 41719.375);  // read back as UTC clock time
    EXPECT_EQ(dateStr(r, "pubDate"), "Fri, 21 Mar 2014 09:00:00 GMT");
    r.SetDateNow(x("lastBuildDate"));
    const std::string now = getString(r, "lastBuildDate");
    EXPECT_TRUE(now.size() == 31u && now.substr(26) == "+0100") << now;
    // An automation date out of range stores the current UTC time.
    r.SetDate(x("pubDate"), 1e9);
    const std::string utcNow = getString(r, "pubDate");
    EXPECT_EQ(utcNow.substr(utcNow.size() - 4), " GMT") << utcNow;
}

}  // namespace
}  // namespace quorvel::test
