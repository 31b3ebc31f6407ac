#include "http/UrlJoin.h"

#include "foundation/text/StringBuffer.h"
#include "http/UrlObject.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

using http_text::startsWithNoCase;

void normalizeDotSegments(StringBuffer &url) {
    while (url.replaceAll("/./", "/") != 0) {
    }
    for (int round = 0;; ++round) {
        const int32_t at = url.indexOf("/../");
        if (at <= 0) return;
        // The segment before "/../" starts at the previous '/'.
        int32_t segment = at - 1;
        while (segment >= 0 && url.charAt(static_cast<uint32_t>(segment)) != '/') --segment;
        const bool climbsIntoAuthority = segment > 0 && url.charAt(static_cast<uint32_t>(segment - 1)) == '/';
        if (segment < 0 && round < 100) {
            // A relative path: "x/../" at its start goes away whole.
            url.removeChunk(0, static_cast<uint32_t>(at + 4));
            continue;
        }
        if (climbsIntoAuthority || round >= 100) {
            while (url.replaceAll("/../", "/") != 0) {
            }
            return;
        }
        // "/a/b/../c" keeps "/a" and continues with "/c".
        url.removeChunk(static_cast<uint32_t>(segment), static_cast<uint32_t>(at + 3 - segment));
    }
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
