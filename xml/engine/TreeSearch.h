#pragma once
#include "xml/engine/LevelOrderWalk.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

class StringBuffer;
class TreeInfo;

// Searches of a subtree in level order (LevelOrderWalk): the scope node itself first, nothing
// outside the scope. With an `after` node, nodes are passed over up to and including that node
// and testing starts with the one after it, so feeding each result back as `after` steps
// through every match once. An `after` outside the scope gives no result, and so does a walk
// that runs out of memory.

// True when node is scope or one of its descendants.
bool isInSubtree(const TreeNode *node, const TreeNode *scope);

// The walk of one search: taken up from the tree's resume point when the search goes on from
// where the last one stopped, else started at the scope and advanced past `after`. The node
// found is kept as the next resume point.
class SearchWalk {
public:
    SearchWalk(TreeNode *scope, const TreeNode *after);
    ~SearchWalk();
    SearchWalk(const SearchWalk &) = delete;
    SearchWalk &operator=(const SearchWalk &) = delete;

    // False when there is nothing to search: an invalid scope or an `after` outside it.
    bool ready() const { return m_ready; }
    TreeNode *next() { return m_walk.next(); }
    void found(const TreeNode *node) { m_found = node; }

private:
    TreeNode *m_scope;
    TreeInfo *m_tree = nullptr;  // set while this walk holds the tree's resume point
    LevelOrderWalk m_walk;
    const TreeNode *m_found = nullptr;
    bool m_ready = false;
};

// The first node (after `after`, when given) for which match(node) is true; null when none.
template <class Match>
TreeNode *searchLevelOrder(TreeNode *scope, const TreeNode *after, Match &&match) {
    SearchWalk walk(scope, after);
    if (!walk.ready()) return nullptr;
    while (TreeNode *node = walk.next()) {
        if (match(node)) {
            walk.found(node);
            return node;
        }
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
