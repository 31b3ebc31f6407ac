#include "http/UrlJoin.h"

#include "foundation/text/StringBuffer.h"
#include "http/UrlObject.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

using http_text::startsWithNoCase;

namespace {

// A letter, or after the first character also a digit, '+', '-' or '.'.
bool isSchemeChar(char c, bool first) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return !first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.');
}

// The dot segments of the text after the authority (afterAuthority), or of a text that has
// none: a "/../" whose segment before it would be the authority climbs into it.
void normalizePath(StringBuffer &path, bool afterAuthority) {
    while (path.replaceAll("/./", "/") != 0) {
    }
    for (int round = 0;; ++round) {
        const int32_t at = path.indexOf("/../");
        if (at < 0 || (at == 0 && !afterAuthority)) return;
        // The segment before "/../" starts at the previous '/'.
        int32_t segment = at - 1;
        while (segment >= 0 && path.charAt(static_cast<uint32_t>(segment)) != '/') --segment;
        const bool climbsIntoAuthority = (segment < 0 && afterAuthority) ||
                                         (segment > 0 && path.charAt(static_cast<uint32_t>(segment - 1)) == '/');
        if (segment < 0 && !climbsIntoAuthority && round < 100) {
            // A relative path: "x/../" at its start goes away whole.
            path.removeChunk(0, static_cast<uint32_t>(at + 4));
            continue;
        }
        if (climbsIntoAuthority || round >= 100) {
            while (path.replaceAll("/../", "/") != 0) {
            }
            return;
        }
        // "/a/b/../c" keeps "/a" and continues with "/c".
        path.removeChunk(static_cast<uint32_t>(segment), static_cast<uint32_t>(at + 3 - segment));
    }
}

}  // namespace

uint32_t schemeAndAuthorityLength(const char *url) {
    if (!url) return 0;
    uint32_t n = 0;
    while (isSchemeChar(url[n], n == 0)) ++n;
    if (n > 0 && url[n] == ':') ++n;
    else n = 0;
    if (url[n] != '/' || url[n + 1] != '/') return 0;
    n += 2;
    while (url[n] && url[n] != '/' && url[n] != '?' && url[n] != '#') ++n;
    return n;
}

void normalizeDotSegments(StringBuffer &url) {
    // The scheme and authority stay as they are: a host of dots is no segment.
    const uint32_t prefix = schemeAndAuthorityLength(url.getString());
    if (prefix == 0) return normalizePath(url, false);
    StringBuffer path(url.getString() + prefix);
    normalizePath(path, true);
    url.removeChunk(prefix, url.getSize() - prefix);
    url.append(path);
}

bool joinRelativeUrl(const char *base, const char *reference, StringBuffer &out) {
    out.clear();
    if (!base || !*base) return out.append(reference);
    if (!reference || !*reference) return out.append(base);
    if (startsWithNoCase(reference, "http:") || startsWithNoCase(reference, "https:")) return out.append(reference);

    UrlObject baseUrl;
    baseUrl.crackUrl(base);
    StringBuffer path;
    if (reference[0] == '/') {
        path.append(reference);
    } else {
        path.append(baseUrl.path());
        path.chopAtLastChar('/');
        path.appendChar('/');
        while (*reference == '/') ++reference;
        path.append(reference);
    }

    const bool https = startsWithNoCase(base, "https:");
    out.append(https ? "https://" : "http://");
    baseUrl.appendHostForAuthority(out);
    if (baseUrl.port() != (https ? 443 : 80)) {
        out.appendChar(':');
        out.appendInt32(baseUrl.port());
    }
    if (!out.append(path)) return false;
    normalizeDotSegments(out);
    return true;
}

}  // namespace quorvel
