#include "platform/posix/PosixSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvel {

namespace {

// strerror_r comes in two flavours; these pick the text out of whichever one the C library has.
[[maybe_unused]] const char *errorTextFrom(int result, const char *buf) { return result == 0 ? buf : nullptr; }
[[maybe_unused]] const char *errorTextFrom(const char *result, const char *) { return result; }

bool setFlag(int fd, int getCmd, int setCmd, int flag) {
    int flags = fcntl(fd, getCmd);
    return flags >= 0 && fcntl(fd, setCmd, flags | flag) == 0;
}

}  // namespace

PosixSocket::Clock::time_point PosixSocket::deadlineAfter(uint32_t timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

PosixSocket::Wait PosixSocket::waitFor(int fd, short events, Clock::time_point deadline, int &errorCode) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int waitMs = left <= 0 ? 0 : left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
        pollfd p = {fd, events, 0};
        const int n = ::poll(&p, 1, waitMs);
        if (n > 0) return Wait::Ready;
        if (n == 0) {
            if (waitMs == 0 || Clock::now() >= deadline) return Wait::TimedOut;
            continue;  // woke a little early
        }
        if (errno == EINTR) continue;
        errorCode = errno;
        return Wait::Failed;
    }
}

int PosixSocket::openStream(int family, int protocol) {
    int fd = -1;
#if defined(SOCK_CLOEXEC) && defined(SOCK_NONBLOCK)
    fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
    if (fd < 0 && errno != EINVAL) return -1;
#endif
    if (fd < 0) {
        // Systems without the socket flags set them right after.
        fd = ::socket(family, SOCK_STREAM, protocol);
        if (fd < 0) return -1;
        if (!setFlag(fd, F_GETFD, F_SETFD, FD_CLOEXEC) || !setFlag(fd, F_GETFL, F_SETFL, O_NONBLOCK)) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return -1;
        }
    }
#ifdef SO_NOSIGPIPE
    // Where send has no MSG_NOSIGNAL, the socket itself is told not to raise SIGPIPE.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    return fd;
}

void PosixSocket::closeQuietly(int fd) {
    if (fd < 0) return;
    const int saved = errno;
    ::close(fd);  // never retried on EINTR: the descriptor is released either way on Linux
    errno = saved;
}

long PosixSocket::sendSome(int fd, const void *bytes, size_t n) {
#ifdef MSG_NOSIGNAL
    constexpr int kFlags = MSG_NOSIGNAL;
#else
    constexpr int kFlags = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif
    for (;;) {
        const ssize_t sent = ::send(fd, bytes, n, kFlags);
        if (sent >= 0 || errno != EINTR) return static_cast<long>(sent);
    }
}

long PosixSocket::recvSome(int fd, void *buf, size_t n, bool peek) {
    for (;;) {
        const ssize_t got = ::recv(fd, buf, n, peek ? MSG_PEEK : 0);
        if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
}

bool PosixSocket::wouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }

std::string PosixSocket::errorText(int code) {
    char buf[256];
    buf[0] = '\0';
    const char *text = errorTextFrom(strerror_r(code, buf, sizeof buf), buf);
    if (text && *text) return text;
    return "error " + std::to_string(code);
}

NetError::Kind PosixSocket::kindOf(int code) {
    switch (code) {
        case ECONNRESET:
        case EPIPE:
        case ECONNABORTED:
        case ENOTCONN:
        case ESHUTDOWN:
            return NetError::Kind::Closed;
        default:
            return NetError::Kind::Io;
    }
}

}  // namespace quorvel
