#pragma once
#include <cstdint>
#include <memory>

#include "foundation/base/QuorvelObject.h"
#include "foundation/text/StringBuffer.h"
#include "http/BufferedStreamReader.h"
#include "platform/NetStream.h"

namespace quorvel {

// One connection of the pool: the host, port and TLS-or-not it is for, its byte stream (none
// until it is opened) with the read-ahead buffer over it, and the marks of the retry rule.
class HttpConnection : public QuorvelObject {
public:
    HttpConnection(const char *host, int32_t port, bool tls);
    ~HttpConnection() override;
    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    const StringBuffer &host() const { return m_host; }
    int32_t port() const { return m_port; }
    bool tls() const { return m_tls; }

    // An open stream whose peer has not closed it (checked without waiting).
    bool isConnected() const;
    bool hasStream() const { return m_stream != nullptr; }
    void attachStream(std::unique_ptr<ByteStream> stream);
    void close();
    ByteStream *stream() { return m_stream.get(); }
    BufferedStreamReader &reader() { return m_reader; }

    // The last send failed.
    bool failed = false;
    // Reading the last response header failed.
    bool lost = false;
    // Opened during the current exchange.
    bool openedNow = false;

private:
    StringBuffer m_host;
    int32_t m_port;
    bool m_tls;
    std::unique_ptr<ByteStream> m_stream;
    BufferedStreamReader m_reader;
};

}  // namespace quorvel
