#pragma once
#include <cstdint>

#include "foundation/base/ExtPtrArray.h"

namespace quorvel {

class HttpConnection;
class LogBase;

// The connections of one client, at most 10, least recently used first. A connection is
// matched on host (ASCII case ignored), port and TLS-or-not, so a TLS URL never reuses a plain
// connection to the same port, nor the other way round.
class HttpConnPool {
public:
    static constexpr int32_t kMaxConnections = 10;

    HttpConnPool();
    ~HttpConnPool();
    HttpConnPool(const HttpConnPool &) = delete;
    HttpConnPool &operator=(const HttpConnPool &) = delete;

    // The pooled connection for the target, moved to the most-recent end, or a new unopened one
    // appended (the oldest removed when the pool is full). Null only when memory is exhausted.
    // Log context "findAddHttpConn".
    HttpConnection *findAddHttpConn(const char *host, int32_t port, bool tls, LogBase &log);
    // Drops every connection that is no longer connected (log context "removeNonConnected").
    void removeNonConnected(LogBase &log);
    // Closes and drops every connection.
    void removeAll();

    int32_t size() const { return m_connections.getSize(); }
    // Oldest first; null outside 0..size-1.
    HttpConnection *connectionAt(int32_t index) const;

private:
    ExtPtrArray m_connections;
};

}  // namespace quorvel
