// The lazy conversions between the three forms of an XString.
#include <algorithm>
#include <cstring>

#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"
#include "foundation/charsets/Utf8Codec.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

const unsigned char *bytesOf(const StringBuffer &sb) {
    return reinterpret_cast<const unsigned char *>(sb.getString());
}

// The UTF-8 output buffer for n ANSI bytes: most texts need no more than this.
void reserveForAnsi(DataBuffer &out, uint32_t n) {
    const uint64_t want = uint64_t{n} + n / 16 + 4;
    if (want <= 0xFFFFFFFFu) out.ensureCapacity(static_cast<uint32_t>(want));
}

// Short-cut conversions for the common texts, built a chunk at a time on the stack: UTF-16
// without surrogates to UTF-8, and ASCII UTF-8 to UTF-16. Each answers false, leaving its output
// empty, for a text it does not cover (or memory it cannot get); the general codecs take those.
constexpr uint32_t kChunkUnits = 256;

bool utf16WithoutSurrogatesToUtf8(const unsigned char *wide, uint32_t units, StringBuffer &out) {
    const auto unitAt = [wide](uint32_t i) {
        char16_t unit;
        std::memcpy(&unit, wide + 2 * i, sizeof unit);
        return unit;
    };
    for (uint32_t i = 0; i < units; ++i)
        if (const char16_t u = unitAt(i); u >= 0xD800 && u <= 0xDFFF) return false;
    out.clear();
    if (!out.reserve(uint64_t{units} * 3)) return false;
    char chunk[kChunkUnits * 3];
    for (uint32_t i = 0; i < units;) {
        uint32_t n = 0;
        for (const uint32_t end = std::min(units, i + kChunkUnits); i < end; ++i) {
            const char16_t u = unitAt(i);
            if (u < 0x80) {
                chunk[n++] = static_cast<char>(u);
            } else if (u < 0x800) {
                chunk[n++] = static_cast<char>(0xC0 | (u >> 6));
                chunk[n++] = static_cast<char>(0x80 | (u & 0x3F));
            } else {
                chunk[n++] = static_cast<char>(0xE0 | (u >> 12));
                chunk[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                chunk[n++] = static_cast<char>(0x80 | (u & 0x3F));
            }
        }
        if (!out.appendN(chunk, n)) {
            out.clear();
            return false;
        }
    }
    out.minimizeMemory();
    return true;
}

bool asciiToUtf16(const unsigned char *text, uint32_t n, DataBuffer &out) {
    for (uint32_t i = 0; i < n; ++i)
        if (text[i] >= 0x80) return false;
    if (uint64_t{n} * 2 + 2 > 0xFFFFFFFFu || !out.ensureCapacity(n * 2 + 2)) return false;
    char16_t chunk[kChunkUnits];
    for (uint32_t i = 0; i < n;) {
        uint32_t k = 0;
        for (const uint32_t end = std::min(n, i + kChunkUnits); i < end; ++i) chunk[k++] = text[i];
        if (!out.append(chunk, k * 2)) return false;
    }
    const char16_t zero = 0;
    return out.append(&zero, 2);
}

}  // namespace

uint32_t XString::wideUnits() const {
    const uint32_t unit = m_wideIsUtf16 ? 2 : 4;
    const uint32_t size = m_wide.getSize();
    return size >= unit ? size / unit - 1 : 0;
}

bool XString::wideStartsWithMark() const {
    if (wideUnits() == 0) return false;
    if (m_wideIsUtf16) {
        char16_t first;
        std::memcpy(&first, m_wide.getData(), sizeof first);
        return first == 0xFEFF || first == 0xFFFE;
    }
    char32_t first;
    std::memcpy(&first, m_wide.getData(), sizeof first);
    return first == 0xFEFF || first == 0xFFFE0000u;
}

bool XString::ensureUtf8() const {
    if (m_utf8Valid) return true;
    if (m_wideValid && m_wideIsUtf16 && !kWideBigEndian &&
        utf16WithoutSurrogatesToUtf8(m_wide.getData(), wideUnits(), m_utf8)) {
        m_utf8Valid = 1;
        return true;
    }
    DataBuffer out;
    if (m_ansiValid) {
        reserveForAnsi(out, m_ansi.getSize());
        LogNull log;
        EncodingConvert conv;
        conv.convertFromAnsi(CodePage::kUtf8, bytesOf(m_ansi), m_ansi.getSize(), out, log);
    } else if (m_wideValid) {
        ConvertOutput o(out);
        if (m_wideIsUtf16)
            Utf8Codec::utf16ToUtf8(m_wide.getData(), wideUnits() * 2, kWideBigEndian, o);
        else
            Utf8Codec::utf32ToUtf8(m_wide.getData(), wideUnits() * 4, kWideBigEndian, o);
        if (!o.flush()) {
            m_utf8.clear();
            return false;
        }
    }
    if (!m_utf8.takeData(out)) {
        m_utf8.clear();  // never leave an older text behind an invalid flag
        return false;
    }
    m_utf8.minimizeMemory();
    m_utf8Valid = 1;
    return true;
}

