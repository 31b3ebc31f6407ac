#pragma once
#include <cstdint>

namespace quorvel {

class NodeArena;
class TreeNode;

// The ordered children of one element: a count, a capacity and the pointers, in one block of
// the tree's memory. An element either has no list or has one (possibly empty), which decides
// how it is written. Growing may move the list, so the owner holds it through a pointer that
// `reserve` updates.
class ChildList {
public:
    // An empty list with room for a few children; null when memory runs out.
    static ChildList *create(NodeArena &arena);
    static void destroy(ChildList *list);
    // Room for `more` further children (the list may move); false, nothing changed, when
    // memory runs out or the count would pass INT32_MAX.
    static bool reserve(ChildList *&list, NodeArena &arena, int32_t more = 1) {
        return (more >= 0 && more <= list->m_capacity - list->m_count) || grow(list, arena, more);
    }

    int32_t getSize() const { return m_count; }
    int32_t getCapacity() const { return m_capacity; }
    // Null outside [0, count).
    TreeNode *elementAt(int32_t index) const { return index >= 0 && index < m_count ? items()[index] : nullptr; }
    TreeNode *lastElement() const { return m_count ? items()[m_count - 1] : nullptr; }
    int32_t indexOf(const TreeNode *node) const;
    // Needs room (reserve); the index is clamped into [0, count].
    void insertAt(int32_t index, TreeNode *node);
    void append(TreeNode *node) {
        if (m_count < m_capacity) items()[m_count++] = node;  // callers reserve first
    }
    // Null outside [0, count).
    TreeNode *removeAt(int32_t index);
    bool removeItem(const TreeNode *node);
    void setAt(int32_t index, TreeNode *node);
    void swapItems(int32_t i, int32_t j);
    // Bytes of the block (benchmark accounting).
    uint64_t bytesHeld() const;

private:
    static bool grow(ChildList *&list, NodeArena &arena, int32_t more);
    // Only `create` makes lists, in arena blocks; the items follow the header.
    explicit ChildList(int32_t capacity) : m_count(0), m_capacity(capacity) {}
    TreeNode **items() { return reinterpret_cast<TreeNode **>(this + 1); }
    TreeNode *const *items() const { return reinterpret_cast<TreeNode *const *>(this + 1); }

    int32_t m_count;
    int32_t m_capacity;
};

}  // namespace quorvel
