#include "xml/engine/CompactText.h"

#include <cstdlib>
#include <cstring>

#include "foundation/base/AllocationFailures.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/XmlReferences.h"

namespace quorvel {

namespace {

bool gaveUp() {
    AllocationFailures::note();
    return false;
}

constexpr uint64_t kMaxSize = 0xFFFFFFFEull;  // the size and its NUL stay below 4 GiB
constexpr uint32_t kMinGrowth = 32;

inline bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

const char *CompactText::data() const { return m_block ? bytesOf(m_block) : ""; }

bool CompactText::reserveTotal(NodeArena &arena, uint64_t total) {
    if (total > kMaxSize) return false;
    if (m_block && total <= m_block->capacity) return true;
    uint64_t capacity = total;
    if (m_block) {
        // Appending grows the block by half again, so many small appends stay linear.
        uint64_t grown = static_cast<uint64_t>(m_block->capacity) + m_block->capacity / 2 + kMinGrowth;
        if (grown > capacity) capacity = grown < kMaxSize ? grown : kMaxSize;
    }
    const size_t oldBytes = m_block ? sizeof(Header) + static_cast<size_t>(m_block->capacity) + 1 : 0;
    void *block = arena.resize(m_block, oldBytes, sizeof(Header) + static_cast<size_t>(capacity) + 1);
    if (!block) return false;
    bool fresh = m_block == nullptr;
    m_block = static_cast<Header *>(block);
    if (fresh) {
        m_block->size = 0;
        bytesOf(m_block)[0] = '\0';
    }
    m_block->capacity = static_cast<uint32_t>(capacity);
    return true;
}

bool CompactText::ensureAllocated(NodeArena &arena, uint32_t minCapacity) { return reserveTotal(arena, minCapacity); }

bool CompactText::set(NodeArena &arena, const char *bytes, uint32_t n) {
    if (holds(bytes)) {
        // A piece of our own text: move it down in place.
        std::memmove(bytesOf(m_block), bytes, n);
        m_block->size = n;
        bytesOf(m_block)[n] = '\0';
        return true;
    }
    if (!m_block || n > m_block->capacity) {
        // Exact fit for a fresh text: most contents are set once and never grow.
        // The old text is not kept: a fresh block, then the old one goes.
        void *block = arena.allocate(sizeof(Header) + static_cast<size_t>(n) + 1);
        if (!block) return false;
        NodeArena::release(m_block);
        m_block = static_cast<Header *>(block);
        m_block->capacity = n;
    }
    if (n) std::memcpy(bytesOf(m_block), bytes, n);
    m_block->size = n;
    bytesOf(m_block)[n] = '\0';
    return true;
}

bool CompactText::append(NodeArena &arena, const char *bytes, uint32_t n) {
    uint64_t old = size();
    if (holds(bytes)) {
        // Appending a piece of our own text: copy it out first, the block may move.
        char *copy = static_cast<char *>(std::malloc(n ? n : 1));
        if (!copy) return gaveUp();
        std::memcpy(copy, bytes, n);
        bool ok = append(arena, copy, n);
        std::free(copy);
        return ok;
    }
    if (!reserveTotal(arena, old + n)) return false;
    if (n) std::memcpy(bytesOf(m_block) + old, bytes, n);
    m_block->size = static_cast<uint32_t>(old + n);
    bytesOf(m_block)[m_block->size] = '\0';
    return true;
}

bool CompactText::appendTwo(NodeArena &arena, const char *a, uint32_t an, const char *b, uint32_t bn, uint32_t minCapacity) {
    const uint64_t old = size();
    const uint64_t total = old + an + bn;
    // Pieces of our own text go the careful way: the block may move under them.
    if (holds(a) || holds(b)) {
        return ensureAllocated(arena, minCapacity) && append(arena, a, an) && append(arena, b, bn);
    }
    if (!reserveTotal(arena, total > minCapacity ? total : minCapacity)) return false;
    char *text = bytesOf(m_block);
    if (an) std::memcpy(text + old, a, an);
    if (bn) std::memcpy(text + old + an, b, bn);
    m_block->size = static_cast<uint32_t>(total);
    text[total] = '\0';
    return true;
}

void CompactText::clear() {
    if (!m_block) return;
    m_block->size = 0;
    bytesOf(m_block)[0] = '\0';
}

void CompactText::release() {
    NodeArena::release(m_block);
    m_block = nullptr;
}

void CompactText::shorten(uint32_t n) {
    if (!m_block || n >= m_block->size) return;
    m_block->size = n;
    bytesOf(m_block)[n] = '\0';
}

void CompactText::swap(CompactText &other) {
    Header *h = m_block;
    m_block = other.m_block;
    other.m_block = h;
}

bool CompactText::copyTo(StringBuffer &out) const {
    out.clear();
    return out.appendN(data(), size());
}

void CompactText::decodeXmlReferencesFrom(uint32_t offset) {
    if (!m_block || offset >= m_block->size) return;
    char *text = bytesOf(m_block);
    m_block->size = offset + decodeXmlReferencesInPlace(text + offset, m_block->size - offset);
    text[m_block->size] = '\0';
}

void CompactText::trimWhitespace() {
    if (!m_block) return;
    char *text = bytesOf(m_block);
    uint32_t end = m_block->size, start = 0;
    while (end > 0 && isWhite(text[end - 1])) --end;
    while (start < end && isWhite(text[start])) ++start;
    if (start) std::memmove(text, text + start, end - start);
    m_block->size = end - start;
    text[m_block->size] = '\0';
}

}  // namespace quorvel
