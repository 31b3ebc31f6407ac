#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/NetStream.h"
#include "platform/posix/PosixSocket.h"

typedef struct ssl_st SSL;

namespace quorvel {

// A TLS client session over a connected non-blocking socket, with OpenSSL doing the protocol and
// poll doing the waiting. The socket stays owned by the caller.
class OpensslTls {
public:
    ~OpensslTls();
    OpensslTls(const OpensslTls &) = delete;
    OpensslTls &operator=(const OpensslTls &) = delete;

    // Runs the client handshake until the deadline: TLS 1.2 or newer, SNI for host names, and
    // with verifyPeer the chain checked against the default trust store and the certificate
    // checked against host (a name or an IP literal). Null on failure, with err saying why.
    static std::unique_ptr<OpensslTls> handshake(int fd, const std::string &host, bool verifyPeer,
                                                 PosixSocket::Clock::time_point deadline, NetError &err);

    bool writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err);
    // got == 0 with true: the peer ended the stream, with close_notify or by closing the socket.
    bool readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err);
    // Without waiting: false when the peer has ended the session or the session has failed.
    bool peerStillOpen();
    // Sends close_notify if the session is still sound, without waiting for the answer.
    void shutdown();

    // The fd's state as the BIO callbacks see it.
    struct Channel {
        int fd = -1;
        int lastError = 0;  // errno of the last failed send or recv
        bool eof = false;   // recv returned 0
    };

private:
    OpensslTls(SSL *ssl, std::unique_ptr<Channel> channel);
    // Waits for what the last SSL call asked for; false with err set when the wait ends badly.
    bool waitForRetry(int sslError, PosixSocket::Clock::time_point deadline, const char *what, NetError &err);
    void failFromSsl(int sslError, const char *what, NetError &err);

    SSL *m_ssl;
    std::unique_ptr<Channel> m_channel;
    bool m_failed = false;     // a fatal error: no more I/O, and no close_notify
    bool m_peerEnded = false;  // the peer ended the stream; reads give end of data
    bool m_shutDown = false;
};

}  // namespace quorvel
