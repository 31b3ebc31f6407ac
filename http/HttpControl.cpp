#include "http/HttpControl.h"

namespace quorvel {

void HttpControl::setDefaults() {
    requestHeader.clear();
    requestHeader.setField("Accept", kDefaultAccept);
    requestHeader.setField("Connection", "keep-alive");
    requestHeader.setField("User-Agent", kDefaultUserAgent);
    requestHeader.setField("Accept-Language", kDefaultAcceptLanguage);
    allowGzip = true;
    autoAddHostHeader = true;
    followRedirects = true;
    maxUrlLen = kDefaultMaxUrlLen;
    maxResponseSize = 0;
    connectTimeoutMs = kDefaultConnectTimeoutMs;
    readTimeoutMs = kDefaultReadTimeoutMs;
    fetchFromCache = true;
    updateCache = true;
    login.secureClear();
    password.secureClear();
}

}  // namespace quorvel
