#include "xml/engine/LevelOrderWalk.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace quorvel {

namespace {
constexpr uint32_t kFirstQueueCapacity = 16;
}

LevelOrderWalk::LevelOrderWalk(TreeNode *scope)
    : m_scope(TreeNode::isValid(scope) ? scope : nullptr), m_cursor(m_scope) {}

LevelOrderWalk::~LevelOrderWalk() { delete[] m_ring; }

void LevelOrderWalk::swap(LevelOrderWalk &other) noexcept {
    std::swap(m_scope, other.m_scope);
    std::swap(m_cursor, other.m_cursor);
    std::swap(m_last, other.m_last);
    std::swap(m_descendLast, other.m_descendLast);
    std::swap(m_failed, other.m_failed);
    std::swap(m_ring, other.m_ring);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_head, other.m_head);
    std::swap(m_count, other.m_count);
}

TreeNode *LevelOrderWalk::next() {
    if (m_failed) return nullptr;
    // The node handed out last joins the parent queue only now, so that the caller could
    // still decide to leave its children out.
    if (m_last && m_descendLast && m_last->firstChild() && !pushParent(m_last)) {
        m_failed = true;
        return nullptr;
    }
    m_last = nullptr;
    m_descendLast = true;
    while (!m_cursor) {
        TreeNode *parent = popParent();
        if (!parent) return nullptr;
        m_cursor = parent->firstChild();
    }
    TreeNode *node = m_cursor;
    // The scope's own siblings are outside the subtree.
    m_cursor = node == m_scope ? nullptr : node->nextSibling();
    m_last = node;
    return node;
}

bool LevelOrderWalk::pushParent(TreeNode *node) {
    if (m_count == m_capacity && !growQueue()) return false;
    m_ring[(m_head + m_count) % m_capacity] = node;
    ++m_count;
    return true;
}

TreeNode *LevelOrderWalk::popParent() {
    if (m_count == 0) return nullptr;
    TreeNode *node = m_ring[m_head];
    m_head = (m_head + 1) % m_capacity;
    --m_count;
    return node;
}

bool LevelOrderWalk::growQueue() {
    // Doubling stops short of wrapping the 32-bit capacity (or the byte count on 32-bit hosts).
    uint64_t wanted = m_capacity ? static_cast<uint64_t>(m_capacity) * 2 : kFirstQueueCapacity;
    if (wanted > UINT32_MAX || wanted > SIZE_MAX / sizeof(TreeNode *)) return false;
    TreeNode **ring = new (std::nothrow) TreeNode *[static_cast<size_t>(wanted)];
    if (!ring) return false;
    for (uint32_t i = 0; i < m_count; ++i) ring[i] = m_ring[(m_head + i) % m_capacity];
    delete[] m_ring;
    m_ring = ring;
    m_capacity = static_cast<uint32_t>(wanted);
    m_head = 0;
    return true;
}

}  // namespace quorvel
