#pragma once
// Helpers for the Xml object tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/XString.h"
#include "xml/object/ClsXml.h"

namespace quorvel::test {

inline XString x(const char *utf8) {
    XString s;
    s.setFromUtf8(utf8);
    return s;
}

inline std::string tagOf(ClsXml &xml) {
    XString tag;
    xml.get_Tag(tag);
    return tag.getUtf8();
}

inline std::string contentOf(ClsXml &xml) {
    XString content;
    xml.get_Content(content);
    return content.getUtf8();
}

// The subtree without declaration, one line per element as the serializer writes it.
inline std::string xmlOf(ClsXml &xml) {
    bool emit = xml.get_EmitXmlDecl();
    xml.put_EmitXmlDecl(false);
    XString out;
    xml.GetXml(out);
    xml.put_EmitXmlDecl(emit);
    return out.getUtf8();
}

// Tags of the children, in order, joined by ",".
inline std::string childTags(ClsXml &xml) {
    std::string tags;
    for (int i = 0; i < xml.get_NumChildren(); ++i) tags += (i ? "," : "") + tagOf(*xml.GetChild(i));
    return tags;
}

// Attributes as name=value pairs joined by ";".
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

// The whole text GetXml gives, declaration included.
inline std::string documentOf(ClsXml &xml) {
    XString out;
    xml.GetXml(out);
    return out.getUtf8();
}

// "tag=content" of the object's node, or "none".
inline std::string where(ClsXml *xml) {
    if (!xml) return "none";
    return tagOf(*xml) + "=" + contentOf(*xml);
}

// A new object holding the text, which must load.
inline std::unique_ptr<ClsXml> load(const char *text) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    EXPECT_TRUE(xml->LoadXml(x(text)));
    return xml;
}

// A new object holding the text; null when it does not load.
inline std::unique_ptr<ClsXml> loaded(const char *text) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    if (xml && !xml->LoadXml(x(text))) xml.reset();
    return xml;
}

}  // namespace quorvel::test
