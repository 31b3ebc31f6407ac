#pragma once
#include <cstdint>

#include "foundation/base/QuorvelObject.h"

namespace quorvel {

// Growable array of object pointers, optionally owning them. Capacity grows by a step that
// becomes the new capacity after each growth (capped at 100000), so it roughly doubles.
class ExtPtrArray : public QuorvelObject {
public:
    static constexpr int32_t kInitialGrowth = 5;
    static constexpr int32_t kMaxGrowth = 100000;

    explicit ExtPtrArray(bool ownsItems = false);
    ~ExtPtrArray() override;
    ExtPtrArray(const ExtPtrArray &) = delete;
    ExtPtrArray &operator=(const ExtPtrArray &) = delete;

    bool ownsItems() const { return m_ownsItems != 0; }
    void setOwnsItems(bool owns) { m_ownsItems = owns ? 1 : 0; }
    int32_t getSize() const { return m_count; }
    int32_t getCapacity() const { return m_capacity; }

    // False when memory is exhausted; the item is then not added (and not destroyed).
    bool append(QuorvelObject *item);
    // The index is clamped into [0, count].
    bool insertAt(int32_t index, QuorvelObject *item);
    // Null outside [0, count).
    QuorvelObject *elementAt(int32_t index) const;
    QuorvelObject *lastElement() const;
    // Shifts the later items down and returns the removed item (never destroyed); null when
    // the index is out of range.
    QuorvelObject *removeAt(int32_t index);
    // Removes the first occurrence of the pointer (never destroyed); false when absent.
    bool removeItem(const QuorvelObject *item);
    int32_t indexOf(const QuorvelObject *item) const;
    void swapItems(int32_t i, int32_t j);
    // Replaces the item at index (never destroyed); nothing happens outside [0, count).
    void setAt(int32_t index, QuorvelObject *item);
    // Drops every item (destroying them when owned), frees the storage and starts the growth
    // step again at 5.
    void removeAll();
    // Room for one more item, so that the next append or insert needs no memory.
    bool growForOne();

private:
    int32_t m_growth;
    int32_t m_capacity;
    int32_t m_count;
    QuorvelObject **m_items;
    uint8_t m_ownsItems;
};

}  // namespace quorvel
