#pragma once
#include <cstdint>

#include "foundation/text/StringBuffer.h"
#include "http/MimeHeader.h"

namespace quorvel {

// The request settings of an HTTP client, with the defaults a download relies on.
class HttpControl {
public:
    static constexpr const char *kDefaultAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
    static constexpr const char *kDefaultUserAgent =
        "Mozilla/5.0 (Windows NT 6.3; WOW64; rv:28.0) Gecko/20100101 Firefox/28.0";
    static constexpr const char *kDefaultAcceptLanguage = "en-us,en;q=0.5";
    static constexpr uint32_t kDefaultMaxUrlLen = 2000;
    static constexpr uint32_t kDefaultConnectTimeoutMs = 10000;
    static constexpr uint32_t kDefaultReadTimeoutMs = 20000;
    // A response header beyond this size is refused: no server needs more.
    static constexpr uint32_t kMaxResponseHeaderSize = 1u << 20;

    HttpControl() { setDefaults(); }
    HttpControl(const HttpControl &) = delete;
    HttpControl &operator=(const HttpControl &) = delete;

    // The request fields Accept, Connection, User-Agent and Accept-Language in that order, and
    // every setting at its default.
    void setDefaults();

    MimeHeader requestHeader;
    bool allowGzip = true;
    bool autoAddHostHeader = true;
    bool followRedirects = true;
    uint32_t maxUrlLen = kDefaultMaxUrlLen;
    // 0: no limit. Applies to the body as it is received and to its decoded form.
    uint64_t maxResponseSize = 0;
    uint32_t connectTimeoutMs = kDefaultConnectTimeoutMs;
    uint32_t readTimeoutMs = kDefaultReadTimeoutMs;
    bool fetchFromCache = true;
    bool updateCache = true;
    // Credentials copied from a URL, for the authentication of a 401 answer.
    StringBuffer login;
    StringBuffer password;
};

}  // namespace quorvel
