#include "foundation/text/XString.h"

#include <cstring>

#include "foundation/charsets/Utf8Codec.h"

namespace quorvel {

const char *XString::skipUtf8Bom(const char *s) {
    if (s != nullptr && static_cast<unsigned char>(s[0]) == 0xEF && static_cast<unsigned char>(s[1]) == 0xBB &&
        static_cast<unsigned char>(s[2]) == 0xBF)
        return s + 3;
    return s;
}

uint32_t XString::unitsUntilZero(const char16_t *text, uint32_t max) {
    uint32_t n = 0;
    while (n < max && text[n] != 0) ++n;
    return n;
}

bool XString::countUtf32Units(const char32_t *text, uint32_t &units) {
    units = 0;
    if (text == nullptr) return true;
    while (text[units] != 0) {
        if (units == 0x3FFFFFFEu) return false;
        ++units;
    }
    return true;
}

XString::XString() : m_wideValid(0), m_ansiValid(1), m_utf8Valid(1), m_wideIsUtf16(1) {}

XString::XString(const XString &other) : XString() { copyFrom(other); }

XString &XString::operator=(const XString &other) {
    copyFrom(other);
    return *this;
}

XString::~XString() = default;

void XString::markOnly(bool utf8, bool ansi, bool wide) const {
    m_utf8Valid = utf8 ? 1 : 0;
    m_ansiValid = ansi ? 1 : 0;
    m_wideValid = wide ? 1 : 0;
}

void XString::clear() {
    m_utf8.clear();
    m_ansi.clear();
    m_wide.clear();
    markOnly(true, true, false);
    m_wideIsUtf16 = 1;
}

// ---- set

bool XString::setFromUtf8(const char *utf8) {
    utf8 = skipUtf8Bom(utf8);
    if (isNullOrEmpty(utf8)) {
        clear();
        return true;
    }
    if (!m_utf8.setString(utf8)) return false;
    markOnly(true, false, false);
    return true;
}

bool XString::setFromUtf8N(const char *utf8, uint32_t n) {
    if (utf8 != nullptr && n >= 3 && std::memcmp(utf8, "\xEF\xBB\xBF", 3) == 0) {
        utf8 += 3;
        n -= 3;
    }
    // The UTF-8 form is a C string: the text ends at the first NUL.
    if (utf8 != nullptr) {
        if (const void *nul = std::memchr(utf8, 0, n)) n = static_cast<uint32_t>(static_cast<const char *>(nul) - utf8);
    }
    if (utf8 == nullptr || n == 0) {
        clear();
        return true;
    }
    StringBuffer fresh;  // built aside so that the text is kept when memory runs out
    if (!fresh.appendN(utf8, n)) return false;
    m_utf8.takeString(fresh);
    markOnly(true, false, false);
    return true;
}

bool XString::setFromSb(const StringBuffer &utf8) {
    if (&utf8 == &m_utf8) {
        if (!ensureUtf8()) return false;
        markOnly(true, false, false);
        return true;
    }
    return setFromUtf8N(utf8.getString(), utf8.getSize());
}

bool XString::setFromAnsi(const char *ansi) {
    if (isNullOrEmpty(ansi)) {
        clear();
        return true;
    }
    if (!m_ansi.setString(ansi)) return false;
    markOnly(false, true, false);
    return true;
}

bool XString::setWideUtf16(const char16_t *text, uint32_t units) {
    units = text == nullptr ? 0 : unitsUntilZero(text, units);
    if (units > 0 && (text[0] == 0xFEFF || text[0] == 0xFFFE)) {
        ++text;
        --units;
    }
    if (units == 0) {
        clear();
        return true;
    }
    if (units > 0x7FFFFFFEu) return false;
    DataBuffer fresh;  // built aside: the source may lie inside the current wide form
    if (!fresh.append(text, units * 2) || !fresh.appendByteN(0, 2)) return false;
    m_wide.takeData(fresh);
    m_wideIsUtf16 = 1;
    markOnly(false, false, true);
    return true;
}

bool XString::setFromUtf16(const char16_t *text) { return setWideUtf16(text, 0xFFFFFFFFu); }

bool XString::setFromUtf16N(const char16_t *text, uint32_t units) { return setWideUtf16(text, units); }

bool XString::setFromUtf16Le(const unsigned char *bytes, uint32_t numBytes) {
    if (bytes != nullptr && numBytes >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bytes += 2;
        numBytes -= 2;
    }
    const uint32_t units = bytes == nullptr ? 0 : numBytes / 2;
    DataBuffer host;
    if (units > 0) {
        if (!host.append(bytes, units * 2)) return false;
        if (kWideBigEndian) host.swapBytes16();
    }
    // Aligned host-order units; the BOM is already gone, so a leading U+FFFE is text.
    DataBuffer terminated;
    const auto *p = reinterpret_cast<const char16_t *>(host.getData());
    const uint32_t n = p == nullptr ? 0 : unitsUntilZero(p, units);
    if (n == 0) {
        clear();
        return true;
    }
    if (!terminated.append(p, n * 2) || !terminated.appendByteN(0, 2)) return false;
    m_wide.takeData(terminated);
    m_wideIsUtf16 = 1;
    markOnly(false, false, true);
    return true;
}

bool XString::setFromUtf32(const char32_t *text) {
    if (text != nullptr && (text[0] == 0xFEFF || text[0] == 0xFFFE0000u)) ++text;
    uint32_t units = 0;
    if (!countUtf32Units(text, units)) return false;
    if (units == 0) {
        clear();
        return true;
    }
    DataBuffer fresh;
    if (!fresh.append(text, units * 4) || !fresh.appendByteN(0, 4)) return false;
    m_wide.takeData(fresh);
    m_wideIsUtf16 = 0;
    markOnly(false, false, true);
    return true;
}

bool XString::copyFrom(const XString &other) {
    if (&other == this) return true;
    StringBuffer utf8;
    StringBuffer ansi;
    DataBuffer wide;
    if ((other.m_utf8Valid && !utf8.setString(other.m_utf8)) ||
        (other.m_ansiValid && !ansi.setString(other.m_ansi)) ||
        (other.m_wideValid && !wide.append(other.m_wide)))
        return false;
    m_utf8.takeString(utf8);
    m_ansi.takeString(ansi);
    m_wide.takeData(wide);
    m_utf8Valid = other.m_utf8Valid;
    m_ansiValid = other.m_ansiValid;
    m_wideValid = other.m_wideValid;
    m_wideIsUtf16 = other.m_wideIsUtf16;
    return true;
}

// ---- get

const char *XString::getUtf8() const {
    ensureUtf8();
    return m_utf8Valid ? m_utf8.getString() : "";
}

const StringBuffer &XString::getUtf8Sb() const {
    ensureUtf8();
    return m_utf8;
}

StringBuffer &XString::getUtf8SbRw() {
    if (ensureUtf8()) markOnly(true, false, false);
    return m_utf8;
}

const char *XString::getAnsi() const {
    ensureAnsi();
    return m_ansi.getString();
}

const char16_t *XString::getUtf16() const {
    if (!ensureUtf16() || m_wide.getSize() < 2) return u"";
    return reinterpret_cast<const char16_t *>(m_wide.getData());
}

const char32_t *XString::getUtf32() const {
    if (!ensureUtf32() || m_wide.getSize() < 4) return U"";
    return reinterpret_cast<const char32_t *>(m_wide.getData());
}

// ---- query

uint32_t XString::getNumChars() const {
    if (m_ansiValid) return m_ansi.getSize();
    if (m_utf8Valid) return Utf8Codec::countUtf16Units(reinterpret_cast<const unsigned char *>(m_utf8.getString()),
                                                       m_utf8.getSize());
    if (!ensureUtf16()) return 0;
    return wideUnits();
}

bool XString::isEmpty() const {
    if (m_utf8Valid) return m_utf8.isEmpty();
    if (m_ansiValid) return m_ansi.isEmpty();
    if (m_wideValid) return wideUnits() == 0;
    return true;
}

int32_t XString::intValue() const { return getUtf8Sb().intValue(); }

bool XString::beginsWithUtf8(const char *prefix, bool ignoreCase) const {
    prefix = skipUtf8Bom(prefix);
    const StringBuffer &utf8 = getUtf8Sb();
    return ignoreCase ? utf8.beginsWithIgnoreCase(prefix) : utf8.beginsWith(prefix);
}

bool XString::equalsUtf8(const char *utf8) const { return getUtf8Sb().equals(utf8); }

bool XString::equalsX(const XString &other) const {
    if (&other == this) return true;
    if (other.m_utf8Valid) return getUtf8Sb().equals(other.m_utf8);
    if (other.m_wideValid) {
        if (other.m_wideIsUtf16 ? !ensureUtf16() : !ensureUtf32()) return false;
        return m_wide.equals(other.m_wide);
    }
    // The other holds only ANSI text. If this text has no exact ANSI form, it holds a character
    // the other cannot, so the two differ.
    if (!ensureAnsi() || !m_ansiValid) return false;
    return m_ansi.equals(other.m_ansi);
}

bool XString::equalsIgnoreCaseUtf8(const char *utf8) const {
    const StringBuffer &mine = getUtf8Sb();
    if (!mine.is7bit()) return false;
    return mine.equalsIgnoreCase(utf8);
}

bool XString::containsUtf8(const char *utf8) const { return getUtf8Sb().contains(utf8); }

int32_t XString::indexOfUtf8(const char *utf8) const {
    const StringBuffer &mine = getUtf8Sb();
    const int32_t at = mine.indexOf(utf8 == nullptr ? "" : utf8);
    if (at < 0) return -1;
    return static_cast<int32_t>(
        Utf8Codec::countUtf16Units(reinterpret_cast<const unsigned char *>(mine.getString()), static_cast<uint32_t>(at)));
}

}  // namespace quorvel
