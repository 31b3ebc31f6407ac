// Core of StringBuffer: construction, growth, append, assign, clear and shrink.
#include "foundation/text/StringBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/base/AllocationFailures.h"
#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

namespace {

bool gaveUp() {
    AllocationFailures::note();
    return false;
}

}  // namespace

namespace {

constexpr uint64_t kMaxBlock = 0xFFFFFFFFull;

uint32_t safeLength(const char *text) {
    if (!text) return 0;
    size_t n = strlen(text);
    // A C string cannot be longer than the largest text; anything longer is refused by growth.
    return n > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(n);
}

}  // namespace

StringBuffer::StringBuffer() : QuorvelObject(), m_marker(kValidMarker) { setEmptyInline(); }

StringBuffer::StringBuffer(const char *text) : StringBuffer() { append(text); }

StringBuffer::StringBuffer(const StringBuffer &other) : QuorvelObject(other), m_marker(kValidMarker) {
    setEmptyInline();
    append(other);
}

StringBuffer &StringBuffer::operator=(const StringBuffer &other) {
    setString(other);
    return *this;
}

StringBuffer::~StringBuffer() {
    freeHeap();
    m_marker = 0;
}

void StringBuffer::setEmptyInline() {
    m_inline[0] = 0;
    m_data = m_inline;
    m_heap = nullptr;
    m_heapCapacity = 0;
    m_length = 0;
    m_growth = kInitialGrowth;
}

void StringBuffer::freeHeap() {
    if (m_heap) free(m_heap);
    m_heap = nullptr;
    m_heapCapacity = 0;
    m_data = m_inline;
}

bool StringBuffer::pointsInto(const char *p) const {
    auto at = reinterpret_cast<uintptr_t>(p);
    auto base = reinterpret_cast<uintptr_t>(m_data);
    return at >= base && at - base < getCapacity();
}

void StringBuffer::setLength(uint32_t n) {
    m_length = n;
    m_data[n] = 0;
}

StringBuffer *StringBuffer::createNew() { return new (std::nothrow) StringBuffer(); }

StringBuffer *StringBuffer::createNewFrom(const char *text) {
    StringBuffer *sb = new (std::nothrow) StringBuffer();
    if (!sb) return nullptr;
    // No growth on the first allocation: a long text gets exactly length+1 bytes.
    sb->m_growth = 0;
    bool ok = sb->append(text);
    sb->m_growth = kInitialGrowth;
    if (!ok) {
        delete sb;
        return nullptr;
    }
    return sb;
}

StringBuffer *StringBuffer::createNewWithGrowth(uint32_t growthIncrement) {
    StringBuffer *sb = new (std::nothrow) StringBuffer();
    if (sb) sb->m_growth = growthIncrement;
    return sb;
}

// ---------------------------------------------------------------- growth

bool StringBuffer::computeGrowth(uint32_t length, uint64_t extra, uint32_t growth, uint32_t &blockSize) {
    uint64_t needed = static_cast<uint64_t>(length) + extra + 1;
    if (extra > kMaxBlock || needed > kMaxBlock) return false;
    uint64_t block = needed + growth;
    blockSize = static_cast<uint32_t>(block > kMaxBlock ? kMaxBlock : block);
    return true;
}

bool StringBuffer::ensureRoom(uint64_t extra) {
    if (m_marker != kValidMarker) return false;
    uint64_t total = static_cast<uint64_t>(m_length) + extra;
    if (!m_heap) {
        if (total <= kInlineCapacity) return true;
    } else if (total < m_heapCapacity) {
        return true;
    }
    uint32_t blockSize = 0;
    if (!computeGrowth(m_length, extra, m_growth, blockSize)) return false;

    if (!m_heap) {
        char *block = static_cast<char *>(malloc(blockSize));
        if (!block) return gaveUp();
        memcpy(block, m_inline, m_length + 1);
        m_heap = block;
    } else {
        char *block = static_cast<char *>(realloc(m_heap, blockSize));
        if (!block) return gaveUp();
        m_heap = block;
    }
    m_data = m_heap;
    m_heapCapacity = blockSize;
    if (m_growth < m_heapCapacity && m_growth < kMaxGrowth) {
        uint32_t half = m_heapCapacity / 2;
        m_growth = half > kMaxGrowth ? kMaxGrowth : half;
    }
    return true;
}

// ---------------------------------------------------------------- append

bool StringBuffer::appendN(const char *bytes, uint32_t n) {
    if (n == 0) return m_marker == kValidMarker;
    if (!bytes) return false;
    // The source may lie inside this buffer; growth could move it, so remember its offset.
    bool inside = pointsInto(bytes);
    size_t offset = inside ? static_cast<size_t>(bytes - m_data) : 0;
    if (!ensureRoom(n)) return false;
    if (inside) bytes = m_data + offset;
    memmove(m_data + m_length, bytes, n);
    uint32_t len = m_length + n;
    while (len > m_length && m_data[len - 1] == 0) --len;
    setLength(len);
    return true;
}

bool StringBuffer::append(const char *text) { return appendN(text, safeLength(text)); }

bool StringBuffer::append(const StringBuffer &other) { return appendN(other.m_data, other.m_length); }

bool StringBuffer::appendData(const DataBuffer &data) {
    return appendN(reinterpret_cast<const char *>(data.getData()), data.getSize());
}

bool StringBuffer::appendChar(char c) { return appendN(&c, 1); }

bool StringBuffer::appendChar2(char c1, char c2) {
    char pair[2] = {c1, c2};
    return appendN(pair, 2);
}

bool StringBuffer::appendChar3(char c1, char c2, char c3) {
    char triple[3] = {c1, c2, c3};
    return appendN(triple, 3);
}

