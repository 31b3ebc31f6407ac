#pragma once
#include <cstdint>

#include "xml/engine/TreeNode.h"

namespace quorvel {

// Visits a subtree level by level: the scope node, then its children in document order, then
// the children of its first child, of its second child, and so on. Only nodes that have
// children are queued (as parents), and each queued parent's children are read through the
// sibling links, so memory grows with the number of parents waiting, never with the depth of
// the tree, and nothing recurses.
//
// The structure of the subtree must not change during the walk.
class LevelOrderWalk {
public:
    explicit LevelOrderWalk(TreeNode *scope = nullptr);
    ~LevelOrderWalk();
    LevelOrderWalk(const LevelOrderWalk &) = delete;
    LevelOrderWalk &operator=(const LevelOrderWalk &) = delete;
    // A walk can be put aside and taken up again where it stood (a search's resume point).
    void swap(LevelOrderWalk &other) noexcept;

    // The next node; null at the end of the subtree or when memory ran out (see failed()).
    TreeNode *next();
    // The children of the node last returned by next() are left out of the walk.
    void skipChildrenOfLast() { m_descendLast = false; }
    // True when the parent queue could not grow: the walk ended early.
    bool failed() const { return m_failed; }

private:
    bool pushParent(TreeNode *node);
    TreeNode *popParent();
    bool growQueue();

    TreeNode *m_scope;
    TreeNode *m_cursor;  // the next node of the current sibling group
    TreeNode *m_last = nullptr;
    bool m_descendLast = true;
    bool m_failed = false;
    // The parent queue: a ring buffer.
    TreeNode **m_ring = nullptr;
    uint32_t m_capacity = 0;
    uint32_t m_head = 0;
    uint32_t m_count = 0;
};

}  // namespace quorvel
