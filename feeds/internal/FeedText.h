#pragma once
// Text helpers shared by the feed objects.
#include <memory>
#include <new>

#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

class LogBase;

// An XString holding a fixed UTF-8 text, for the tags and values the feed objects write.
inline XString feedText(const char *utf8) {
    XString text;
    text.setFromUtf8(utf8);
    return text;
}

// A tag that addresses nothing: empty once spaces, tabs, CR and LF are trimmed (the automation
// binding turns a null string into an empty one).
inline bool isNullTag(const XString &tag) {
    StringBuffer trimmed(tag.getUtf8());
    trimmed.trim();
    return trimmed.isEmpty();
}

// The content of the element as feed text: HTML and XML entities decoded.
bool decodedContent(ClsXml &element, XString &out);
// The raw content of the element, nothing decoded.
bool rawContent(ClsXml &element, XString &out);
// The attribute of the element, entity-decoded; empty (and true) when it is missing.
bool decodedAttribute(ClsXml &element, const XString &attrName, XString &out);

// xmlStr parsed into a fresh Xml object (autoTrim on); empty (with a log entry) when the
// text holds no element or memory ran out.
std::unique_ptr<ClsXml> parseFragment(const XString &xmlStr, LogBase &log);

// A feed object (ClsRss or ClsAtom) on element's node: a new object whose Xml object takes
// over element's node and switches. Empty when there is no element or memory ran out.
// A feed object on the new element that add() makes (a std::unique_ptr<ClsXml>). The feed object
// is had first, so that memory running out never leaves an element added without one.
template <class Feed, class Add>
std::unique_ptr<Feed> feedObjectOnNew(Add add) {
    std::unique_ptr<Feed> feed(new (std::nothrow) Feed());
    if (!feed || !feed->isReady()) return nullptr;
    std::unique_ptr<ClsXml> element = add();
    if (!element) return nullptr;
    feed->xml().takeNodeFrom(*element);
    return feed;
}

template <class Feed>
std::unique_ptr<Feed> feedObjectOn(std::unique_ptr<ClsXml> element) {
    if (!element) return nullptr;
    std::unique_ptr<Feed> feed(new (std::nothrow) Feed());
    if (!feed) return nullptr;
    feed->xml().takeNodeFrom(*element);
    return feed;
}

}  // namespace quorvel
