#include "http/HttpConnPool.h"

#include <new>

#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/HttpConnection.h"

namespace quorvel {

HttpConnPool::HttpConnPool() : m_connections(true) {}

HttpConnPool::~HttpConnPool() { removeAll(); }

void HttpConnPool::removeAll() { m_connections.removeAll(); }

HttpConnection *HttpConnPool::connectionAt(int32_t index) const {
    return static_cast<HttpConnection *>(m_connections.elementAt(index));
}

HttpConnection *HttpConnPool::findAddHttpConn(const char *host, int32_t port, bool tls, LogBase &log) {
    LogContextExitor context(log, "findAddHttpConn");
    for (int32_t i = 0; i < m_connections.getSize();) {
        HttpConnection *c = connectionAt(i);
        if (!c) {
            m_connections.removeAt(i);
            continue;
        }
        if (c->host().equalsIgnoreCase(host) && c->port() == port && c->tls() == tls) {
            m_connections.removeAt(i);
            m_connections.append(c);  // cannot fail: the slot was just freed
            if (log.verbose()) log.logInfo("Found existing connection.");
            return c;
        }
        ++i;
    }
    if (m_connections.getSize() >= kMaxConnections) {
        log.logInfo("At max connections, removing oldest.");
        delete m_connections.removeAt(0);
    }
    HttpConnection *created = new (std::nothrow) HttpConnection(host, port, tls);
    if (!created || !m_connections.append(created)) {
        delete created;
        log.logError("Out of memory for a new connection.");
        return nullptr;
    }
    log.logInfo("Will need to open a new connection.");
    return created;
}

void HttpConnPool::removeNonConnected(LogBase &log) {
    LogContextExitor context(log, "removeNonConnected");
    for (int32_t i = 0; i < m_connections.getSize();) {
        HttpConnection *c = connectionAt(i);
        if (c && c->isConnected()) {
            ++i;
            continue;
        }
        delete m_connections.removeAt(i);
    }
}

}  // namespace quorvel
