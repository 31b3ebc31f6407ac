#pragma once
#include <cstdint>

#include "foundation/DataBuffer.h"
#include "foundation/QuorvelObject.h"
#include "foundation/StringBuffer.h"

namespace quorvel {

// The string of the public API: one text held in up to three forms at once (UTF-8, the system
// ANSI code page, and a wide form of UTF-16 or UTF-32 units in host order), converted lazily.
// Getters convert only when their form is not valid yet, so they are const and the forms are
// kept in mutable members. Setting replaces the text and marks only the written form valid;
// every edit works on the UTF-8 form unless it says otherwise.
class XString : public QuorvelObject {
public:
    XString();
    XString(const XString &other);
    XString &operator=(const XString &other);
    ~XString() override;

    // ---- set (an empty or null input clears)
    void setFromUtf8(const char *utf8);                  // a leading EF BB BF is dropped
    void setFromUtf8N(const char *utf8, uint32_t n);     // the same for counted bytes
    void setFromSb(const StringBuffer &utf8);
    void setFromAnsi(const char *ansi);
    void setFromUtf16(const char16_t *text);             // host order; a leading BOM is dropped
    void setFromUtf16N(const char16_t *text, uint32_t units);
    void setFromUtf16Le(const unsigned char *bytes, uint32_t numBytes);
    void setFromUtf32(const char32_t *text);             // a leading BOM in either order is dropped
    void copyFrom(const XString &other);                 // all forms and flags

    // ---- append
    bool appendUtf8(const char *utf8);                   // BOM dropped
    bool appendSb(const StringBuffer &utf8);
    bool appendAnsi(const char *ansi);
    bool appendUtf16N(const char16_t *text, uint32_t units);
    bool appendUtf16(const char16_t *text);
    bool appendUtf32(const char32_t *text);
    bool appendX(const XString &other);
    bool appendInt(int32_t value);
    bool prependUtf8(const char *utf8);

    // ---- get
    const char *getUtf8() const;
    const StringBuffer &getUtf8Sb() const;
    // The UTF-8 form for editing in place; the other forms become invalid.
    StringBuffer &getUtf8SbRw();
    const char *getAnsi() const;
    const char16_t *getUtf16() const;
    const char32_t *getUtf32() const;
    // UTF-16LE bytes into out (replacing its content), with or without a zero terminator.
    bool getUtf16Le(DataBuffer &out, bool withTerminator) const;
    // The text in any code page, appended to out; false when characters were dropped.
    bool getConverted(uint32_t codePage, DataBuffer &out) const;

    // ---- query
    // The ANSI byte length while the ANSI form is valid, otherwise the number of UTF-16 units.
    uint32_t getNumChars() const;
    bool isEmpty() const;
    int32_t intValue() const;
    bool beginsWithUtf8(const char *prefix, bool ignoreCase) const;
    bool equalsUtf8(const char *utf8) const;
    bool equalsX(const XString &other) const;
    // Any byte >= 0x80 in this string's UTF-8 form makes the result false.
    bool equalsIgnoreCaseUtf8(const char *utf8) const;
    bool containsUtf8(const char *utf8) const;
    // Position in UTF-16 units, or -1.
    int32_t indexOfUtf8(const char *utf8) const;

    // ---- edit
    void trim();
    bool replaceFirstUtf8(const char *find, const char *replacement);
    bool replaceLastUtf8(const char *find, const char *replacement);
    uint32_t replaceChar(char from, char to);
    uint32_t removeChar(char c);
    void toLowerCase();
    void toUpperCase();
    void clear();

    bool isUtf8Valid() const { return m_utf8Valid != 0; }
    bool isAnsiValid() const { return m_ansiValid != 0; }
    bool isWideValid() const { return m_wideValid != 0; }
    bool isWideUtf16() const { return m_wideIsUtf16 != 0; }

private:
    mutable uint8_t m_wideValid;
    mutable uint8_t m_ansiValid;
    mutable uint8_t m_utf8Valid;
    mutable uint8_t m_wideIsUtf16;
    mutable DataBuffer m_wide;
    mutable StringBuffer m_ansi;
    mutable StringBuffer m_utf8;
};

}  // namespace quorvel
