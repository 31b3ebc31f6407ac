#pragma once
// A one-connection server on 127.0.0.1 or ::1 for the network stream tests (POSIX sockets).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace quorvel::test {

// Socket options that bound every blocking call of the test servers, so none can hang.
inline void limitSocketWaits(int fd, int ms) {
    timeval tv = {ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Binds a TCP socket to the loopback address of the family on a port the system picks;
// listening or not. -1 when the family is not available.
inline int bindLoopback(int family, bool listening, uint16_t &port) {
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_storage address{};
    socklen_t length;
    if (family == AF_INET6) {
        auto *a6 = reinterpret_cast<sockaddr_in6 *>(&address);
        a6->sin6_family = AF_INET6;
        a6->sin6_addr = in6addr_loopback;
        length = sizeof *a6;
    } else {
        auto *a4 = reinterpret_cast<sockaddr_in *>(&address);
        a4->sin_family = AF_INET;
        a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *a4;
    }
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || (listening && ::listen(fd, 4) != 0) ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6 *>(&address)->sin6_port
                                    : reinterpret_cast<sockaddr_in *>(&address)->sin_port);
    return fd;
}

// Accepts one connection within five seconds, hands it to the handler on the server thread,
// then closes it; the destructor waits for the thread.
class LoopbackServer {
public:
    using Handler = std::function<void(int fd)>;

    LoopbackServer(int family, Handler handler) {
        m_listener = bindLoopback(family, true, m_port);
        if (m_listener < 0) return;
        m_thread = std::thread([this, handler = std::move(handler)] {
            pollfd p = {m_listener, POLLIN, 0};
            if (::poll(&p, 1, 5000) == 1) {
                const int fd = ::accept(m_listener, nullptr, nullptr);
                if (fd >= 0) {
                    limitSocketWaits(fd, 5000);
                    int one = 1;  // echoed pieces go out at once, not after a delayed ack
                    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    handler(fd);
                    ::close(fd);
                }
            }
            ::close(m_listener);
        });
    }
    ~LoopbackServer() {
        if (m_thread.joinable()) m_thread.join();
    }

    bool ok() const { return m_listener >= 0; }
    uint16_t port() const { return m_port; }

private:
    int m_listener = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
};

// Reads until the peer closes or the socket's wait limit passes.
inline void drainUntilClosed(int fd) {
    char buf[4096];
    while (::recv(fd, buf, sizeof buf, 0) > 0) {
    }
}

// Closes with a reset instead of an orderly end.
inline void resetConnection(int fd) {
    linger hard = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

}  // namespace quorvel::test
