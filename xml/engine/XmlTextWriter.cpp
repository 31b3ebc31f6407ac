#include "xml/engine/XmlTextWriter.h"

#include <array>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

struct Replacement {
    const char *text;
    uint32_t length;
};

// Indexed by the codes of the tables below; code 0 means "copy the byte".
constexpr Replacement kReplacements[] = {
    {"", 0}, {"&lt;", 4}, {"&gt;", 4}, {"&amp;", 5}, {"&quot;", 6}, {"&apos;", 6}, {"", 0}, {"&#13;", 5}, {"&#10;", 5},
};
constexpr uint8_t kLt = 1, kGt = 2, kAmp = 3, kQuot = 4, kApos = 5, kDrop = 6, kCr = 7, kLf = 8;

using EscapeTable = std::array<uint8_t, 256>;

constexpr EscapeTable makeTable(bool attribute, bool markup, bool lineEnds = false) {
    EscapeTable t{};
    t[0] = kDrop;
    if (lineEnds) {
        t['\r'] = kCr;
        t['\n'] = kLf;
    }
    if (markup) {
        t['<'] = kLt;
        t['>'] = kGt;
        t['&'] = kAmp;
    }
    if (attribute) {
        t['"'] = kQuot;
        t['\''] = kApos;
    }
    return t;
}

constexpr EscapeTable kTextTable = makeTable(false, true);
constexpr EscapeTable kAttributeTable = makeTable(true, true);
// A pseudo-attribute value ends at a line end when read, so line ends are written as references.
constexpr EscapeTable kPseudoAttributeTable = makeTable(true, true, true);
constexpr EscapeTable kRawTable = makeTable(false, false);

constexpr uint32_t kIndentWidth = 4;
constexpr char kSpaces[] =
    "                                                                                                    "
    "                                                                                                    ";
static_assert(sizeof kSpaces - 1 == XmlTextWriter::kMaxIndentLevel * kIndentWidth);

}  // namespace

void XmlTextWriter::writeIndent(int32_t depth) {
    if (depth <= 0) return;
    uint32_t n = static_cast<uint32_t>(depth < kMaxIndentLevel ? depth : kMaxIndentLevel) * kIndentWidth;
    // Whole 16-byte stores, the last one running past n: cheaper than a copy of variable length.
    constexpr uint32_t kStore = 16;
    uint32_t rounded = (n + kStore - 1) & ~(kStore - 1);
    if (rounded > kBlockSize - m_used) {
        write(kSpaces, n);
        return;
    }
    char *to = m_block + m_used;
    for (uint32_t i = 0; i < rounded; i += kStore) std::memcpy(to + i, kSpaces, kStore);
    m_used += n;
}

void XmlTextWriter::writeEscapedText(const char *bytes, uint32_t n) { writeEscaped(bytes, n, kTextTable.data()); }

void XmlTextWriter::writeEscapedAttribute(const char *bytes, uint32_t n) {
    writeEscaped(bytes, n, kAttributeTable.data());
}

void XmlTextWriter::writeEscapedPseudoAttribute(const char *bytes, uint32_t n) {
    writeEscaped(bytes, n, kPseudoAttributeTable.data());
}

void XmlTextWriter::writeRaw(const char *bytes, uint32_t n) { writeEscaped(bytes, n, kRawTable.data()); }

// Copies runs of plain bytes in one piece and replaces the bytes the table marks.
void XmlTextWriter::writeEscaped(const char *bytes, uint32_t n, const uint8_t *table) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes);
    const unsigned char *end = p + n;
    while (p < end) {
        const unsigned char *run = p;
        while (p + 4 <= end && !(table[p[0]] | table[p[1]] | table[p[2]] | table[p[3]])) p += 4;
        while (p < end && table[*p] == 0) ++p;
        write(reinterpret_cast<const char *>(run), static_cast<uint32_t>(p - run));
        if (p == end) break;
        const Replacement &r = kReplacements[table[*p]];
        write(r.text, r.length);
        ++p;
    }
}

void XmlTextWriter::writeLarge(const char *bytes, uint32_t n) {
    if (m_failed) return;
    if (!flush()) return;
    if (n <= kBlockSize) {
        std::memcpy(m_block, bytes, n);
        m_used = n;
        return;
    }
    appendToTarget(bytes, n);
}

bool XmlTextWriter::flush() {
    if (m_used == 0 || m_failed) {
        m_used = 0;
        return !m_failed;
    }
    bool ok = appendToTarget(m_block, m_used);
    m_used = 0;
    return ok;
}

bool XmlTextWriter::appendToTarget(const char *bytes, uint32_t n) {
    uint32_t size = m_out.getSize();
    uint32_t room = m_out.getCapacity() - size - 1;
    if (n > room) {
        // The buffer's own growth step is capped, which would make a large output quadratic.
        uint64_t doubling = n > size ? n : size;
        if (!m_out.reserve(doubling) && !m_out.reserve(n)) {
            m_failed = true;
            return false;
        }
    }
    if (!m_out.appendN(bytes, n)) {
        m_failed = true;
        return false;
    }
    return true;
}

}  // namespace quorvel
