#pragma once
// One-connection servers on 127.0.0.1 or ::1 for the network stream tests (POSIX sockets or
// Winsock), and the reading helpers those tests share.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/NetStream.h"

namespace quorvel::test {

#ifdef _WIN32
using Socket = SOCKET;
inline void closeSocket(Socket s) { ::closesocket(s); }
inline bool startSockets() {  // the stream under test starts Winsock on its own as well
    static WSADATA data;
    static const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    return started;
}
constexpr int kNoSigpipe = 0;
inline bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
using Socket = int;
inline void closeSocket(Socket s) { ::close(s); }
inline bool startSockets() { return true; }
constexpr int kNoSigpipe = MSG_NOSIGNAL;
inline bool underWine() { return false; }
#endif
const Socket kNoSocket = static_cast<Socket>(-1);

#ifndef _WIN32
// Counts the SIGPIPE signals raised while it lives, instead of letting one end the program.
struct SigpipeCounter {
    static inline std::atomic<int> raised{0};
    struct sigaction previous = {};
    SigpipeCounter() {
        struct sigaction counting = {};
        counting.sa_handler = [](int) { ++raised; };
        sigaction(SIGPIPE, &counting, &previous);
    }
    ~SigpipeCounter() { sigaction(SIGPIPE, &previous, nullptr); }
};
#endif

template <class T>
void setOption(Socket s, int level, int name, const T &value) {
    setsockopt(s, level, name, reinterpret_cast<const char *>(&value), sizeof value);
}

inline void sendText(Socket s, const std::string &b) { ::send(s, b.data(), static_cast<int>(b.size()), kNoSigpipe); }

// Binds a TCP socket to the loopback address of the family on a port the system picks, listening
// with the backlog or not at all (backlog < 0). kNoSocket when the family is not available.
inline Socket bindLoopback(int family, int backlog, uint16_t &port) {
    if (!startSockets()) return kNoSocket;
    const Socket s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoSocket) return s;
    sockaddr_in6 a6{};
    sockaddr_in a4{};
    a6.sin6_family = AF_INET6, a6.sin6_addr = in6addr_loopback;
    a4.sin_family = AF_INET, a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool v6 = family == AF_INET6;
    sockaddr *address = v6 ? reinterpret_cast<sockaddr *>(&a6) : reinterpret_cast<sockaddr *>(&a4);
    socklen_t length = v6 ? sizeof a6 : sizeof a4;
    if (::bind(s, address, length) != 0 || (backlog >= 0 && ::listen(s, backlog) != 0) ||
        getsockname(s, address, &length) != 0) {
        closeSocket(s);
        return kNoSocket;
    }
    port = ntohs(v6 ? a6.sin6_port : a4.sin_port);
    return s;
}

// Accepts one connection within five seconds, hands it to the handler on the server thread,
// then closes it; the destructor waits for the thread.
class LoopbackServer {
public:
    LoopbackServer(int family, std::function<void(Socket)> handler) {
        m_listener = bindLoopback(family, 4, m_port);
        if (m_listener == kNoSocket) return;
        m_thread = std::thread([this, handler = std::move(handler)] {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(m_listener, &ready);
            timeval tv = {5, 0};
            const bool comes = ::select(static_cast<int>(m_listener) + 1, &ready, nullptr, nullptr, &tv) == 1;
            const Socket s = comes ? ::accept(m_listener, nullptr, nullptr) : kNoSocket;
            if (s != kNoSocket) {
#ifdef _WIN32
                const DWORD limit = 5000;  // bounds every blocking call of the server, so none can hang
#else
                const timeval limit = {5, 0};
#endif
                setOption(s, SOL_SOCKET, SO_RCVTIMEO, limit);
                setOption(s, SOL_SOCKET, SO_SNDTIMEO, limit);
                setOption(s, IPPROTO_TCP, TCP_NODELAY, 1);  // echoed pieces go out at once
                handler(s);
                closeSocket(s);
            }
            closeSocket(m_listener);
        });
    }
    ~LoopbackServer() {
        if (m_thread.joinable()) m_thread.join();
    }
    bool ok() const { return m_listener != kNoSocket; }
    uint16_t port() const { return m_port; }

private:
    Socket m_listener = kNoSocket;
    uint16_t m_port = 0;
    std::thread m_thread;
};

inline NetConnectOptions options(uint32_t connectMs, bool tls = false, bool verify = true) {
    NetConnectOptions o;
    o.connectTimeoutMs = connectMs, o.tls = tls, o.verifyPeer = verify;
    return o;
}

// Reads until the peer closes or the socket's wait limit passes.
inline void drainUntilClosed(Socket s) {
    char buf[4096];
    while (::recv(s, buf, sizeof buf, 0) > 0) {
    }
}

// Closes with a reset instead of an orderly end.
inline void resetConnection(Socket s) { setOption(s, SOL_SOCKET, SO_LINGER, linger{1, 0}); }

// Appends until out holds size bytes; false on a failure or an early end.
inline bool readExactly(ByteStream &stream, std::string &out, size_t size, NetError &err) {
    char buf[16384];
    while (out.size() < size) {
        size_t got = 0;
        if (!stream.readSome(buf, std::min(size - out.size(), sizeof buf), got, 5000, err)) return false;
        if (got == 0) return err.set(NetError::Kind::Closed, 0, "ended early"), false;
        out.append(buf, got);
    }
    return true;
}

// Appends everything up to the orderly end (at most 1 MiB).
inline bool readToEnd(ByteStream &stream, std::string &out, NetError &err) {
    char buf[4096];
    for (size_t got = 1; out.size() < (1u << 20); out.append(buf, got)) {
        if (!stream.readSome(buf, sizeof buf, got, 5000, err)) return false;
        if (got == 0) return true;
    }
    return false;
}

// The peer's close reaches this side a moment after the peer acts: asks up to 500 times.
inline bool waitUntilDisconnected(ByteStream &stream) {
    for (int i = 0; i < 500 && stream.isConnected(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(4));
    return !stream.isConnected();
}

// 256 KiB sent in pieces and read back in between, so neither side's buffers fill up.
inline bool echoInPieces(ByteStream &stream, size_t piece, NetError &err) {
    std::string data(256 * 1024, '\0'), echoed;
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    for (size_t sent = 0; sent < data.size(); sent += piece) {
        const size_t n = std::min(piece, data.size() - sent);
        if (!stream.writeAll(data.data() + sent, n, 5000, err) || !readExactly(stream, echoed, sent + n, err))
            return false;
    }
    return echoed == data;
}

}  // namespace quorvel::test
