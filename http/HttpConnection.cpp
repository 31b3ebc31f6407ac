#include "http/HttpConnection.h"

namespace quorvel {

HttpConnection::HttpConnection(const char *host, int32_t port, bool tls) : m_host(host), m_port(port), m_tls(tls) {}

HttpConnection::~HttpConnection() { close(); }

bool HttpConnection::isConnected() const { return m_stream && m_stream->isConnected(); }

void HttpConnection::attachStream(std::unique_ptr<ByteStream> stream) {
    close();
    m_stream = std::move(stream);
    m_reader.attach(m_stream.get());
}

void HttpConnection::close() {
    m_reader.attach(nullptr);
    if (!m_stream) return;
    m_stream->close();
    m_stream.reset();
}

}  // namespace quorvel
