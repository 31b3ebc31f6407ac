#pragma once
#include <cstdint>

namespace quorvel {

class ConvertOutput;
struct CodePageData;

// A code page's mapping expanded for conversion: bytes (or byte pairs) to UTF-16 and UTF-16 back
// to bytes. Built-in tables are expanded on first use and then shared, read-only, by every
// thread for the life of the process.
class CodePageTable {
public:
    // The table of a built-in code page; null when there is none or memory ran out expanding it.
    static const CodePageTable *forCodePage(uint32_t codePage);

    explicit CodePageTable(const CodePageData &data);
    ~CodePageTable();
    CodePageTable(const CodePageTable &) = delete;
    CodePageTable &operator=(const CodePageTable &) = delete;

    // False when memory ran out during expansion; such a table must not be used.
    bool isComplete() const { return m_complete; }
    uint32_t codePage() const { return m_codePage; }
    // Bytes below 0x80 stand for themselves.
    bool isAsciiCompatible() const { return m_asciiCompatible; }
    bool isDoubleByte() const { return m_pairs != nullptr; }

    // Bytes to UTF-16 units. Byte 0 is U+0000; a byte (or pair) without a character is
    // dropped and noted on the output. A double-byte code that is not mapped drops only its
    // lead byte, so the byte after it is read again on its own.
    void decode(const unsigned char *bytes, uint32_t n, bool bigEndian, ConvertOutput &out) const;
    // Bytes straight to UTF-8, with the same result as decode followed by the UTF-16 -> UTF-8
    // step of a two-step conversion. Only for tables where that holds: see decodesToUtf8.
    void decodeToUtf8(const unsigned char *bytes, uint32_t n, ConvertOutput &out) const;
    // False when a character of the table could act on the UTF-16 step (the escape unit U+EFFD,
    // or a surrogate that would pair with the next character), so that step cannot be skipped.
    bool decodesToUtf8() const { return m_decodesToUtf8; }
    // The most UTF-8 bytes that one byte of this code page gives.
    uint32_t maxUtf8PerByte() const { return m_maxUtf8PerByte; }
    // UTF-16 units to bytes. U+0000 is byte 0; a unit without a code is dropped and noted.
    // An odd trailing byte is ignored. With pivotEscapes, escapes of a two-step conversion
    // (see PivotEscape) are written out as their raw bytes.
    void encode(const unsigned char *utf16, uint32_t n, bool bigEndian, ConvertOutput &out,
                bool pivotEscapes) const;

private:
    void appendCode(uint32_t unit, ConvertOutput &out) const;
    void encodeUnits(const unsigned char *utf16, uint32_t n, bool bigEndian, ConvertOutput &out) const;
    void buildUtf8Forms();

    // m_utf8[b]: the UTF-8 bytes of byte b's character, then in [3] their count, 0 when b has
    // no character of its own, kUtf8Lead for a lead byte.
    static constexpr unsigned char kUtf8Lead = 4;

    uint32_t m_codePage;
    bool m_complete = false;
    bool m_asciiCompatible = false;
    bool m_decodesToUtf8 = false;
    uint32_t m_maxUtf8PerByte = 3;
    unsigned char m_utf8[256][4];
    char16_t m_bytes[256];
    char16_t *m_pairs = nullptr;     // 65536 entries indexed by lead << 8 | trail
    uint16_t *m_reverse = nullptr;   // 65536 entries indexed by unit; 0 = no code
};

}  // namespace quorvel
