// The feed objects and the charset conversions when memory runs out, swept over every
// allocation of each call.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"
#include "hardening/AllocationSweep.h"
#include "support/TestFiles.h"
#include "xml/object/XmlTestSupport.h"

namespace quorvel::test {
namespace {

const char *const kRss =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>News &amp; more</title>"
    "<link>http://example.com/</link><lastBuildDate>Tue, 08 Dec 2026 10:00:00 +0100</lastBuildDate>"
    "<item><title>First \xc3\xa9t\xc3\xa9</title><category domain=\"d\">a</category><category>b</category></item>"
    "<item><title><![CDATA[Second <b>]]></title></item></channel></rss>";

const char *const kAtom =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title>"
    "<updated>2026-12-08T10:00:00Z</updated><entry><title type=\"html\">&lt;b&gt;bold&lt;/b&gt;</title>"
    "<link rel=\"alternate\" href=\"http://example.com/1\"/><author><name>Ann</name></author></entry></feed>";

std::string rssText(ClsRss &rss) { XString s; rss.ToXmlString(s); return s.getUtf8(); }
std::string atomText(ClsAtom &atom) { XString s; atom.ToXmlString(s); return s.getUtf8(); }

std::shared_ptr<ClsRss> loadedRss() {
    std::shared_ptr<ClsRss> rss = ClsRss::createNew();
    EXPECT_TRUE(rss->LoadRssString(x(kRss)));
    return rss;
}

std::shared_ptr<ClsAtom> loadedAtom() {
    std::shared_ptr<ClsAtom> atom = ClsAtom::createNew();
    EXPECT_TRUE(atom->LoadXml(x(kAtom)));
    return atom;
}

// A call that writes its text result to the XString given. The sub-object it acts on (a channel,
// an item, an entry) is asked for during the call, and may itself fail to come.
template <class Feed>
using FeedCall = std::function<bool(Feed &, XString &)>;
template <class Feed>
struct Member {
    const char *name;
    FeedCall<Feed> call;
    CallKind kind = CallKind::kReportsFailure;
};
constexpr CallKind kWhole = CallKind::kAllOrNothing;  // returns nothing: done whole or not at all

FeedCall<ClsRss> onChannel(FeedCall<ClsRss> call) {
    return [call](ClsRss &rss, XString &out) {
        std::unique_ptr<ClsRss> channel = rss.GetChannel(0);
        return channel && call(*channel, out);
    };
}
FeedCall<ClsRss> onItem(FeedCall<ClsRss> call) {
    return onChannel([call](ClsRss &channel, XString &out) {
        std::unique_ptr<ClsRss> item = channel.GetItem(0);
        return item && call(*item, out);
    });
}
FeedCall<ClsAtom> onEntry(FeedCall<ClsAtom> call) {
    return [call](ClsAtom &atom, XString &out) {
        std::unique_ptr<ClsAtom> entry = atom.GetEntry(0);
        return entry && call(*entry, out);
    };
}

// Each call on a freshly loaded feed; what is seen is the call's text output and the whole feed.
template <class Feed, size_t N>
void sweepFeedCalls(const Member<Feed> (&calls)[N], std::shared_ptr<Feed> (*load)(), std::string (*text)(Feed &)) {
    for (const Member<Feed> &c : calls) {
        SCOPED_TRACE(c.name);
        sweepAllocations([&c, load, text] {
            std::shared_ptr<Feed> feed = load();
            auto out = std::make_shared<XString>();
            return Trial{[feed, out, &c] { return c.call(*feed, *out); },
                         [feed, out, text] { return std::string(out->getUtf8()) + "|" + text(*feed); }};
        }, c.kind);
    }
}

TEST(AllocationFailure, RssMembers) {
    const XString document = x(kRss), title = x("title"), category = x("category"), domain = x("domain"),
                  value = x("V \xe2\x82\xac"), date = x("lastBuildDate"), isoDate = x("2026-12-08T11:30:00+02:00");
    const Member<ClsRss> calls[] = {
        {"LoadRssString", [&](ClsRss &rss, XString &) { return rss.LoadRssString(document); }},
        {"ToXmlString", [](ClsRss &rss, XString &out) { return rss.ToXmlString(out); }},
        {"GetString", onChannel([&](ClsRss &c, XString &out) { return c.GetString(title, out); })},
        {"MGetAttr", onItem([&](ClsRss &i, XString &out) { return i.MGetAttr(category, 0, domain, out); })},
        {"GetDateStr", onChannel([&](ClsRss &c, XString &out) { return c.GetDateStr(date, out); })},
        {"AddNewItem", onChannel([](ClsRss &c, XString &) { return c.AddNewItem() != nullptr; })},
        {"MSetString", onItem([&](ClsRss &i, XString &) { return i.MSetString(category, 1, value); })},
        {"MSetAttr", onItem([&](ClsRss &i, XString &) { return i.MSetAttr(category, 1, domain, value); })},
        {"SetString", onChannel([&](ClsRss &c, XString &) { c.SetString(title, value); return true; }), kWhole},
        {"NewRss", [](ClsRss &rss, XString &) { rss.NewRss(); return true; }, kWhole},
        {"SetAttr", onChannel([&](ClsRss &c, XString &) { c.SetAttr(title, domain, value); return true; }), kWhole},
        {"SetDateStr", onChannel([&](ClsRss &c, XString &) { c.SetDateStr(date, isoDate); return true; }), kWhole},
        {"Remove", onItem([&](ClsRss &i, XString &) { i.Remove(category); return true; }), kWhole},
    };
    sweepFeedCalls(calls, loadedRss, rssText);
}

TEST(AllocationFailure, AtomMembers) {
    const XString document = x(kAtom), entry = x("<entry><title>New</title><id>urn:1</id></entry>"), title = x("title"),
                  html = x("<i>x</i> &amp; y"), rel = x("self"), href = x("http://example.com/feed"), empty = x(""),
                  author = x("author"), name = x("Bo \xc3\xa5"), content = x("content"),
                  markup = x("<div xmlns=\"http://www.w3.org/1999/xhtml\"><p>One &amp; <b>two</b></p></div>"),
                  updated = x("updated"), rfcDate = x("Tue, 08 Dec 2026 10:00:00 GMT"), alternate = x("alt*"),
                  nameTag = x("name");
    const Member<ClsAtom> calls[] = {
        {"LoadXml", [&](ClsAtom &atom, XString &) { return atom.LoadXml(document); }},
        {"ToXmlString", [](ClsAtom &atom, XString &out) { return atom.ToXmlString(out); }},
        {"GetElement", onEntry([&](ClsAtom &e, XString &out) { return e.GetElement(title, 0, out); })},
        {"AddElementHtml", [&](ClsAtom &a, XString &) { return a.AddElementHtml(title, html) >= 0; }},
        {"AddElementXml", [&](ClsAtom &a, XString &) { return a.AddElementXml(content, markup) >= 0; }},
        {"AddElementXHtml", [&](ClsAtom &a, XString &) { return a.AddElementXHtml(content, markup) >= 0; }},
        {"AddElementDateStr", [&](ClsAtom &a, XString &) { return a.AddElementDateStr(updated, rfcDate) >= 0; }},
        {"GetElementDateStr", [&](ClsAtom &a, XString &out) { return a.GetElementDateStr(updated, 0, out); }},
        {"GetLinkHref", [&](ClsAtom &atom, XString &out) { return atom.GetLinkHref(alternate, out); }},
        {"GetPersonInfo",
         onEntry([&](ClsAtom &e, XString &out) { return e.GetPersonInfo(author, 0, nameTag, out); })},
        {"AddEntry", [&](ClsAtom &atom, XString &) { atom.AddEntry(entry); return true; }, kWhole},
        {"AddLink", [&](ClsAtom &a, XString &) { a.AddLink(rel, href, empty, empty); return true; }, kWhole},
        {"AddPerson", [&](ClsAtom &a, XString &) { a.AddPerson(author, name, empty, empty); return true; }, kWhole},
        {"NewFeed", [](ClsAtom &atom, XString &) { atom.NewFeed(); return true; }, kWhole},
        {"UpdateElement", [&](ClsAtom &a, XString &) { a.UpdateElement(title, 0, name); return true; }, kWhole},
        {"UpdateElementXml",
         onEntry([&](ClsAtom &e, XString &) { e.UpdateElementXml(title, 0, markup); return true; }), kWhole},
        {"UpdatePerson",
         onEntry([&](ClsAtom &e, XString &) { e.UpdatePerson(author, 0, name, href, empty); return true; }),
         kWhole},
        {"SetElementAttr", [&](ClsAtom &a, XString &) { a.SetElementAttr(title, 0, rel, name); return true; },
         kWhole},
    };
    sweepFeedCalls(calls, loadedAtom, atomText);
}

// Conversions between code pages of every kind: tables, double-byte, the stateful ISO-2022
// forms, UTF-7 and the UTF-16 and UTF-32 forms, from and to UTF-8.
TEST(AllocationFailure, CharsetConversions) {
    const std::string all = "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xea\xb0\x80 \xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 \xe2\x82\xac z",
                      japanese = "\xe6\x97\xa5\xe6\x9c\xac \xef\xbd\xb6 abc", korean = "\xea\xb0\x80\xeb\x82\x98 abc",
                      chinese = "\xe4\xb8\xad\xe6\x96\x87 abc", arabic = "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 12 abc";
    const struct { uint32_t codePage; const std::string &text; } conversions[] = {
        {1252, "caf\xc3\xa9 \xe2\x82\xac"}, {932, japanese}, {50220, japanese}, {949, korean}, {50225, korean},
        {936, chinese}, {65000, all}, {1200, all}, {1201, all}, {65005, all}, {65006, all}, {10004, arabic}, {28596, arabic},
    };
    for (const auto &[codePage, text] : conversions) {
        SCOPED_TRACE(codePage);
        DataBuffer encoded;
        LogNull quiet;
        ASSERT_TRUE(EncodingConvert().convert(65001, codePage, reinterpret_cast<const unsigned char *>(text.data()),
                                              static_cast<uint32_t>(text.size()), encoded, quiet));
        const std::string encodedBytes(reinterpret_cast<const char *>(encoded.getData()), encoded.getSize());
        for (bool toUtf8 : {false, true}) {
            const std::string &source = toUtf8 ? encodedBytes : text;
            const uint32_t from = toUtf8 ? codePage : 65001, to = toUtf8 ? 65001 : codePage;
            sweepAllocations([source, from, to] {
                auto out = std::make_shared<DataBuffer>();
                auto log = std::make_shared<LogNull>();
                return Trial{[source, from, to, out, log] {
                                 return EncodingConvert().convert(from, to, reinterpret_cast<const unsigned char *>(source.data()),
                                                                  static_cast<uint32_t>(source.size()), *out, *log);
                             },
                             [out] { return std::string(reinterpret_cast<const char *>(out->getData()), out->getSize()); }};
            });
        }
    }
}

}  // namespace
}  // namespace quorvel::test
