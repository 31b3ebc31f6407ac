#pragma once
// Helpers for the Xml object tests: its texts as std::string, loaded documents, raw content
// bytes and the packed layers (support/CodecHelpers.h makes the expected bytes).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "foundation/text/XString.h"
#include "support/CodecHelpers.h"
#include "xml/object/ClsXml.h"

namespace quorvel::test {

inline XString x(const std::string &utf8) { return utf8Text(utf8); }

inline std::string tagOf(ClsXml &xml) { XString s; xml.get_Tag(s); return s.getUtf8(); }
inline std::string contentOf(ClsXml &xml) { XString s; xml.get_Content(s); return s.getUtf8(); }
inline std::string documentOf(ClsXml &xml) { XString s; xml.GetXml(s); return s.getUtf8(); }
inline std::string lastError(ClsXml &xml) { XString s; xml.get_LastErrorText(s); return s.getUtf8(); }
inline std::string where(ClsXml *xml) { return xml ? tagOf(*xml) + "=" + contentOf(*xml) : "none"; }

// The text GetXml gives without the declaration.
inline std::string xmlOf(ClsXml &xml) {
    const bool emit = xml.get_EmitXmlDecl();
    xml.put_EmitXmlDecl(false);
    std::string out = documentOf(xml);
    xml.put_EmitXmlDecl(emit);
    return out;
}

inline std::string childTags(ClsXml &xml) {
    std::string tags;
    for (int i = 0; i < xml.get_NumChildren(); ++i) tags += (i ? "," : "") + tagOf(*xml.GetChild(i));
    return tags;
}

inline std::string attributesOf(ClsXml &xml) {
    std::string out;
    for (int i = 0; i < xml.get_NumAttributes(); ++i) {
        XString name, value;
        xml.GetAttributeName(i, name);
        xml.GetAttributeValue(i, value);
        out += std::string(name.getUtf8()) + "=" + value.getUtf8() + ";";
    }
    return out;
}

// A new object holding the text, which must load.
inline std::unique_ptr<ClsXml> load(const std::string &text) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    EXPECT_TRUE(xml->LoadXml(x(text))) << text.substr(0, 200);
    return xml;
}

// A new object whose root holds exactly these content bytes (valid UTF-8 or not).
inline std::unique_ptr<ClsXml> withContent(const std::string &bytes) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    xml->setContentUtf8(bytes.c_str());
    return xml;
}

inline std::string rawContent(ClsXml &xml) { StringBuffer sb; xml.getContentUtf8(sb); return textOf(sb); }

inline bool logHasLine(ClsXml &xml, const std::string &line) {
    return lastError(xml).find("\r\n" + line + "\r\n") != std::string::npos;
}

// One packing or unpacking call, whatever its arguments.
using Step = std::function<bool(ClsXml &)>;
inline Step keyed(bool (ClsXml::*method)(const XString &), const char *password) {
    return [method, password](ClsXml &xml) { return (xml.*method)(x(password)); };
}

// Not valid UTF-8 and free of NULs, so that it can stand as element content.
inline const std::string kBadUtf8("\xff\xfe\x80\xc0\xaf<a>&\xed\xa0\x80\xc3");

}  // namespace quorvel::test
