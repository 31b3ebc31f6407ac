#pragma once
#include <bit>
#include <cstdint>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/base/QuorvelObject.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

// The string of the public API: one text held in up to three forms at once (UTF-8, the system
// ANSI code page, and a wide form of UTF-16 or UTF-32 units in host order), converted lazily.
// Getters convert only when their form is not valid yet, so they are const and the forms are
// kept in mutable members. Setting replaces the text and marks only the written form valid;
// every edit works on the UTF-8 form unless it says otherwise.
//
// Conversions never fail outward: a form that cannot be produced is left empty (or holds what
// could be converted), and the ANSI-valid flag records whether the ANSI conversion was exact.
// Operations that allocate return false when memory runs out and leave the text as it was.
// `char` arguments of the character edits are ANSI characters.
class XString : public QuorvelObject {
public:
    XString();
    XString(const XString &other);
    XString &operator=(const XString &other);
    ~XString() override;

    // ---- set (an empty or null input clears)
    bool setFromUtf8(const char *utf8);                  // a leading EF BB BF is dropped
    bool setFromUtf8N(const char *utf8, uint32_t n);     // the same for counted bytes
    bool setFromSb(const StringBuffer &utf8);            // the same for a StringBuffer
    bool setFromAnsi(const char *ansi);
    // Host order; a leading U+FEFF or U+FFFE is dropped and nothing is swapped. The text ends
    // at the first zero unit.
    bool setFromUtf16(const char16_t *text);
    bool setFromUtf16N(const char16_t *text, uint32_t units);
    // Little-endian bytes (swapped on a big-endian host); a leading FF FE is dropped.
    bool setFromUtf16Le(const unsigned char *bytes, uint32_t numBytes);
    bool setFromUtf32(const char32_t *text);             // a leading BOM in either order is dropped
    bool copyFrom(const XString &other);                 // all forms and flags

    // ---- append
    bool appendUtf8(const char *utf8);                   // BOM dropped
    bool appendSb(const StringBuffer &utf8);
    // Directly onto the ANSI form while it is valid.
    bool appendAnsi(const char *ansi);
    bool appendUtf16N(const char16_t *text, uint32_t units);
    bool appendUtf16(const char16_t *text);
    bool appendUtf32(const char32_t *text);
    // In whichever form the other holds: UTF-8, else wide, else ANSI.
    bool appendX(const XString &other);
    bool appendInt(int32_t value);
    bool prependUtf8(const char *utf8);                  // BOM dropped

    // ---- get (never null)
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
    // A UTF-8 BOM on the prefix is ignored; ignoreCase compares ASCII letters only.
    bool beginsWithUtf8(const char *prefix, bool ignoreCase) const;
    bool equalsUtf8(const char *utf8) const;
    // Compared in the form the other one holds.
    bool equalsX(const XString &other) const;
    // ASCII case-insensitive; any byte >= 0x80 in this string's UTF-8 form makes it false.
    bool equalsIgnoreCaseUtf8(const char *utf8) const;
    bool containsUtf8(const char *utf8) const;
    // Position in UTF-16 units, or -1.
    int32_t indexOfUtf8(const char *utf8) const;

    // ---- edit
    // Spaces, tabs, CR and LF at both ends; on the ANSI form while that is the current form.
    bool trim();
    bool replaceFirstUtf8(const char *find, const char *replacement);
    bool replaceLastUtf8(const char *find, const char *replacement);
    // Returns the number of characters replaced or removed.
    uint32_t replaceChar(char from, char to);
    uint32_t removeChar(char c);
    // On the ANSI form in the Latin code pages (28591, 1252, 1250, 28592) while it is valid,
    // otherwise unit by unit on the UTF-16 form by the platform's case mapping.
    bool toLowerCase();
    bool toUpperCase();
    void clear();

    bool isUtf8Valid() const { return m_utf8Valid != 0; }
    bool isAnsiValid() const { return m_ansiValid != 0; }
    bool isWideValid() const { return m_wideValid != 0; }
    bool isWideUtf16() const { return m_wideIsUtf16 != 0; }

private:
    // The wide form holds units in host byte order.
    static constexpr bool kWideBigEndian = std::endian::native == std::endian::big;

    static const char *skipUtf8Bom(const char *s);
    static bool isNullOrEmpty(const char *s) { return s == nullptr || *s == 0; }
    // Units before the first zero unit, at most max.
    static uint32_t unitsUntilZero(const char16_t *text, uint32_t max);
    // Units before the terminator; false when their bytes would not fit in 32 bits.
    static bool countUtf32Units(const char32_t *text, uint32_t &units);

    // Lazy conversions (XStringConvert.cpp); false only when memory ran out.
    bool ensureUtf8() const;
    bool ensureAnsi() const;
    bool ensureUtf16() const;
    bool ensureUtf32() const;

    void markOnly(bool utf8, bool ansi, bool wide) const;
    // Units in the wide form, without the terminator.
    uint32_t wideUnits() const;
    // The wide form starts with a unit a converter would take for a byte-order mark.
    bool wideStartsWithMark() const;
    bool setWideUtf16(const char16_t *text, uint32_t units);
    bool appendUtf8Bytes(const char *bytes, uint32_t n);
    bool changeCase(bool lower);
    // The UTF-8 form of one ANSI character, empty when it has none.
    static bool ansiCharToUtf8(char c, StringBuffer &out);
    // The ANSI form may be edited byte-wise for this character without splitting a character.
    static bool ansiByteEditIsSafe(char c);

    mutable uint8_t m_wideValid;
    mutable uint8_t m_ansiValid;
    mutable uint8_t m_utf8Valid;
    mutable uint8_t m_wideIsUtf16;
    mutable DataBuffer m_wide;
    mutable StringBuffer m_ansi;
    mutable StringBuffer m_utf8;
};

}  // namespace quorvel
