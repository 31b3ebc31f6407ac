#pragma once
#include <cstdint>

#include "xml/engine/TreeNode.h"

namespace quorvel {

// Visits a subtree in document order without recursion and without allocating, by following
// the first-child, next-sibling and parent links. enter(node, depth) is called on the way down
// and returns whether to descend into the node's children; leave(node, depth) is called once
// all of a node's visited children are done. The root is at depth 0. The callbacks must not
// change the structure of the subtree.
template <class Node, class Enter, class Leave>
void walkSubtree(Node *root, Enter &&enter, Leave &&leave) {
    if (!TreeNode::isValid(root)) return;
    Node *node = root;
    int32_t depth = 0;
    for (;;) {
        Node *first = enter(node, depth) ? node->firstChild() : nullptr;
        if (first) {
            node = first;
            ++depth;
            continue;
        }
        for (;;) {
            leave(node, depth);
            if (node == root) return;
            if (Node *next = node->nextSibling()) {
                node = next;
                break;
            }
            node = node->parent();
            --depth;
        }
    }
}

// Pre-order visit of every node of a subtree.
template <class Node, class Visit>
void forEachInSubtree(Node *root, Visit &&visit) {
    walkSubtree(
        root,
        [&](Node *node, int32_t) {
            visit(node);
            return true;
        },
        [](Node *, int32_t) {});
}

}  // namespace quorvel
