// ClsRss: creation, the document, and the channel, item and image objects.
#include "feeds/ClsRss.h"

#include <new>

#include "feeds/internal/FeedText.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

ClsRss::ClsRss() = default;

ClsRss::~ClsRss() = default;

std::unique_ptr<ClsRss> ClsRss::createNew() {
    std::unique_ptr<ClsRss> rss(new (std::nothrow) ClsRss());
    if (!rss || !rss->isReady()) return nullptr;
    return rss;
}

bool ClsRss::isReady() const { return m_xml.isReady(); }

std::unique_ptr<ClsRss> ClsRss::objectOn(std::unique_ptr<ClsXml> element) {
    return feedObjectOn<ClsRss>(std::move(element));
}

// ---------------------------------------------------------------- the document

void ClsRss::NewRss() {
    MethodFrame frame(*this, this, "NewRss");
    // The template is read into an object of its own first, so that memory running out leaves
    // the feed as it was.
    std::unique_ptr<ClsXml> fresh = ClsXml::createNew();
    if (!fresh || !fresh->LoadXml(feedText(kNewFeedTemplate))) {
        frame.log().logError("Memory allocation failed.");
        return;
    }
    m_xml.takeNodeFrom(*fresh);
}

bool ClsRss::LoadRssString(const XString &rssString) {
    MethodFrame frame(*this, this, "LoadRssString");
    return frame.finish(m_xml.LoadXml(rssString));
}

bool ClsRss::LoadRssFile(const XString &fileName) {
    MethodFrame frame(*this, this, "LoadRssFile");
    frame.log().logDataX("path", fileName);
    return frame.finish(m_xml.LoadXmlFile(fileName));
}

bool ClsRss::ToXmlString(XString &out) {
    MethodFrame frame(*this, this, "ToXmlString");
    return m_xml.GetXml(out);
}

// ---------------------------------------------------------------- channels, items, image

int ClsRss::get_NumChannels() {
    CritSecExitor lock(this);
    return m_xml.NumChildrenHavingTag(feedText("channel"));
}

int ClsRss::get_NumItems() {
    CritSecExitor lock(this);
    return m_xml.NumChildrenHavingTag(feedText("item"));
}

int ClsRss::GetCount(const XString &tag) {
    MethodFrame frame(*this, this, "GetCount");
    return isNullTag(tag) ? 0 : m_xml.NumChildrenHavingTag(tag);
}

std::unique_ptr<ClsRss> ClsRss::addNewChild(const char *methodName, const char *tag) {
    MethodFrame frame(*this, this, methodName);
    std::unique_ptr<ClsRss> child = feedObjectOnNew<ClsRss>([&] { return m_xml.NewChild(feedText(tag), XString()); });
    if (!child) frame.log().logError("No element to add to, or memory ran out.");
    return child;
}

std::unique_ptr<ClsRss> ClsRss::AddNewChannel() { return addNewChild("AddNewChannel", "channel"); }
std::unique_ptr<ClsRss> ClsRss::AddNewItem() { return addNewChild("AddNewItem", "item"); }
std::unique_ptr<ClsRss> ClsRss::AddNewImage() { return addNewChild("AddNewImage", "image"); }

std::unique_ptr<ClsRss> ClsRss::nthChild(const char *methodName, const char *tag, int index) {
    MethodFrame frame(*this, this, methodName);
    return objectOn(m_xml.GetNthChildWithTag(feedText(tag), index));
}

std::unique_ptr<ClsRss> ClsRss::GetChannel(int index) { return nthChild("GetChannel", "channel", index); }
std::unique_ptr<ClsRss> ClsRss::GetItem(int index) { return nthChild("GetItem", "item", index); }
std::unique_ptr<ClsRss> ClsRss::GetImage() { return nthChild("GetImage", "image", 0); }

}  // namespace quorvel
