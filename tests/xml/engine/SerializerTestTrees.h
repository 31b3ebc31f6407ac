#pragma once
// Trees built by hand, the counted references API objects hold on them, and the serializer's
// output as std::string.
#include <string>

#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlSerializer.h"

namespace quorvel::test {

// Frees a test's document when the test ends.
class OwnedTree {
public:
    explicit OwnedTree(const char *tag) : m_root(TreeNode::createTree(tag)) {}
    ~OwnedTree() { TreeNode::deleteTree(m_root); }
    OwnedTree(const OwnedTree &) = delete;
    OwnedTree &operator=(const OwnedTree &) = delete;
    TreeNode *root() const { return m_root; }
    TreeInfo &info() const { return *m_root->treeInfo(); }

private:
    TreeNode *m_root;
};

// What an API object does: one counted reference while it stands on a node; letting go of the
// last reference in a tree frees the tree.
class Holder {
public:
    explicit Holder(TreeNode *node) : m_node(node) { TreeNode::addRef(node); }
    ~Holder() { letGo(); }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;
    void letGo() {
        if (!m_node) return;
        TreeInfo *info = m_node->treeInfo();
        TreeNode::release(m_node);
        if (info->refCount() == 0) TreeNode::deleteTree(info->root());
        m_node = nullptr;
    }
    TreeNode *node() const { return m_node; }

private:
    TreeNode *m_node;
};

inline TreeNode *addChild(TreeNode *parent, const char *tag, const char *content = nullptr) {
    TreeNode *child = TreeNode::createChild(parent, tag);
    if (content) child->setContent(content);
    return child;
}

// Detaches the node (its tree kept alive meanwhile by a counted reference) and frees it.
inline void detachAndFree(TreeNode *node) {
    TreeNode *root = node->getRoot();
    TreeNode::addRef(root);
    TreeNode::removeFromTree(node);
    TreeNode::deleteTree(node);
    TreeNode::release(root);
}

inline std::string serialized(const TreeNode *node, int32_t index = 0, int32_t depth = 0, bool suppress = false) {
    StringBuffer out;
    serializeNode(node, out, index, depth, suppress);
    return textOf(out);
}

// The attribute names of a node in stored order, joined by spaces.
inline std::string attributeNames(const TreeNode *node) {
    std::string names;
    StringBuffer name;
    for (int32_t i = 0; node->getAttributeName(i, name); ++i) names += (i ? " " : "") + std::string(name.getString());
    return names;
}

}  // namespace quorvel::test
