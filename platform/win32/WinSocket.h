#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/NetStream.h"
#include "platform/win32/WindowsErrorText.h"

namespace quorvel {

// The small Winsock chores shared by the plain stream and the TLS layer: starting Winsock,
// waiting with a deadline, and turning Winsock error codes into NetError.
class WinSocket {
public:
    using Clock = std::chrono::steady_clock;
    enum class Wait { Ready, TimedOut, Failed };
    enum class Want { Read, Write };  // Write also waits for a connect to finish

    // WSAStartup once for the process (thread-safe); false with the code when Winsock is missing.
    static bool start(int &errorCode);
    static Clock::time_point deadlineAfter(uint32_t timeoutMs);
    // Waits until the socket is ready for want or the deadline passes. An error on the socket
    // counts as ready (a failed connect shows up that way), so the next call reports the reason.
    // errorCode is set when Failed.
    static Wait waitFor(SOCKET s, Want want, Clock::time_point deadline, int &errorCode);
    // Without waiting: true when a read would not block (data, the peer's end, or an error).
    static bool readable(SOCKET s, int &errorCode);
    // A non-blocking, non-inheritable stream socket; INVALID_SOCKET with errorCode on failure.
    static SOCKET openStream(int family, int protocol, int &errorCode);
    static void closeQuietly(SOCKET s);
    // One send and one recv of at most INT_MAX bytes; -1 with errorCode set (WSAEWOULDBLOCK when
    // the socket is not ready).
    static long sendSome(SOCKET s, const void *bytes, size_t n, int &errorCode);
    static long recvSome(SOCKET s, void *buf, size_t n, bool peek, int &errorCode);
    static bool wouldBlock(int code) { return code == WSAEWOULDBLOCK || code == WSAEINPROGRESS; }
    // Reset, aborted and the like mean the peer is gone; anything else is an I/O failure.
    static NetError::Kind kindOf(int code);
    static void setError(NetError &err, NetError::Kind kind, int code) { err.set(kind, code, WindowsErrorText::describe(code)); }
};

}  // namespace quorvel
