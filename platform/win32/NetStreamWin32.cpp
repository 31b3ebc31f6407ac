#include "platform/win32/WinSocket.h"

#include <cstring>
#include <new>

#include "platform/NetStream.h"
#include "platform/win32/SchannelTls.h"
#include "platform/win32/WideText.h"

namespace quorvel {

namespace {

using Clock = WinSocket::Clock;

struct AddrInfoFree {
    void operator()(ADDRINFOW *list) const { FreeAddrInfoW(list); }
};
using AddrInfoList = std::unique_ptr<ADDRINFOW, AddrInfoFree>;

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
        WinSocket::setError(err, NetError::Kind::DnsFailed, WSAHOST_NOT_FOUND);
        return false;
    }
    WideText name;
    if (host.size() > 0xffff || !name.setFromUtf8(host.data(), static_cast<uint32_t>(host.size()))) {
        err.set(NetError::Kind::DnsFailed, 0, "the host name is not valid UTF-8");
        return false;
    }
    const std::wstring service = std::to_wstring(port);
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    ADDRINFOW *found = nullptr;
    const int rc = GetAddrInfoW(name.get(), service.c_str(), &hints, &found);
    if (rc != 0) {
        WinSocket::setError(err, NetError::Kind::DnsFailed, rc);
        return false;
    }
    list.reset(found);
    if (!found) {
        WinSocket::setError(err, NetError::Kind::DnsFailed, WSAHOST_NOT_FOUND);
        return false;
    }
    return true;
}

// One non-blocking connect, finished within the deadline. INVALID_SOCKET with code set on failure.
SOCKET connectOne(const ADDRINFOW &address, Clock::time_point deadline, int &code, bool &timedOut) {
    const SOCKET s = WinSocket::openStream(address.ai_family, address.ai_protocol, code);
    if (s == INVALID_SOCKET) return s;
    int rc = ::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen));
    if (rc != 0) code = WSAGetLastError();
    if (rc != 0 && WinSocket::wouldBlock(code)) {
        int waitError = 0;
        switch (WinSocket::waitFor(s, WinSocket::Want::Write, deadline, waitError)) {
            case WinSocket::Wait::Ready: {
                int soError = 0;
                int len = sizeof soError;
                if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&soError), &len) != 0)
                    soError = WSAGetLastError();
                rc = soError == 0 ? 0 : -1;
                code = soError;
                break;
            }
            case WinSocket::Wait::TimedOut:
                timedOut = true;
                code = WSAETIMEDOUT;
                break;
            case WinSocket::Wait::Failed:
                code = waitError;
                break;
        }
    }
    if (rc != 0) {
        WinSocket::closeQuietly(s);
        return INVALID_SOCKET;
    }
    // Requests go out in a few writes; waiting to merge them would only add delay.
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&one), sizeof one);
    return s;
}

