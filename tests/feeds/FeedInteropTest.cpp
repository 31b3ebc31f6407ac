// Feeds built by the objects, read by independent implementations: Python's xml.etree must see
// the same elements, attributes and texts, and xmllint must accept the documents.
#include <cstdlib>

#include "FeedTestSupport.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

// Depth, tag, attributes (name=value joined by \x01, namespace declarations left out) and the
// trimmed text of each element in document order, read through the Xml object.
void walk(ClsXml &element, int depth, std::vector<Record> &out) {
    XString tag, content;
    element.get_Tag(tag);
    element.get_Content(content);
    std::string attributes;
    for (int i = 0; i < element.get_NumAttributes(); ++i) {
        XString name, value;
        element.GetAttributeName(i, name);
        element.GetAttributeValue(i, value);
        if (std::string(name.getUtf8()).rfind("xmlns", 0) == 0) continue;
        attributes += (attributes.empty() ? "" : "\x01") + std::string(name.getUtf8()) + "=" + value.getUtf8();
    }
    content.trim();
    out.push_back({std::to_string(depth), tag.getUtf8(), attributes, content.getUtf8()});
    for (int i = 0; i < element.get_NumChildren(); ++i) walk(*element.GetChild(i), depth + 1, out);
}

const char kEtreeReader[] = R"PY(
import xml.etree.ElementTree as ET
def local(name): return name.split('}', 1)[1] if name.startswith('{') else name
def walk(e, depth):
    attributes = '\x01'.join(local(k) + '=' + v for k, v in e.attrib.items())
    replies.append([str(depth).encode(), local(e.tag).encode(), attributes.encode(), (e.text or '').strip().encode()])
    for child in e: walk(child, depth + 1)
try:
    walk(ET.fromstring(records[0][0]), 0)
except ET.ParseError as e:
    fail(0, str(e))
)PY";

const char *const kTricky = "Grüße — 日本 🎉 \"quoted\" & 'single' <tag>";

std::unique_ptr<ClsRss> builtRss() {
    auto rss = ClsRss::createNew();
    rss->NewRss();
    auto channel = rss->AddNewChannel();
    channel->SetString(x("title"), x(kTricky));
    channel->SetString(x("link"), x("https://example.com/?a=1&b=2"));
    channel->AddNewImage()->SetInt(x("width"), 88);
    for (const char *title : {"First", "Second > first"}) {
        auto item = channel->AddNewItem();
        item->SetString(x("title"), x(title));
        item->SetString(x("description"), x("<p>HTML &amp; text</p>"));
        item->SetString(x("guid"), x(std::string("urn:") + title));
        item->SetAttr(x("guid"), x("isPermaLink"), x("false"));
        item->SetString(x("enclosure"), x(""));
        item->SetAttr(x("enclosure"), x("url"), x(std::string("https://example.com/a.mp3?x=1&y=") + kTricky));
    }
    return rss;
}

std::unique_ptr<ClsAtom> builtAtom() {
    auto atom = ClsAtom::createNew();
    atom->NewFeed();
    atom->SetTopAttr(x("xmlns"), x("http://www.w3.org/2005/Atom"));
    atom->AddElement(x("title"), x(kTricky));
    atom->AddElementHtml(x("subtitle"), x("<em>HTML</em> & text"));
    atom->AddLink(x("self"), x("https://example.com/feed?x=1&y=2"), x("A \"feed\""), x("application/atom+xml"));
    atom->AddPerson(x("author"), x("Ann & Bo"), x("https://example.com/ann"), x("ann@example.com"));
    atom->AddElementDateStr(x("updated"), x("Fri, 21 Mar 2014 10:00:00 GMT"));
    atom->AddEntry(x("<entry><title>Entry</title><id>urn:1</id></entry>"));
    auto entry = atom->GetEntry(0);
    entry->AddElementXHtml(x("content"), x("<div xmlns=\"http://www.w3.org/1999/xhtml\"><p>Hi <b>there</b></p></div>"));
    entry->AddElementXml(x("data"), x("<v a=\"1\">2 &lt; 3</v>"));
    entry->UpdateElementDateStr(x("updated"), 0, x("2014-03-21T10:00:00-05:00"));
    return atom;
}

template <class Feed>
void expectEtreeAgrees(Feed &feed, const char *name) {
    std::vector<Record> ours, theirs;
    walk(feed.xml(), 0, ours);
    ASSERT_EQ(runPythonOracle(name, kEtreeReader, {{xmlOf(feed)}}, theirs), "") << xmlOf(feed);
    EXPECT_EQ(theirs, ours) << xmlOf(feed);
}

TEST(FeedInterop, PythonEtreeReadsTheSameFeeds) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available";
    expectEtreeAgrees(*builtRss(), "FeedInteropRss");
    expectEtreeAgrees(*builtAtom(), "FeedInteropAtom");
}

TEST(FeedInterop, XmllintAcceptsBoth) {
#ifdef _WIN32
    GTEST_SKIP() << "xmllint is not run under Wine";
#else
    if (std::system("xmllint --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is missing (Debian: libxml2-utils)";
    const std::string dir = scratchDir("FeedInteropXmllint");
    const struct { const char *file; std::string xml; } documents[] = {{"rss.xml", xmlOf(*builtRss())}, {"atom.xml", xmlOf(*builtAtom())}};
    for (const auto &d : documents) {
        const std::string path = dir + d.file;
        ASSERT_TRUE(writeRawFile(path, d.xml));
        const std::string command = "xmllint --noout \"" + path + "\" 2> \"" + path + ".err\"";
        std::string errors;
        EXPECT_EQ(std::system(command.c_str()), 0) << d.file << ": " << (readRawFile(path + ".err", errors), errors);
    }
#endif
}

}  // namespace
}  // namespace quorvel::test
