#include "xml/engine/AttributeSet.h"

#include <cstring>

#include "foundation/text/StringBuffer.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/Wildcard.h"

namespace quorvel {

namespace {

constexpr uint32_t kFirstTextCapacity = 40;

}  // namespace

AttributeSet::AttributeSet() = default;

AttributeSet::~AttributeSet() {
    if (m_lengths != m_inlineLengths) NodeArena::release(m_lengths);
}

void *AttributeSet::operator new(size_t size, NodeArena &arena) noexcept { return arena.allocate(size); }

void AttributeSet::operator delete(void *block) noexcept { NodeArena::release(block); }

void AttributeSet::operator delete(void *block, NodeArena &) noexcept { NodeArena::release(block); }

uint32_t AttributeSet::offsetOf(int32_t entry) const {
    uint32_t offset = 0;
    for (int32_t k = 0; k < entry; ++k) offset += static_cast<uint32_t>(m_lengths[k]);
    return offset;
}

bool AttributeSet::nameAt(int32_t i, const char *&name, uint32_t &nameLen) const {
    if (i < 0 || i >= count()) return false;
    name = m_text.data() + offsetOf(2 * i);
    nameLen = static_cast<uint32_t>(m_lengths[2 * i]);
    return true;
}

bool AttributeSet::valueAt(int32_t i, const char *&value, uint32_t &valueLen) const {
    if (i < 0 || i >= count()) return false;
    value = m_text.data() + offsetOf(2 * i + 1);
    valueLen = static_cast<uint32_t>(m_lengths[2 * i + 1]);
    return true;
}

bool AttributeSet::getName(int32_t i, StringBuffer &out) const {
    out.clear();
    const char *p;
    uint32_t n;
    return nameAt(i, p, n) && out.appendN(p, n);
}

bool AttributeSet::getValue(int32_t i, StringBuffer &out) const {
    out.clear();
    const char *p;
    uint32_t n;
    return valueAt(i, p, n) && out.appendN(p, n);
}

bool AttributeSet::getPair(int32_t i, StringBuffer &name, StringBuffer &value) const {
    if (getName(i, name) && getValue(i, value)) return true;
    name.clear();
    value.clear();
    return false;
}

int32_t AttributeSet::indexOf(const char *name, uint32_t nameLen) const {
    if (!name || nameLen == 0) return -1;
    const char *text = m_text.data();
    uint32_t offset = 0;
    for (int32_t i = 0; i < count(); ++i) {
        uint32_t n = static_cast<uint32_t>(m_lengths[2 * i]);
        if (n == nameLen && std::memcmp(text + offset, name, n) == 0) return i;
        offset += n + static_cast<uint32_t>(m_lengths[2 * i + 1]);
    }
    return -1;
}

bool AttributeSet::hasAttribute(const char *name) const {
    return name && indexOf(name, static_cast<uint32_t>(std::strlen(name))) >= 0;
}

bool AttributeSet::getValueOf(const char *name, StringBuffer &out) const {
    out.clear();
    if (!name) return false;
    int32_t i = indexOf(name, static_cast<uint32_t>(std::strlen(name)));
    return i >= 0 && getValue(i, out);
}

bool AttributeSet::hasWithValue(const char *name, const char *value) const {
    if (!name || !*name) return false;
    if (!value) value = "";
    uint32_t nameLen = static_cast<uint32_t>(std::strlen(name)), valueLen = static_cast<uint32_t>(std::strlen(value));
    const char *text = m_text.data();
    uint32_t offset = 0;
    for (int32_t i = 0; i < count(); ++i) {
        uint32_t n = static_cast<uint32_t>(m_lengths[2 * i]), v = static_cast<uint32_t>(m_lengths[2 * i + 1]);
        if (n == nameLen && v == valueLen && std::memcmp(text + offset, name, n) == 0 &&
            std::memcmp(text + offset + n, value, v) == 0)
            return true;
        offset += n + v;
    }
    return false;
}

bool AttributeSet::hasMatching(const char *name, const char *pattern) const {
    if (!name || !*name) return false;
    uint32_t nameLen = static_cast<uint32_t>(std::strlen(name));
    const char *text = m_text.data();
    uint32_t offset = 0;
    for (int32_t i = 0; i < count(); ++i) {
        uint32_t n = static_cast<uint32_t>(m_lengths[2 * i]), v = static_cast<uint32_t>(m_lengths[2 * i + 1]);
        if (n == nameLen && std::memcmp(text + offset, name, n) == 0 &&
            wildcardMatch(text + offset + n, v, pattern, true))
            return true;
        offset += n + v;
    }
    return false;
}

bool AttributeSet::growLengths(NodeArena &arena) {
    if (m_numLengths + 2 <= m_lengthsCapacity) return true;
    if (m_lengthsCapacity > INT32_MAX / 2 - 2) return false;
    int32_t capacity = m_lengthsCapacity * 2;
    const bool wasInline = m_lengths == m_inlineLengths;
    void *block = arena.resize(wasInline ? nullptr : m_lengths, static_cast<size_t>(m_lengthsCapacity) * sizeof(int32_t),
                               static_cast<size_t>(capacity) * sizeof(int32_t));
    if (!block) return false;
    if (wasInline) std::memcpy(block, m_inlineLengths, sizeof m_inlineLengths);
    m_lengths = static_cast<int32_t *>(block);
    m_lengthsCapacity = capacity;
    return true;
}

bool AttributeSet::appendPair(NodeArena &arena, const char *name, uint32_t nameLen, const char *value, uint32_t valueLen) {
    if (!name || nameLen == 0) return true;
    if (!value) valueLen = 0;
    // Lengths are signed 32-bit entries and the whole text stays below 4 GiB.
    if (nameLen > INT32_MAX || valueLen > INT32_MAX) return false;
    if (static_cast<uint64_t>(m_text.size()) + nameLen + valueLen > 0xFFFFFFFEull) return false;
    if (!growLengths(arena)) return false;
    uint32_t before = m_text.size();
    // One reservation for the pair, so the two appends cost at most one reallocation; the
    // first one leaves room for a second short pair, as most elements have several.
    uint32_t wanted = before + nameLen + valueLen;
    if (!m_text.isAllocated() && wanted < kFirstTextCapacity) wanted = kFirstTextCapacity;
    if (!m_text.appendTwo(arena, name, nameLen, value, valueLen, wanted)) {
        m_text.shorten(before);
        return false;
    }
    m_lengths[m_numLengths++] = static_cast<int32_t>(nameLen);
    m_lengths[m_numLengths++] = static_cast<int32_t>(valueLen);
    return true;
}

void AttributeSet::removeAt(int32_t i) {
    uint32_t offset = offsetOf(2 * i);
    uint32_t n = static_cast<uint32_t>(m_lengths[2 * i]) + static_cast<uint32_t>(m_lengths[2 * i + 1]);
    char *text = m_text.mutableData();
    uint32_t size = m_text.size();
    std::memmove(text + offset, text + offset + n, size - offset - n);
    m_text.shorten(size - n);
    std::memmove(m_lengths + 2 * i, m_lengths + 2 * i + 2,
                 static_cast<size_t>(m_numLengths - 2 * i - 2) * sizeof(int32_t));
    m_numLengths -= 2;
}

int32_t AttributeSet::removeAll(const char *name, int32_t maxRemoved) {
    if (!name || !*name) return 0;
    uint32_t nameLen = static_cast<uint32_t>(std::strlen(name));
    int32_t removed = 0;
    while (removed < maxRemoved) {
        int32_t i = indexOf(name, nameLen);
        if (i < 0) break;
        removeAt(i);
        ++removed;
    }
    return removed;
}

void AttributeSet::clear() {
    m_numLengths = 0;
    m_text.clear();
}

uint64_t AttributeSet::bytesHeld() const {
    uint64_t heapLengths = m_lengths == m_inlineLengths ? 0 : static_cast<uint64_t>(m_lengthsCapacity) * sizeof(int32_t);
    return sizeof(AttributeSet) + m_text.bytesHeld() + heapLengths;
}

}  // namespace quorvel
