#pragma once
#include <cstdint>

namespace quorvel {

class NodeArena;
class StringBuffer;

// A growable byte string that costs one pointer while unallocated, for the many small texts of
// a document tree (element content, attribute text). Its block, from the tree's arena, holds
// the length and capacity in front of the bytes and always keeps a NUL after them. "Unallocated" and "allocated but
// empty" are distinct states: an element can hold an empty content buffer.
// Sizes never pass 4 GiB: an operation that would fails and changes nothing.
class CompactText {
public:
    CompactText() = default;
    ~CompactText() { release(); }
    CompactText(const CompactText &) = delete;
    CompactText &operator=(const CompactText &) = delete;

    bool isAllocated() const { return m_block != nullptr; }
    // The text; "" when unallocated.
    const char *data() const;
    char *mutableData() { return m_block ? bytesOf(m_block) : nullptr; }
    uint32_t size() const { return m_block ? m_block->size : 0; }
    bool isEmpty() const { return size() == 0; }

    // Allocates an empty block when there is none; false when memory is exhausted.
    bool ensureAllocated(NodeArena &arena, uint32_t minCapacity = 0);
    // Replaces the text; the block is allocated even for an empty text.
    bool set(NodeArena &arena, const char *bytes, uint32_t n);
    bool append(NodeArena &arena, const char *bytes, uint32_t n);
    bool appendChar(NodeArena &arena, char c) { return append(arena, &c, 1); }
    // Appends a then b after one reservation of at least minCapacity bytes in all; on failure
    // the text may hold a alone.
    bool appendTwo(NodeArena &arena, const char *a, uint32_t an, const char *b, uint32_t bn, uint32_t minCapacity);
    // Keeps the block allocated, empty.
    void clear();
    // Back to the unallocated state.
    void release();
    // Unallocated without giving the block back: its arena freed it with all its pages.
    void abandon() { m_block = nullptr; }
    // Cuts the text to n bytes (no effect when already shorter).
    void shorten(uint32_t n);
    void swap(CompactText &other);
    bool copyTo(StringBuffer &out) const;

    // Decodes the predefined entities and numeric character references from offset on, in one
    // pass, not rescanned (see XmlReferences.h).
    void decodeXmlReferencesFrom(uint32_t offset);
    // Removes space, tab, CR and LF at both ends.
    void trimWhitespace();

    // Heap bytes held (benchmark accounting).
    uint64_t bytesHeld() const { return m_block ? sizeof(Header) + m_block->capacity + 1 : 0; }

private:
    struct Header {
        uint32_t size;
        uint32_t capacity;
    };
    static char *bytesOf(Header *h) { return reinterpret_cast<char *>(h + 1); }
    static const char *bytesOf(const Header *h) { return reinterpret_cast<const char *>(h + 1); }
    bool reserveTotal(NodeArena &arena, uint64_t total);
    bool holds(const char *bytes) const { return m_block && bytes >= bytesOf(m_block) && bytes < bytesOf(m_block) + m_block->size + 1; }

    Header *m_block = nullptr;
};

}  // namespace quorvel
