#pragma once
// Trees as compact strings: tag[name=value,...]{content}(child child ...); "!{...}" marks CDATA,
// "{}" an allocated but empty content, "()" an empty children array, "(null)" no tree. Parses and
// trees that free themselves, and the serializer's output as std::string.
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "xml/engine/ParseEngine.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlSerializer.h"

namespace quorvel::test {

inline std::string dumpTree(const TreeNode *node) {
    if (!node) return "(null)";
    std::string out = node->getTag();
    StringBuffer name, value;
    for (int32_t i = 0; node->getAttributePair(i, name, value); ++i) out += (i ? "," : "[") + textOf(name) + "=" + textOf(value);
    if (node->getNumAttributes() > 0) out += ']';
    if (node->content().isAllocated())
        out += (node->getCdata() ? "!{" : "{") + std::string(node->getContent(), node->getContentSize()) + "}";
    if (!node->hasChildrenArray()) return out;
    for (int32_t i = 0; i < node->getNumChildren(); ++i) out += (i ? " " : "(") + dumpTree(node->getChild(i));
    return out + (node->getNumChildren() ? ")" : "()");
}

// The style sheets of a tree, each dumped, separated by " ".
inline std::string dumpStyleSheets(const TreeInfo &info) {
    std::string out;
    for (int32_t i = 0; i < info.styleSheets().getSize(); ++i)
        out += (i ? " " : "") + dumpTree(static_cast<const TreeNode *>(info.styleSheets().elementAt(i)));
    return out;
}

// The tree, then every part of its prologue that is not empty.
inline std::string dumpDocument(const TreeNode *root) {
    std::string out = dumpTree(root);
    if (!root) return out;
    const TreeInfo &info = *root->treeInfo();
    if (info.declaration()) out += " decl:" + dumpTree(info.declaration());
    if (info.styleSheets().getSize()) out += " sheets:" + dumpStyleSheets(info);
    if (*info.doctypeText()) out += " doctype:" + std::string(info.doctypeText());
    if (*info.piText()) out += " pi:" + std::string(info.piText());
    return out;
}

// One parse whose tree is destroyed with the object.
struct Parsed {
    explicit Parsed(const std::string &text, bool trim = true) {
        // Loaded by length so that a test can embed a zero byte.
        ParseEngine engine;
        ok = engine.loadBytes(text.data(), static_cast<uint32_t>(text.size())) && parseXml(engine, &log, root, trim);
    }
    ~Parsed() { TreeNode::deleteTree(root); }
    Parsed(const Parsed &) = delete;
    Parsed &operator=(const Parsed &) = delete;

    std::string dump() const { return dumpTree(root); }
    const TreeInfo &info() const { return *root->treeInfo(); }
    // The document, then the log when it is not empty.
    std::string all() const { return dumpDocument(root) + (log.lines.empty() ? "" : " log:" + log.joined()); }

    bool ok = false;
    TreeNode *root = nullptr;
    RecordingLog log;
};

// A declaration or style-sheet node with the pseudo-attributes in the order given.
inline TreeNode *instruction(const char *tag, std::initializer_list<std::pair<const char *, const char *>> pairs) {
    TreeNode *node = TreeNode::createTree(tag);
    for (const auto &[name, value] : pairs) node->addAttribute(name, value);
    return node;
}

// The nodes of a plain breadth-first walk from node.
inline std::vector<TreeNode *> breadthFirst(TreeNode *node) {
    std::vector<TreeNode *> out;
    for (std::deque<TreeNode *> queue{node}; !queue.empty(); queue.pop_front()) {
        out.push_back(queue.front());
        for (TreeNode *child = queue.front()->firstChild(); child; child = child->nextSibling()) queue.push_back(child);
    }
    return out;
}

inline TreeNode *addChild(TreeNode *parent, const char *tag, const char *content = nullptr) {
    TreeNode *child = TreeNode::createChild(parent, tag);
    if (content) child->setContent(content);
    return child;
}

inline TreeNode *build(const char *rootTag, std::initializer_list<const char *> children = {}) {
    TreeNode *root = TreeNode::createTree(rootTag);
    for (const char *tag : children) addChild(root, tag);
    return root;
}

// What an API object does: one counted reference while it stands on a node; letting go of the
// last reference in a tree frees the tree. Made from a tag, it holds a new tree of its own.
class Holder {
public:
    explicit Holder(TreeNode *node) : m_node(node) { TreeNode::addRef(node); }
    explicit Holder(const char *tag, std::initializer_list<const char *> children = {}) : Holder(build(tag, children)) {}
    ~Holder() {
        TreeInfo *info = m_node->treeInfo();
        TreeNode::release(m_node);
        if (info->refCount() == 0) TreeNode::deleteTree(info->root());
    }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;
    TreeNode *node() const { return m_node; }
    TreeInfo &info() const { return *m_node->treeInfo(); }

private:
    TreeNode *m_node;
};

// Detaches the node (its tree kept alive meanwhile by a counted reference) and frees it.
inline void detachAndFree(TreeNode *node) {
    Holder keep(node->getRoot());
    TreeNode::removeFromTree(node);
    TreeNode::deleteTree(node);
}

inline std::string serialized(const TreeNode *node, int32_t index = 0, int32_t depth = 0, bool suppress = false) {
    StringBuffer out;
    serializeNode(node, out, index, depth, suppress);
    return textOf(out);
}

}  // namespace quorvel::test
