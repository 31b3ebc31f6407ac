#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/NetStream.h"
#include "platform/posix/OpensslTls.h"
#include "platform/posix/PosixSocket.h"

namespace quorvel {

namespace {

using Clock = PosixSocket::Clock;

struct AddrInfoFree {
    void operator()(addrinfo *list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

bool asciiEqualNoCase(const std::string &a, size_t from, const char *b) {
    const size_t n = std::strlen(b);
    if (a.size() - from != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = a[from + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

// Names under the reserved "invalid" domain never resolve, so they are refused without asking
// any resolver.
bool underInvalidDomain(std::string host) {
    if (!host.empty() && host.back() == '.') host.pop_back();
    if (host.size() == 7) return asciiEqualNoCase(host, 0, "invalid");
    return host.size() > 8 && host[host.size() - 8] == '.' && asciiEqualNoCase(host, host.size() - 7, "invalid");
}

bool resolve(const std::string &host, uint16_t port, AddrInfoList &list, NetError &err) {
    if (host.empty() || host.find('\0') != std::string::npos) {
        err.set(NetError::Kind::DnsFailed, 0, host.empty() ? "the host name is empty" : "the host name contains a NUL");
        return false;
    }
    if (underInvalidDomain(host)) {
        err.set(NetError::Kind::DnsFailed, EAI_NONAME, gai_strerror(EAI_NONAME));
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0) {
        if (rc == EAI_SYSTEM) err.set(NetError::Kind::DnsFailed, errno, PosixSocket::errorText(errno));
        else err.set(NetError::Kind::DnsFailed, rc, gai_strerror(rc));
        return false;
    }
    list.reset(found);
    if (!found) {
        err.set(NetError::Kind::DnsFailed, EAI_NONAME, gai_strerror(EAI_NONAME));
        return false;
    }
    return true;
}

// One non-blocking connect, finished within the deadline. -1 with code set on failure.
int connectOne(const addrinfo &address, Clock::time_point deadline, int &code, bool &timedOut) {
    const int fd = PosixSocket::openStream(address.ai_family, address.ai_protocol);
    if (fd < 0) {
        code = errno;
        return -1;
    }
    int rc = ::connect(fd, address.ai_addr, address.ai_addrlen);
    // An interrupted connect goes on in the background, just like one in progress.
    if (rc != 0 && (errno == EINPROGRESS || errno == EINTR)) {
        int waitError = 0;
        switch (PosixSocket::waitFor(fd, POLLOUT, deadline, waitError)) {
            case PosixSocket::Wait::Ready: {
                int soError = 0;
                socklen_t len = sizeof soError;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
                rc = soError == 0 ? 0 : -1;
                errno = soError;
                break;
            }
            case PosixSocket::Wait::TimedOut:
                timedOut = true;
                errno = ETIMEDOUT;
                break;
            case PosixSocket::Wait::Failed:
                errno = waitError;
                break;
        }
    }
    if (rc != 0) {
        code = errno;
        PosixSocket::closeQuietly(fd);
        return -1;
    }
    // Requests go out in a few writes; waiting to merge them would only add delay.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

std::string numericAddress(const sockaddr *address, socklen_t length) {
    char text[NI_MAXHOST];
    if (getnameinfo(address, length, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0) return std::string();
    return text;
}

class PosixNetStream final : public NetStream {
public:
    PosixNetStream(int fd, std::string peer) : m_fd(fd), m_peer(std::move(peer)) {}
    ~PosixNetStream() override { close(); }

    bool startTls(const std::string &host, bool verifyPeer, Clock::time_point deadline, NetError &err) {
        m_tls = OpensslTls::handshake(m_fd, host, verifyPeer, deadline, err);
        return m_tls != nullptr;
    }

    bool writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err) override {
        try {
            err.clear();
            if (m_fd < 0) return err.failClosed();
            if (m_tls) return m_tls->writeAll(bytes, n, timeoutMs, err);
            const char *next = static_cast<const char *>(bytes);
            while (n > 0) {
                const long sent = PosixSocket::sendSome(m_fd, next, n);
                if (sent >= 0) {
                    next += sent;
                    n -= static_cast<size_t>(sent);
                    continue;
                }
                if (!PosixSocket::wouldBlock(errno)) {
                    PosixSocket::setError(err, PosixSocket::kindOf(errno), errno);
                    return false;
                }
                if (!wait(POLLOUT, timeoutMs, "write timed out", err)) return false;
            }
            return true;
        } catch (const std::bad_alloc &) {
            return err.failOutOfMemory(ENOMEM);
        }
    }

    bool readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err) override {
        got = 0;
        try {
            err.clear();
            if (m_fd < 0) return err.failClosed();
            if (m_tls) return m_tls->readSome(buf, n, got, timeoutMs, err);
            if (n == 0) return true;
            const auto deadline = PosixSocket::deadlineAfter(timeoutMs);
            for (;;) {
                const long received = PosixSocket::recvSome(m_fd, buf, n, false);
                if (received >= 0) {
                    got = static_cast<size_t>(received);
                    return true;
                }
                if (!PosixSocket::wouldBlock(errno)) {
                    PosixSocket::setError(err, PosixSocket::kindOf(errno), errno);
                    return false;
                }
                int code = 0;
                const PosixSocket::Wait w = PosixSocket::waitFor(m_fd, POLLIN, deadline, code);
                if (w == PosixSocket::Wait::TimedOut) {
                    err.set(NetError::Kind::Timeout, 0, "read timed out");
                    return false;
                }
                if (w == PosixSocket::Wait::Failed) {
                    PosixSocket::setError(err, NetError::Kind::Io, code);
                    return false;
                }
            }
        } catch (const std::bad_alloc &) {
            return err.failOutOfMemory(ENOMEM);
        }
    }

    bool isConnected() override {
        if (m_fd < 0) return false;
        if (m_tls) return m_tls->peerStillOpen();
        for (;;) {
            pollfd p = {m_fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, 0);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0 || (ready > 0 && (p.revents & (POLLERR | POLLNVAL)))) return false;
            if (ready == 0) return true;
            // Readable: either data waits (still open) or the peer has closed or reset.
            char probe;
            const long peeked = PosixSocket::recvSome(m_fd, &probe, 1, true);
            return peeked > 0 || (peeked < 0 && PosixSocket::wouldBlock(errno));
        }
    }

    void close() override {
        if (m_fd < 0) return;
        if (m_tls) {
            m_tls->shutdown();
            m_tls.reset();
        }
        PosixSocket::closeQuietly(m_fd);
        m_fd = -1;
    }

    std::string peerAddress() const override { return m_peer; }
    bool isTls() const override { return m_tls != nullptr; }

private:
    bool wait(short events, uint32_t timeoutMs, const char *timeoutText, NetError &err) {
        int code = 0;
        switch (PosixSocket::waitFor(m_fd, events, PosixSocket::deadlineAfter(timeoutMs), code)) {
            case PosixSocket::Wait::Ready:
                return true;
            case PosixSocket::Wait::TimedOut:
                err.set(NetError::Kind::Timeout, 0, timeoutText);
                return false;
            case PosixSocket::Wait::Failed:
                break;
        }
        PosixSocket::setError(err, NetError::Kind::Io, code);
        return false;
    }

    int m_fd;
    std::string m_peer;
    std::unique_ptr<OpensslTls> m_tls;
};

}  // namespace

std::unique_ptr<NetStream> NetStream::connect(const std::string &host, uint16_t port,
                                              const NetConnectOptions &options, NetError &err) {
    try {
        err.clear();
        if (port == 0) {
            err.set(NetError::Kind::ConnectFailed, 0, "port 0 cannot be connected to");
            return nullptr;
        }
        AddrInfoList addresses;
        if (!resolve(host, port, addresses, err)) return nullptr;
        // One limit for the whole opening: every address tried, then the TLS handshake.
        const auto deadline = PosixSocket::deadlineAfter(options.connectTimeoutMs);
        int lastCode = 0;
        bool timedOut = false;
        for (const addrinfo *a = addresses.get(); a && !timedOut; a = a->ai_next) {
            const int fd = connectOne(*a, deadline, lastCode, timedOut);
            if (fd < 0) continue;
            std::unique_ptr<PosixNetStream> stream;
            try {
                stream = std::make_unique<PosixNetStream>(fd, numericAddress(a->ai_addr, a->ai_addrlen));
            } catch (...) {
                PosixSocket::closeQuietly(fd);
                throw;
            }
            if (options.tls && !stream->startTls(host, options.verifyPeer, deadline, err)) return nullptr;
            return stream;
        }
        PosixSocket::setError(err, NetError::Kind::ConnectFailed, lastCode);
        return nullptr;
    } catch (const std::bad_alloc &) {
        err.kind = NetError::Kind::Io;
        err.code = ENOMEM;
        err.text.clear();
        return nullptr;
    }
}

}  // namespace quorvel
