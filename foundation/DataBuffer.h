#pragma once
#include <cstdint>

#include "foundation/QuorvelObject.h"

namespace quorvel {

class StringBuffer;
class LogBase;

// The system's growable byte array. Sizes and offsets are unsigned 32-bit: an operation that
// would take the buffer to 4 GiB or beyond fails and leaves it unchanged. Every allocating
// operation returns false when memory is exhausted, leaving the buffer unchanged.
class DataBuffer : public QuorvelObject {
public:
    static constexpr uint8_t kValidMarker = 0xDB;

    DataBuffer();
    DataBuffer(const DataBuffer &other);
    DataBuffer &operator=(const DataBuffer &other);
    ~DataBuffer() override;

    // Heap factory; null when memory is exhausted.
    static DataBuffer *createNew();

    bool isValidObject() const { return m_marker == kValidMarker; }
    bool isBorrowed() const { return m_borrowed != 0; }

    // ---- size
    uint32_t getSize() const { return m_size; }
    uint32_t getCapacity() const { return m_capacity; }
    bool isEmpty() const { return m_size == 0; }
    const unsigned char *getData() const { return m_data; }
    unsigned char *getData() { return m_data; }
    // Null for an index outside 0..size-1.
    const unsigned char *byteAt(uint32_t index) const;
    unsigned char firstByte() const;
    unsigned char lastByte() const;

    // ---- clear
    // Size 0, memory kept (a borrowed block is dropped).
    void clear();
    // Overwrites the used bytes with zeros, size 0.
    void secureClear();
    // Frees the memory; a borrowed block is only forgotten.
    void release();
    // Hands the block (malloc'd, or borrowed) to the caller and becomes empty.
    unsigned char *detach(uint32_t &size);

    // ---- reserve
    // Capacity >= n; reallocates to exactly n when smaller.
    bool ensureCapacity(uint32_t n);
    // Four bytes of slack after the data.
    bool ensureSlack4();

    // ---- append
    bool append(const void *bytes, uint32_t n);
    bool appendByte(unsigned char b);
    bool appendByteN(unsigned char b, uint32_t count);
    bool append(const DataBuffer &other);
    bool appendSb(const StringBuffer &text);
    // The NUL-terminated string including its terminator; null appends one zero unit.
    bool appendUtf16z(const char16_t *text);
    bool appendUtf32z(const char32_t *text);
    // One UTF-16 unit as 1-3 UTF-8 bytes.
    bool appendUtf16UnitAsUtf8(uint16_t unit);
    bool appendUint16Le(uint16_t value);
    bool appendUint32Le(uint32_t value);
    bool appendDoubleLe(double value);
    bool prepend(const void *bytes, uint32_t n);

    // ---- take over
    void takeData(DataBuffer &other);
    // Adopts a malloc'd block as owned storage (size = capacity = n).
    void adopt(void *block, uint32_t n);
    // Refers to a caller's block without owning it (size = capacity = n).
    void borrow(const void *block, uint32_t n);

    // ---- edit
    void shorten(uint32_t n);
    // Capped at the capacity.
    void setSize(uint32_t n);
    // Removing past the end truncates at the offset.
    void removeChunk(uint32_t offset, uint32_t n);
    uint32_t replaceByte(unsigned char from, unsigned char to);
    void reverseBytes();
    void swapBytes16();
    // Swaps every 4-byte group; a trailing 2 or 3 bytes are swapped among themselves.
    void swapBytes32();
    uint32_t removeUnits16(uint16_t value);
    void cutAtUnit16(uint16_t value);

    // ---- compare and search
    bool equals(const DataBuffer &other) const;
    bool equals(const void *bytes, uint32_t n) const;
    // First occurrence of the sequence, or null.
    const unsigned char *find(const void *sequence, uint32_t n) const;
    // Up to 40 bytes at the offset, in stored or reversed order; false when out of range.
    bool readBytesAt(uint32_t offset, uint32_t n, bool reversed, unsigned char *out) const;

    // ---- combine: this = a XOR b; false when the lengths differ
    bool setXor(const DataBuffer &a, const DataBuffer &b);

    // ---- padding for block ciphers; block size 8 or 16 (any other counts as 16).
    // Schemes: 0 PKCS#7; 1 zero bytes then the count (ANSI X9.23); 2 random bytes then the
    // count (ISO 10126); 3 NUL bytes up to the block boundary; 4 spaces up to the boundary.
    bool appendPadding(uint32_t scheme, uint32_t blockSize);

    // ---- files (the messages of the file layer go to the log)
    bool loadFile(const char *pathUtf8, LogBase &log);
    bool saveToFile(const char *pathUtf8, LogBase &log) const;
    bool appendToFile(const char *pathUtf8, LogBase &log) const;
    bool saveToFileWithHeader(const char *pathUtf8, const DataBuffer &header, LogBase &log) const;
    // The file starts with a 4-byte little-endian header length, then the header, then the data.
    bool loadFileWithHeader(const char *pathUtf8, DataBuffer &header, LogBase &log);

private:
    bool growFor(uint32_t n);
    bool reallocateTo(uint32_t capacity);

    uint8_t m_marker;
    uint8_t m_borrowed;
    unsigned char *m_data;
    uint32_t m_size;
    uint32_t m_capacity;
};

}  // namespace quorvel
