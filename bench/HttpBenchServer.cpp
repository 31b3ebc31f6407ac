#include "bench/HttpBenchServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "bench/XmlBenchDocuments.h"

namespace quorvel::bench {

namespace {

constexpr size_t kMaxRequestHeader = 65536;
constexpr size_t kWriteSlice = 8u << 20;
constexpr int kSocketTimeoutSeconds = 20;
constexpr int kPollMs = 200;

bool gzipText(const std::string &text, std::string &out) {
    z_stream zs{};
    // 15 + 16: a gzip wrapper around the deflate stream.
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&zs, text.size()));
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return rc == Z_STREAM_END;
}

bool sendAll(int fd, const char *p, size_t n, const std::atomic<bool> &stopped) {
    while (n > 0) {
        if (stopped) return false;
        const ssize_t sent = ::send(fd, p, n < kWriteSlice ? n : kWriteSlice, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        p += sent;
        n -= static_cast<size_t>(sent);
    }
    return true;
}

// The request target of "GET /path HTTP/1.1", empty when the line is not such a request.
std::string requestPath(const std::string &header) {
    if (header.compare(0, 4, "GET ") != 0) return "";
    const size_t end = header.find(' ', 4);
    return end == std::string::npos ? "" : header.substr(4, end - 4);
}

}  // namespace

bool makeHttpBenchBodies(size_t bytes, size_t chunkBytes, HttpBenchBodies &out) {
    static const char kClose[] = "</records>\n";
    std::string text = makeRecordsDocument(bytes);
    // Cut after the last whole record that leaves room for the closing tag, then pad with
    // line ends (white space after the root is well-formed) to the exact size.
    const size_t room = bytes - (sizeof kClose - 1);
    const size_t cut = text.rfind("</record>\n", room - std::strlen("</record>\n"));
    if (bytes < 1024 || chunkBytes == 0 || cut == std::string::npos) return false;
    text.resize(cut + std::strlen("</record>\n"));
    text += kClose;
    text.resize(bytes, '\n');

    out.chunked.clear();
    out.chunked.reserve(bytes + bytes / chunkBytes * 16 + 16);
    char sizeLine[32];
    for (size_t at = 0; at < text.size(); at += chunkBytes) {
        const size_t n = text.size() - at < chunkBytes ? text.size() - at : chunkBytes;
        std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", n);
        out.chunked += sizeLine;
        out.chunked.append(text, at, n);
        out.chunked += "\r\n";
    }
    out.chunked += "0\r\n\r\n";
    if (!gzipText(text, out.gzip)) return false;
    out.text = std::move(text);
    return true;
}

HttpBenchServer::HttpBenchServer(const HttpBenchBodies &bodies, std::chrono::seconds lifetime)
    : m_bodies(bodies), m_deadline(std::chrono::steady_clock::now() + lifetime) {}

HttpBenchServer::~HttpBenchServer() { stop(); }

bool HttpBenchServer::start() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(m_listener, 8) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        std::fprintf(stderr, "http_bench: no loopback socket: %s\n", std::strerror(errno));
        if (m_listener >= 0) ::close(m_listener);
        m_listener = -1;
        return false;
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

void HttpBenchServer::stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_listener >= 0) ::close(m_listener);
    m_listener = -1;
}

std::string HttpBenchServer::url(const char *path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void HttpBenchServer::serve() {
    while (!m_stop && std::chrono::steady_clock::now() < m_deadline) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const timeval timeout{kSocketTimeoutSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        answer(fd);
        ::close(fd);
    }
    if (!m_stop) std::fprintf(stderr, "http_bench: the server's time limit has passed, it stopped\n");
}

void HttpBenchServer::answer(int fd) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
        if (got <= 0 || request.size() + static_cast<size_t>(got) > kMaxRequestHeader) return;
        request.append(buf, static_cast<size_t>(got));
    }
    const std::string path = requestPath(request);
    const std::string *body = nullptr;
    std::string fields = "Content-Type: application/xml\r\n";
    if (path == "/length") {
        body = &m_bodies.text;
    } else if (path == "/chunked") {
        body = &m_bodies.chunked;
        fields += "Transfer-Encoding: chunked\r\n";
    } else if (path == "/gzip") {
        body = &m_bodies.gzip;
        fields += "Content-Encoding: gzip\r\n";
    }
    std::string header;
    if (!body) {
        header = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
        header = "HTTP/1.1 200 OK\r\n" + fields;
        if (body != &m_bodies.chunked) header += "Content-Length: " + std::to_string(body->size()) + "\r\n";
        header += "Connection: close\r\n\r\n";
    }
    if (!sendAll(fd, header.data(), header.size(), m_stop)) return;
    if (body && !sendAll(fd, body->data(), body->size(), m_stop)) return;
    // Wait (bounded by the receive timeout) for the client to close, so that closing here
    // never turns into a reset that could cut the tail of the body in flight.
    ::shutdown(fd, SHUT_WR);
    while (!m_stop && std::chrono::steady_clock::now() < m_deadline && ::recv(fd, buf, sizeof buf, 0) > 0) {
    }
}

}  // namespace quorvel::bench
