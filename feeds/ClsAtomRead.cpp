// ClsAtom: reading elements, typed content, attributes, links and persons.
#include "feeds/ClsAtom.h"
#include "feeds/internal/FeedText.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// A type naming markup: "xhtml" or "xml" anywhere in it, ASCII case ignored.
bool typeIsMarkup(ClsXml &element) {
    XString type;
    if (!element.GetAttrValue(feedText("type"), type)) return false;
    StringBuffer lower(type.getUtf8());
    lower.toLowerCase();
    return lower.contains("xhtml") || lower.contains("xml");
}

}  // namespace

int ClsAtom::GetElementCount(const XString &tag) {
    MethodFrame frame(*this, this, "GetElementCount");
    return isNullTag(tag) ? 0 : m_xml.NumChildrenHavingTag(tag);
}

bool ClsAtom::HasElement(const XString &tag) {
    MethodFrame frame(*this, this, "HasElement");
    return !isNullTag(tag) && m_xml.NumChildrenHavingTag(tag) > 0;
}

bool ClsAtom::GetElement(const XString &tag, int index, XString &out) {
    MethodFrame frame(*this, this, "GetElement");
    out.clear();
    std::unique_ptr<ClsXml> found = element(tag, index);
    if (!found) return noElement(tag, index);
    if (typeIsMarkup(*found)) {
        if (std::unique_ptr<ClsXml> markup = found->FirstChild()) return markup->GetXml(out);
        return rawContent(*found, out);
    }
    return decodedContent(*found, out);
}

bool ClsAtom::GetElementAttr(const XString &tag, int index, const XString &attrName, XString &out) {
    MethodFrame frame(*this, this, "GetElementAttr");
    out.clear();
    std::unique_ptr<ClsXml> found = element(tag, index);
    if (!found) return noElement(tag, index);
    return attrName.isEmpty() || decodedAttribute(*found, attrName, out);
}

bool ClsAtom::GetLinkHref(const XString &relName, XString &out) {
    MethodFrame frame(*this, this, "GetLinkHref");
    out.clear();
    std::unique_ptr<ClsXml> link = m_xml.SearchForAttribute(nullptr, feedText("link"), feedText("rel"), relName);
    if (!link) return false;
    const XString href = feedText("href");
    if (link->GetAttrValue(href, out)) return true;
    out.clear();
    return !link->HasAttribute(href);  // a missing href reads as empty text
}

bool ClsAtom::GetPersonInfo(const XString &tag, int index, const XString &tag2, XString &out) {
    MethodFrame frame(*this, this, "GetPersonInfo");
    out.clear();
    std::unique_ptr<ClsXml> person = element(tag, index);
    if (!person) return noElement(tag, index);
    std::unique_ptr<ClsXml> part = isNullTag(tag2) ? nullptr : person->FindChild(tag2);
    if (!part) return isNullTag(tag2) || !person->HasChildWithTag(tag2);
    return rawContent(*part, out);
}

bool ClsAtom::GetTopAttr(const XString &attrName, XString &out) {
    MethodFrame frame(*this, this, "GetTopAttr");
    out.clear();
    if (attrName.isEmpty() || m_xml.GetAttrValue(attrName, out)) return true;
    out.clear();
    return !m_xml.HasAttribute(attrName);  // a missing attribute reads as empty text
}

}  // namespace quorvel
