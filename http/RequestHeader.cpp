#include "http/RequestHeader.h"

#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"
#include "http/HttpControl.h"
#include "http/UrlObject.h"

namespace quorvel {

namespace {

// CR, LF and the other control bytes would let a URL write header lines of its own.
bool hasControlBytes(const StringBuffer &text) {
    for (uint32_t i = 0; i < text.getSize(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text.charAt(i));
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

}  // namespace

bool buildRequestHeader(const char *verb, const UrlObject &url, const HttpControl &control, StringBuffer &out,
                        LogBase &log) {
    out.clear();
    if (hasControlBytes(url.path()) || hasControlBytes(url.query()) || hasControlBytes(url.host())) {
        log.logError("The URL holds control characters.");
        return false;
    }
    StringBuffer startLine(verb);
    StringBuffer path(url.path());
    path.replaceAll(" ", "%20");
    startLine.appendChar(' ');
    startLine.append(path);
    if (!url.query().isEmpty()) {
        startLine.appendChar(path.containsChar('?') ? '&' : '?');
        startLine.append(url.query());
    }
    if (!startLine.append(" HTTP/1.1")) return false;
    log.logDataSb("startLine", startLine);

    bool ok = out.append(startLine) && out.append("\r\n") && control.requestHeader.appendAsLines(out);
    if (ok && !control.requestHeader.hasField("Accept-Encoding"))
        ok = out.append(control.allowGzip ? "Accept-Encoding: gzip\r\n" : "Accept-Encoding: \r\n");
    if (ok && control.autoAddHostHeader) {
        StringBuffer host;
        url.appendHostForAuthority(host);
        ok = out.append("Host: ") && out.append(host);
        if (ok && url.port() != 80 && url.port() != 443) ok = out.appendChar(':') && out.appendInt32(url.port());
        ok = ok && out.append("\r\n");
    }
    return ok && out.append("\r\n");
}

}  // namespace quorvel
