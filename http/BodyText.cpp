#include "http/BodyText.h"

#include <cstring>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/text/StringBuffer.h"
#include "http/HtmlCharset.h"
#include "http/MimeHeader.h"
#include "http/internal/AsciiText.h"
#include "xml/engine/XmlFileLoader.h"

namespace quorvel {

namespace {

constexpr uint32_t kUsAscii = 20127;
constexpr uint32_t kLoggedBytes = 1024;

bool isTextMediaType(const StringBuffer &contentType) {
    return contentType.beginsWithIgnoreCase("text/") || contentType.equalsIgnoreCase("application/xml") ||
           contentType.equalsIgnoreCase("application/json") || contentType.equalsIgnoreCase("application/x-javascript");
}

bool hasByteAbove7f(const DataBuffer &body) {
    const unsigned char *p = body.getData();
    for (uint32_t i = 0; i < body.getSize(); ++i)
        if (p[i] >= 0x80) return true;
    return false;
}

// Converts the bytes from the named charset to UTF-8; a conversion that yields nothing leaves
// them as they are. A name the converter does not know leaves the decision to the XML rules.
void convertFromCharset(const StringBuffer &charset, DataBuffer &bytes, LogBase &log) {
    const uint32_t codePage = CharsetNames::codePageForName(charset.getString());
    if (codePage == 0) {
        log.logInfo("Unknown charset, decoding the body as an XML document.");
        convertToUtf8(bytes, log);
        return;
    }
    if (codePage == CodePage::kUtf8 || codePage == kUsAscii) {
        const unsigned char *p = bytes.getData();
        if (bytes.getSize() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) bytes.removeChunk(0, 3);
        return;
    }
    log.logInfo("Converting to utf-8 charset.");
    log.logDataUint32("fromCodePage", codePage);
    DataBuffer converted;
    EncodingConvert converter;
    converter.convert(codePage, CodePage::kUtf8, bytes.getData(), bytes.getSize(), converted, log);
    if (!converted.isEmpty()) bytes.takeData(converted);
}

}  // namespace

bool convertResponseBodyToUtf8(DataBuffer &body, const MimeHeader &responseHeader, StringBuffer &text,
                               LogBase &log, bool freeOfNul) {
    LogContextExitor context(log, "convertResponseBodyToUtf8");
    text.clear();
    if (body.isEmpty()) return true;
    log.logDataUint32("responseBodySize", body.getSize());
    if (log.verbose()) {
        log.logInfo("Logging up to 1024 bytes of the response in quoted-printable format:");
        log.logDataQpBytes("responseQP", body.getData(), body.getSize() < kLoggedBytes ? body.getSize() : kLoggedBytes);
    }
    StringBuffer contentType;
    responseHeader.getField("Content-Type", contentType);
    log.logDataSb("responseContentType", contentType);
    const bool isText = isTextMediaType(contentType);

    StringBuffer charset;
    if (responseHeader.getFieldParam("Content-Type", "charset", charset)) {
        log.logDataSb("responseHdrCharset", charset);
    } else if (isText && hasByteAbove7f(body) &&
               http_text::findNoCase(contentType.getString(), contentType.getSize(), "text/html") &&
               findHtmlCharset(body.getData(), body.getSize(), charset)) {
        log.logDataSb("htmlCharset", charset);
    }
    if (charset.isEmpty() && body.getSize() > 3 && body.getData()[0] == 0xEF && body.getData()[1] == 0xBB &&
        body.getData()[2] == 0xBF) {
        log.logInfo("Response begins with utf-8 preamble.");
        charset.append("utf-8");
    }

    // The body's own bytes, copied only by a step that changes them (a conversion, a
    // preamble dropped, a NUL replaced): a UTF-8 body goes into the text in one copy.
    DataBuffer bytes;
    bytes.borrow(body.getData(), body.getSize());
    if (!charset.isEmpty()) {
        convertFromCharset(charset, bytes, log);
    } else {
        log.logInfo("No charset specified, decoding the body as an XML document.");
        convertToUtf8(bytes, log);
        if (!isText) log.logInfo("HTTP response body was binary (not text)");
    }
    const auto unchanged = [&] {
        return bytes.isBorrowed() && bytes.getData() == body.getData() && bytes.getSize() == body.getSize();
    };
    if (!bytes.isEmpty() && !(freeOfNul && unchanged()) && std::memchr(bytes.getData(), 0, bytes.getSize())) {
        bytes.replaceByte(0, ' ');
        // Still the body's own block: the copy to edit could not be had.
        if (bytes.isBorrowed()) {
            log.logAllocationFailure("convertResponseBodyToUtf8", bytes.getSize());
            return false;
        }
    }
    if (unchanged()) {
        bytes.clear();
        if (text.takeData(body)) return true;
        log.logAllocationFailure("convertResponseBodyToUtf8", body.getSize());
        return false;
    }
    if (!text.appendN(reinterpret_cast<const char *>(bytes.getData()), bytes.getSize())) {
        log.logAllocationFailure("convertResponseBodyToUtf8", bytes.getSize());
        return false;
    }
    return true;
}

}  // namespace quorvel