std::string numericAddress(const sockaddr *address, size_t length) {
    char text[NI_MAXHOST];
    if (getnameinfo(address, static_cast<socklen_t>(length), text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
        return std::string();
    return text;
}

class Win32NetStream final : public NetStream {
public:
    Win32NetStream(SOCKET s, std::string peer) : m_socket(s), m_peer(std::move(peer)) {}
    ~Win32NetStream() override { close(); }

    bool startTls(const std::string &host, bool verifyPeer, Clock::time_point deadline, NetError &err) {
        m_tls = SchannelTls::handshake(m_socket, host, verifyPeer, deadline, err);
        return m_tls != nullptr;
    }

    bool writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err) override {
        try {
            err.clear();
            if (m_socket == INVALID_SOCKET) return err.failClosed();
            if (m_tls) return m_tls->writeAll(bytes, n, timeoutMs, err);
            const char *next = static_cast<const char *>(bytes);
            while (n > 0) {
                int code = 0;
                const long sent = WinSocket::sendSome(m_socket, next, n, code);
                if (sent >= 0) {
                    next += sent;
                    n -= static_cast<size_t>(sent);
                    continue;
                }
                if (!WinSocket::wouldBlock(code)) {
                    WinSocket::setError(err, WinSocket::kindOf(code), code);
                    return false;
                }
                if (!wait(WinSocket::Want::Write, WinSocket::deadlineAfter(timeoutMs), "write timed out", err))
                    return false;
            }
            return true;
        } catch (const std::bad_alloc &) {
            return err.failOutOfMemory(ERROR_NOT_ENOUGH_MEMORY);
        }
    }

    bool readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err) override {
        got = 0;
        try {
            err.clear();
            if (m_socket == INVALID_SOCKET) return err.failClosed();
            if (m_tls) return m_tls->readSome(buf, n, got, timeoutMs, err);
            if (n == 0) return true;
            const auto deadline = WinSocket::deadlineAfter(timeoutMs);
            for (;;) {
                int code = 0;
                const long received = WinSocket::recvSome(m_socket, buf, n, false, code);
                if (received >= 0) {
                    got = static_cast<size_t>(received);
                    return true;
                }
                if (!WinSocket::wouldBlock(code)) {
                    WinSocket::setError(err, WinSocket::kindOf(code), code);
                    return false;
                }
                if (!wait(WinSocket::Want::Read, deadline, "read timed out", err)) return false;
            }
        } catch (const std::bad_alloc &) {
            return err.failOutOfMemory(ERROR_NOT_ENOUGH_MEMORY);
        }
    }

    bool isConnected() override {
        if (m_socket == INVALID_SOCKET) return false;
        try {
            if (m_tls) return m_tls->peerStillOpen();
        } catch (const std::bad_alloc &) {
            return false;
        }
        int code = 0;
        if (!WinSocket::readable(m_socket, code)) return true;
        if (code != 0) return false;
        // Readable: either data waits (still open) or the peer has closed or reset.
        char probe;
        const long peeked = WinSocket::recvSome(m_socket, &probe, 1, true, code);
        return peeked > 0 || (peeked < 0 && WinSocket::wouldBlock(code));
    }

    void close() override {
        if (m_socket == INVALID_SOCKET) return;
        if (m_tls) {
            try {
                m_tls->shutdown();
            } catch (const std::bad_alloc &) {
                // close_notify is a courtesy; the socket closes all the same
            }
            m_tls.reset();
        }
        WinSocket::closeQuietly(m_socket);
        m_socket = INVALID_SOCKET;
    }

    std::string peerAddress() const override { return m_peer; }
    bool isTls() const override { return m_tls != nullptr; }

private:
    bool wait(WinSocket::Want want, Clock::time_point deadline, const char *timeoutText, NetError &err) {
        int code = 0;
        switch (WinSocket::waitFor(m_socket, want, deadline, code)) {
            case WinSocket::Wait::Ready:
                return true;
            case WinSocket::Wait::TimedOut:
                err.set(NetError::Kind::Timeout, 0, timeoutText);
                return false;
            case WinSocket::Wait::Failed:
                break;
        }
        WinSocket::setError(err, NetError::Kind::Io, code);
        return false;
    }

    SOCKET m_socket;
    std::string m_peer;
    std::unique_ptr<SchannelTls> m_tls;
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
        int startCode = 0;
        if (!WinSocket::start(startCode)) {
            WinSocket::setError(err, NetError::Kind::Io, startCode);
            return nullptr;
        }
        AddrInfoList addresses;
        if (!resolve(host, port, addresses, err)) return nullptr;
        // One limit for the whole opening: every address tried, then the TLS handshake.
        const auto deadline = WinSocket::deadlineAfter(options.connectTimeoutMs);
        int lastCode = 0;
        bool timedOut = false;
        for (const ADDRINFOW *a = addresses.get(); a && !timedOut; a = a->ai_next) {
            const SOCKET s = connectOne(*a, deadline, lastCode, timedOut);
            if (s == INVALID_SOCKET) continue;
            std::unique_ptr<Win32NetStream> stream;
            try {
                stream = std::make_unique<Win32NetStream>(s, numericAddress(a->ai_addr, a->ai_addrlen));
            } catch (...) {
                WinSocket::closeQuietly(s);
                throw;
            }
            if (options.tls && !stream->startTls(host, options.verifyPeer, deadline, err)) return nullptr;
            return stream;
        }
        WinSocket::setError(err, NetError::Kind::ConnectFailed, lastCode);
        return nullptr;
    } catch (const std::bad_alloc &) {
        err.kind = NetError::Kind::Io;
        err.code = ERROR_NOT_ENOUGH_MEMORY;
        err.text.clear();
        return nullptr;
    }
}

}  // namespace quorvel
