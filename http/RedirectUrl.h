#pragma once

namespace quorvel {

class HttpResult;
class LogBase;
class StringBuffer;

// The URL a redirect response leads to (log context "getRedirectUrl"), from its Location
// field: an absolute URL as it is, an absolute path on the current URL's scheme and authority,
// a network-path reference ("//host/path") on the current scheme, anything else joined to the
// current URL. Spaces are written as "%20". False, with the reason logged, for a missing or
// empty Location, a page-not-found target, or an empty result.
bool getRedirectUrl(const HttpResult &result, const char *currentUrl, StringBuffer &newUrl, LogBase &log);

}  // namespace quorvel
