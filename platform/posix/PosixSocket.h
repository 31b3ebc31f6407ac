#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/NetStream.h"

namespace quorvel {

// The small socket chores shared by the plain stream and the TLS layer: waiting with a deadline
// and turning errno values into NetError.
class PosixSocket {
public:
    using Clock = std::chrono::steady_clock;
    enum class Wait { Ready, TimedOut, Failed };

    static Clock::time_point deadlineAfter(uint32_t timeoutMs);
    // Waits until fd is ready for events (POLLIN / POLLOUT) or the deadline passes; interrupted
    // waits resume with the time that is left. An error or hang-up on the socket counts as ready,
    // so that the next call on it reports the reason. errorCode is set when Failed.
    static Wait waitFor(int fd, short events, Clock::time_point deadline, int &errorCode);
    // Opens a non-blocking, close-on-exec stream socket of the family; -1 with errno on failure.
    static int openStream(int family, int protocol);
    static void closeQuietly(int fd);
    // One send without SIGPIPE and one recv, both retried when interrupted; -1 with errno set
    // (EAGAIN when the socket is not ready).
    static long sendSome(int fd, const void *bytes, size_t n);
    static long recvSome(int fd, void *buf, size_t n, bool peek);
    static bool wouldBlock(int code);
    static std::string errorText(int code);
    // Reset, broken pipe and the like mean the peer is gone; anything else is an I/O failure.
    static NetError::Kind kindOf(int code);
    static void setError(NetError &err, NetError::Kind kind, int code) { err.set(kind, code, errorText(code)); }
};

}  // namespace quorvel
