#pragma once
#include "xml/engine/LevelOrderWalk.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

class StringBuffer;

// Searches of a subtree in level order (LevelOrderWalk): the scope node itself first, nothing
// outside the scope. With an `after` node, nodes are passed over up to and including that node
// and testing starts with the one after it, so feeding each result back as `after` steps
// through every match once. An `after` outside the scope gives no result, and so does a walk
// that runs out of memory.

// True when node is scope or one of its descendants.
bool isInSubtree(const TreeNode *node, const TreeNode *scope);

// The first node (after `after`, when given) for which match(node) is true; null when none.
template <class Match>
TreeNode *searchLevelOrder(TreeNode *scope, const TreeNode *after, Match &&match) {
    if (!TreeNode::isValid(scope)) return nullptr;
    if (after && !isInSubtree(after, scope)) return nullptr;
    bool testing = after == nullptr;
    LevelOrderWalk walk(scope);
    while (TreeNode *node = walk.next()) {
        if (!testing) {
            testing = node == after;
            continue;
        }
        if (match(node)) return node;
    }
    return nullptr;
}

// The ready-made tests. Tags compare exactly; patterns follow wildcardMatch, case-sensitive,
// against the content (the empty text when there is none).
TreeNode *searchTag(TreeNode *scope, const TreeNode *after, const char *tag);
TreeNode *searchTagAndContent(TreeNode *scope, const TreeNode *after, const char *tag, const char *pattern);
TreeNode *searchContent(TreeNode *scope, const TreeNode *after, const char *pattern);
// Tag equal and some attribute `attr` whose value matches the pattern.
TreeNode *searchTagAndAttribute(TreeNode *scope, const TreeNode *after, const char *tag, const char *attr,
                                const char *pattern);

// Appends to out, separated by single spaces, the content of every node of the subtree whose
// tag is `tag`, in level order. skipTags lists tag names separated by '|' (empty names stay in
// the list); the children of a node whose tag is listed are not visited, the node itself is.
// The result is then trimmed and its white space collapsed (CR, LF and TAB become spaces; runs
// of spaces become one). False, with out emptied, when memory ran out.
bool accumulateTagContent(TreeNode *scope, const char *tag, const char *skipTags, StringBuffer &out);

}  // namespace quorvel
