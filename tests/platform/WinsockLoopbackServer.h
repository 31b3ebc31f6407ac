#pragma once
// A one-connection server on 127.0.0.1 or ::1 for the network stream tests (Winsock).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <functional>
#include <thread>

namespace quorvel::test {

// Winsock for the test servers; the stream under test starts it on its own as well.
inline bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// Bounds every blocking call of the test servers, so none can hang.
inline void limitSocketWaits(SOCKET s, DWORD ms) {
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&ms), sizeof ms);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&ms), sizeof ms);
}

// Binds a TCP socket to the loopback address of the family on a port the system picks, listening
// with the backlog or not at all (backlog < 0). INVALID_SOCKET when the family is not available.
inline SOCKET bindLoopback(int family, int backlog, uint16_t &port) {
    if (!startWinsock()) return INVALID_SOCKET;
    SOCKET s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_storage address{};
    int length;
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
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), length) != 0 || (backlog >= 0 && ::listen(s, backlog) != 0) ||
        getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6 *>(&address)->sin6_port
                                    : reinterpret_cast<sockaddr_in *>(&address)->sin_port);
    return s;
}

// Accepts one connection within five seconds, hands it to the handler on the server thread,
// then closes it; the destructor waits for the thread.
class WinsockLoopbackServer {
public:
    using Handler = std::function<void(SOCKET s)>;

    WinsockLoopbackServer(int family, Handler handler) {
        m_listener = bindLoopback(family, 4, m_port);
        if (m_listener == INVALID_SOCKET) return;
        m_thread = std::thread([this, handler = std::move(handler)] {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(m_listener, &ready);
            timeval tv = {5, 0};
            if (::select(0, &ready, nullptr, nullptr, &tv) == 1) {
                const SOCKET s = ::accept(m_listener, nullptr, nullptr);
                if (s != INVALID_SOCKET) {
                    limitSocketWaits(s, 5000);
                    BOOL one = TRUE;  // echoed pieces go out at once, not after a delayed ack
                    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&one), sizeof one);
                    handler(s);
                    ::closesocket(s);
                }
            }
            ::closesocket(m_listener);
        });
    }
    ~WinsockLoopbackServer() {
        if (m_thread.joinable()) m_thread.join();
    }

    bool ok() const { return m_listener != INVALID_SOCKET; }
    uint16_t port() const { return m_port; }

private:
    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::thread m_thread;
};

// Reads until the peer closes or the socket's wait limit passes.
inline void drainUntilClosed(SOCKET s) {
    char buf[4096];
    while (::recv(s, buf, sizeof buf, 0) > 0) {
    }
}

// Closes with a reset instead of an orderly end.
inline void resetConnection(SOCKET s) {
    linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&hard), sizeof hard);
}

}  // namespace quorvel::test
