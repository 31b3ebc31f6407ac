#include "feeds/internal/FeedText.h"

#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

bool setDecoded(StringBuffer &text, XString &out) {
    text.decodeHtmlEntities();
    return out.setFromSb(text);
}

}  // namespace

bool decodedContent(ClsXml &element, XString &out) {
    out.clear();
    StringBuffer content;
    if (!element.getContentUtf8(content)) return false;
    return setDecoded(content, out);
}

bool rawContent(ClsXml &element, XString &out) {
    out.clear();
    StringBuffer content;
    if (!element.getContentUtf8(content)) return false;
    return out.setFromSb(content);
}

bool decodedAttribute(ClsXml &element, const XString &attrName, XString &out) {
    out.clear();
    XString value;
    if (!element.GetAttrValue(attrName, value)) return true;
    StringBuffer text(value.getUtf8());
    return setDecoded(text, out);
}

std::unique_ptr<ClsXml> parseFragment(const XString &xmlStr, LogBase &log) {
    std::unique_ptr<ClsXml> fragment = ClsXml::createNew();
    if (!fragment) {
        log.logError("Memory allocation failed.");
        return nullptr;
    }
    if (!fragment->LoadXml(xmlStr)) {
        log.logError("The XML text holds no element.");
        return nullptr;
    }
    return fragment;
}

}  // namespace quorvel
