#pragma once
// Trees built by hand for the serializer tests, and the serializer's output as std::string.
#include <string>

#include "foundation/StringBuffer.h"
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

inline TreeNode *addChild(TreeNode *parent, const char *tag, const char *content = nullptr) {
    TreeNode *child = TreeNode::createChild(parent, tag);
    if (content) child->setContent(content);
    return child;
}

inline std::string serialized(const TreeNode *node, int32_t index = 0, int32_t depth = 0, bool suppress = false) {
    StringBuffer out;
    serializeNode(node, out, index, depth, suppress);
    return std::string(out.getString(), out.getSize());
}

// The attribute names of a node in stored order, joined by spaces.
inline std::string attributeNames(const TreeNode *node) {
    std::string names;
    StringBuffer name;
    for (int32_t i = 0; node->getAttributeName(i, name); ++i) names += (i ? " " : "") + std::string(name.getString());
    return names;
}

}  // namespace quorvel::test
