#pragma once
#include <cstdint>

#include "foundation/base/QuorvelObject.h"

namespace quorvel {

class StringBuffer;
class LogBase;

// The system's growable byte array. Sizes and offsets are unsigned 32-bit: an operation that
// would take the buffer to 4 GiB or beyond fails and leaves it unchanged. Every allocating
// operation returns false when memory is exhausted, leaving the buffer unchanged.
//
// A borrowed buffer refers to a caller's block that it never writes to or frees: the first
// operation that writes bytes copies them into storage of its own.
class DataBuffer : public QuorvelObject {
public:
    static constexpr uint8_t kValidMarker = 0xDB;
    static constexpr uint32_t kMaxSize = 0xFFFFFFFFu;

    // The capacities an append of n bytes onto size bytes tries when it must grow: first the
    // stepped capacity (size + the room of the growth table), then size + n + 400. Both are
    // capped at kMaxSize.
    struct GrowthPlan {
        uint32_t preferred;
        uint32_t fallback;
    };
    // False when size + n would pass kMaxSize.
    static bool planGrowth(uint32_t size, uint32_t n, GrowthPlan &plan);

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
    // Overwrites the used bytes with zeros, size 0 (a borrowed block is only forgotten).
    void secureClear();
    // Frees the memory; a borrowed block is only forgotten.
    void release();
    // Hands the bytes to the caller as a malloc'd block (free() it) and becomes empty. A borrowed
    // block is copied first. Null (buffer unchanged) when the copy cannot be allocated, and
    // null with size 0 for an empty buffer.
    unsigned char *detach(uint32_t &size);

    // ---- reserve
    // Capacity >= n; reallocates to exactly n when smaller.
    bool ensureCapacity(uint32_t n);
    // Four bytes of slack after the data, in storage of its own.
    bool ensureSlack4();

    // The n or more bytes of free capacity after the data, when the buffer owns them; null
    // otherwise. Nothing is allocated: bytes written there join the data with setSize.
    unsigned char *spareRoom(uint32_t n) {
        return !m_borrowed && m_data != nullptr && m_capacity - m_size >= n ? m_data + m_size : nullptr;
    }

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

    // ---- edit. 16-bit units are read in host order at even offsets; an odd trailing byte is
    // left alone. The edits that move bytes return false only when a borrowed block cannot be
    // copied (the buffer is then unchanged).
    void shorten(uint32_t n);
    // Capped at the capacity.
    void setSize(uint32_t n);
    // Removing past the end truncates at the offset; an offset at or past the end does nothing.
    bool removeChunk(uint32_t offset, uint32_t n);
    // Returns the number of bytes replaced.
    uint32_t replaceByte(unsigned char from, unsigned char to);
    bool reverseBytes();
    bool swapBytes16();
    // Swaps every 4-byte group; a trailing 2 or 3 bytes are swapped among themselves.
    bool swapBytes32();
    // Returns the number of units removed.
    uint32_t removeUnits16(uint16_t value);
    void cutAtUnit16(uint16_t value);

    // ---- compare and search
    bool equals(const DataBuffer &other) const;
    bool equals(const void *bytes, uint32_t n) const;
    // First occurrence of the sequence, or null (also for an empty sequence).
    const unsigned char *find(const void *sequence, uint32_t n) const;
    // Up to 40 bytes at the offset, in stored or reversed order; false when out of range.
    bool readBytesAt(uint32_t offset, uint32_t n, bool reversed, unsigned char *out) const;

    // ---- combine: this = a XOR b; false when the lengths differ. Either may be this buffer.
    bool setXor(const DataBuffer &a, const DataBuffer &b);

    // ---- padding for block ciphers; block size 8 or 16 (any other counts as 16).
    // Schemes: 0 PKCS#7; 1 zero bytes then the count (ANSI X9.23); 2 random bytes then the
    // count (ISO 10126); 3 NUL bytes up to the block boundary; 4 spaces up to the boundary.
    // Schemes 0-2 always add 1..blockSize bytes (a whole block when the data is aligned);
    // schemes 3 and 4 add nothing to aligned data. False for any other scheme.
    bool appendPadding(uint32_t scheme, uint32_t blockSize);

    // ---- encoding by name ("base64", "qp", "qp-N", "hex", "url" ...; see EncodingByName)
    // Appends the encoding of the bytes to out; an unknown name clears out and returns false.
    bool encodeAs(const char *encodingName, StringBuffer &out) const;
    // Decodes the text (trimmed of white space first) and appends the bytes; an unknown name
    // appends nothing and returns false.
    bool appendDecoded(const char *encodingName, const char *text, uint32_t n);

    // ---- files (the messages of the file layer go to the log; see FileAccess)
    // Replaces the content with the whole file; the buffer is empty after a failure.
    bool loadFile(const char *pathUtf8, LogBase &log);
    bool saveToFile(const char *pathUtf8, LogBase &log) const;
    bool appendToFile(const char *pathUtf8, LogBase &log) const;
    // Header files hold a 4-byte little-endian header length, the header, then the data:
    // saveToFileWithHeader writes that layout and loadFileWithHeader reads it back into header
    // and this buffer (both unchanged after a failure).
    bool saveToFileWithHeader(const char *pathUtf8, const DataBuffer &header, LogBase &log) const;
    bool loadFileWithHeader(const char *pathUtf8, DataBuffer &header, LogBase &log);

private:
    // Room for n more bytes in storage of its own, growing by the table when needed.
    bool makeRoom(uint32_t n);
    // Room for n more bytes; when it must grow the capacity becomes size + extra (capped).
    bool makeRoomWithExtra(uint32_t n, uint64_t extra);
    // Copies a borrowed block into storage of its own.
    bool ensureOwned();
    // Moves the used bytes into a new block of the given capacity (>= size).
    bool reallocateTo(uint32_t capacity);
    // The same without counting a failure: a smaller second try follows.
    bool tryReallocateTo(uint32_t capacity);
    void freeStorage();

    uint8_t m_marker;
    uint8_t m_borrowed;
    unsigned char *m_data;
    uint32_t m_size;
    uint32_t m_capacity;
};

}  // namespace quorvel
