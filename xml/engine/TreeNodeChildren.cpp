// TreeNode: child queries.
#include <cstring>

#include "xml/engine/ChildList.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

namespace {

inline bool contentEquals(const TreeNode *node, const char *content) {
    return std::strcmp(node->getContent(), content ? content : "") == 0;
}

}  // namespace

int32_t TreeNode::getNumChildren() const { return m_children ? m_children->getSize() : 0; }

TreeNode *TreeNode::getChild(int32_t index) const {
    return m_children ? m_children->elementAt(index) : nullptr;
}

TreeNode *TreeNode::firstChild() const { return getChild(0); }

bool TreeNode::reserveChild() {
    NodeArena *memory = arena();
    return memory && ensureChildrenArray() && ChildList::reserve(m_children, *memory);
}

TreeNode *TreeNode::lastChild() const { return m_children ? m_children->lastElement() : nullptr; }

TreeNode *TreeNode::firstChildWithTag(const char *tag, const char *attrName, const char *attrValue) const {
    for (TreeNode *child = firstChild(); child; child = child->m_next) {
        if (!child->tagEquals(tag)) continue;
        if (attrName && !child->hasAttributeWithValue(attrName, attrValue)) continue;
        return child;
    }
    return nullptr;
}

bool TreeNode::hasChildWithTag(const char *tag) const { return firstChildWithTag(tag) != nullptr; }

TreeNode *TreeNode::firstChildWithTagAttrMatching(const char *tag, const char *attrName, const char *pattern) const {
    for (TreeNode *child = firstChild(); child; child = child->m_next)
        if (child->tagEquals(tag) && child->hasAttributeMatching(attrName, pattern)) return child;
    return nullptr;
}

TreeNode *TreeNode::nthChildWithTag(const char *tag, int32_t n) const {
    if (n < 0) return nullptr;
    for (TreeNode *child = firstChild(); child; child = child->m_next)
        if (child->tagEquals(tag) && n-- == 0) return child;
    return nullptr;
}

TreeNode *TreeNode::nthChildWithTagAndContent(const char *tag, const char *content, int32_t n) const {
    if (n < 0) return nullptr;
    for (TreeNode *child = firstChild(); child; child = child->m_next)
        if (child->tagEquals(tag) && contentEquals(child, content) && n-- == 0) return child;
    return nullptr;
}

TreeNode *TreeNode::nthChildWithContent(const char *content, int32_t n) const {
    if (n < 0) return nullptr;
    for (TreeNode *child = firstChild(); child; child = child->m_next)
        if (contentEquals(child, content) && n-- == 0) return child;
    return nullptr;
}

int32_t TreeNode::countChildrenWithTag(const char *tag) const {
    int32_t count = 0;
    for (TreeNode *child = firstChild(); child; child = child->m_next)
        if (child->tagEquals(tag)) ++count;
    return count;
}

bool TreeNode::hasChildWithContent(const char *content) const { return nthChildWithContent(content, 0) != nullptr; }

bool TreeNode::hasChildWithTagAndContent(const char *tag, const char *content) const {
    return nthChildWithTagAndContent(tag, content, 0) != nullptr;
}

int32_t TreeNode::indexInParent() const {
    if (!m_parent || !m_parent->m_children) return -1;
    return m_parent->m_children->indexOf(this);
}

}  // namespace quorvel
