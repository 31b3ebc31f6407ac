#pragma once
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include "platform/win32/WinSocket.h"

#include <windows.h>
#include <security.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/NetStream.h"
#include "platform/win32/WideText.h"

namespace quorvel {

// A TLS client session over a connected non-blocking socket, with Schannel doing the protocol and
// select doing the waiting. The socket stays owned by the caller.
class SchannelTls {
public:
    ~SchannelTls();
    SchannelTls(const SchannelTls &) = delete;
    SchannelTls &operator=(const SchannelTls &) = delete;

    // Runs the client handshake until the deadline: TLS 1.2 or newer, the host as the server
    // name, and with verifyPeer the certificate checked by ServerCertificate. Null on failure,
    // with err saying why.
    static std::unique_ptr<SchannelTls> handshake(SOCKET s, const std::string &host, bool verifyPeer,
                                                  WinSocket::Clock::time_point deadline, NetError &err);

    bool writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err);
    // got == 0 with true: the peer ended the stream, with close_notify or by closing the socket.
    bool readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err);
    // Without waiting: false when the peer has ended the session or the session has failed.
    bool peerStillOpen();
    // Sends close_notify if the session is still sound, without waiting for the answer.
    void shutdown();

private:
    enum class Received { Bytes, Ended, TimedOut, Failed };
    enum class Opened { Plain, NeedMore, Ended, Renegotiate, Failed };

    SchannelTls(SOCKET s, bool verifyPeer) : m_socket(s), m_verifyPeer(verifyPeer) {}
    bool acquireCredentials(NetError &err);
    // Drives InitializeSecurityContext until the handshake (the first or a renewed one) is done,
    // then checks the certificate. A timeout leaves the handshake where it was, to go on later.
    bool finishHandshake(WinSocket::Clock::time_point deadline, const char *timeoutText, NetError &err);
    bool continueHandshake(WinSocket::Clock::time_point deadline, const char *timeoutText, NetError &err);
    // Sends the whole token and frees it.
    bool sendToken(SecBuffer &token, WinSocket::Clock::time_point deadline, const char *timeoutText, NetError &err);
    // Sends n bytes; with renewMs the deadline moves on after each step of progress. sent tells
    // how far it got.
    bool sendAll(const char *bytes, size_t n, WinSocket::Clock::time_point deadline, const uint32_t *renewMs,
                 const char *timeoutText, size_t &sent, NetError &err);
    // Appends what the socket has to m_in, waiting until the deadline for the first byte.
    Received receive(WinSocket::Clock::time_point deadline, const char *timeoutText, NetError &err);
    // Decrypts the records in m_in into m_plain.
    Opened decryptBuffered(NetError &err);
    size_t takePlain(void *buf, size_t n);

    SOCKET m_socket;
    bool m_verifyPeer;
    std::string m_host;  // without a final dot
    WideText m_target;   // the server name for Schannel (and SNI)
    CredHandle m_credentials{};
    bool m_haveCredentials = false;
    CtxtHandle m_context{};
    bool m_haveContext = false;
    unsigned long m_requestFlags = 0;
    SecPkgContext_StreamSizes m_sizes{};
    std::string m_in;     // bytes received and not yet used: handshake messages or records
    std::string m_plain;  // decrypted bytes not yet read, from m_plainFrom on
    size_t m_plainFrom = 0;
    std::string m_out;    // one record being encrypted
    bool m_handshaking = true;
    bool m_needInput = false;      // the next handshake call waits for bytes from the peer
    bool m_transportEnded = false; // the socket reached its end
    bool m_failed = false;         // a fatal error: no more I/O, and no close_notify
    bool m_peerEnded = false;      // the peer ended the stream; reads give end of data
    bool m_shutDown = false;
};

}  // namespace quorvel
