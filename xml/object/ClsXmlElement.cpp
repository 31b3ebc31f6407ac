// ClsXml: the positioned element's tag, content and attributes, and the document properties.
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlSerializer.h"
#include "xml/object/ArgumentText.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

void setOut(XString &out, const char *utf8, uint32_t n) { out.setFromUtf8N(utf8, n); }

// Encoding and standalone values lose surrounding white space and every space, CR, LF, '<',
// '>' and '/' before they go into the declaration.
StringBuffer declarationValue(const XString &text) {
    StringBuffer sb(text.getUtf8());
    sb.trim();
    for (char c : {' ', '\n', '\r', '<', '>', '/'}) sb.removeCharOccurrences(c);
    return sb;
}

}  // namespace

void ClsXml::get_Tag(XString &out) {
    CritSecExitor lock(this);
    out.clear();
    if (hasValidNode()) out.setFromUtf8(m_node->getTag());
}

void ClsXml::put_Tag(const XString &tag) {
    CritSecExitor lock(this);
    if (hasValidNode()) m_node->setTag(tag.getUtf8());
}

void ClsXml::get_Content(XString &out) {
    CritSecExitor lock(this);
    out.clear();
    if (hasValidNode()) setOut(out, m_node->getContent(), m_node->getContentSize());
}

void ClsXml::put_Content(const XString &content) {
    CritSecExitor lock(this);
    if (hasValidNode()) m_node->setContentN(content.getUtf8(), content.getUtf8Sb().getSize());
}

int ClsXml::get_ContentInt() {
    CritSecExitor lock(this);
    return hasValidNode() ? m_node->getContentInt() : 0;
}

void ClsXml::put_ContentInt(int value) {
    CritSecExitor lock(this);
    if (hasValidNode()) m_node->setContent(DecimalText(value).text);
}

bool ClsXml::get_Cdata() {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->getCdata();
}

void ClsXml::put_Cdata(bool cdata) {
    CritSecExitor lock(this);
    if (hasValidNode()) m_node->setCdata(cdata);
}

int ClsXml::get_NumChildren() {
    CritSecExitor lock(this);
    return hasValidNode() ? m_node->getNumChildren() : 0;
}

int ClsXml::get_NumAttributes() {
    CritSecExitor lock(this);
    return hasValidNode() ? m_node->getNumAttributes() : 0;
}

bool ClsXml::GetAttributeName(int index, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    StringBuffer name;
    if (!hasValidNode() || !m_node->getAttributeName(index, name)) return true;
    return out.setFromSb(name);
}

bool ClsXml::GetAttributeValue(int index, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    StringBuffer value;
    if (!hasValidNode() || !m_node->getAttributeValue(index, value)) return false;
    return out.setFromSb(value);
}

int ClsXml::GetAttributeValueInt(int index) {
    CritSecExitor lock(this);
    StringBuffer value;
    return hasValidNode() && m_node->getAttributeValue(index, value) ? value.intValue() : 0;
}

bool ClsXml::GetAttrValue(const XString &name, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    StringBuffer value;
    if (!hasValidNode() || !m_node->getAttributeValueOf(trimmedUtf8(name).getString(), value)) return false;
    return out.setFromSb(value);
}

int ClsXml::GetAttrValueInt(const XString &name) {
    CritSecExitor lock(this);
    StringBuffer value;
    return hasValidNode() && m_node->getAttributeValueOf(trimmedUtf8(name).getString(), value) ? value.intValue() : 0;
}

bool ClsXml::HasAttribute(const XString &name) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->hasAttribute(trimmedUtf8(name).getString());
}

bool ClsXml::HasAttrWithValue(const XString &name, const XString &value) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->hasAttributeWithValue(trimmedUtf8(name).getString(), value.getUtf8());
}

// ---------------------------------------------------------------- document properties

void ClsXml::get_Encoding(XString &out) {
    CritSecExitor lock(this);
    StringBuffer value;
    if (!hasValidNode() || !getDeclarationEncoding(m_node, value) || value.isEmpty()) value.setString("utf-8");
    out.setFromSb(value);
}

void ClsXml::put_Encoding(const XString &encoding) {
    CritSecExitor lock(this);
    if (hasValidNode()) setDeclarationEncoding(m_node, declarationValue(encoding).getString());
}

bool ClsXml::get_Standalone() {
    CritSecExitor lock(this);
    StringBuffer value;
    return hasValidNode() && getDeclarationStandalone(m_node, value) && value.equalsIgnoreCase("yes");
}

void ClsXml::put_Standalone(bool standalone) {
    CritSecExitor lock(this);
    if (hasValidNode()) setDeclarationStandalone(m_node, standalone ? "yes" : "no");
}

void ClsXml::get_DocType(XString &out) {
    CritSecExitor lock(this);
    out.clear();
    if (hasValidNode() && TreeInfo::isValid(m_node->treeInfo())) out.setFromUtf8(m_node->treeInfo()->doctypeText());
}

void ClsXml::put_DocType(const XString &docType) {
    CritSecExitor lock(this);
    if (hasValidNode() && TreeInfo::isValid(m_node->treeInfo())) m_node->treeInfo()->setDoctypeText(docType.getUtf8());
}

int ClsXml::get_TreeId() {
    CritSecExitor lock(this);
    return hasValidNode() ? static_cast<int>(m_node->getTreeId()) : 0;
}

bool ClsXml::get_EmitXmlDecl() { return m_emitXmlDecl; }

void ClsXml::put_EmitXmlDecl(bool emit) { m_emitXmlDecl = emit; }

bool ClsXml::get_SortCaseInsensitive() { return m_sortCaseInsensitive; }

void ClsXml::put_SortCaseInsensitive(bool caseInsensitive) { m_sortCaseInsensitive = caseInsensitive; }

}  // namespace quorvel
