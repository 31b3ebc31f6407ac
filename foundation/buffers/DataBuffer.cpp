#include "foundation/buffers/DataBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/base/AllocationFailures.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// Room added by a growing append, chosen by the current size: large buffers grow in large
// steps so that multi-megabyte documents are built with few reallocations.
uint64_t steppedRoom(uint32_t size, uint32_t n) {
    struct Step {
        uint32_t threshold;
        uint32_t room;
    };
    static constexpr Step kSteps[] = {
        {12000000, 12000000}, {8000000, 8000000}, {4000000, 4000000}, {3000000, 3000000},
        {2000000, 2000000},   {1000000, 1000000}, {100000, 100000},   {50000, 50000},
    };
    for (const Step &step : kSteps)
        if (n < step.threshold && size >= step.threshold) return step.room;
    return n < 20000 ? 20000 : n;
}

uint32_t capAtMax(uint64_t value) {
    return value > DataBuffer::kMaxSize ? DataBuffer::kMaxSize : static_cast<uint32_t>(value);
}

}  // namespace

DataBuffer::DataBuffer() : m_marker(kValidMarker), m_borrowed(0), m_data(nullptr), m_size(0), m_capacity(0) {}

DataBuffer::DataBuffer(const DataBuffer &other) : DataBuffer() {
    // Without memory the copy stays empty; there is no way to report it from a constructor.
    if (other.m_size == 0) return;
    m_data = static_cast<unsigned char *>(std::malloc(other.m_size));
    if (!m_data) {
        AllocationFailures::note();
        return;
    }
    std::memcpy(m_data, other.m_data, other.m_size);
    m_size = m_capacity = other.m_size;
}

DataBuffer &DataBuffer::operator=(const DataBuffer &other) {
    if (this == &other) return *this;
    if (other.m_size == 0) {
        clear();
        return *this;
    }
    unsigned char *copy = static_cast<unsigned char *>(std::malloc(other.m_size));
    if (!copy) {  // unchanged when memory is exhausted
        AllocationFailures::note();
        return *this;
    }
    std::memcpy(copy, other.m_data, other.m_size);
    freeStorage();
    m_data = copy;
    m_size = m_capacity = other.m_size;
    return *this;
}

DataBuffer::~DataBuffer() {
    freeStorage();
    m_marker = 0;
}

DataBuffer *DataBuffer::createNew() { return new (std::nothrow) DataBuffer(); }

void DataBuffer::freeStorage() {
    if (m_data && !m_borrowed) std::free(m_data);
    m_data = nullptr;
    m_borrowed = 0;
    m_size = 0;
    m_capacity = 0;
}

// ---- size

const unsigned char *DataBuffer::byteAt(uint32_t index) const { return index < m_size ? m_data + index : nullptr; }

unsigned char DataBuffer::firstByte() const { return m_size ? m_data[0] : 0; }

unsigned char DataBuffer::lastByte() const { return m_size ? m_data[m_size - 1] : 0; }

// ---- clear

void DataBuffer::clear() {
    if (m_borrowed) {
        freeStorage();
        return;
    }
    m_size = 0;
}

void DataBuffer::secureClear() {
    if (m_borrowed) {
        freeStorage();
        return;
    }
    if (m_size) {
        // volatile keeps the compiler from dropping the wipe of bytes that are never read again.
        volatile unsigned char *p = m_data;
        for (uint32_t i = 0; i < m_size; ++i) p[i] = 0;
    }
    m_size = 0;
}

void DataBuffer::release() { freeStorage(); }

unsigned char *DataBuffer::detach(uint32_t &size) {
    size = 0;
    if (m_size == 0) {
        freeStorage();
        return nullptr;
    }
    if (!ensureOwned()) return nullptr;
    unsigned char *block = m_data;
    size = m_size;
    m_data = nullptr;
    m_size = m_capacity = 0;
    return block;
}

// ---- growth

