#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace quorvel::bench {

// The three bodies of the download benchmark, prepared once in memory: an XML text of the size
// asked for, the same bytes in chunked framing, and a gzip member that inflates to that text.
struct HttpBenchBodies {
    std::string text;
    std::string chunked;  // size lines, data and CR LF per chunk, then the last chunk
    std::string gzip;
};

// Exactly `bytes` of UTF-8 XML (records of the XML benchmark, trailing blank lines to the size).
// The chunked form uses chunks of chunkBytes; the gzip form zlib's default level.
bool makeHttpBenchBodies(size_t bytes, size_t chunkBytes, HttpBenchBodies &out);

// A loopback HTTP/1.1 server on 127.0.0.1 and a port the system picks: GET /length (the text
// with Content-Length), /chunked (the same bytes chunked) and /gzip (the gzip member with
// Content-Length and Content-Encoding: gzip); anything else gets 404. One request per
// connection, answered with Connection: close from memory in large writes. The server stops
// when stop() is called, when it is destroyed, or by itself once `lifetime` has passed.
class HttpBenchServer {
public:
    HttpBenchServer(const HttpBenchBodies &bodies, std::chrono::seconds lifetime);
    ~HttpBenchServer();
    HttpBenchServer(const HttpBenchServer &) = delete;
    HttpBenchServer &operator=(const HttpBenchServer &) = delete;

    // False (with a message on stderr) when no socket could be bound.
    bool start();
    void stop();
    uint16_t port() const { return m_port; }
    std::string url(const char *path) const;

private:
    void serve();
    void answer(int fd);

    const HttpBenchBodies &m_bodies;
    const std::chrono::steady_clock::time_point m_deadline;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace quorvel::bench
