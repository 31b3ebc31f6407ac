#pragma once
// Helpers for the Xml object tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/text/XString.h"
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

inline std::string documentOf(ClsXml &xml) {
    XString out;
    xml.GetXml(out);
    return out.getUtf8();
}

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

inline std::string lastError(ClsXml &xml) {
    XString text;
    xml.get_LastErrorText(text);
    return text.getUtf8();
}

inline std::string where(ClsXml *xml) { return xml ? tagOf(*xml) + "=" + contentOf(*xml) : "none"; }

// A new object holding the text, which must load.
inline std::unique_ptr<ClsXml> load(const std::string &text) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    XString data;
    data.setFromUtf8N(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_TRUE(xml->LoadXml(data)) << text.substr(0, 200);
    return xml;
}

}  // namespace quorvel::test
