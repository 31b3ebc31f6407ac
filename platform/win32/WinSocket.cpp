#include "platform/win32/WinSocket.h"

#include <climits>

namespace quorvel {

namespace {

// The result of the one WSAStartup; Winsock stays up until the process ends, since streams may
// still be open in other threads while static objects are torn down.
int startupResult() {
    static const int result = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return result;
}

}  // namespace

bool WinSocket::start(int &errorCode) {
    errorCode = startupResult();
    return errorCode == 0;
}

WinSocket::Clock::time_point WinSocket::deadlineAfter(uint32_t timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

WinSocket::Wait WinSocket::waitFor(SOCKET s, Want want, Clock::time_point deadline, int &errorCode) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const long waitMs = left <= 0 ? 0 : left > 0x7fffffff ? 0x7fffffff : static_cast<long>(left);
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval tv = {waitMs / 1000, (waitMs % 1000) * 1000};
        // A failed connect is reported in the exception set, not the write set.
        const int n = want == Want::Read ? ::select(0, &ready, nullptr, &failed, &tv)
                                         : ::select(0, nullptr, &ready, &failed, &tv);
        if (n > 0) return Wait::Ready;
        if (n == 0) {
            if (waitMs == 0 || Clock::now() >= deadline) return Wait::TimedOut;
            continue;  // woke a little early
        }
        errorCode = WSAGetLastError();
        if (errorCode == WSAEINTR) continue;
        return Wait::Failed;
    }
}

bool WinSocket::readable(SOCKET s, int &errorCode) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv = {0, 0};
    const int n = ::select(0, &ready, nullptr, &failed, &tv);
    errorCode = n < 0 ? WSAGetLastError() : 0;
    return n != 0;
}

SOCKET WinSocket::openStream(int family, int protocol, int &errorCode) {
    // No overlapped I/O is used; a plain socket that child processes do not inherit.
    SOCKET s = WSASocketW(family, SOCK_STREAM, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET && WSAGetLastError() == WSAEINVAL)
        s = WSASocketW(family, SOCK_STREAM, protocol, nullptr, 0, 0);  // systems without the flag
    if (s == INVALID_SOCKET) {
        errorCode = WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        errorCode = WSAGetLastError();
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

void WinSocket::closeQuietly(SOCKET s) {
    if (s == INVALID_SOCKET) return;
    const int saved = WSAGetLastError();
    ::closesocket(s);
    WSASetLastError(saved);
}

long WinSocket::sendSome(SOCKET s, const void *bytes, size_t n, int &errorCode) {
    const int chunk = n > INT_MAX ? INT_MAX : static_cast<int>(n);
    for (;;) {
        const int sent = ::send(s, static_cast<const char *>(bytes), chunk, 0);
        if (sent != SOCKET_ERROR) return sent;
        errorCode = WSAGetLastError();
        if (errorCode != WSAEINTR) return -1;
    }
}

long WinSocket::recvSome(SOCKET s, void *buf, size_t n, bool peek, int &errorCode) {
    const int chunk = n > INT_MAX ? INT_MAX : static_cast<int>(n);
    for (;;) {
        const int got = ::recv(s, static_cast<char *>(buf), chunk, peek ? MSG_PEEK : 0);
        if (got != SOCKET_ERROR) return got;
        errorCode = WSAGetLastError();
        if (errorCode != WSAEINTR) return -1;
    }
}

NetError::Kind WinSocket::kindOf(int code) {
    switch (code) {
        case WSAECONNRESET:
        case WSAECONNABORTED:
        case WSAENETRESET:
        case WSAENOTCONN:
        case WSAESHUTDOWN:
        case WSAEDISCON:
            return NetError::Kind::Closed;
        default:
            return NetError::Kind::Io;
    }
}

}  // namespace quorvel
