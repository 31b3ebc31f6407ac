#pragma once
#include <cstdint>

#include "foundation/base/QuorvelObject.h"

namespace quorvel {

class DataBuffer;
class ExtPtrArray;
class LogBase;

// The engine's working string: a growable byte string, always NUL-terminated, UTF-8 unless an
// operation says otherwise. Texts of up to 81 bytes live inline, so the many short strings of a
// document tree cost no heap allocation. Lengths are unsigned 32-bit; an operation that would
// take the text to 4 GiB or beyond fails and leaves the text unchanged.
//
// Null C-string arguments are treated as empty. Operations that may allocate return false only
// when memory is exhausted (or the size limit is reached), leaving the text as it was.
class StringBuffer : public QuorvelObject {
public:
    static constexpr uint32_t kInlineCapacity = 81;
    static constexpr uint32_t kInitialGrowth = 202;
    static constexpr uint32_t kMaxGrowth = 500000;
    static constexpr uint8_t kValidMarker = 0xAA;

    StringBuffer();
    explicit StringBuffer(const char *text);
    StringBuffer(const StringBuffer &other);
    StringBuffer &operator=(const StringBuffer &other);
    ~StringBuffer() override;

    // Heap factories; null when memory is exhausted.
    static StringBuffer *createNew();
    // A text longer than 81 bytes gets a block of exactly length+1 bytes.
    static StringBuffer *createNewFrom(const char *text);
    static StringBuffer *createNewWithGrowth(uint32_t growthIncrement);

    // The size of the heap block that growth allocates when a text of the given length needs
    // extra more bytes: length+extra+growth+1, capped at 0xFFFFFFFF. False when the text and its
    // terminator would not fit in 32 bits.
    static bool computeGrowth(uint32_t length, uint64_t extra, uint32_t growth, uint32_t &blockSize);

    bool isValidObject() const { return m_marker == kValidMarker; }
    void setGrowthIncrement(uint32_t growth) { m_growth = growth; }
    uint32_t getCapacity() const { return m_heap ? m_heapCapacity : kInlineCapacity + 1; }
    uint32_t getGrowthIncrement() const { return m_growth; }
    bool isInline() const { return m_heap == nullptr; }

    // ---- append
    bool append(const char *text);
    // Copies n bytes; trailing NUL bytes of the block never become part of the text.
    bool appendN(const char *bytes, uint32_t n);
    bool append(const StringBuffer &other);
    bool appendData(const DataBuffer &data);
    bool appendChar(char c);
    bool appendChar2(char c1, char c2);
    bool appendChar3(char c1, char c2, char c3);
    bool appendCharN(char c, uint32_t count);
    bool prepend(const char *text);
    bool appendInt32(int32_t value);
    bool appendUint32(uint32_t value);
    bool appendInt64(int64_t value);

    // ---- assign
    // Safe when text points into this buffer: the source is copied out first.
    bool setString(const char *text);
    bool setString(const StringBuffer &other);
    // Takes the other buffer's storage; the other is left empty.
    void takeString(StringBuffer &other);
    // Takes a DataBuffer's bytes (a converter result, possibly NUL-terminated) as the text.
    bool takeData(DataBuffer &data);
    // Hands the text to the caller as a malloc'd, NUL-terminated block (free() it); the buffer is
    // left empty. Null when memory is exhausted.
    char *releaseText(uint32_t &length);

    // ---- clear (all reset the growth increment to 202)
    void clear();
    void clearRelease();
    void secureClear();

    // ---- shrink: a short heap text moves back inline; a long one is trimmed to length+1 bytes
    // when more than 256 bytes are spare.
    void minimizeMemory();

    // ---- reserve: room for extra more bytes, so that a builder that knows its output size
    // appends without further growth. False (nothing changed) when memory is exhausted or the
    // text would reach 4 GiB.
    bool reserve(uint64_t extra) { return ensureRoom(extra); }

    // ---- query
    const char *getString() const { return m_data; }
    uint32_t getSize() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }
    char charAt(uint32_t index) const;
    char lastChar() const;
    uint32_t countChar(char c) const;
    bool containsChar(char c) const;
    bool contains(const char *substring) const;
    // Index of the first occurrence at or after start, or -1 (an empty substring is found at
    // start). The second form appends the bytes from start up to the occurrence (or to the end
    // when absent) to before.
    int32_t indexOf(const char *substring, uint32_t start = 0) const;
    int32_t indexOf(const char *substring, uint32_t start, StringBuffer &before) const;
    // No byte >= 0x80 among the first n bytes (the whole text when n is 0).
    bool is7bit(uint32_t n = 0) const;
    uint32_t countNon7bit() const;

