#include "codecs/EncodingByName.h"

#include <cstring>

#include "codecs/BlockWriter.h"
#include "codecs/ContentCoding.h"
#include "codecs/HexDigit.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// The punctuation each percent-encoding leaves as it is; letters and digits always stay.
constexpr char kUrlRfc3986Safe[] = "-.,_~";
constexpr char kUrlRfc1738Safe[] = "$-_.+!*'(),";
constexpr char kUrlRfc2396Safe[] = "-_.!~*'()";

bool isAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isTrimmed(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool percentEncode(const unsigned char *in, uint32_t n, const char *safe, StringBuffer &out) {
    if (n != 0 && in == nullptr) return false;
    BlockWriter<StringBuffer, 256> w(out);
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char b = in[i];
        if (isAlnum(b) || (b != 0 && std::strchr(safe, b) != nullptr)) {
            w.put(static_cast<char>(b));
        } else {
            w.put3('%', HexDigit::kUpper[b >> 4], HexDigit::kUpper[b & 15]);
        }
    }
    return w.finish();
}

bool percentDecode(const unsigned char *in, uint32_t n, DataBuffer &out) {
    BlockWriter<DataBuffer> w(out);
    uint32_t i = 0;
    while (i < n) {
        const unsigned char c = in[i];
        if (c == '%' && n - i >= 3 && HexDigit::isDigit(in[i + 1]) && HexDigit::isDigit(in[i + 2])) {
            w.put(HexDigit::pairValue(in + i + 1));
            i += 3;
            continue;
        }
        w.put(c == '+' ? ' ' : c);
        ++i;
    }
    return w.finish();
}

// The number after "qp-": digits up to the first other character, saturating rather than
// wrapping; 0 when there are none.
uint32_t qpLineLength(const StringBuffer &name) {
    uint64_t value = 0;
    for (const char *p = name.getString() + 3; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

bool EncodingByName::encode(const char *name, const unsigned char *bytes, uint32_t n, StringBuffer &out) {
    StringBuffer nm(name);
    nm.trim();
    if (nm.beginsWithIgnoreCase("qp-")) {
        ContentCoding qp;
        const uint32_t length = qpLineLength(nm);
        if (length != 0) qp.setQpLineLength(length);
        return qp.encodeQuotedPrintable(bytes, n, out);
    }
    if (nm.equalsIgnoreCase("base64") || nm.equalsIgnoreCase("base-64"))
        return ContentCoding::encodeBase64OneLine(bytes, n, out);
    if (nm.equalsIgnoreCase("qp") || nm.equalsIgnoreCase("quoted-printable"))
        return ContentCoding().encodeQuotedPrintable(bytes, n, out);
    if (nm.equalsIgnoreCase("hex") || nm.equalsIgnoreCase("hexidecimal")) return out.appendHex(bytes, n);
    if (nm.equalsIgnoreCase("asc") || nm.equalsIgnoreCase("ansi"))
        return n == 0 || out.appendN(reinterpret_cast<const char *>(bytes), n);
    if (nm.equalsIgnoreCase("url") || nm.equalsIgnoreCase("url_rfc3986") || nm.equalsIgnoreCase("url_oauth"))
        return percentEncode(bytes, n, kUrlRfc3986Safe, out);
    if (nm.equalsIgnoreCase("url_rfc1738")) return percentEncode(bytes, n, kUrlRfc1738Safe, out);
    if (nm.equalsIgnoreCase("url_rfc2396")) return percentEncode(bytes, n, kUrlRfc2396Safe, out);
    out.clear();
    return false;
}

bool EncodingByName::decode(const char *name, const char *text, uint32_t n, DataBuffer &out) {
    if (n != 0 && text == nullptr) return false;
    StringBuffer nm(name);
    nm.trim();
    const unsigned char *in = reinterpret_cast<const unsigned char *>(text);
    uint32_t first = 0;
    uint32_t end = n;
    while (first < end && isTrimmed(in[first])) ++first;
    while (end > first && isTrimmed(in[end - 1])) --end;
    const char *p = text + first;
    const uint32_t len = end - first;

    if (nm.equalsIgnoreCase("base64") || nm.equalsIgnoreCase("base-64")) return ContentCoding::decodeBase64(p, len, out);
    if (nm.equalsIgnoreCase("qp") || nm.equalsIgnoreCase("quoted-printable"))
        return ContentCoding::decodeQuotedPrintable(p, len, out);
    if (nm.equalsIgnoreCase("hex") || nm.equalsIgnoreCase("hexidecimal")) {
        StringBuffer digits;
        return digits.appendN(p, len) && digits.decodeHex(out);
    }
    if (nm.equalsIgnoreCase("url")) return percentDecode(in + first, len, out);
    if (nm.equalsIgnoreCase("modbase64")) return ContentCoding::decodeModBase64(p, len, out);
    return false;
}

}  // namespace quorvel
