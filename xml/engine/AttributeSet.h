#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/base/QuorvelObject.h"
#include "xml/engine/CompactText.h"

namespace quorvel {

class NodeArena;
class StringBuffer;

// The ordered attribute list of one element. All names and values live back to back in one
// text buffer (name 0, value 0, name 1, value 1, ...) with a parallel array of their byte
// lengths, so an element's attributes cost two allocations however many there are.
// Names are never empty; values may be. Duplicates are allowed and order is insertion order.
// Name comparisons are exact byte comparisons.
class AttributeSet : public QuorvelObject {
public:
    AttributeSet();
    ~AttributeSet() override;
    AttributeSet(const AttributeSet &) = delete;
    AttributeSet &operator=(const AttributeSet &) = delete;
    // Sets live in their tree's arena: `new (arena) AttributeSet()`, null when memory runs out.
    static void *operator new(size_t size, NodeArena &arena) noexcept;
    static void operator delete(void *block) noexcept;
    static void operator delete(void *block, NodeArena &arena) noexcept;

    int32_t count() const { return m_numLengths / 2; }

    // Name and value of attribute i as pointers into the set (not NUL-terminated) with their
    // lengths; false when i is out of range.
    bool nameAt(int32_t i, const char *&name, uint32_t &nameLen) const;
    bool valueAt(int32_t i, const char *&value, uint32_t &valueLen) const;
    // Copies into the caller's buffers; false (buffers emptied) when i is out of range.
    bool getName(int32_t i, StringBuffer &out) const;
    bool getValue(int32_t i, StringBuffer &out) const;
    bool getPair(int32_t i, StringBuffer &name, StringBuffer &value) const;

    // Index of the first attribute named exactly so; -1 when none (or name empty).
    int32_t indexOf(const char *name, uint32_t nameLen) const;
    bool hasAttribute(const char *name) const;
    // First attribute with that name; false (out emptied) when none.
    bool getValueOf(const char *name, StringBuffer &out) const;
    // Some attribute of that name has exactly this value (null value counts as empty).
    bool hasWithValue(const char *name, const char *value) const;
    // Some attribute of that name has a value matching the wildcard pattern (case-sensitive).
    bool hasMatching(const char *name, const char *pattern) const;

    // Appends the pair as given (no name reduction); an empty name adds nothing (true).
    // False only when memory is exhausted, the set unchanged.
    bool appendPair(NodeArena &arena, const char *name, uint32_t nameLen, const char *value, uint32_t valueLen);
    // Removes every attribute named so, at most maxRemoved of them; returns how many.
    int32_t removeAll(const char *name, int32_t maxRemoved);
    void clear();
    // Bytes held (for memory accounting in benchmarks and tests).
    uint64_t bytesHeld() const;

private:
    // Byte offset of entry k (2i for a name, 2i+1 for a value) in the text.
    uint32_t offsetOf(int32_t entry) const;
    bool growLengths(NodeArena &arena);
    void removeAt(int32_t i);

    static constexpr int32_t kInlineLengths = 8;
    // Two entries per attribute: name length, value length. The first four attributes use the
    // inline array, which spares most elements an allocation.
    int32_t m_inlineLengths[kInlineLengths];
    int32_t *m_lengths = m_inlineLengths;
    int32_t m_numLengths = 0;
    int32_t m_lengthsCapacity = kInlineLengths;
    CompactText m_text;
};

}  // namespace quorvel
