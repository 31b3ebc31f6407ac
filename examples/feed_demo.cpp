// Feeds, in one tour: build an RSS 2.0 feed and an Atom feed, save both, then read a feed as
// found in the wild (ISO-8859-1, CDATA, entities) and print its channel and items.
//
//     quorvel_feed_demo [feed.xml [output-folder]]
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/text/XString.h"

using namespace quorvel;

namespace {

XString text(const char *utf8) {
    XString s;
    s.setFromUtf8(utf8);
    return s;
}
XString text(const std::string &utf8) { return text(utf8.c_str()); }

std::string value(ClsRss &rss, const char *tag) {
    XString out;
    rss.GetString(text(tag), out);
    return out.getUtf8();
}

void heading(const char *title) { std::printf("\n== %s\n", title); }

// A channel with two items; dates go in as text in either format and are stored as RFC 822.
std::unique_ptr<ClsRss> buildRss() {
    std::unique_ptr<ClsRss> rss = ClsRss::createNew();
    if (!rss) return nullptr;
    rss->NewRss();
    std::unique_ptr<ClsRss> channel = rss->AddNewChannel();
    channel->SetString(text("title"), text("Quorvel release notes"));
    channel->SetString(text("link"), text("https://quorvel.org/xml"));
    channel->SetString(text("description"), text("What changed, release by release"));
    channel->SetDateNow(text("lastBuildDate"));
    const struct {
        const char *title, *date, *guid;
    } items[] = {
        {"9.5: feeds & dates", "2014-03-21T10:00:00+01:00", "release-9.5"},
        {"9.4: faster parsing", "Mon, 10 Feb 2014 08:30:00 -0500", "release-9.4"},
    };
    for (const auto &i : items) {
        std::unique_ptr<ClsRss> item = channel->AddNewItem();
        item->SetString(text("title"), text(i.title));
        item->SetDateStr(text("pubDate"), text(i.date));
        item->SetString(text("guid"), text(i.guid));
        item->SetAttr(text("guid"), text("isPermaLink"), text("false"));
    }
    return rss;
}

// A feed with typed content, a link, an author and one entry.
std::unique_ptr<ClsAtom> buildAtom() {
    std::unique_ptr<ClsAtom> atom = ClsAtom::createNew();
    if (!atom) return nullptr;
    atom->NewFeed();
    atom->SetTopAttr(text("xmlns"), text("http://www.w3.org/2005/Atom"));
    atom->AddElement(text("title"), text("Quorvel release notes"));
    atom->AddElement(text("id"), text("urn:quorvel:releases"));
    atom->AddLink(text("alternate"), text("https://quorvel.org/xml"), text(""), text("text/html"));
    atom->AddPerson(text("author"), text("The Quorvel team"), text("https://quorvel.org/"), text(""));
    atom->AddElementDateStr(text("updated"), text("2014-03-21T10:00:00+01:00"));
    atom->AddEntry(text("<entry><title>9.5: feeds &amp; dates</title><id>urn:quorvel:9.5</id></entry>"));
    std::unique_ptr<ClsAtom> entry = atom->GetEntry(0);
    entry->AddElementDateStr(text("updated"), text("2014-03-21T10:00:00+01:00"));
    entry->AddElementHtml(text("summary"), text("RSS and Atom <b>feed objects</b>."));
    return atom;
}

void save(ClsXml &document, const std::filesystem::path &path) {
    const bool saved = document.SaveXml(text(path.string()));
    std::printf("%s %s\n", saved ? "saved" : "could not save", path.string().c_str());
}

bool read(const std::string &path) {
    heading("Read a feed");
    ClsRss rss;
    if (!rss.LoadRssFile(text(path))) {
        std::printf("could not load %s\n", path.c_str());
        return false;
    }
    std::unique_ptr<ClsRss> channel = rss.GetChannel(0);
    if (!channel) {
        std::printf("%s has no channel\n", path.c_str());
        return false;
    }
    XString built;
    channel->GetDateStr(text("lastBuildDate"), built);
    std::printf("%s <%s>\n  %s\n  built %s, %d items\n", value(*channel, "title").c_str(),
                value(*channel, "link").c_str(), value(*channel, "description").c_str(), built.getUtf8(),
                channel->get_NumItems());
    for (int i = 0; i < channel->get_NumItems(); ++i) {
        std::unique_ptr<ClsRss> item = channel->GetItem(i);
        XString date, enclosure;
        item->GetDateStr(text("pubDate"), date);
        item->GetAttr(text("enclosure"), text("url"), enclosure);
        std::printf("\n  %s\n    %s\n    by %s, %s\n    %s\n", value(*item, "title").c_str(), value(*item, "link").c_str(),
                    item->GetCount(text("dc:creator")) ? value(*item, "dc:creator").c_str() : "(no author)",
                    date.getUtf8(), value(*item, "description").c_str());
        if (!enclosure.isEmpty()) std::printf("    enclosure: %s\n", enclosure.getUtf8());
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    const std::string input = argc > 1 ? argv[1] : QUORVEL_EXAMPLES_DATA "/news.xml";
    const std::filesystem::path output =
        argc > 2 ? argv[2] : std::filesystem::temp_directory_path() / "quorvel_feed_demo";
    std::filesystem::create_directories(output);

    heading("Build an RSS 2.0 feed");
    std::unique_ptr<ClsRss> rss = buildRss();
    if (!rss) return 1;
    XString xml;
    rss->ToXmlString(xml);
    std::printf("%s", xml.getUtf8());
    save(rss->xml(), output / "releases.rss");

    heading("Build an Atom feed");
    std::unique_ptr<ClsAtom> atom = buildAtom();
    if (!atom) return 1;
    atom->ToXmlString(xml);
    std::printf("%s", xml.getUtf8());
    save(atom->xml(), output / "releases.atom");
    XString summary, updated;
    std::unique_ptr<ClsAtom> entry = atom->GetEntry(0);
    entry->GetElement(text("summary"), 0, summary);
    entry->GetElementDateStr(text("updated"), 0, updated);
    std::printf("entry summary, read back: %s (updated %s)\n", summary.getUtf8(), updated.getUtf8());

    return read(input) ? 0 : 1;
}
