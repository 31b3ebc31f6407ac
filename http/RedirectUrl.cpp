#include "http/RedirectUrl.h"

#include <cstring>

#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/text/StringBuffer.h"
#include "http/HttpResult.h"
#include "http/UrlJoin.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

namespace {

// The scheme and authority of a URL: the text up to the first '/' after the "//" that follows
// the scheme (or up to a '?' or '#' when no such '/' comes first). A URL without a scheme
// begins with its authority: a "//" in its path or query is no authority's.
void appendSchemeAndAuthority(const char *url, StringBuffer &out) {
    const uint32_t n = schemeAndAuthorityLength(url);
    out.appendN(url, n ? n : static_cast<uint32_t>(std::strcspn(url, "/?#")));
}

// "http:" or "https:" of the current URL, for a Location that names only the authority.
void appendScheme(const char *url, StringBuffer &out) {
    out.append(http_text::startsWithNoCase(url, "https:") ? "https:" : "http:");
}

}  // namespace

bool getRedirectUrl(const HttpResult &result, const char *currentUrl, StringBuffer &newUrl, LogBase &log) {
    LogContextExitor context(log, "getRedirectUrl");
    newUrl.clear();
    if (!currentUrl) currentUrl = "";
    StringBuffer location;
    if (!result.responseHeader().getField("Location", location)) {
        log.logError("No Location response header field for redirect.");
        return false;
    }
    location.trim();
    if (location.isEmpty()) {
        log.logError("Location response header is empty.");
        return false;
    }
    log.logDataSb("Location", location);
    location.replaceAll(" ", "%20");
    if (http_text::findNoCase(location.getString(), location.getSize(), "PageNotFound")) {
        log.logError("Redirect is a page-not-found error.");
        return false;
    }

    {
        LogContextExitor newLocation(log, "newLocation");
        log.logData("url", currentUrl);
        log.logDataSb("location", location);
        const char *loc = location.getString();
        if (http_text::startsWithNoCase(loc, "http:") || http_text::startsWithNoCase(loc, "https:")) {
            newUrl.append(location);
        } else if (loc[0] == '/' && loc[1] == '/') {
            appendScheme(currentUrl, newUrl);
            newUrl.append(location);
        } else if (loc[0] == '/') {
            appendSchemeAndAuthority(currentUrl, newUrl);
            newUrl.append(location);
        } else {
            joinRelativeUrl(currentUrl, loc, newUrl);
        }
    }
    if (newUrl.isEmpty()) {
        log.logError("Failed to construct new URL");
        log.logData("url", currentUrl);
        return false;
    }
    log.logDataSb("newUrlFinal", newUrl);
    return true;
}

}  // namespace quorvel
