// ClsXml: lookups among the direct children and the values read from them.
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/object/ArgumentText.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

bool setContentOut(const TreeNode *node, XString &out) { return out.setFromUtf8N(node->getContent(), node->getContentSize()); }

}  // namespace

// ---------------------------------------------------------------- child lookups

std::unique_ptr<ClsXml> ClsXml::FindChild(const XString &tag) {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node->firstChildWithTag(trimmedUtf8(tag).getString())) : nullptr;
}

bool ClsXml::FindChild2(const XString &tag) {
    CritSecExitor lock(this);
    TreeNode *child = hasValidNode() ? m_node->firstChildWithTag(trimmedUtf8(tag).getString()) : nullptr;
    if (!child) return false;
    moveTo(child);
    return true;
}

std::unique_ptr<ClsXml> ClsXml::GetChildWithTag(const XString &tag) { return FindChild(tag); }

std::unique_ptr<ClsXml> ClsXml::GetNthChildWithTag(const XString &tag, int n) {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node->nthChildWithTag(trimmedUtf8(tag).getString(), n)) : nullptr;
}

bool ClsXml::GetNthChildWithTag2(const XString &tag, int n) {
    CritSecExitor lock(this);
    TreeNode *child = hasValidNode() ? m_node->nthChildWithTag(trimmedUtf8(tag).getString(), n) : nullptr;
    if (!child) return false;
    moveTo(child);
    return true;
}

std::unique_ptr<ClsXml> ClsXml::GetChildExact(const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node->nthChildWithTagAndContent(tag.getUtf8(), content.getUtf8(), 0)) : nullptr;
}

std::unique_ptr<ClsXml> ClsXml::GetChildWithContent(const XString &content) {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node->nthChildWithContent(content.getUtf8(), 0)) : nullptr;
}

std::unique_ptr<ClsXml> ClsXml::GetChildWithAttr(const XString &tag, const XString &attrName,
                                                 const XString &attrValue) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    return objectOn(
        m_node->firstChildWithTagAttrMatching(trimmedUtf8(tag).getString(), attrName.getUtf8(), attrValue.getUtf8()));
}

int ClsXml::NumChildrenHavingTag(const XString &tag) {
    CritSecExitor lock(this);
    return hasValidNode() ? m_node->countChildrenWithTag(trimmedUtf8(tag).getString()) : 0;
}

bool ClsXml::HasChildWithTag(const XString &tag) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->hasChildWithTag(tag.getUtf8());
}

bool ClsXml::HasChildWithContent(const XString &content) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->hasChildWithContent(content.getUtf8());
}

bool ClsXml::HasChildWithTagAndContent(const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->hasChildWithTagAndContent(tag.getUtf8(), content.getUtf8());
}

// ---------------------------------------------------------------- values

bool ClsXml::TagEquals(const XString &tag) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->tagEquals(tag.getUtf8());
}

bool ClsXml::GetChildContent(const XString &tag, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    const TreeNode *child = hasValidNode() ? m_node->firstChildWithTag(tag.getUtf8()) : nullptr;
    return child && setContentOut(child, out);
}

bool ClsXml::GetChildContentByIndex(int index, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    const TreeNode *child = hasValidNode() ? m_node->getChild(index) : nullptr;
    return child && setContentOut(child, out);
}

void ClsXml::GetChildTag(int index, XString &out) { GetChildTagByIndex(index, out); }

bool ClsXml::GetChildTagByIndex(int index, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    const TreeNode *child = hasValidNode() ? m_node->getChild(index) : nullptr;
    return child && out.setFromUtf8(child->getTag());
}

int ClsXml::GetChildIntValue(const XString &tag) {
    CritSecExitor lock(this);
    const TreeNode *child = hasValidNode() ? m_node->firstChildWithTag(tag.getUtf8()) : nullptr;
    return child ? child->getContentInt() : 0;
}

bool ClsXml::GetChildBoolValue(const XString &tag) { return GetChildIntValue(tag) != 0; }

}  // namespace quorvel
