#include "foundation/base/ExtPtrArray.h"

#include <cstdlib>
#include <cstring>

#include "foundation/base/AllocationFailures.h"

namespace quorvel {

ExtPtrArray::ExtPtrArray(bool ownsItems)
    : m_growth(kInitialGrowth), m_capacity(0), m_count(0), m_items(nullptr), m_ownsItems(ownsItems ? 1 : 0) {}

ExtPtrArray::~ExtPtrArray() { removeAll(); }

bool ExtPtrArray::growForOne() {
    if (m_count < m_capacity) return true;
    if (m_count == INT32_MAX) return false;
    int64_t wanted = static_cast<int64_t>(m_capacity) + m_growth;
    if (wanted < static_cast<int64_t>(m_count) + 1) wanted = static_cast<int64_t>(m_count) + 1;
    if (wanted > INT32_MAX) wanted = INT32_MAX;
    void *block = std::realloc(m_items, static_cast<size_t>(wanted) * sizeof(QuorvelObject *));
    if (!block) {
        AllocationFailures::note();
        return false;
    }
    m_items = static_cast<QuorvelObject **>(block);
    m_capacity = static_cast<int32_t>(wanted);
    m_growth = m_capacity < kMaxGrowth ? m_capacity : kMaxGrowth;
    return true;
}

bool ExtPtrArray::append(QuorvelObject *item) {
    if (!growForOne()) return false;
    m_items[m_count++] = item;
    return true;
}

bool ExtPtrArray::insertAt(int32_t index, QuorvelObject *item) {
    if (index < 0) index = 0;
    if (index > m_count) index = m_count;
    if (!growForOne()) return false;
    std::memmove(m_items + index + 1, m_items + index, static_cast<size_t>(m_count - index) * sizeof *m_items);
    m_items[index] = item;
    ++m_count;
    return true;
}

QuorvelObject *ExtPtrArray::elementAt(int32_t index) const {
    return index >= 0 && index < m_count ? m_items[index] : nullptr;
}

QuorvelObject *ExtPtrArray::lastElement() const { return m_count ? m_items[m_count - 1] : nullptr; }

QuorvelObject *ExtPtrArray::removeAt(int32_t index) {
    if (index < 0 || index >= m_count) return nullptr;
    QuorvelObject *item = m_items[index];
    std::memmove(m_items + index, m_items + index + 1, static_cast<size_t>(m_count - index - 1) * sizeof *m_items);
    --m_count;
    return item;
}

bool ExtPtrArray::removeItem(const QuorvelObject *item) {
    int32_t index = indexOf(item);
    if (index < 0) return false;
    removeAt(index);
    return true;
}

int32_t ExtPtrArray::indexOf(const QuorvelObject *item) const {
    for (int32_t i = 0; i < m_count; ++i)
        if (m_items[i] == item) return i;
    return -1;
}

void ExtPtrArray::swapItems(int32_t i, int32_t j) {
    if (i < 0 || j < 0 || i >= m_count || j >= m_count) return;
    QuorvelObject *t = m_items[i];
    m_items[i] = m_items[j];
    m_items[j] = t;
}

void ExtPtrArray::setAt(int32_t index, QuorvelObject *item) {
    if (index >= 0 && index < m_count) m_items[index] = item;
}

void ExtPtrArray::removeAll() {
    // Detach the items first so that a destructor reaching back into this array sees it empty.
    QuorvelObject **items = m_items;
    int32_t count = m_count;
    m_items = nullptr;
    m_count = 0;
    m_capacity = 0;
    m_growth = kInitialGrowth;
    if (m_ownsItems)
        for (int32_t i = 0; i < count; ++i) delete items[i];
    std::free(items);
}

}  // namespace quorvel
