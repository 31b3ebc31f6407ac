// StringBuffer conversions that reach outside: code pages and platform error texts.
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/text/StringBuffer.h"
#include "platform/SystemInfo.h"

namespace quorvel {

bool StringBuffer::convertEncoding(uint32_t fromCodePage, uint32_t toCodePage, LogBase &log) {
    if (m_marker != kValidMarker) return false;
    if (m_length == 0 || fromCodePage == toCodePage) return true;
    // 7-bit text reads the same in the OEM code page and in these targets.
    if (fromCodePage == 437 && (toCodePage == 65001 || toCodePage == 1252 || toCodePage == 28591) && is7bit())
        return true;
    DataBuffer converted;
    EncodingConvert converter;
    bool ok = converter.convert(fromCodePage, toCodePage, reinterpret_cast<const unsigned char *>(m_data),
                                m_length, converted, log);
    // A converter that produced nothing at all could not convert; the text stays as it was.
    if (!ok && converted.isEmpty()) return false;
    // Otherwise it dropped only what it could not convert, and its output replaces the text.
    if (!takeData(converted)) return false;
    return ok;
}

bool StringBuffer::appendLastPlatformError() {
    // Read the code before anything else can change it.
    uint32_t code = SystemInfo::lastErrorCode();
    return appendPlatformError(code);
}

bool StringBuffer::appendPlatformError(uint32_t code) {
    if (m_marker != kValidMarker) return false;
    std::string text;
    SystemInfo::appendErrorText(code, text);
    StringBuffer message;
    if (!message.appendN(text.data(), static_cast<uint32_t>(text.size()))) return false;
    message.trim();
    return append(message);
}

}  // namespace quorvel
