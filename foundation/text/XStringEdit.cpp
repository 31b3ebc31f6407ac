// The appends and edits of an XString: each works on one form and marks only that form valid.
#include <cstring>

#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"
#include "foundation/charsets/Utf8Codec.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

// The code pages whose ANSI bytes follow the Latin-1 case rules of StringBuffer.
bool isLatinCaseCodePage(uint32_t cp) { return cp == 28591 || cp == 1252 || cp == 1250 || cp == 28592; }

}  // namespace

// ---- append

bool XString::appendUtf8Bytes(const char *bytes, uint32_t n) {
    if (n == 0) return true;
    if (!ensureUtf8() || !m_utf8.appendN(bytes, n)) return false;
    markOnly(true, false, false);
    return true;
}

bool XString::appendUtf8(const char *utf8) {
    utf8 = skipUtf8Bom(utf8);
    if (isNullOrEmpty(utf8)) return true;
    return appendUtf8Bytes(utf8, static_cast<uint32_t>(std::strlen(utf8)));
}

bool XString::appendSb(const StringBuffer &utf8) {
    if (&utf8 == &m_utf8) {
        const StringBuffer copy(utf8);
        return appendUtf8Bytes(copy.getString(), copy.getSize());
    }
    return appendUtf8Bytes(utf8.getString(), utf8.getSize());
}

bool XString::appendAnsi(const char *ansi) {
    if (isNullOrEmpty(ansi)) return true;
    if (m_ansiValid) {
        if (!m_ansi.append(ansi)) return false;
        markOnly(false, true, false);
        return true;
    }
    DataBuffer utf8;
    LogNull log;
    EncodingConvert conv;
    conv.convertFromAnsi(CodePage::kUtf8, reinterpret_cast<const unsigned char *>(ansi),
                         static_cast<uint32_t>(std::strlen(ansi)), utf8, log);
    return appendUtf8Bytes(reinterpret_cast<const char *>(utf8.getData()), utf8.getSize());
}

bool XString::appendUtf16N(const char16_t *text, uint32_t units) {
    units = text == nullptr ? 0 : unitsUntilZero(text, units);
    if (units == 0) return true;
    if (units > 0x7FFFFFFFu) return false;
    DataBuffer utf8;
    ConvertOutput o(utf8);
    Utf8Codec::utf16ToUtf8(reinterpret_cast<const unsigned char *>(text), units * 2, kWideBigEndian, o);
    if (!o.flush()) return false;
    return appendUtf8Bytes(reinterpret_cast<const char *>(utf8.getData()), utf8.getSize());
}

bool XString::appendUtf16(const char16_t *text) { return appendUtf16N(text, 0xFFFFFFFFu); }

bool XString::appendUtf32(const char32_t *text) {
    uint32_t units = 0;
    if (!countUtf32Units(text, units)) return false;
    if (units == 0) return true;
    DataBuffer utf8;
    ConvertOutput o(utf8);
    Utf8Codec::utf32ToUtf8(reinterpret_cast<const unsigned char *>(text), units * 4, kWideBigEndian, o);
    if (!o.flush()) return false;
    return appendUtf8Bytes(reinterpret_cast<const char *>(utf8.getData()), utf8.getSize());
}

bool XString::appendX(const XString &other) {
    if (&other == this) {
        const XString copy(other);
        return appendX(copy);
    }
    if (other.m_utf8Valid) return appendSb(other.m_utf8);
    if (other.m_wideValid) {
        if (other.m_wideIsUtf16)
            return appendUtf16N(reinterpret_cast<const char16_t *>(other.m_wide.getData()), other.wideUnits());
        return appendUtf32(reinterpret_cast<const char32_t *>(other.m_wide.getData()));
    }
    if (other.m_ansiValid) return appendAnsi(other.m_ansi.getString());
    return true;
}

bool XString::appendInt(int32_t value) {
    if (!ensureUtf8() || !m_utf8.appendInt32(value)) return false;
    markOnly(true, false, false);
    return true;
}

bool XString::prependUtf8(const char *utf8) {
    utf8 = skipUtf8Bom(utf8);
    if (isNullOrEmpty(utf8)) return true;
    if (!ensureUtf8() || !m_utf8.prepend(utf8)) return false;
    markOnly(true, false, false);
    return true;
}

// ---- edit