bool DataBuffer::planGrowth(uint32_t size, uint32_t n, GrowthPlan &plan) {
    uint64_t needed = static_cast<uint64_t>(size) + n;
    if (needed > kMaxSize) return false;
    plan.preferred = capAtMax(size + steppedRoom(size, n));
    plan.fallback = capAtMax(needed + 400);
    return true;
}

bool DataBuffer::reallocateTo(uint32_t capacity) {
    if (tryReallocateTo(capacity)) return true;
    AllocationFailures::note();
    return false;
}

bool DataBuffer::tryReallocateTo(uint32_t capacity) {
    if (capacity < m_size) return false;
    if (capacity == 0) {
        freeStorage();
        return true;
    }
    unsigned char *block;
    if (m_data && !m_borrowed) {
        // realloc can grow a large block by remapping its pages, without copying the bytes.
        block = static_cast<unsigned char *>(std::realloc(m_data, capacity));
        if (!block) return false;
    } else {
        block = static_cast<unsigned char *>(std::malloc(capacity));
        if (!block) return false;
        if (m_size) std::memcpy(block, m_data, m_size);
    }
    m_data = block;
    m_capacity = capacity;
    m_borrowed = 0;
    return true;
}

bool DataBuffer::ensureOwned() {
    if (!m_borrowed) return true;
    if (m_size == 0) {
        freeStorage();
        return true;
    }
    return reallocateTo(m_size);
}

bool DataBuffer::makeRoom(uint32_t n) {
    if (!isValidObject()) return false;
    if (!m_borrowed && static_cast<uint64_t>(m_size) + n <= m_capacity) return true;
    GrowthPlan plan;
    if (!planGrowth(m_size, n, plan)) return false;
    return tryReallocateTo(plan.preferred) || reallocateTo(plan.fallback);
}

bool DataBuffer::makeRoomWithExtra(uint32_t n, uint64_t extra) {
    if (!isValidObject()) return false;
    uint64_t needed = static_cast<uint64_t>(m_size) + n;
    if (needed > kMaxSize) return false;
    if (!m_borrowed && needed <= m_capacity) return true;
    uint64_t wanted = m_size + extra;
    return reallocateTo(capAtMax(wanted < needed ? needed : wanted));
}

// ---- reserve

bool DataBuffer::ensureCapacity(uint32_t n) {
    if (!isValidObject()) return false;
    if (n <= m_capacity) return true;
    return reallocateTo(n);
}

bool DataBuffer::ensureSlack4() {
    if (!isValidObject()) return false;
    uint64_t wanted = static_cast<uint64_t>(m_size) + 4;
    if (wanted > kMaxSize) return false;
    if (!m_borrowed && wanted <= m_capacity) return true;
    return reallocateTo(static_cast<uint32_t>(wanted));
}

// ---- append

bool DataBuffer::append(const void *bytes, uint32_t n) {
    if (n == 0) return true;
    if (!bytes) return false;
    const unsigned char *src = static_cast<const unsigned char *>(bytes);
    // The source may lie inside this buffer, whose block moves when it grows.
    bool inside = m_data && src >= m_data && src < m_data + m_capacity;
    size_t offset = inside ? static_cast<size_t>(src - m_data) : 0;
    if (!makeRoom(n)) return false;
    if (inside) src = m_data + offset;
    std::memcpy(m_data + m_size, src, n);
    m_size += n;
    return true;
}

bool DataBuffer::appendByte(unsigned char b) {
    if (!makeRoomWithExtra(1, 10000)) return false;
    m_data[m_size++] = b;
    return true;
}

bool DataBuffer::appendByteN(unsigned char b, uint32_t count) {
    if (count == 0) return true;
    if (!makeRoomWithExtra(count, static_cast<uint64_t>(count) + 10000)) return false;
    std::memset(m_data + m_size, b, count);
    m_size += count;
    return true;
}