bool XString::ensureAnsi() const {
    if (m_ansiValid) return true;
    DataBuffer out;
    LogNull log;
    EncodingConvert conv;
    const uint32_t ansi = SystemInfo::ansiCodePage();
    bool exact;
    if (!m_utf8Valid && m_wideValid && !wideStartsWithMark()) {
        const uint32_t from = m_wideIsUtf16 ? CodePage::kUtf16Host : CodePage::kUtf32Host;
        exact = conv.convert(from, ansi, m_wide.getData(), wideUnits() * (m_wideIsUtf16 ? 2 : 4), out, log);
    } else {
        if (!ensureUtf8()) {
            m_ansi.clear();
            return false;
        }
        exact = conv.convert(CodePage::kUtf8, ansi, bytesOf(m_utf8), m_utf8.getSize(), out, log);
    }
    if (!m_ansi.takeData(out)) {
        m_ansi.clear();
        return false;
    }
    m_ansiValid = exact ? 1 : 0;
    return true;
}

bool XString::ensureUtf16() const {
    if (m_wideValid && m_wideIsUtf16) return true;
    DataBuffer out;
    if (!m_wideValid && m_utf8Valid && !kWideBigEndian && asciiToUtf16(bytesOf(m_utf8), m_utf8.getSize(), out)) {
        m_wide.takeData(out);
        m_wideValid = 1;
        m_wideIsUtf16 = 1;
        return true;
    }
    out.clear();
    ConvertOutput o(out);
    if (m_wideValid) {
        // UTF-32 units become UTF-16 in place of them.
        const unsigned char *p = m_wide.getData();
        const uint32_t units = wideUnits();
        for (uint32_t i = 0; i < units; ++i) {
            char32_t cp;
            std::memcpy(&cp, p + 4 * i, sizeof cp);
            if (cp > 0x10FFFF) continue;
            if (cp >= 0x10000) {
                o.putUtf16(0xD800 + ((cp - 0x10000) >> 10), kWideBigEndian);
                o.putUtf16(0xDC00 + ((cp - 0x10000) & 0x3FF), kWideBigEndian);
            } else {
                o.putUtf16(cp, kWideBigEndian);
            }
        }
    } else if (m_utf8Valid) {
        Utf8Codec::utf8ToUtf16(bytesOf(m_utf8), m_utf8.getSize(), kWideBigEndian, o);
    } else if (m_ansiValid) {
        if (!o.flush()) return false;
        LogNull log;
        EncodingConvert conv;
        conv.convertFromAnsi(CodePage::kUtf16Host, bytesOf(m_ansi), m_ansi.getSize(), out, log);
    }
    o.putUtf16(0, kWideBigEndian);
    if (!o.flush()) return false;
    m_wide.takeData(out);
    m_wideValid = 1;
    m_wideIsUtf16 = 1;
    return true;
}

bool XString::ensureUtf32() const {
    if (m_wideValid && !m_wideIsUtf16) return true;
    if (!ensureUtf8()) return false;
    DataBuffer out;
    ConvertOutput o(out);
    Utf8Codec::utf8ToUtf32(bytesOf(m_utf8), m_utf8.getSize(), kWideBigEndian, o);
    o.putUtf32(0, kWideBigEndian);
    if (!o.flush()) return false;
    m_wide.takeData(out);
    m_wideValid = 1;
    m_wideIsUtf16 = 0;
    return true;
}

bool XString::getUtf16Le(DataBuffer &out, bool withTerminator) const {
    out.clear();
    if (!ensureUtf16()) return false;
    const uint32_t n = wideUnits() * 2 + (withTerminator ? 2 : 0);
    if (!out.append(m_wide.getData(), n)) return false;
    if (kWideBigEndian) out.swapBytes16();
    return true;
}

bool XString::getConverted(uint32_t codePage, DataBuffer &out) const {
    if (codePage == CodePage::kUtf8 && m_utf8Valid) return out.append(m_utf8.getString(), m_utf8.getSize());
    if (m_wideValid && ((m_wideIsUtf16 && codePage == CodePage::kUtf16Host) ||
                        (!m_wideIsUtf16 && codePage == CodePage::kUtf32Host)))
        return out.append(m_wide.getData(), wideUnits() * (m_wideIsUtf16 ? 2 : 4));

    LogNull log;
    EncodingConvert conv;
    // A wide form whose first unit looks like a byte-order mark would be misread by the
    // converter, so such a text goes through UTF-8.
    if (m_wideValid && !wideStartsWithMark()) {
        const uint32_t from = m_wideIsUtf16 ? CodePage::kUtf16Host : CodePage::kUtf32Host;
        return conv.convert(from, codePage, m_wide.getData(), wideUnits() * (m_wideIsUtf16 ? 2 : 4), out, log);
    }
    if (!ensureUtf8()) return false;
    return conv.convert(CodePage::kUtf8, codePage, bytesOf(m_utf8), m_utf8.getSize(), out, log);
}

}  // namespace quorvel
