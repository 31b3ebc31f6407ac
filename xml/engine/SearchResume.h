#pragma once
#include <atomic>
#include <cstdint>

#include "xml/engine/LevelOrderWalk.h"

namespace quorvel {

// Where the last level-order search of a tree stopped: the walk of its scope, standing right
// after the node it returned, and the tree's structure version at that moment. A search whose
// `after` is that node, in the same scope, while the structure is unchanged, goes on from
// there instead of walking from the scope again; so stepping through every match of a subtree
// with `after` costs one walk in all, however many matches there are.
//
// The tree holds one; a search takes it for its duration (tryTake) and gives it back (keep or
// drop). When two objects search one tree at the same time, the second searches without it.
class SearchResume {
public:
    SearchResume() = default;
    SearchResume(const SearchResume &) = delete;
    SearchResume &operator=(const SearchResume &) = delete;

    bool tryTake() { return !m_busy.exchange(true, std::memory_order_acquire); }
    // True, with the saved walk swapped into `walk`, when it stands right after `after` in the
    // walk of `scope` and the structure is still at `version`.
    bool resumeInto(const TreeNode *scope, const TreeNode *after, uint64_t version, LevelOrderWalk &walk);
    // Keeps `walk`, which has just returned `at`, and gives the resume point back.
    void keep(const TreeNode *scope, const TreeNode *at, uint64_t version, LevelOrderWalk &walk);
    // Forgets the resume point and gives it back.
    void drop();

private:
    void giveBack() { m_busy.store(false, std::memory_order_release); }

    LevelOrderWalk m_walk;
    const TreeNode *m_scope = nullptr;
    const TreeNode *m_at = nullptr;
    uint64_t m_version = 0;
    std::atomic<bool> m_busy{false};
};

}  // namespace quorvel
