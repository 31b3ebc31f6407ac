// The Atom object: templates, typed content, the index rule, updates, persons, links, entries
// on the shared tree and dates.
#include "FeedTestSupport.h"
#include "datetime/ClsDateTime.h"
#include "support/ZoneScope.h"

namespace quorvel::test {
namespace {

std::unique_ptr<ClsAtom> loaded(const std::string &xml) {
    auto atom = ClsAtom::createNew();
    EXPECT_TRUE(atom && atom->LoadXml(x(xml))) << xml;
    return atom;
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
    EXPECT_EQ(xmlOf(*builtFeed()),
              crlf({kFeedStart, "<feed xmlns=\"http://www.w3.org/2005/Atom\">", kGenerator,
                    "    <title>One &amp; two — 日本 🎉</title>", "    <title>second</title>",
                    "    <subtitle type=\"html\">&lt;b&gt;x&lt;/b&gt;</subtitle>", "    <rights type=\"application/xhtml+xml\">",
                    "        <div xmlns=\"http://www.w3.org/1999/xhtml\">Hi</div>", "    </rights>", "    <extra>",
                    "        <data n=\"1\">", "            <v>2 &lt; 3</v>", "        </data>", "    </extra>",
                    "    <link rel=\"alternate\" href=\"https://example.com/\" />",
                    "    <link rel=\"self\" href=\"https://example.com/feed?x=1&amp;y=2\" title=\"A &quot;feed&quot;\" "
                    "type=\"application/atom+xml\" />",
                    "    <author>", "        <name>Ann &amp; Bo</name>", "        <email>ann@example.com</email>", "    </author>",
                    "    <updated>2014-03-21T09:00:00Z</updated>", "    <entry>", "        <title>e</title>", "    </entry>",
                    "</feed>"}));
}

TEST(Atom, TypedContentAndTheIndexRule) {
    // Text types are entity-decoded: the content types of the sample feed atom_content.xml.
    auto atom = loaded("<feed><a type=\"XHTML\"><div>Hi</div></a><b type=\"text/xml\">a &amp;amp; b</b><d>x</d></feed>");
    ClsAtom &a = *atom;
    expectReads({
        {element(a, "a"), "\r\n<div>Hi</div>\r\n"},  // the child's subtree as XML text
        {element(a, "b"), "a &amp; b"},             // markup type without a child: the content as it is
        {element(a, "d", 1), ""}, {element(a, "missing"), ""}, {element(a, ""), ""},
    });
    // Index results: the count with that tag minus one after the change; -1 for a null tag.
    const std::string before = xmlOf(a);
    for (int result : {a.AddElement(x(""), x("v")), a.AddElementHtml(x(" "), x("v")), a.AddElementXHtml(x(""), x("<p/>")),
                       a.AddElementDate(x(""), 41719.0), a.AddElementDateStr(x(""), x("2014-03-21T10:00:00Z")),
                       a.AddElementDt(x("d"), nullptr)})
        EXPECT_EQ(result, -1);
    EXPECT_EQ(xmlOf(a), before);
    EXPECT_TRUE(a.AddElement(x("d"), x("2")) == 1 && a.AddElementXml(x("d"), x("<p/>")) == 2 && a.GetElementCount(x("d")) == 3);
    // Markup that holds no element leaves the new element empty.
    EXPECT_TRUE(a.AddElementXHtml(x("f"), x("no markup")) == 0 && element(a, "f") == "");
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
    a.SetElementAttr(x("title"), 0, x("lang"), x("en & fr"));
    a.SetElementAttr(x("title"), 0, x("lang"), x("de"));
    a.SetElementAttr(x("title"), 5, x("lang"), x("no"));
    a.SetElementAttr(x("subtitle"), 0, x("k"), x("v"));
    a.DeleteElementAttr(x("subtitle"), 0, x("k"));
    a.DeleteElement(x("rights"), 0);
    a.DeleteElement(x("content"), 4);
    // An emptied children array indents the close tag.
    EXPECT_EQ(xmlOf(a), crlf({kPlainStart, "<feed>", "    <title lang=\"de\">plain    </title>",
                              "    <summary type=\"html\">&lt;i&gt;s&lt;/i&gt;</summary>", "    <subtitle>added</subtitle>",
                              "    <content type=\"application/xhtml+xml\">", "        <div>two</div>", "    </content>",
                              "    <data type=\"text/xml\">", "        <v />", "    </data>", "</feed>"}));
}

TEST(Atom, PersonsLinksAndEntriesOnTheSharedTree) {
    auto atom = loaded(
        "<feed><link rel=\"alternate\" href=\"https://example.com/\"/><link rel=\"nohref\"/>"
        "<entry><link rel=\"alternate\" href=\"https://example.com/e\"/><link rel=\"enclosure\" href=\"e.mp3\"/>"
        "</entry><author><name>A &amp;amp; B</name></author></feed>");
    ClsAtom &a = *atom;
    // Breadth-first: the feed's own link first; a wildcard finds one inside the entry.
    EXPECT_EQ(href(a, "alternate") + "|" + href(a, "encl*") + "|" + href(a, "nohref") + "|" + href(a, "related"),
              "https://example.com/|e.mp3||(null)");
    EXPECT_EQ(href(*a.GetEntry(0), "alternate"), "https://example.com/e");
    // An entry edits the owner's tree (outliving the owner: the RSS sub-objects' test).
    std::unique_ptr<ClsAtom> entry = a.GetEntry(0);
    ASSERT_TRUE(entry && a.get_NumEntries() == 1 && !a.GetEntry(1) && !a.GetEntry(-1));
    entry->AddElement(x("title"), x("e"));
    EXPECT_EQ(element(*a.GetEntry(0), "title"), "e");
    entry->AddEntry(x("junk"));  // entry text that holds no element adds nothing
    EXPECT_TRUE(entry->get_NumEntries() == 0 && logHas(*entry, "AddEntry"));
    // Person parts are read as stored: not entity-decoded.
    EXPECT_EQ(person(a, 0, "name") + "|" + person(a, 0, "email") + "|" + person(a, 1, "name"), "A &amp; B||");
    a.UpdatePerson(x("author"), 0, x("Ann"), x("https://ann.example/"), x(""));
    a.UpdatePerson(x("author"), 1, x("Nobody"), x(""), x(""));
    a.AddPerson(x("contributor"), x(""), x(""), x(""));  // nothing to write
    a.AddPerson(x("contributor"), x(""), x("https://c.example/"), x("c@example.com"));
    a.DeleteElement(x("entry"), 0);
    a.DeleteElement(x("link"), 1);
    EXPECT_EQ(xmlOf(a), crlf({kPlainStart, "<feed>", "    <link rel=\"alternate\" href=\"https://example.com/\" />", "    <author>",
                              "        <name>Ann</name>", "        <uri>https://ann.example/</uri>", "    </author>", "    <contributor>",
                              "        <uri>https://c.example/</uri>", "        <email>c@example.com</email>", "    </contributor>",
                              "</feed>"}));
    a.DeletePerson(x("contributor"), 0);
    EXPECT_EQ(a.GetElementCount(x("contributor")), 0);
    EXPECT_EQ(href(*entry, "enclosure"), "e.mp3");  // the detached entry lives on in its own tree
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
    // Written as ISO 8601 in UTC, whatever text is given (ISO text with an offset: builtFeed).
    const std::pair<const char *, const char *> texts[] = {{"Fri, 21 Mar 2014 10:00:00 -0500", "2014-03-21T15:00:00Z"},
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
    QUORVEL_IN_ZONE("<+01>-1");  // the UTC rules above run everywhere; local time in a zone of its own
    EXPECT_EQ(a.AddElementDate(x("local"), 41719.416666666664), 0);  // 21 March 2014 10:00 local
    EXPECT_EQ(element(a, "local"), "2014-03-21T09:00:00Z");
    EXPECT_DOUBLE_EQ(a.GetElementDate(x("local"), 0), 41719.375);  // read back as UTC clock time
}

}  // namespace
}  // namespace quorvel::test
