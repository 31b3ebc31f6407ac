// Hexadecimal encoding, dumps and decoding of bytes.
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

const char kUpper[] = "0123456789ABCDEF";
const char kLower[] = "0123456789abcdef";

// Collects output in a local block and appends it in one call whenever it fills. The callers
// reserve room for the whole output first, so these appends cannot fail half-way.
class HexWriter {
public:
    explicit HexWriter(StringBuffer &target) : m_target(target) {}
    ~HexWriter() { m_target.appendN(m_block, m_used); }
    void put(char c) {
        m_block[m_used++] = c;
        if (m_used == sizeof m_block) {
            m_target.appendN(m_block, m_used);
            m_used = 0;
        }
    }
    void putByte(unsigned char b, const char *digits) {
        put(digits[b >> 4]);
        put(digits[b & 15]);
    }

private:
    StringBuffer &m_target;
    char m_block[255];
    uint32_t m_used = 0;
};

inline int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool StringBuffer::appendHex(const unsigned char *bytes, uint32_t n) {
    if (m_marker != kValidMarker) return false;
    if (n == 0) return true;
    if (!bytes || !ensureRoom(static_cast<uint64_t>(n) * 2)) return false;
    HexWriter out(*this);
    for (uint32_t i = 0; i < n; ++i) out.putByte(bytes[i], kUpper);
    return true;
}

// Pairs of upper-case digits; a space after every second byte, and a line feed instead of it
// after every sixteenth.
bool StringBuffer::appendHexDump(const unsigned char *bytes, uint32_t n) {
    if (m_marker != kValidMarker) return false;
    if (n == 0) return true;
    // Two digits per byte plus one separator per two bytes.
    if (!bytes || !ensureRoom(static_cast<uint64_t>(n) * 2 + n / 2)) return false;
    HexWriter out(*this);
    for (uint32_t i = 0; i < n; ++i) {
        out.putByte(bytes[i], kUpper);
        uint32_t count = i + 1;
        if (count % 16 == 0) out.put('\n');
        else if (count % 2 == 0) out.put(' ');
    }
    return true;
}

bool StringBuffer::appendHexLowerSpaced(const unsigned char *bytes, uint32_t n) {
    if (m_marker != kValidMarker) return false;
    if (n == 0) return true;
    if (!bytes || !ensureRoom(static_cast<uint64_t>(n) * 3)) return false;
    HexWriter out(*this);
    for (uint32_t i = 0; i < n; ++i) {
        out.putByte(bytes[i], kLower);
        out.put(' ');
    }
    return true;
}

// Digits in either case; with an odd count the first digit alone makes the first byte. Any
// other character makes the whole text invalid and nothing is appended.
bool StringBuffer::decodeHex(DataBuffer &out) const {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(m_data);
    for (uint32_t i = 0; i < m_length; ++i)
        if (hexValue(p[i]) < 0) return false;
    uint32_t startSize = out.getSize();
    unsigned char block[255];
    uint32_t used = 0;
    uint32_t i = 0;
    if (m_length % 2 == 1) block[used++] = static_cast<unsigned char>(hexValue(p[i++]));
    for (; i < m_length; i += 2) {
        block[used++] = static_cast<unsigned char>(hexValue(p[i]) << 4 | hexValue(p[i + 1]));
        if (used == sizeof block) {
            if (!out.append(block, used)) {
                out.shorten(out.getSize() - startSize);
                return false;
            }
            used = 0;
        }
    }
    if (!out.append(block, used)) {
        out.shorten(out.getSize() - startSize);
        return false;
    }
    return true;
}

bool StringBuffer::prependZeroIfOddLength() {
    if (m_marker != kValidMarker) return false;
    if (m_length % 2 == 0) return true;
    return prepend("0");
}

}  // namespace quorvel
