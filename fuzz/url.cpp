// URLs: loading and cracking (spaces encoded, credentials stripped or not), the URL a redirect
// leads to, and joining a relative reference to a base. A loaded URL's stored text loads again
// to the same parts; a relative reference or an absolute-path redirect never leaves the host.
#include <cctype>
#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "http/HttpResult.h"
#include "http/RedirectUrl.h"
#include "http/UrlJoin.h"
#include "http/UrlObject.h"

using namespace quorvel;

namespace {

bool sameParts(const UrlObject &a, const UrlObject &b, bool credentials) {
    return a.host().equals(b.host()) && a.port() == b.port() && a.ssl() == b.ssl() && a.ipv6() == b.ipv6() &&
           a.path().equals(b.path()) && a.query().equals(b.query()) && a.fragment().equals(b.fragment()) &&
           (!credentials || (a.login().equals(b.login()) && a.password().equals(b.password())));
}

void show(const char *name, const UrlObject &url) {
    std::fprintf(stderr, "%s: url=[%s] host=[%s] port=%d ssl=%d ipv6=%d login=[%s] password=[%s] path=[%s] query=[%s] "
                         "fragment=[%s]\n",
                 name, url.url().getString(), url.host().getString(), url.port(), url.ssl(), url.ipv6(),
                 url.login().getString(), url.password().getString(), url.path().getString(),
                 url.query().getString(), url.fragment().getString());
}

bool startsWithNoCase(const std::string &text, const char *prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// Loads the text; when it loads, its stored text loads again to the same parts.
bool loadChecked(const std::string &text, bool encodeSpaces, bool strip, UrlObject &url) {
    LogNull log;
    url.setEncodeSpaces(encodeSpaces);
    url.setStripCredentials(strip);
    if (!url.urlObject_loadUrl(text.c_str(), log)) return false;
    UrlObject again;
    again.setEncodeSpaces(encodeSpaces);
    again.setStripCredentials(strip);
    // Stripped credentials are gone from the text; the rest of the URL is all there.
    if (!again.urlObject_loadUrl(url.url().getString(), log) || !sameParts(url, again, !strip)) {
        std::fprintf(stderr, "text: [%s]\n", text.c_str());
        show("first ", url);
        show("second", again);
        fuzz::broken("a loaded URL's own text loads again to the same parts");
    }
    const std::string stored = url.url().getString();
    const bool scheme = startsWithNoCase(stored, "http://") || startsWithNoCase(stored, "https://") ||
                        startsWithNoCase(stored, "ftp://") || startsWithNoCase(stored, "file:///");
    if (strip && scheme && !url.login().isEmpty() && !url.password().isEmpty() &&
        (!again.login().isEmpty() || !again.password().isEmpty())) {
        std::fprintf(stderr, "text: [%s]\n", text.c_str());
        show("first ", url);
        show("second", again);
        fuzz::broken("credentials after the scheme are stripped from the stored text");
    }
    return true;
}

// A host a name lookup could be asked for: letters, digits, '-', '.', '_' and UTF-8 bytes, or
// the hex digits, colons and dots of an IPv6 literal. (Other bytes are taken into the host
// only while they cannot be read otherwise, like an at-sign with no path after it.)
bool plainHost(const UrlObject &url) {
    const StringBuffer &host = url.host();
    if (host.isEmpty()) return false;
    for (uint32_t i = 0; i < host.getSize(); ++i) {
        const unsigned char c = static_cast<unsigned char>(host.charAt(i));
        const bool ok = url.ipv6() ? std::isxdigit(c) || c == ':' || c == '.'
                                   : std::isalnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80;
        if (!ok) return false;
    }
    return true;
}

// An at-sign that no '/' follows is part of the host or port until a path is added to the
// URL, when it becomes the end of user information: such a URL is left out of the host rules.
// So is one with a '#' before an at-sign (user information to the cracking, a fragment to a
// redirect), and "file:///" URLs, cracked with their third slash as the start of the host.
bool leftOut(const std::string &text) {
    const size_t at = text.rfind('@');
    return (at != std::string::npos && (text.find('/', at) == std::string::npos || text.find('#') < at)) ||
           startsWithNoCase(text, "file:");
}

// Where the URL text leads, as a connection sees it.
bool sameServer(const UrlObject &a, const UrlObject &b) {
    return a.host().equals(b.host()) && a.port() == b.port() && a.ssl() == b.ssl();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint8_t mode = input.byte();
    const std::string base = input.part();
    const std::string reference = input.part();
    const bool encodeSpaces = !(mode & 1), strip = !(mode & 2);

    UrlObject baseUrl, referenceUrl;
    const bool baseLoads = loadChecked(base, encodeSpaces, strip, baseUrl);
    loadChecked(reference, encodeSpaces, strip, referenceUrl);
    // Joining: a relative reference keeps the base's host.
    StringBuffer joined;
    joinRelativeUrl(base.c_str(), reference.c_str(), joined);
    UrlObject baseCracked, joinedUrl;
    baseCracked.crackUrl(base.c_str());
    if (plainHost(baseCracked) && !leftOut(base) && !reference.empty() && !startsWithNoCase(reference, "http:") &&
        !startsWithNoCase(reference, "https:")) {
        LogNull log;
        joinedUrl.setEncodeSpaces(false);
        if (!joinedUrl.urlObject_loadUrl(joined.getString(), log) || !joinedUrl.host().equals(baseCracked.host())) {
            std::fprintf(stderr, "base [%s] reference [%s] joined [%s]\n", base.c_str(), reference.c_str(),
                         joined.getString());
            show("base  ", baseCracked);
            show("joined", joinedUrl);
            fuzz::broken("a relative reference keeps the base's host");
        }
    }

    // Redirects: the reference as the Location of a 302 from the base URL.
    if (reference.find_first_of("\r\n") == std::string::npos) {
        const std::string header = "HTTP/1.1 302 Found\r\nLocation: " + reference + "\r\n\r\n";
        HttpResult result;
        LogNull log;
        if (result.setResponseHeader(header.data(), static_cast<uint32_t>(header.size()), log)) {
            StringBuffer newUrl;
            const char *current = baseLoads ? baseUrl.url().getString() : base.c_str();
            if (getRedirectUrl(result, current, newUrl, log)) {
                if (newUrl.isEmpty()) fuzz::broken("a redirect that succeeds gives a URL");
                StringBuffer location;
                result.responseHeader().getField("Location", location);
                location.trim();
                const char *loc = location.getString();
                UrlObject target;
                target.setEncodeSpaces(encodeSpaces);
                if (baseLoads && plainHost(baseUrl) && !leftOut(current) && loc[0] == '/' && loc[1] != '/' &&
                    (!target.urlObject_loadUrl(newUrl.getString(), log) || !sameServer(target, baseUrl))) {
                    std::fprintf(stderr, "current [%s] location [%s] new [%s]\n", current, loc, newUrl.getString());
                    show("current", baseUrl);
                    show("target ", target);
                    fuzz::broken("an absolute-path redirect stays on the current server");
                }
            }
        }
    }

    // Dot segments on the raw text.
    StringBuffer dots;
    dots.append(reference.c_str());
    normalizeDotSegments(dots);
    return 0;
}
