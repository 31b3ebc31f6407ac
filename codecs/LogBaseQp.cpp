// The log's quoted-printable data helpers, defined with the codecs they use.
#include <cstring>

#include "codecs/ContentCoding.h"
#include "codecs/EncodingByName.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

bool LogBase::logDataQpBytes(const char *tag, const unsigned char *bytes, uint32_t n) {
    StringBuffer value;
    // Long lines keep binary data readable in the log while still breaking runaway values.
    bool ok = value.appendChar('[') && EncodingByName::encode("qp-2048", bytes, n, value) && value.appendChar(']');
    if (!ok) return false;
    return logData(tag, value.getString());
}

bool LogBase::logDataQpText(const char *tag, const char *text) {
    const size_t n = text ? std::strlen(text) : 0;
    if (n > 0xFFFFFFFFu) return false;
    StringBuffer value;
    if (!ContentCoding().encodeQuotedPrintable(text, static_cast<uint32_t>(n), value)) return false;
    return logData(tag, value.getString());
}

}  // namespace quorvel
