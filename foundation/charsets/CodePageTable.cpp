#include "foundation/charsets/CodePageTable.h"

#include <atomic>
#include <cstring>
#include <new>

#include "foundation/charsets/CodePageData.h"
#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/PivotEscape.h"
#include "foundation/charsets/Utf8Codec.h"

namespace quorvel {

namespace {

constexpr uint32_t kUnits = 0x10000;

// Characters that the UTF-16 -> UTF-8 step treats otherwise than on their own.
bool actsOnUtf16Step(char16_t c) { return c == 0xEFFD || (c >= 0xD800 && c <= 0xDFFF); }

bool isAscii8(const unsigned char *p, uint64_t &word) {
    std::memcpy(&word, p, 8);
    return (word & 0x8080808080808080ull) == 0;
}

// One slot per built-in code page. A table is published with a compare-and-swap, so two
// threads expanding the same code page at once both end up with the same complete table.
std::atomic<const CodePageTable *> s_tables[CodePageData::kMaxBuiltIn];

}  // namespace

const CodePageTable *CodePageTable::forCodePage(uint32_t codePage) {
    uint32_t index = 0;
    const CodePageData *data = CodePageData::find(codePage, index);
    if (data == nullptr) return nullptr;
    std::atomic<const CodePageTable *> &slot = s_tables[index];
    if (const CodePageTable *table = slot.load(std::memory_order_acquire)) return table;

    auto *fresh = new (std::nothrow) CodePageTable(*data);
    if (fresh == nullptr) return nullptr;
    if (!fresh->isComplete()) {
        delete fresh;
        return nullptr;
    }
    const CodePageTable *expected = nullptr;
    if (slot.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return fresh;
    delete fresh;  // another thread was first
    return expected;
}

CodePageTable::CodePageTable(const CodePageData &data) : m_codePage(data.codePage) {
    bool anyLead = false;
    m_asciiCompatible = true;
    for (uint32_t b = 0; b < 256; ++b) {
        m_bytes[b] = b == 0 ? 0 : data.byteChar(b);  // byte 0 is always U+0000
        if (m_bytes[b] == CodePageData::kLeadByte) anyLead = true;
        if (b < 0x80 && m_bytes[b] != b) m_asciiCompatible = false;
    }

    m_reverse = new (std::nothrow) uint16_t[kUnits]();
    if (m_reverse == nullptr) return;
    if (anyLead) {
        m_pairs = new (std::nothrow) char16_t[kUnits];
        if (m_pairs == nullptr) return;
        for (uint32_t i = 0; i < kUnits; ++i) m_pairs[i] = CodePageData::kUnmapped;
    }

    // The first code listed for a character is the one it encodes to.
    for (uint32_t b = 1; b < 256; ++b) {
        const char16_t c = m_bytes[b];
        if (c == CodePageData::kUnmapped || c == CodePageData::kLeadByte || c == 0) continue;
        if (m_reverse[c] == 0) m_reverse[c] = static_cast<uint16_t>(b);
    }
    if (m_pairs != nullptr) {
        for (uint32_t i = 0; i < data.numPairs; ++i) {
            const uint16_t code = data.pairCodes[i];
            const char16_t c = data.pairChars[i];
            if (code < 0x100 || m_bytes[code >> 8] != CodePageData::kLeadByte) continue;
            if (c == CodePageData::kUnmapped || c == CodePageData::kLeadByte || c == 0) continue;
            m_pairs[code] = c;
            if (m_reverse[c] == 0) m_reverse[c] = code;
        }
        for (uint32_t r = 0; r < data.numRows; ++r) {
            const CodePageData::Row &row = data.rows[r];
            if (m_bytes[row.lead] != CodePageData::kLeadByte || row.first + uint32_t{row.count} > 256) continue;
            for (uint32_t k = 0; k < row.count; ++k) {
                const char16_t c = data.rowChars[row.offset + k];
                if (c == CodePageData::kUnmapped || c == CodePageData::kLeadByte || c == 0) continue;
                const uint16_t code = static_cast<uint16_t>(uint32_t{row.lead} << 8 | (row.first + k));
                m_pairs[code] = c;
                if (m_reverse[c] == 0) m_reverse[c] = code;
            }
        }
    }
    // Where the published mapping encodes a character to a later code than the first listed.
    for (uint32_t i = 0; i < data.numPrefer; ++i) {
        const char16_t c = data.preferChars[i];
        const uint16_t code = data.preferCodes[i];
        const bool isPair = code >= 0x100 && m_pairs != nullptr;
        if ((isPair && m_pairs[code] == c) || (code < 0x100 && m_bytes[code] == c)) m_reverse[c] = code;
    }
    buildUtf8Forms();
    m_complete = true;
}

void CodePageTable::buildUtf8Forms() {
    m_decodesToUtf8 = true;
    m_maxUtf8PerByte = m_pairs != nullptr ? 2 : 1;  // a pair gives at most 3 bytes for its 2
    for (uint32_t b = 0; b < 256; ++b) {
        const char16_t c = m_bytes[b];
        unsigned char *form = m_utf8[b];
        std::memset(form, 0, 4);
        if (c == CodePageData::kLeadByte) {
            form[3] = kUtf8Lead;
        } else if (c != CodePageData::kUnmapped) {
            form[3] = static_cast<unsigned char>(Utf8Codec::write(form, c) - form);
            if (form[3] > m_maxUtf8PerByte) m_maxUtf8PerByte = form[3];
            if (actsOnUtf16Step(c)) m_decodesToUtf8 = false;
        }
    }
    if (m_pairs != nullptr)
        for (uint32_t i = 0; i < kUnits && m_decodesToUtf8; ++i)
            if (m_pairs[i] != CodePageData::kUnmapped && actsOnUtf16Step(m_pairs[i])) m_decodesToUtf8 = false;
}

CodePageTable::~CodePageTable() {
    delete[] m_pairs;
    delete[] m_reverse;
}

void CodePageTable::decode(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) const {
    uint32_t i = 0;
    while (i < n) {
        const unsigned char b = p[i++];
        const char16_t c = m_bytes[b];
        if (c == CodePageData::kLeadByte) {
            const char16_t pair = i < n ? m_pairs[(uint32_t{b} << 8) | p[i]] : CodePageData::kUnmapped;
            if (pair == CodePageData::kUnmapped) {
                out.noteDropped();
                continue;
            }
            ++i;
            out.putUtf16(pair, bigEndian);
        } else if (c == CodePageData::kUnmapped) {
            out.noteDropped();
        } else {
            out.putUtf16(c, bigEndian);
        }
    }
}

void CodePageTable::decodeToUtf8(const unsigned char *p, uint32_t n, ConvertOutput &out) const {
    // Input bytes per fill of the output block. The last step of a fill may read up to 8 bytes
    // past it, and each byte gives at most 3 output bytes (4 written), so 3 * (kChunk + 8) fits.
    constexpr uint32_t kChunk = 160;
    uint32_t i = 0;
    while (i < n) {
        const uint32_t end = n - i > kChunk ? i + kChunk : n;
        unsigned char *w = out.room(3 * (kChunk + 8));
        while (i < end) {
            uint64_t word;
            if (m_asciiCompatible && n - i >= 8 && isAscii8(p + i, word)) {
                std::memcpy(w, &word, 8);
                w += 8;
                i += 8;
                continue;
            }
            const unsigned char b = p[i++];
            const unsigned char *form = m_utf8[b];
            if (form[3] == kUtf8Lead) {
                const char16_t pair = i < n ? m_pairs[(uint32_t{b} << 8) | p[i]] : CodePageData::kUnmapped;
                if (pair == CodePageData::kUnmapped) {
                    out.noteDropped();
                    continue;
                }
                ++i;
                w = Utf8Codec::write(w, pair);
            } else if (form[3] == 0) {
                out.noteDropped();
            } else {
                std::memcpy(w, form, 4);
                w += form[3];
            }
        }
        out.commit(w);
    }
}

void CodePageTable::appendCode(uint32_t unit, ConvertOutput &out) const {
    if (unit == 0 || (unit < 0x80 && m_asciiCompatible)) {
        out.put(static_cast<unsigned char>(unit));
        return;
    }
    const uint16_t code = m_reverse[unit];
    if (code == 0) {
        out.noteDropped();
    } else if (code < 0x100) {
        out.put(static_cast<unsigned char>(code));
    } else {
        out.put(static_cast<unsigned char>(code >> 8));
        out.put(static_cast<unsigned char>(code & 0xFF));
    }
}

void CodePageTable::encode(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out,
                           bool pivotEscapes) const {
    PivotEscape::convert(p, n, pivotEscapes, out,
                         [&](const unsigned char *units, uint32_t len) { encodeUnits(units, len, bigEndian, out); });
}

void CodePageTable::encodeUnits(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) const {
    for (uint32_t i = 0; n - i >= 2; i += 2)
        appendCode(bigEndian ? (uint32_t{p[i]} << 8) | p[i + 1] : (uint32_t{p[i + 1]} << 8) | p[i], out);
}

}  // namespace quorvel
