#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

class LogBase;

// A URL cracked into its parts: scheme flag, host, port, credentials, path, query, fragment.
// The host is kept in lower case and without the brackets of an IPv6 literal; the path always
// begins with '/' once a URL has been loaded.
class UrlObject {
public:
    UrlObject() { clear(); }

    void clear();

    // Loads the URL text (log context "urlObject_loadUrl"): trims it, writes spaces as "%20"
    // (with encodeSpaces), cracks it and removes the "login:password@" that follows the scheme
    // from the stored text (with stripCredentials; the host follows the last at-sign before the
    // path). False, with the reason logged, for a null text or a URL without a host.
    bool urlObject_loadUrl(const char *url, LogBase &log);

    // Fills host, port, ssl-independent parts (login, password, path, query, fragment, ipv6)
    // from the text; the stored url text is left alone. False only for a null text.
    bool crackUrl(const char *text);

    // The host as an authority writes it: an IPv6 literal in brackets.
    bool appendHostForAuthority(StringBuffer &out) const;

    const StringBuffer &url() const { return m_url; }
    const StringBuffer &host() const { return m_host; }
    int32_t port() const { return m_port; }
    bool ssl() const { return m_ssl; }
    bool ipv6() const { return m_ipv6; }
    const StringBuffer &login() const { return m_login; }
    const StringBuffer &password() const { return m_password; }
    const StringBuffer &path() const { return m_path; }
    const StringBuffer &query() const { return m_query; }
    const StringBuffer &fragment() const { return m_fragment; }

    bool encodeSpaces() const { return m_encodeSpaces; }
    void setEncodeSpaces(bool on) { m_encodeSpaces = on; }
    bool stripCredentials() const { return m_stripCredentials; }
    void setStripCredentials(bool on) { m_stripCredentials = on; }

private:
    void clearParts();
    // crackUrl, telling where the user information and its at-sign lie in the text (an empty
    // range when there is none).
    bool crack(const char *text, size_t &userInfoBegin, size_t &userInfoEnd);

    StringBuffer m_url;
    StringBuffer m_host;
    int32_t m_port = 80;
    bool m_ssl = false;
    bool m_ipv6 = false;
    StringBuffer m_login;
    StringBuffer m_password;
    StringBuffer m_path;
    StringBuffer m_query;
    StringBuffer m_fragment;
    bool m_encodeSpaces = true;
    bool m_stripCredentials = true;
};

}  // namespace quorvel