bool DataBuffer::append(const DataBuffer &other) { return append(other.m_data, other.m_size); }

bool DataBuffer::appendSb(const StringBuffer &text) { return append(text.getString(), text.getSize()); }

bool DataBuffer::appendUtf16z(const char16_t *text) {
    static const char16_t kZero = 0;
    if (!text) return append(&kZero, sizeof kZero);
    uint64_t units = 0;
    while (text[units]) {
        ++units;
        if (units * 2 > kMaxSize) return false;
    }
    uint64_t bytes = (units + 1) * 2;
    if (bytes > kMaxSize) return false;
    return append(text, static_cast<uint32_t>(bytes));
}

bool DataBuffer::appendUtf32z(const char32_t *text) {
    static const char32_t kZero = 0;
    if (!text) return append(&kZero, sizeof kZero);
    uint64_t units = 0;
    while (text[units]) {
        ++units;
        if (units * 4 > kMaxSize) return false;
    }
    uint64_t bytes = (units + 1) * 4;
    if (bytes > kMaxSize) return false;
    return append(text, static_cast<uint32_t>(bytes));
}

bool DataBuffer::appendUtf16UnitAsUtf8(uint16_t unit) {
    unsigned char out[3];
    uint32_t n;
    if (unit < 0x80) {
        out[0] = static_cast<unsigned char>(unit);
        n = 1;
    } else if (unit < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (unit >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        n = 2;
    } else {
        out[0] = static_cast<unsigned char>(0xE0 | (unit >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        n = 3;
    }
    if (!makeRoomWithExtra(n, 20000)) return false;
    std::memcpy(m_data + m_size, out, n);
    m_size += n;
    return true;
}

bool DataBuffer::appendUint16Le(uint16_t value) {
    unsigned char b[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
    return append(b, 2);
}

bool DataBuffer::appendUint32Le(uint32_t value) {
    unsigned char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(value >> (8 * i));
    return append(b, 4);
}

bool DataBuffer::appendDoubleLe(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(bits >> (8 * i));
    return append(b, 8);
}

bool DataBuffer::prepend(const void *bytes, uint32_t n) {
    if (n == 0) return true;
    if (!bytes) return false;
    const unsigned char *src = static_cast<const unsigned char *>(bytes);
    if (m_data && src >= m_data && src < m_data + m_capacity) {
        // The source lies inside this buffer and moves with the shift: prepend a copy.
        void *copy = std::malloc(n);
        if (!copy) {
            AllocationFailures::note();
            return false;
        }
        std::memcpy(copy, src, n);
        bool ok = prepend(copy, n);
        std::free(copy);
        return ok;
    }
    if (!makeRoom(n)) return false;
    if (m_size) std::memmove(m_data + n, m_data, m_size);
    std::memcpy(m_data, src, n);
    m_size += n;
    return true;
}

// ---- take over

void DataBuffer::takeData(DataBuffer &other) {
    if (this == &other) return;
    freeStorage();
    m_data = other.m_data;
    m_size = other.m_size;
    m_capacity = other.m_capacity;
    m_borrowed = other.m_borrowed;
    other.m_data = nullptr;
    other.m_size = other.m_capacity = 0;
    other.m_borrowed = 0;
}

void DataBuffer::adopt(void *block, uint32_t n) {
    if (block == m_data && block) {
        // Adopting our own block only changes the accounting.
        m_borrowed = 0;
        m_size = m_capacity = n;
        return;
    }
    freeStorage();
    if (!block) return;
    m_data = static_cast<unsigned char *>(block);
    m_size = m_capacity = n;
}

void DataBuffer::borrow(const void *block, uint32_t n) {
    freeStorage();
    if (!block) return;
    // The block is never written through: every writing operation copies it first.
    m_data = static_cast<unsigned char *>(const_cast<void *>(block));
    m_size = m_capacity = n;
    m_borrowed = 1;
}

}  // namespace quorvel
