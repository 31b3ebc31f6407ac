// ClsXml: searches over the subtree (level order, with a resume point), the values found that
// way, record scanning along siblings and the content pattern tests.
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeSearch.h"
#include "xml/engine/Wildcard.h"
#include "xml/object/ArgumentText.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

bool contentMatches(const TreeNode *node, const XString &pattern, bool caseSensitive) {
    // A node that never had content does not match even "*"; an emptied one does.
    return node->content().isAllocated() &&
           wildcardMatch(node->getContent(), node->getContentSize(), pattern.getUtf8(), caseSensitive);
}

}  // namespace

TreeNode *ClsXml::searchFrom(ClsXml *after, TreeNode *&afterNode) {
    afterNode = nullptr;
    if (!hasValidNode()) return nullptr;
    if (after) {
        if (!after->hasValidNode()) return nullptr;
        afterNode = after->m_node;
    }
    return m_node;
}

// Each search has a form returning a new object and a "2" form moving this object.
#define QUORVEL_SEARCH(Name, Params, Found)                    \
    std::unique_ptr<ClsXml> ClsXml::Name Params {              \
        CritSecExitor lock(this);                              \
        TreeNode *afterNode;                                   \
        TreeNode *scope = searchFrom(after, afterNode);        \
        return scope ? objectOn(Found) : nullptr;              \
    }                                                          \
    bool ClsXml::Name##2 Params {                              \
        CritSecExitor lock(this);                              \
        TreeNode *afterNode;                                   \
        TreeNode *scope = searchFrom(after, afterNode);        \
        TreeNode *found = scope ? Found : nullptr;             \
        if (!found) return false;                              \
        moveTo(found);                                         \
        return true;                                           \
    }

QUORVEL_SEARCH(SearchForTag, (ClsXml * after, const XString &tag),
               searchTag(scope, afterNode, trimmedUtf8(tag).getString()))
QUORVEL_SEARCH(SearchForContent, (ClsXml * after, const XString &tag, const XString &contentPattern),
               searchTagAndContent(scope, afterNode, trimmedUtf8(tag).getString(), contentPattern.getUtf8()))
QUORVEL_SEARCH(SearchAllForContent, (ClsXml * after, const XString &contentPattern),
               searchContent(scope, afterNode, contentPattern.getUtf8()))
QUORVEL_SEARCH(SearchForAttribute,
               (ClsXml * after, const XString &tag, const XString &attr, const XString &valuePattern),
               searchTagAndAttribute(scope, afterNode, trimmedUtf8(tag).getString(), trimmedUtf8(attr).getString(),
                                     valuePattern.getUtf8()))

#undef QUORVEL_SEARCH

bool ClsXml::TagContent(const XString &tag, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    TreeNode *found = hasValidNode() ? searchTag(m_node, nullptr, tag.getUtf8()) : nullptr;
    return found && out.setFromUtf8N(found->getContent(), found->getContentSize());
}

void ClsXml::AccumulateTagContent(const XString &tag, const XString &skipTags, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    if (!hasValidNode()) return;
    StringBuffer joined;
    if (accumulateTagContent(m_node, tag.getUtf8(), skipTags.getUtf8(), joined)) out.setFromSb(joined);
}

std::unique_ptr<ClsXml> ClsXml::FindNextRecord(const XString &tag, const XString &contentPattern) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    const char *childTag = tag.getUtf8();
    const char *pattern = contentPattern.getUtf8();
    // A root has no siblings: only the node itself is examined.
    for (TreeNode *record = m_node; record; record = record->nextSibling()) {
        const TreeNode *field = record->firstChildWithTag(childTag);
        if (field && wildcardMatch(field->getContent(), field->getContentSize(), pattern, true))
            return objectOn(record);
    }
    return nullptr;
}

bool ClsXml::ContentMatches(const XString &pattern, bool caseSensitive) {
    CritSecExitor lock(this);
    return hasValidNode() && contentMatches(m_node, pattern, caseSensitive);
}

bool ClsXml::ChildContentMatches(const XString &tag, const XString &pattern, bool caseSensitive) {
    CritSecExitor lock(this);
    const TreeNode *child = hasValidNode() ? m_node->firstChildWithTag(tag.getUtf8()) : nullptr;
    return child && contentMatches(child, pattern, caseSensitive);
}

}  // namespace quorvel
