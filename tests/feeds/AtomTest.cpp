// The Atom object: templates, typed content, the index rule, updates, persons, links, entries
// on the shared tree and dates.
#include "FeedReaders.h"
#include "datetime/ClsDateTime.h"
#include "datetime/ZoneScope.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel::test {
namespace {

std::unique_ptr<ClsAtom> loaded(const std::string &xml) {
    auto atom = ClsAtom::createNew();
    EXPECT_TRUE(atom && atom->LoadXml(x(xml))) << xml;
    return atom;
}

std::string attr(ClsAtom &a, const char *tag, int i, const char *name) {
    return QUORVEL_TEXT(a.GetElementAttr(x(tag), i, x(name), out_));
}
std::string dateStr(ClsAtom &a, const char *tag) { return QUORVEL_TEXT(a.GetElementDateStr(x(tag), 0, out_)); }
std::string href(ClsAtom &a, const char *rel) { return QUORVEL_TEXT(a.GetLinkHref(x(rel), out_)); }
std::string person(ClsAtom &a, int i, const char *part) {
    return QUORVEL_TEXT(a.GetPersonInfo(x("author"), i, x(part), out_));
}

const char *const kFeedStart = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>";
const char *const kPlainStart = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";
const char *const kGenerator = "    <generator uri=\"https://quorvel.org/xml\" version=\"2.0\">Quorvel</generator>";

// Every kind of element, link and person; text and attribute values that need escaping.
std::unique_ptr<ClsAtom> builtFeed() {
    auto atom = ClsAtom::createNew();
    atom->NewFeed();
    atom->SetTopAttr(x("xmlns"), x("http://www.w3.org/2005/Atom"));
    EXPECT_EQ(atom->AddElement(x("title"), x("One & two — 日本 🎉")), 0);
    EXPECT_EQ(atom->AddElement(x("title"), x("second")), 1);
    EXPECT_EQ(atom->AddElementHtml(x("subtitle"), x("<b>x</b>")), 0);
    EXPECT_EQ(atom->AddElementXHtml(x("rights"), x("<div xmlns=\"http://www.w3.org/1999/xhtml\">Hi</div>")), 0);
    EXPECT_EQ(atom->AddElementXml(x("extra"), x("<data n=\"1\"><v>2 &lt; 3</v></data>")), 0);
    atom->AddLink(x("alternate"), x("https://example.com/"), x(""), x(""));
    atom->AddLink(x("self"), x("https://example.com/feed?x=1&y=2"), x("A \"feed\""), x("application/atom+xml"));
    atom->AddPerson(x("author"), x("Ann & Bo"), x(""), x("ann@example.com"));
    EXPECT_EQ(atom->AddElementDateStr(x("updated"), x("2014-03-21T10:00:00+01:00")), 0);
    atom->AddEntry(x("<entry><title>e</title></entry>"));
    return atom;
}

TEST(Atom, TemplatesAndBuildingAFeedWriteExactText) {
    ClsAtom empty;
    empty.NewEntry();
    EXPECT_EQ(xmlOf(empty), crlf({kFeedStart, "<entry />"}));
    empty.NewFeed();
    EXPECT_EQ(xmlOf(empty), crlf({kFeedStart, "<feed>", kGenerator, "</feed>"}));
    EXPECT_EQ(empty.get_NumEntries(), 0);
    EXPECT_EQ(QUORVEL_TEXT(empty.GetTopAttr(x("xmlns"), out_)) + "|" + attr(empty, "generator", 0, "uri") + "|" +
                  element(empty, "generator"), std::string("|") + ClsAtom::kGeneratorUri + "|Quorvel");
    auto owner = builtFeed();
    ClsAtom &atom = *owner;
    EXPECT_EQ(xmlOf(atom),
              crlf({kFeedStart, "<feed xmlns=\"http://www.w3.org/2005/Atom\">", kGenerator,
                    "    <title>One &amp; two — 日本 🎉</title>", "    <title>second</title>",
                    "    <subtitle type=\"html\">&lt;b&gt;x&lt;/b&gt;</subtitle>",
                    "    <rights type=\"application/xhtml+xml\">", "        <div xmlns=\"http://www.w3.org/1999/xhtml\">Hi</div>",
                    "    </rights>", "    <extra>",
                    "        <data n=\"1\">", "            <v>2 &lt; 3</v>", "        </data>", "    </extra>",
                    "    <link rel=\"alternate\" href=\"https://example.com/\" />",
                    "    <link rel=\"self\" href=\"https://example.com/feed?x=1&amp;y=2\" title=\"A &quot;feed&quot;\" "
                    "type=\"application/atom+xml\" />",
                    "    <author>", "        <name>Ann &amp; Bo</name>", "        <email>ann@example.com</email>", "    </author>",
                    "    <updated>2014-03-21T09:00:00Z</updated>", "    <entry>", "        <title>e</title>", "    </entry>",
                    "</feed>"}));
    EXPECT_EQ(atom.get_NumEntries(), 1);
}

TEST(Atom, IndependentReadersReadTheBuiltFeed) { expectIndependentReadersAgree(*builtFeed(), "AtomReaders"); }

TEST(Atom, TypedContentAndTheIndexRule) {
    auto atom = loaded(
        "<feed><a type=\"XHTML\"><div>Hi</div></a><b type=\"text/xml\">a &amp;amp; b</b><c type=\"html\">"
        "&lt;i&gt;caf&amp;eacute;&lt;/i&gt;</c><d>x &amp;amp; y</d><e type=\"text\">&amp;lt;</e></feed>");
    ClsAtom &a = *atom;
    const struct { std::string got, want; } reads[] = {
        {element(a, "a"), "\r\n<div>Hi</div>\r\n"},  // the child's subtree as XML text
        {element(a, "b"), "a &amp; b"},             // markup type without a child: the content as it is
        {element(a, "c"), "<i>caf\xC3\xA9</i>"},    // text types are entity-decoded
        {element(a, "d"), "x & y"}, {element(a, "e"), "<"}, {element(a, "d", 1), ""}, {element(a, "missing"), ""},
        {element(a, ""), ""},
    };
    for (const auto &r : reads) EXPECT_EQ(r.got, r.want);
    // Index results: the count with that tag minus one after the change; -1 for a null tag.
    const std::string before = xmlOf(a);
    for (int result : {a.AddElement(x(""), x("v")), a.AddElementHtml(x(" "), x("v")), a.AddElementXHtml(x(""), x("<p/>")),
                       a.AddElementDate(x(""), 41719.0), a.AddElementDateStr(x(""), x("2014-03-21T10:00:00Z")),
                       a.AddElementDt(x("d"), nullptr)})
        EXPECT_EQ(result, -1);
    EXPECT_EQ(xmlOf(a), before);
    EXPECT_EQ(a.AddElement(x("d"), x("2")), 1);
    EXPECT_EQ(a.AddElementXml(x("d"), x("<p/>")), 2);
    // Markup that holds no element leaves the new element empty.
    EXPECT_EQ(a.AddElementXHtml(x("f"), x("no markup")), 0);
    EXPECT_EQ(element(a, "f"), "");
    EXPECT_EQ(a.GetElementCount(x("d")), 3);
    EXPECT_TRUE(a.HasElement(x("f")) && !a.HasElement(x("g")) && !a.HasElement(x("")));
}

TEST(Atom, UpdatesAndDeletes) {
    auto atom = loaded("<feed><title type=\"html\">&lt;b&gt;<x/></title><summary>s</summary></feed>");
    ClsAtom &a = *atom;
    a.UpdateElement(x("title"), 0, x("plain"));     // type and children go
    a.UpdateElement(x("title"), 3, x("nothing"));   // missing and not index 0: nothing
    a.UpdateElement(x("subtitle"), 0, x("added"));  // missing at index 0: added
    a.UpdateElementHtml(x("summary"), 0, x("<i>s</i>"));
    a.UpdateElementHtml(x("rights"), 0, x("<b>r</b>"));
    a.UpdateElementXHtml(x("content"), 0, x("<div>one</div>"));
    a.UpdateElementXHtml(x("content"), 0, x("<div>two</div>"));
    a.UpdateElementXml(x("data"), 0, x("<v/>"));
    a.UpdateElementXml(x("data"), 0, x("not xml"));  // unparsable markup changes nothing
    a.UpdateElementXHtml(x("other"), 1, x("<p/>"));  // missing, index 1: nothing
    // An emptied children array indents the close tag.
    EXPECT_EQ(xmlOf(a), crlf({kPlainStart, "<feed>", "    <title>plain    </title>",
                              "    <summary type=\"html\">&lt;i&gt;s&lt;/i&gt;</summary>", "    <subtitle>added</subtitle>",
                              "    <rights type=\"html\">&lt;b&gt;r&lt;/b&gt;</rights>",
                              "    <content type=\"application/xhtml+xml\">", "        <div>two</div>", "    </content>",
                              "    <data type=\"text/xml\">", "        <v />", "    </data>", "</feed>"}));
    EXPECT_EQ(element(a, "content") + element(a, "data"), "\r\n<div>two</div>\r\n\r\n<v />\r\n");
    a.SetElementAttr(x("title"), 0, x("lang"), x("en & fr"));
    a.SetElementAttr(x("title"), 0, x("lang"), x("de"));
    a.SetElementAttr(x("title"), 5, x("lang"), x("no"));
    a.DeleteElementAttr(x("summary"), 0, x("type"));
    a.DeleteElement(x("rights"), 0);
    a.DeleteElement(x("content"), 4);
    a.DeleteElement(x("data"), 0);
    a.DeleteElement(x("content"), 0);
    EXPECT_EQ(xmlOf(a), crlf({kPlainStart, "<feed>", "    <title lang=\"de\">plain    </title>",
                              "    <summary>&lt;i&gt;s&lt;/i&gt;</summary>", "    <subtitle>added</subtitle>", "</feed>"}));
}

TEST(Atom, PersonsAndLinks) {
    auto atom = loaded(
        "<feed><link rel=\"alternate\" href=\"https://example.com/\"/><link rel=\"nohref\"/>"
        "<entry><link rel=\"alternate\" href=\"https://example.com/e\"/><link rel=\"enclosure\" href=\"e.mp3\"/>"
        "</entry><author><name>A &amp;amp; B</name></author></feed>");
    ClsAtom &a = *atom;
    // Breadth-first: the feed's own link first; a wildcard finds one inside the entry.
    EXPECT_EQ(href(a, "alternate") + "|" + href(a, "encl*") + "|" + href(a, "nohref") + "|" + href(a, "related"),
              "https://example.com/|e.mp3||(null)");
    EXPECT_EQ(href(*a.GetEntry(0), "alternate"), "https://example.com/e");
    // Person parts are read as stored: not entity-decoded.
    EXPECT_EQ(person(a, 0, "name") + "|" + person(a, 0, "email") + "|" + person(a, 1, "name"), "A &amp; B||");
    a.UpdatePerson(x("author"), 0, x("Ann"), x("https://ann.example/"), x(""));
    a.UpdatePerson(x("author"), 1, x("Nobody"), x(""), x(""));
    a.AddPerson(x("contributor"), x(""), x(""), x(""));  // nothing to write
    a.AddPerson(x(""), x("n"), x("u"), x("e"));          // null tag
    a.AddPerson(x("contributor"), x(""), x("https://c.example/"), x("c@example.com"));
    std::unique_ptr<ClsAtom> entry = a.GetEntry(0);
    a.DeleteElement(x("entry"), 0);
    a.DeleteElement(x("link"), 1);
    EXPECT_EQ(xmlOf(a), crlf({kPlainStart, "<feed>", "    <link rel=\"alternate\" href=\"https://example.com/\" />",
                              "    <author>", "        <name>Ann</name>", "        <uri>https://ann.example/</uri>",
                              "    </author>", "    <contributor>", "        <uri>https://c.example/</uri>",
                              "        <email>c@example.com</email>", "    </contributor>", "</feed>"}));
    a.DeletePerson(x("contributor"), 0);
    EXPECT_EQ(a.GetElementCount(x("contributor")), 0);
    EXPECT_EQ(href(*entry, "enclosure"), "e.mp3");  // the detached entry lives on in its own tree
}

TEST(Atom, EntriesShareTheTreeAndOutliveTheOwner) {
    auto atom = loaded("<feed><entry><title>one</title></entry><entry><title>two</title></entry></feed>");
    EXPECT_EQ(atom->get_NumEntries(), 2);
    auto second = atom->GetEntry(1);
    ASSERT_TRUE(second);
    EXPECT_FALSE(atom->GetEntry(2) || atom->GetEntry(-1));
    second->UpdateElement(x("title"), 0, x("TWO"));
    EXPECT_EQ(element(*atom->GetEntry(1), "title"), "TWO");
    atom.reset();
    EXPECT_EQ(second->AddElement(x("id"), x("urn:2")), 0);
    EXPECT_EQ(xmlOf(*second), crlf({"", "<entry>", "    <title>TWO</title>", "    <id>urn:2</id>", "</entry>"}));
    // A new document leaves entries of the old one where they were.
    auto owner = loaded("<feed><entry><title>old</title></entry></feed>");
    auto entry = owner->GetEntry(0);
    owner->NewFeed();
    EXPECT_EQ(element(*entry, "title"), "old");
    // Entry text that holds no element adds nothing; a text that is no document loads nothing.
    owner->AddEntry(x("junk"));
    EXPECT_TRUE(owner->get_NumEntries() == 0 && logHas(*owner, "AddEntry"));
    EXPECT_FALSE(owner->LoadXml(x("no markup")));
    EXPECT_TRUE(logHas(*owner, "Failed.") && xmlOf(*owner).find("<generator") != std::string::npos);
}

TEST(Atom, Dates) {
    auto atom = loaded(
        "<entry><updated>2014-03-21T23:30:00-05:00</updated><rfc>Fri, 21 Mar 2014 09:00:00 GMT</rfc>"
        "<short>2014-03-21T10:00Z</short></entry>");
    ClsAtom &a = *atom;
    EXPECT_EQ(dateStr(a, "updated"), "Sat, 22 Mar 2014 04:30:00 GMT");
    EXPECT_DOUBLE_EQ(a.GetElementDate(x("updated"), 0), 41720.1875);
    // Reading accepts ISO 8601 only; a missing element has no date either.
    for (const char *tag : {"rfc", "short", "missing"}) EXPECT_EQ(dateStr(a, tag), "(null)") << tag;
    EXPECT_DOUBLE_EQ(a.GetElementDate(x("missing"), 0), 2.0);
    EXPECT_GT(a.GetElementDate(x("rfc"), 0), 41720.0);  // no date: the current UTC time
    std::unique_ptr<ClsDateTime> dt = a.GetElementDt(x("updated"), 0), missing = a.GetElementDt(x("missing"), 0),
                                  rfc = a.GetElementDt(x("rfc"), 0);
    StringBuffer serialized;
    ASSERT_TRUE(dt && dt->serialize(serialized) && missing && rfc);
    EXPECT_STREQ(serialized.getString(), "2014 3 22 4 30 0 1");
    EXPECT_TRUE(missing->timeRecord().year >= 2024 && rfc->timeRecord().year >= 2024);  // no date: now
    const std::pair<const char *, const char *> texts[] = {{"Fri, 21 Mar 2014 10:00:00 -0500", "2014-03-21T15:00:00Z"},
                                                           {"2014-03-21T10:00:00+01:00", "2014-03-21T09:00:00Z"},
                                                           {"", "0-00-00T00:00:00Z"}};
    for (const auto &[text, stored] : texts) {
        EXPECT_EQ(a.AddElementDateStr(x("published"), x(text)), 0) << text;
        a.UpdateElementDateStr(x("edited"), 0, x(text));
        EXPECT_EQ(element(a, "published") + "|" + element(a, "edited"), std::string(stored) + "|" + stored) << text;
        a.DeleteElement(x("published"), 0);
    }
    // A date-time object gives its UTC time.
    ClsDateTime utc;
    ASSERT_TRUE(utc.setFromOleDate(false, 41719.375));
    EXPECT_TRUE(a.AddElementDt(x("dt"), &utc) == 0 && element(a, "dt") == "2014-03-21T09:00:00Z") << element(a, "dt");
    ASSERT_TRUE(utc.setFromOleDate(false, 41719.5));
    a.UpdateElementDt(x("dt"), 0, &utc);
    a.UpdateElementDt(x("dt"), 0, nullptr);
    EXPECT_EQ(element(a, "dt"), "2014-03-21T12:00:00Z");
    QUORVEL_IN_ZONE("<+01>-1");  // the UTC rules above run everywhere; local time in a zone of its own
    EXPECT_EQ(a.AddElementDate(x("local"), 41719.416666666664), 0);  // 21 March 2014 10:00 local
    EXPECT_EQ(element(a, "local") + "|" + dateStr(a, "local"), "2014-03-21T09:00:00Z|Fri, 21 Mar 2014 09:00:00 GMT");
    EXPECT_DOUBLE_EQ(a.GetElementDate(x("local"), 0), 41719.375);
    a.UpdateElementDate(x("local"), 0, 41719.5);
    EXPECT_EQ(element(a, "local"), "2014-03-21T11:00:00Z");
    ClsDateTime local;
    ASSERT_TRUE(local.setFromOleDate(true, 41719.416666666664));
    a.UpdateElementDt(x("local"), 0, &local);
    EXPECT_EQ(element(a, "local"), "2014-03-21T09:00:00Z");
}

}  // namespace
}  // namespace quorvel::test
