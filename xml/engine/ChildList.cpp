#include "xml/engine/ChildList.h"

#include <cstring>
#include <new>

#include "xml/engine/NodeArena.h"

namespace quorvel {

namespace {

constexpr int32_t kFirstCapacity = 4;

size_t blockBytes(int32_t capacity) { return sizeof(ChildList) + static_cast<size_t>(capacity) * sizeof(TreeNode *); }

}  // namespace

ChildList *ChildList::create(NodeArena &arena) {
    void *block = arena.allocate(blockBytes(kFirstCapacity));
    if (!block) return nullptr;
    return new (block) ChildList(kFirstCapacity);
}

void ChildList::destroy(ChildList *list) { NodeArena::release(list); }

bool ChildList::grow(ChildList *&list, NodeArena &arena, int32_t more) {
    if (more < 0 || list->m_count > INT32_MAX - more) return false;
    const int32_t needed = list->m_count + more;
    if (needed <= list->m_capacity) return true;
    // Doubling keeps appending linear; the capacity stops at INT32_MAX.
    int64_t capacity = static_cast<int64_t>(list->m_capacity) * 2;
    if (capacity < needed) capacity = needed;
    if (capacity > INT32_MAX) capacity = INT32_MAX;
    void *grown = arena.resize(list, blockBytes(list->m_capacity), blockBytes(static_cast<int32_t>(capacity)));
    if (!grown) return false;
    list = static_cast<ChildList *>(grown);
    list->m_capacity = static_cast<int32_t>(capacity);
    return true;
}

int32_t ChildList::indexOf(const TreeNode *node) const {
    for (int32_t i = 0; i < m_count; ++i)
        if (items()[i] == node) return i;
    return -1;
}

void ChildList::insertAt(int32_t index, TreeNode *node) {
    if (m_count >= m_capacity) return;  // callers reserve first
    if (index < 0) index = 0;
    if (index > m_count) index = m_count;
    TreeNode **p = items();
    std::memmove(p + index + 1, p + index, static_cast<size_t>(m_count - index) * sizeof(TreeNode *));
    p[index] = node;
    ++m_count;
}

TreeNode *ChildList::removeAt(int32_t index) {
    if (index < 0 || index >= m_count) return nullptr;
    TreeNode **p = items();
    TreeNode *removed = p[index];
    std::memmove(p + index, p + index + 1, static_cast<size_t>(m_count - index - 1) * sizeof(TreeNode *));
    --m_count;
    return removed;
}

bool ChildList::removeItem(const TreeNode *node) {
    const int32_t index = indexOf(node);
    return index >= 0 && removeAt(index) != nullptr;
}

void ChildList::setAt(int32_t index, TreeNode *node) {
    if (index >= 0 && index < m_count) items()[index] = node;
}

void ChildList::swapItems(int32_t i, int32_t j) {
    if (i < 0 || j < 0 || i >= m_count || j >= m_count) return;
    TreeNode **p = items();
    TreeNode *t = p[i];
    p[i] = p[j];
    p[j] = t;
}

uint64_t ChildList::bytesHeld() const { return blockBytes(m_capacity); }

}  // namespace quorvel
