#include "http/UrlObject.h"

#include <cstring>
#include <initializer_list>

#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

using http_text::startsWithNoCase;

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

size_t findChar(const char *text, size_t from, size_t end, char c) {
    for (size_t i = from; i < end; ++i)
        if (text[i] == c) return i;
    return kNone;
}

size_t findLastChar(const char *text, size_t from, size_t end, char c) {
    for (size_t i = end; i > from; --i)
        if (text[i - 1] == c) return i - 1;
    return kNone;
}

size_t earliest(size_t a, size_t b) { return a < b ? a : b; }

// The decimal port after a colon, when one can be read (at most nine digits, so that it stays
// a signed 32-bit value; a port beyond 65535 is refused when the connection is opened).
bool readPort(const char *text, size_t from, size_t end, int32_t &port) {
    int32_t value = 0;
    size_t digits = 0;
    for (size_t i = from; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (++digits > 9) return false;
        value = value * 10 + (text[i] - '0');
    }
    if (digits == 0) return false;
    port = value;
    return true;
}

// Host clean-up: lower case (ASCII only: the bytes of a UTF-8 name stay intact), trimmed, and
// cut at the first byte that cannot belong to a host name.
void cleanHost(StringBuffer &host, bool ipv6) {
    if (ipv6) {
        host.removeCharOccurrences('[');
        host.removeCharOccurrences(']');
    }
    StringBuffer lowered;
    for (uint32_t i = 0; i < host.getSize(); ++i) lowered.appendChar(http_text::asciiLower(host.charAt(i)));
    host.takeString(lowered);
    host.trim();
    if (!ipv6) host.chopAtFirstChar(':');
    for (char c : {'%', '&', '?', '=', ' '}) host.chopAtFirstChar(c);
    host.trim();
}

}  // namespace

void UrlObject::clearParts() {
    m_host.clear();
    m_port = 80;
    m_ipv6 = false;
    m_login.clear();
    m_password.clear();
    m_path.clear();
    m_query.clear();
    m_fragment.clear();
}

void UrlObject::clear() {
    clearParts();
    m_url.clear();
    m_ssl = false;
}

bool UrlObject::crackUrl(const char *text) {
    size_t userInfoBegin = 0, userInfoEnd = 0;
    return crack(text, userInfoBegin, userInfoEnd);
}

bool UrlObject::crack(const char *text, size_t &userInfoBegin, size_t &userInfoEnd) {
    clearParts();
    userInfoBegin = userInfoEnd = 0;
    if (!text) return false;
    const size_t n = std::strlen(text);
    size_t start = 0;
    if (startsWithNoCase(text, "http://")) {
        start = 7;
    } else if (startsWithNoCase(text, "https://")) {
        start = 8;
        m_port = 443;
    } else if (startsWithNoCase(text, "file:///")) {
        start = 8;
    } else if (startsWithNoCase(text, "ftp://")) {
        start = 6;
    }

    // User information counts only before the path and the query, and only when a path follows;
    // the last at-sign before them ends it, so the host is what follows every at-sign.
    const size_t infoLimit = earliest(earliest(findChar(text, start, n, '/'), findChar(text, start, n, '?')), n);
    const size_t at = findLastChar(text, start, infoLimit, '@');
    if (at != kNone && findChar(text, at + 1, n, '/') != kNone) {
        const size_t colon = findChar(text, start, at, ':');
        if (colon != kNone) {
            m_login.appendN(text + start, static_cast<uint32_t>(colon - start));
            m_password.appendN(text + colon + 1, static_cast<uint32_t>(at - colon - 1));
        }
        userInfoBegin = start;
        userInfoEnd = at + 1;
        start = at + 1;
    }

    // The authority ends at the first '/', '?' or '#'.
    const size_t authorityEnd =
        earliest(earliest(findChar(text, start, n, '/'), findChar(text, start, n, '?')),
                 earliest(findChar(text, start, n, '#'), n));
    m_ipv6 = text[start] == '[';
    size_t portColon = kNone;
    if (m_ipv6) {
        const size_t close = findChar(text, start, authorityEnd, ']');
        if (close != kNone) portColon = findChar(text, close, authorityEnd, ':');
    } else {
        portColon = findChar(text, start, authorityEnd, ':');
    }
    const size_t hostEnd = portColon != kNone ? portColon : authorityEnd;
    m_host.appendN(text + start, static_cast<uint32_t>(hostEnd - start));
    if (portColon != kNone) readPort(text, portColon + 1, authorityEnd, m_port);

    // Path, query and fragment; a URL without a '/' after the host has the path "/".
    StringBuffer rest;
    if (authorityEnd == n || text[authorityEnd] != '/') rest.appendChar('/');
    rest.append(text + authorityEnd);
    const char *r = rest.getString();
    const size_t rn = rest.getSize();
    const size_t question = findChar(r, 0, rn, '?');
    if (question == kNone) {
        const size_t hash = findLastChar(r, 0, rn, '#');
        m_path.appendN(r, static_cast<uint32_t>(hash == kNone ? rn : hash));
        if (hash != kNone) m_fragment.append(r + hash + 1);
    } else {
        m_path.appendN(r, static_cast<uint32_t>(question));
        const size_t hash = findLastChar(r, question + 1, rn, '#');
        const size_t queryEnd = hash == kNone ? rn : hash;
        m_query.appendN(r + question + 1, static_cast<uint32_t>(queryEnd - question - 1));
        if (hash != kNone) m_fragment.append(r + hash + 1);
    }

    cleanHost(m_host, m_ipv6);
    m_path.trim();
    return true;
}

bool UrlObject::urlObject_loadUrl(const char *url, LogBase &log) {
    LogContextExitor context(log, "urlObject_loadUrl");
    clear();
    if (!url) {
        log.logError("Unable to parse URL");
        log.logData("url", "");
        return false;
    }
    m_url.append(url);
    m_url.trim();
    if (m_encodeSpaces) m_url.replaceAll(" ", "%20");

    size_t userInfoBegin = 0, userInfoEnd = 0;
    crack(m_url.getString(), userInfoBegin, userInfoEnd);
    // Exactly the user information after the scheme goes, wherever the same text appears again
    // (without a scheme, what follows could read as one).
    if (m_stripCredentials && !m_login.isEmpty() && !m_password.isEmpty() && userInfoBegin > 0)
        m_url.removeChunk(static_cast<uint32_t>(userInfoBegin), static_cast<uint32_t>(userInfoEnd - userInfoBegin));
    if (m_port == 0) m_port = 80;
    m_ssl = startsWithNoCase(m_url.getString(), "https");

    if (m_host.isEmpty()) {
        log.logError("No domain in URL");
        log.logDataSb("url", m_url);
        return false;
    }
    if (m_path.isEmpty()) m_path.append("/");
    return true;
}

bool UrlObject::appendHostForAuthority(StringBuffer &out) const {
    if (!m_ipv6) return out.append(m_host);
    return out.appendChar('[') && out.append(m_host) && out.appendChar(']');
}

}  // namespace quorvel
