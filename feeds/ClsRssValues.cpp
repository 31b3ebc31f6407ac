// ClsRss: strings, integers and attributes of child elements, by tag and by index.
#include "feeds/internal/FeedText.h"
#include "feeds/ClsRss.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

bool ClsRss::hasChild(const XString &tag) { return !isNullTag(tag) && m_xml.HasChildWithTag(tag); }

bool ClsRss::firstChildText(const XString &tag, XString &out) {
    out.clear();
    std::unique_ptr<ClsXml> child = isNullTag(tag) ? nullptr : m_xml.FindChild(tag);
    return child && decodedContent(*child, out);
}

bool ClsRss::GetString(const XString &tag, XString &out) {
    MethodFrame frame(*this, this, "GetString");
    if (firstChildText(tag, out)) return true;
    // A missing child reads as empty text; one that cannot be read (memory) fails.
    out.clear();
    return !hasChild(tag);
}

void ClsRss::setStringUnlocked(const XString &tag, const XString &value) {
    if (isNullTag(tag)) return;
    if (std::unique_ptr<ClsXml> child = m_xml.FindChild(tag))
        child->put_Content(value);
    else if (!m_xml.HasChildWithTag(tag))  // (one there without an object for it: memory ran out)
        m_xml.NewChild2(tag, value);
}

void ClsRss::SetString(const XString &tag, const XString &value) {
    MethodFrame frame(*this, this, "SetString");
    setStringUnlocked(tag, value);
}

int ClsRss::GetInt(const XString &tag) {
    MethodFrame frame(*this, this, "GetInt");
    std::unique_ptr<ClsXml> child = isNullTag(tag) ? nullptr : m_xml.FindChild(tag);
    if (!child) return 0;
    StringBuffer content;
    child->getContentUtf8(content);
    return content.intValue();
}

void ClsRss::SetInt(const XString &tag, int value) {
    MethodFrame frame(*this, this, "SetInt");
    StringBuffer text;
    text.appendInt32(value);
    setStringUnlocked(tag, feedText(text.getString()));
}

bool ClsRss::GetAttr(const XString &tag, const XString &attrName, XString &out) {
    MethodFrame frame(*this, this, "GetAttr");
    out.clear();
    std::unique_ptr<ClsXml> child = isNullTag(tag) ? nullptr : m_xml.FindChild(tag);
    if (!child) return !hasChild(tag);  // there but without an object for it: memory ran out
    return attrName.isEmpty() || decodedAttribute(*child, attrName, out);
}

void ClsRss::SetAttr(const XString &tag, const XString &attrName, const XString &value) {
    MethodFrame frame(*this, this, "SetAttr");
    if (isNullTag(tag) || attrName.isEmpty()) return;
    if (std::unique_ptr<ClsXml> child = m_xml.FindChild(tag)) child->UpdateAttribute(attrName, value);
}

bool ClsRss::MGetString(const XString &tag, int idx, XString &out) {
    MethodFrame frame(*this, this, "MGetString");
    out.clear();
    std::unique_ptr<ClsXml> child = isNullTag(tag) ? nullptr : m_xml.GetNthChildWithTag(tag, idx);
    return child && decodedContent(*child, out);
}

bool ClsRss::MSetString(const XString &tag, int idx, const XString &value) {
    MethodFrame frame(*this, this, "MSetString");
    std::unique_ptr<ClsXml> child = isNullTag(tag) ? nullptr : m_xml.GetNthChildWithTag(tag, idx);
    return frame.finish(child && child->setContentUtf8(value.getUtf8()));
}

bool ClsRss::MGetAttr(const XString &tag, int idx, const XString &attrName, XString &out) {
    MethodFrame frame(*this, this, "MGetAttr");
    out.clear();
    std::unique_ptr<ClsXml> child = isNullTag(tag) ? nullptr : m_xml.GetNthChildWithTag(tag, idx);
    if (!child) return false;
    return attrName.isEmpty() || decodedAttribute(*child, attrName, out);
}

bool ClsRss::MSetAttr(const XString &tag, int idx, const XString &attrName, const XString &value) {
    MethodFrame frame(*this, this, "MSetAttr");
    std::unique_ptr<ClsXml> child =
        isNullTag(tag) || attrName.isEmpty() ? nullptr : m_xml.GetNthChildWithTag(tag, idx);
    return frame.finish(child && child->UpdateAttribute(attrName, value));
}

void ClsRss::Remove(const XString &tag) {
    MethodFrame frame(*this, this, "Remove");
    if (isNullTag(tag)) return;
    // Children no object stands in go without needing memory.
    XString trimmed;
    if (!trimmed.appendUtf8(tag.getUtf8()) || !trimmed.trim()) {
        frame.log().logError("Memory allocation failed.");
        return;
    }
    m_xml.RemoveChild(trimmed);
}

}  // namespace quorvel
