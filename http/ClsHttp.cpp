// ClsHttp: creation and settings.
#include "http/ClsHttp.h"

#include <new>

#include "foundation/base/CritSecExitor.h"
#include "http/HttpStreamFactory.h"

namespace quorvel {

ClsHttp::ClsHttp() = default;

ClsHttp::~ClsHttp() {
    CritSecExitor lock(this);
    m_connection = nullptr;
    m_pool.removeAll();
}

std::unique_ptr<ClsHttp> ClsHttp::createNew() { return std::unique_ptr<ClsHttp>(new (std::nothrow) ClsHttp); }

void ClsHttp::setBrowserDefaults(bool on) {
    CritSecExitor lock(this);
    if (on) m_control.requestHeader.setField("User-Agent", HttpControl::kDefaultUserAgent);
}

void ClsHttp::setFetchFromCache(bool on) {
    CritSecExitor lock(this);
    m_control.fetchFromCache = on;
}

void ClsHttp::setUpdateCache(bool on) {
    CritSecExitor lock(this);
    m_control.updateCache = on;
}

int ClsHttp::connectTimeoutSeconds() {
    CritSecExitor lock(this);
    return static_cast<int>(m_control.connectTimeoutMs / 1000);
}

int ClsHttp::readTimeoutSeconds() {
    CritSecExitor lock(this);
    return static_cast<int>(m_control.readTimeoutMs / 1000);
}

void ClsHttp::setConnectTimeoutMs(uint32_t ms) {
    CritSecExitor lock(this);
    m_control.connectTimeoutMs = ms;
}

void ClsHttp::setReadTimeoutMs(uint32_t ms) {
    CritSecExitor lock(this);
    m_control.readTimeoutMs = ms;
}

void ClsHttp::setMaxResponseSize(uint64_t maxBytes) {
    CritSecExitor lock(this);
    m_control.maxResponseSize = maxBytes;
}

void ClsHttp::setMaxUrlLen(uint32_t maxLen) {
    CritSecExitor lock(this);
    m_control.maxUrlLen = maxLen;
}

void ClsHttp::setFollowRedirects(bool on) {
    CritSecExitor lock(this);
    m_control.followRedirects = on;
}

void ClsHttp::setAllowGzip(bool on) {
    CritSecExitor lock(this);
    m_control.allowGzip = on;
}

void ClsHttp::setStreamFactory(HttpStreamFactory *factory) {
    CritSecExitor lock(this);
    m_factory = factory;
}

void ClsHttp::copyUrlCredentials() {
    if (m_url.login().isEmpty() && m_url.password().isEmpty()) return;
    m_control.login.setString(m_url.login());
    m_control.password.setString(m_url.password());
}

}  // namespace quorvel