    // ---- compare
    bool equals(const char *text) const;
    bool equals(const StringBuffer &other) const;
    bool equalsIgnoreCase(const char *text) const;
    // Lengths are compared first.
    bool equalsIgnoreCase(const StringBuffer &other) const;
    bool beginsWith(const char *prefix) const;
    bool beginsWithIgnoreCase(const char *prefix) const;
    bool beginsWithIgnoreCaseN(const char *prefix, uint32_t n) const;
    bool endsWith(const char *suffix) const;
    int compare(const char *text) const;

    // ---- trim (each returns the number of bytes removed)
    uint32_t trimSpacesTabs();
    // Spaces, tabs, CR and LF at both ends: the trim used almost everywhere.
    uint32_t trim();
    // CR, LF and TAB become spaces and every run of spaces becomes one.
    void collapseWhitespace();

    // ---- cut
    bool chopAtFirstChar(char c);
    bool chopAtLastChar(char c);
    bool chopAtSubstring(const char *substring, bool keepSubstring);
    void shorten(uint32_t n);
    void removeChunk(uint32_t index, uint32_t n);

    // ---- remove
    uint32_t removeCharOccurrences(char c);
    uint32_t removeCharOccurrencesFrom(char c, uint32_t index);
    // Keeps ASCII letters, digits, . - _ : ! and bytes >= 0x80.
    void keepNameCharacters();

    // ---- replace
    uint32_t replaceChar(char from, char to);
    uint32_t replaceAnyOfFive(const char chars[5], char to);
    uint32_t replaceAll(const char *find, const char *replacement);
    uint32_t replaceAllWithChar(const char *find, char c);
    bool replaceFirst(const char *find, const char *replacement);
    bool replaceLast(const char *find, const char *replacement);

    // ---- case: ASCII letters plus the Latin-1 letters, byte by byte
    void toLowerCase();
    void toUpperCase();

    // ---- line endings
    uint32_t toCRLF();
    void toLF();

    // ---- numbers: optional sign, leading zeros, digits up to the first non-digit
    int32_t intValue() const;
    // The same rule over a C string (null reads as empty).
    static int32_t parseInt32(const char *text);

    // ---- hex
    bool appendHex(const unsigned char *bytes, uint32_t n);
    bool appendHexDump(const unsigned char *bytes, uint32_t n);
    bool appendHexLowerSpaced(const unsigned char *bytes, uint32_t n);
    bool decodeHex(DataBuffer &out) const;
    bool prependZeroIfOddLength();

    // ---- split: tokens are appended to out as owned StringBuffers
    bool split(ExtPtrArray &out, char delimiter, bool honorQuotes, bool honorEscapes) const;
    bool splitOnAnyOf(ExtPtrArray &out, const char *delimiters, bool honorQuotes, bool honorEscapes) const;
    bool splitLines(ExtPtrArray &out) const;

    // ---- entities
    bool encodeXmlEntities();
    uint32_t decodeXmlEntities(uint32_t start = 0);
    bool decodeHtmlEntities();

    // ---- charset: converts the bytes in place between code pages
    bool convertEncoding(uint32_t fromCodePage, uint32_t toCodePage, LogBase &log);

    // ---- name=value
    bool splitNameValue(StringBuffer &name, StringBuffer &value, bool removeQuotes) const;
    // Finds "name=" and returns what follows up to the next ';' or the end.
    bool getNameValueParam(const char *name, StringBuffer &value) const;

    // ---- platform error text, trimmed
    bool appendLastPlatformError();
    bool appendPlatformError(uint32_t code);

    // ---- file: the whole file as text (UTF-16 with a byte-order mark becomes UTF-8)
    bool loadFileText(const char *pathUtf8, LogBase &log);

private:
    // Room for extra more bytes plus the terminator; false (nothing changed) when exhausted.
    bool ensureRoom(uint64_t extra);
    void setEmptyInline();
    void freeHeap();
    void setLength(uint32_t n);
    // True when p points into this buffer's storage (an argument taken from the text itself).
    bool pointsInto(const char *p) const;
    // Replaces every occurrence of find by a replacement no longer than find, in place.
    uint32_t replaceShrinking(const char *find, uint32_t findLen, const char *repl, uint32_t replLen);
    bool splitImpl(ExtPtrArray &out, const char *delimiters, bool oneDelimiter, bool honorQuotes,
                   bool honorEscapes) const;
    void decodeNumericReferences();

    uint8_t m_marker;
    char *m_data;
    char m_inline[kInlineCapacity + 1];
    char *m_heap;
    uint32_t m_heapCapacity;
    uint32_t m_length;
    uint32_t m_growth;
};

}  // namespace quorvel
