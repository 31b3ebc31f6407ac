// ClsAtom: appending text, HTML, XHTML and XML elements, links and persons.
#include "feeds/ClsAtom.h"
#include "feeds/internal/FeedText.h"
#include "foundation/base/AllocationFailures.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

constexpr const char *kTypeHtml = "html";
constexpr const char *kTypeXHtml = "application/xhtml+xml";

}  // namespace

int ClsAtom::addTextElement(const XString &tag, const char *value, LogBase &log) {
    if (isNullTag(tag)) return -1;
    if (!m_xml.NewChild(tag, feedText(value))) {
        log.logError("No element to add to, or memory ran out.");
        return -1;
    }
    return lastIndexOf(tag);
}

int ClsAtom::AddElement(const XString &tag, const XString &value) {
    MethodFrame frame(*this, this, "AddElement");
    return addTextElement(tag, value.getUtf8(), frame.log());
}

int ClsAtom::AddElementHtml(const XString &tag, const XString &htmlStr) {
    MethodFrame frame(*this, this, "AddElementHtml");
    if (isNullTag(tag)) return -1;
    const XString type = feedText("type"), html = feedText(kTypeHtml);
    if (!m_xml.newChildBuilt(tag, htmlStr, [&](ClsXml &child) { return child.UpdateAttribute(type, html); })) {
        frame.log().logError("No element to add to, or memory ran out.");
        return -1;
    }
    return lastIndexOf(tag);
}

// The element is added even when the markup holds no element; it then stays empty.
int ClsAtom::addMarkupElement(const XString &tag, const XString &xmlStr, Markup markup, LogBase &log) {
    if (isNullTag(tag)) return -1;
    const XString type = feedText("type"), xhtml = feedText(kTypeXHtml);
    auto build = [&](ClsXml &child) {
        if (markup == Markup::XHtml && !child.UpdateAttribute(type, xhtml)) return false;
        AllocationFailureWatch watch;
        std::unique_ptr<ClsXml> fragment = parseFragment(xmlStr, log);
        // Markup without an element leaves the element empty; memory running out adds nothing.
        if (!fragment) return !watch.ranShort();
        return child.appendSubtree(fragment.get());
    };
    if (!m_xml.newChildBuilt(tag, XString(), build)) {
        log.logError("No element to add to, or memory ran out.");
        return -1;
    }
    return lastIndexOf(tag);
}

int ClsAtom::AddElementXHtml(const XString &tag, const XString &xmlStr) {
    MethodFrame frame(*this, this, "AddElementXHtml");
    return addMarkupElement(tag, xmlStr, Markup::XHtml, frame.log());
}

int ClsAtom::AddElementXml(const XString &tag, const XString &xmlStr) {
    MethodFrame frame(*this, this, "AddElementXml");
    return addMarkupElement(tag, xmlStr, Markup::Xml, frame.log());
}

void ClsAtom::AddLink(const XString &rel, const XString &href, const XString &title, const XString &typ) {
    MethodFrame frame(*this, this, "AddLink");
    auto build = [&](ClsXml &link) {
        return link.AddAttribute(feedText("rel"), rel) && link.AddAttribute(feedText("href"), href) &&
               (title.isEmpty() || link.AddAttribute(feedText("title"), title)) &&
               (typ.isEmpty() || link.AddAttribute(feedText("type"), typ));
    };
    if (!m_xml.newChildBuilt(feedText("link"), XString(), build)) frame.log().logError("No element to add to, or memory ran out.");
}

void ClsAtom::AddPerson(const XString &tag, const XString &name, const XString &uri, const XString &email) {
    MethodFrame frame(*this, this, "AddPerson");
    if (isNullTag(tag) || (name.isEmpty() && uri.isEmpty() && email.isEmpty())) return;
    auto part = [](ClsXml &person, const char *partTag, const XString &value) {
        return value.isEmpty() || person.NewChild(feedText(partTag), value) != nullptr;
    };
    auto build = [&](ClsXml &person) {
        return part(person, "name", name) && part(person, "uri", uri) && part(person, "email", email);
    };
    if (!m_xml.newChildBuilt(tag, XString(), build)) frame.log().logError("No element to add to, or memory ran out.");
}

}  // namespace quorvel
