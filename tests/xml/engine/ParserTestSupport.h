#pragma once
// Helpers for the parser tests: parse a text into a tree that frees itself, and write a tree
// as a compact string (iteratively, so deep trees are fine):
//   tag[name=value,...]{content}(child child ...)
// "!{...}" marks CDATA content; "{}" an allocated but empty content; "()" an empty children
// array. A null tree is "(null)".
#include <string>
#include <utility>
#include <vector>

#include "foundation/StringBuffer.h"
#include "support/RecordingLog.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/ParseEngine.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParser.h"

namespace quorvel::test {

inline void appendNodeHead(const TreeNode &node, std::string &out) {
    out += node.getTag();
    const int32_t n = node.getNumAttributes();
    if (n > 0) {
        out += '[';
        StringBuffer name, value;
        for (int32_t i = 0; i < n; ++i) {
            node.getAttributePair(i, name, value);
            if (i > 0) out += ',';
            out.append(name.getString(), name.getSize());
            out += '=';
            out.append(value.getString(), value.getSize());
        }
        out += ']';
    }
    if (node.content().isAllocated()) {
        if (node.getCdata()) out += '!';
        out += '{';
        out.append(node.getContent(), node.getContentSize());
        out += '}';
    }
}

inline std::string dumpTree(const TreeNode *root) {
    if (!root) return "(null)";
    std::string out;
    appendNodeHead(*root, out);
    if (!root->hasChildrenArray()) return out;
    out += '(';
    std::vector<std::pair<const TreeNode *, int32_t>> open{{root, 0}};
    while (!open.empty()) {
        const TreeNode *node = open.back().first;
        const int32_t next = open.back().second;
        if (next >= node->getNumChildren()) {
            out += ')';
            open.pop_back();
            continue;
        }
        open.back().second = next + 1;
        if (next > 0) out += ' ';
        const TreeNode *child = node->getChild(next);
        appendNodeHead(*child, out);
        if (child->hasChildrenArray()) {
            out += '(';
            open.emplace_back(child, 0);
        }
    }
    return out;
}

// The style sheets of a tree, each dumped, separated by " ".
inline std::string dumpStyleSheets(const TreeInfo &info) {
    std::string out;
    for (int32_t i = 0; i < info.styleSheets().getSize(); ++i) {
        if (i > 0) out += ' ';
        out += dumpTree(static_cast<const TreeNode *>(info.styleSheets().elementAt(i)));
    }
    return out;
}

// One parse whose tree is destroyed with the object.
struct Parsed {
    explicit Parsed(const std::string &text, bool trim = true) {
        // Loaded by length so that a test can embed a zero byte.
        ParseEngine engine;
        loaded = engine.loadBytes(text.data(), static_cast<uint32_t>(text.size()));
        ok = loaded && parseXml(engine, &log, root, trim);
    }
    ~Parsed() { TreeNode::deleteTree(root); }
    Parsed(const Parsed &) = delete;
    Parsed &operator=(const Parsed &) = delete;

    std::string dump() const { return dumpTree(root); }
    const TreeInfo &info() const { return *root->treeInfo(); }

    bool loaded = false;
    bool ok = false;
    TreeNode *root = nullptr;
    RecordingLog log;
};

}  // namespace quorvel::test