bool XString::ansiByteEditIsSafe(char c) {
    const auto b = static_cast<unsigned char>(c);
    // No double-byte code page uses a byte below 0x31 as a trail byte.
    if (b < 0x31) return true;
    const uint32_t cp = SystemInfo::ansiCodePage();
    if (cp == CodePage::kUtf8) return b < 0x80;
    const CodePageTable *table = CodePageTable::forCodePage(cp);
    return table != nullptr && !table->isDoubleByte();
}

bool XString::ansiCharToUtf8(char c, StringBuffer &out) {
    out.clear();
    if (static_cast<unsigned char>(c) < 0x80) return out.appendChar(c);
    // Through UTF-16, so that a byte that is no character on its own (a lead byte, or any
    // byte above 0x7F when ANSI is UTF-8) comes out empty instead of as itself.
    const unsigned char b = static_cast<unsigned char>(c);
    DataBuffer utf16;
    LogNull log;
    EncodingConvert conv;
    if (!conv.convertFromAnsi(CodePage::kUtf16Le, &b, 1, utf16, log)) return false;
    DataBuffer utf8;
    ConvertOutput o(utf8);
    Utf8Codec::utf16ToUtf8(utf16.getData(), utf16.getSize(), false, o);
    if (!o.flush()) return false;
    return out.appendN(reinterpret_cast<const char *>(utf8.getData()), utf8.getSize());
}

bool XString::trim() {
    if (m_ansiValid && !m_utf8Valid) {
        m_ansi.trim();
        markOnly(false, true, false);
        return true;
    }
    if (!ensureUtf8()) return false;
    m_utf8.trim();
    markOnly(true, false, false);
    return true;
}

bool XString::replaceFirstUtf8(const char *find, const char *replacement) {
    if (!ensureUtf8()) return false;
    const bool replaced = m_utf8.replaceFirst(find, replacement);
    markOnly(true, false, false);
    return replaced;
}

bool XString::replaceLastUtf8(const char *find, const char *replacement) {
    if (!ensureUtf8()) return false;
    const bool replaced = m_utf8.replaceLast(find, replacement);
    markOnly(true, false, false);
    return replaced;
}

uint32_t XString::replaceChar(char from, char to) {
    if (!ensureUtf8()) return 0;
    uint32_t count;
    if (static_cast<unsigned char>(from) < 0x80 && static_cast<unsigned char>(to) < 0x80) {
        // ASCII bytes never occur inside a multi-byte UTF-8 sequence.
        count = m_utf8.replaceChar(from, to);
    } else {
        StringBuffer find;
        StringBuffer replacement;
        if (!ansiCharToUtf8(from, find) || find.isEmpty() || !ansiCharToUtf8(to, replacement) ||
            replacement.isEmpty())
            return 0;
        count = m_utf8.replaceAll(find.getString(), replacement.getString());
    }
    markOnly(true, false, false);
    return count;
}

uint32_t XString::removeChar(char c) {
    if (c == 0) return 0;
    if (m_ansiValid && !m_utf8Valid && ansiByteEditIsSafe(c)) {
        const uint32_t count = m_ansi.removeCharOccurrences(c);
        markOnly(false, true, false);
        return count;
    }
    if (!ensureUtf8()) return 0;
    uint32_t count;
    if (static_cast<unsigned char>(c) < 0x80) {
        count = m_utf8.removeCharOccurrences(c);
    } else {
        StringBuffer find;
        if (!ansiCharToUtf8(c, find) || find.isEmpty()) return 0;
        count = m_utf8.replaceAll(find.getString(), "");
    }
    markOnly(true, false, false);
    return count;
}

bool XString::changeCase(bool lower) {
    if (m_ansiValid && isLatinCaseCodePage(SystemInfo::ansiCodePage())) {
        if (lower)
            m_ansi.toLowerCase();
        else
            m_ansi.toUpperCase();
        markOnly(false, true, false);
        return true;
    }
    if (!ensureUtf16()) return false;
    auto *units = reinterpret_cast<char16_t *>(m_wide.getData());
    const uint32_t n = wideUnits();
    for (uint32_t i = 0; i < n; ++i)
        units[i] = lower ? SystemInfo::toLowerWide(units[i]) : SystemInfo::toUpperWide(units[i]);
    markOnly(false, false, true);
    return true;
}

bool XString::toLowerCase() { return changeCase(true); }

bool XString::toUpperCase() { return changeCase(false); }

}  // namespace quorvel
