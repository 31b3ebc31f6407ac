// ClsXml editing: moving, exchanging, removing and detaching subtrees; style sheets.
#include "foundation/base/AllocationFailures.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeSearch.h"
#include "xml/engine/XmlParser.h"
#include "xml/object/ArgumentText.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

bool ClsXml::moveSubtreeHere(ClsXml *tree, int position) {
    TreeNode *moving = tree->m_node;
    // Room first, so that memory running out leaves the subtree where it was.
    if (!m_node->reserveChild()) return false;
    // A root stays where it is; an ancestor of this node leaves its document and then cannot
    // be attached below its own descendant, so nothing is attached.
    TreeNode::removeFromTree(moving);
    return position < 0 ? TreeNode::appendChild(m_node, moving) : TreeNode::insertChildAt(m_node, position, moving);
}

bool ClsXml::AddChildTree(ClsXml *tree) {
    CritSecExitor lock(this);
    if (!tree || tree == this || !hasValidNode() || !tree->hasValidNode()) return false;
    // True whether or not the subtree could be attached here, but not when memory ran out.
    AllocationFailureWatch watch;
    moveSubtreeHere(tree, -1);
    return !watch.ranShort();
}

bool ClsXml::appendSubtree(ClsXml *tree) {
    CritSecExitor lock(this);
    if (!tree || tree == this || !hasValidNode() || !tree->hasValidNode()) return false;
    return moveSubtreeHere(tree, -1);
}

void ClsXml::InsertChildTreeBefore(int index, ClsXml *tree) {
    CritSecExitor lock(this);
    if (!tree || tree == this || !hasValidNode() || !tree->hasValidNode()) return;
    int n = m_node->getNumChildren();
    moveSubtreeHere(tree, index >= n ? -1 : (index < 0 ? 0 : index));
}

void ClsXml::InsertChildTreeAfter(int index, ClsXml *tree) {
    CritSecExitor lock(this);
    if (!tree || tree == this || !hasValidNode() || !tree->hasValidNode()) return;
    int n = m_node->getNumChildren();
    moveSubtreeHere(tree, index >= n - 1 ? -1 : (index < 0 ? 0 : index) + 1);
}

bool ClsXml::SwapNode(ClsXml *node) {
    CritSecExitor lock(this);
    if (!node || !hasValidNode() || !node->hasValidNode()) return false;
    TreeNode::swapNode(m_node, node->m_node);
    return true;
}

bool ClsXml::takeContentsOf(ClsXml &other) {
    CritSecExitor lock(this);
    CritSecExitor otherLock(&other);
    return hasValidNode() && other.hasValidNode() &&
           TreeNode::swapTree(m_node, other.m_node, TreeNode::ChildLists::kAsTheyAre);
}

bool ClsXml::SwapTree(ClsXml *tree) {
    CritSecExitor lock(this);
    if (!tree || !hasValidNode() || !tree->hasValidNode()) return false;
    return TreeNode::swapTree(m_node, tree->m_node);
}

void ClsXml::RemoveChild(const XString &tag) {
    CritSecExitor lock(this);
    if (hasValidNode()) TreeNode::removeChildrenWithTag(m_node, tag.getUtf8());
}

void ClsXml::RemoveChildWithContent(const XString &content) {
    CritSecExitor lock(this);
    if (hasValidNode()) TreeNode::removeChildrenWithContent(m_node, content.getUtf8());
}

void ClsXml::RemoveChildByIndex(int index) {
    CritSecExitor lock(this);
    if (hasValidNode()) TreeNode::removeChildAt(m_node, index);
}

void ClsXml::RemoveAllChildren() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return;
    while (m_node->getNumChildren() > 0)
        if (!TreeNode::removeChildAt(m_node, 0)) break;  // out of memory: stop, never spin
}

void ClsXml::RemoveFromTree() {
    CritSecExitor lock(this);
    if (hasValidNode()) TreeNode::removeFromTree(m_node);
}

std::unique_ptr<ClsXml> ClsXml::ExtractChildByIndex(int index) {
    CritSecExitor lock(this);
    TreeNode *child = hasValidNode() ? m_node->getChild(index) : nullptr;
    // The object is made first, so its reference travels with the detached subtree.
    std::unique_ptr<ClsXml> extracted = objectOn(child);
    if (extracted) TreeNode::removeFromTree(child);
    return extracted;
}

std::unique_ptr<ClsXml> ClsXml::ExtractChildByName(const XString &tag, const XString &attrName,
                                                   const XString &attrValue) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    StringBuffer wantedTag = trimmedUtf8(tag), wantedAttr = trimmedUtf8(attrName);
    TreeNode *found = wantedAttr.isEmpty()
                          ? m_node->firstChildWithTag(wantedTag.getString())
                          : searchTagAndAttribute(m_node, nullptr, wantedTag.getString(), wantedAttr.getString(),
                                                  attrValue.getUtf8());
    std::unique_ptr<ClsXml> extracted = objectOn(found);
    if (extracted) TreeNode::removeFromTree(found);
    return extracted;
}

void ClsXml::AddStyleSheet(const XString &styleSheet) {
    MethodFrame frame(*this, this, "AddStyleSheet");
    if (hasValidNode()) addStyleSheet(m_node, styleSheet.getUtf8(), &frame.log());
}

}  // namespace quorvel