bool StringBuffer::appendCharN(char c, uint32_t count) {
    if (count == 0) return m_marker == kValidMarker;
    if (c == 0) return m_marker == kValidMarker;  // NULs never become part of the text
    if (!ensureRoom(count)) return false;
    memset(m_data + m_length, c, count);
    setLength(m_length + count);
    return true;
}

bool StringBuffer::prepend(const char *text) {
    uint32_t n = safeLength(text);
    if (n == 0) return m_marker == kValidMarker;
    // Copy the prefix out first: it may lie inside this buffer.
    char *copy = static_cast<char *>(malloc(n));
    if (!copy) return gaveUp();
    memcpy(copy, text, n);
    bool ok = ensureRoom(n);
    if (ok) {
        memmove(m_data + n, m_data, m_length);
        memcpy(m_data, copy, n);
        setLength(m_length + n);
    }
    free(copy);
    return ok;
}

bool StringBuffer::appendUint32(uint32_t value) { return appendInt64(static_cast<int64_t>(value)); }

bool StringBuffer::appendInt32(int32_t value) { return appendInt64(value); }

bool StringBuffer::appendInt64(int64_t value) {
    // Digits are produced backwards from the magnitude, which is computed without overflow.
    char digits[24];
    uint32_t pos = sizeof digits;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[--pos] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--pos] = '-';
    return appendN(digits + pos, static_cast<uint32_t>(sizeof digits - pos));
}

// ---------------------------------------------------------------- assign

bool StringBuffer::setString(const char *text) {
    if (m_marker != kValidMarker) return false;
    uint32_t n = safeLength(text);
    if (n > 0 && pointsInto(text)) {
        // The source is part of this text: move it to the front, no allocation needed.
        memmove(m_data, text, n);
        setLength(n);
        return true;
    }
    if (!ensureRoom(n > m_length ? n - m_length : 0)) return false;
    memcpy(m_data, text ? text : "", n);
    setLength(n);
    return true;
}

bool StringBuffer::setString(const StringBuffer &other) {
    if (&other == this) return m_marker == kValidMarker;
    if (m_marker != kValidMarker) return false;
    uint32_t n = other.m_length;
    if (!ensureRoom(n > m_length ? n - m_length : 0)) return false;
    memcpy(m_data, other.m_data, n);
    setLength(n);
    return true;
}

void StringBuffer::takeString(StringBuffer &other) {
    if (&other == this || m_marker != kValidMarker || other.m_marker != kValidMarker) return;
    freeHeap();
    if (other.m_heap) {
        m_heap = other.m_heap;
        m_heapCapacity = other.m_heapCapacity;
        m_data = m_heap;
    } else {
        memcpy(m_inline, other.m_inline, other.m_length + 1);
        m_data = m_inline;
    }
    m_length = other.m_length;
    m_growth = other.m_growth;
    other.setEmptyInline();
}

bool StringBuffer::takeData(DataBuffer &data) {
    if (m_marker != kValidMarker) return false;
    uint32_t size = data.getSize();
    const unsigned char *bytes = data.getData();
    while (size > 0 && bytes[size - 1] == 0) --size;
    if (size <= kInlineCapacity || data.isBorrowed()) {
        // Short texts go inline; a borrowed block is not ours to keep.
        clear();
        if (!appendN(reinterpret_cast<const char *>(bytes), size)) return false;
        data.clear();
        return true;
    }
    // Make sure the block carries a terminator, then adopt it.
    if (data.getSize() == size && !data.appendByte(0)) return false;
    uint32_t blockSize = 0;
    unsigned char *block = data.detach(blockSize);
    if (!block) return false;
    freeHeap();
    m_heap = reinterpret_cast<char *>(block);
    m_heapCapacity = blockSize;
    m_data = m_heap;
    setLength(size);
    return true;
}

char *StringBuffer::releaseText(uint32_t &length) {
    length = 0;
    if (m_marker != kValidMarker) return nullptr;
    char *text;
    if (m_heap) {
        text = m_heap;
        m_heap = nullptr;
    } else {
        text = static_cast<char *>(malloc(m_length + 1));
        if (!text) {
            AllocationFailures::note();
            return nullptr;
        }
        memcpy(text, m_inline, m_length + 1);
    }
    length = m_length;
    setEmptyInline();
    return text;
}

// ---------------------------------------------------------------- clear and shrink

void StringBuffer::clear() {
    if (m_marker != kValidMarker) return;
    setLength(0);
    m_growth = kInitialGrowth;
}

void StringBuffer::clearRelease() {
    if (m_marker != kValidMarker) return;
    freeHeap();
    setEmptyInline();
}

void StringBuffer::secureClear() {
    if (m_marker != kValidMarker) return;
    // Writes through a volatile pointer are not optimised away before the block is freed.
    volatile char *p = m_data;
    for (uint32_t i = 0; i < m_length; ++i) p[i] = 0;
    clearRelease();
}

void StringBuffer::minimizeMemory() {
    if (m_marker != kValidMarker || !m_heap) return;
    if (m_length <= kInlineCapacity) {
        memcpy(m_inline, m_heap, m_length + 1);
        free(m_heap);
        m_heap = nullptr;
        m_heapCapacity = 0;
        m_data = m_inline;
        return;
    }
    if (m_heapCapacity > static_cast<uint64_t>(m_length) + 256) {
        char *block = static_cast<char *>(realloc(m_heap, m_length + 1));
        if (!block) return;  // keeping the larger block is harmless
        m_heap = block;
        m_data = block;
        m_heapCapacity = m_length + 1;
    }
}

}  // namespace quorvel
