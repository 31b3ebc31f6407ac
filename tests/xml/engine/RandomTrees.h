#pragma once
// Seeded random documents for the round-trip and agreement tests.
#include <cstdint>
#include <random>
#include <string>

#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"

namespace quorvel::test {

class RandomTrees {
public:
    // strictXml keeps to what any XML reader accepts and reads back the same way: names that
    // start with a letter and hold no ':' or '!', no CR, and attribute values without tabs or
    // line ends (XML normalizes those to spaces).
    RandomTrees(uint32_t seed, bool strictXml) : m_rng(seed), m_strict(strictXml) {}

    int pick(int n) { return static_cast<int>(m_rng() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string name(int maxLength) {
        static const char *const first[] = {"a", "b", "x", "Item", "_u", "\xC3\xA9", "k"};
        static const char *const rest[] = {"a", "z", "0", "9", "-", ".", "_", "Q", "\xC3\xA9", ":", "!"};
        std::string s = first[pick(7)];
        for (int n = pick(maxLength); n > 0; --n) s += rest[pick(m_strict ? 9 : 11)];
        return s;
    }

    // Text without whitespace at either end (the parser trims there) and never empty.
    std::string text(bool forCdata) {
        static const char *const pieces[] = {"a", "Z", " ", "<", ">", "&", "\"", "'", "&amp;", "&lt;",
                                             "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "]", "[", "\t", "\n", "\r", "&#65;", "x y"};
        std::string s = "t";
        for (int n = pick(12); n > 0; --n) s += pieces[pick(m_strict ? 16 : 19)];  // strict: no CR, no numeric references
        s += "e";
        for (size_t at; forCdata && (at = s.find("]]>")) != std::string::npos;) s.erase(at, 3);
        return s;
    }

    std::string attributeValue() {
        static const char *const pieces[] = {"v", "\"", "'", "&", "<", ">", " ", "&quot;", "\xC3\xBC", "\t", "\n"};
        std::string s;
        for (int n = pick(6); n > 0; --n) s += pieces[pick(m_strict ? 9 : 11)];
        return s;
    }

    // A tree of about maxNodes elements; attribute names unique per element.
    TreeNode *tree(int maxNodes) {
        TreeNode *root = TreeNode::createTree(name(20).c_str());
        decorate(root);
        TreeNode *nodes[64] = {root};
        int count = 1;
        for (int n = pick(maxNodes); n > 0; --n) {
            TreeNode *parent = nodes[pick(count)];
            // In strict documents an element holds text or children, not both.
            if (m_strict && parent->hasContent()) continue;
            TreeNode *child = TreeNode::createChild(parent, name(20).c_str());
            decorate(child);
            if (count < 64) nodes[count++] = child;
        }
        return root;
    }

private:
    void decorate(TreeNode *node) {
        for (int i = pick(4); i > 0; --i) {
            std::string attr = name(6) + std::to_string(i);
            node->addAttribute(attr.c_str(), attributeValue().c_str());
        }
        if (chance(55)) {
            bool cdata = chance(25);
            node->setContent(text(cdata).c_str());
            node->setCdata(cdata);
        }
    }

    std::mt19937 m_rng;
    bool m_strict;
};

}  // namespace quorvel::test
