#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvel {

// Why a network operation failed, as plain values that the callers above put into their log.
struct NetError {
    enum class Kind {
        None,
        DnsFailed,         // the host name could not be resolved
        ConnectFailed,     // refused, unreachable, or the connect timeout passed
        Timeout,           // a read or write waited longer than its limit
        Closed,            // the peer closed or reset the connection
        TlsHandshake,      // the TLS handshake failed for a reason other than the certificate
        CertUntrusted,     // the chain does not end at a trusted root (unknown issuer, self-signed)
        CertExpired,       // a certificate of the chain is expired or not yet valid
        CertNameMismatch,  // the certificate does not name the host (or IP literal) asked for
        CertRevoked,
        CertOther,         // any other certificate refusal
        Io,                // another socket or TLS error
    };
    Kind kind = Kind::None;
    int64_t code = 0;  // the platform's own error code, 0 when there is none
    std::string text;  // a readable reason ("certificate has expired", "Connection refused" ...)

    void clear() { kind = Kind::None; code = 0; text.clear(); }
    void set(Kind k, int64_t c, std::string t) { kind = k; code = c; text = std::move(t); }
    // The failures every stream reports alike; each returns false for the caller to return.
    bool failClosed() { set(Kind::Closed, 0, "the connection is closed"); return false; }
    bool failOutOfMemory(int64_t platformCode) {
        kind = Kind::Io;
        code = platformCode;
        text.clear();  // no room for a text either
        return false;
    }
};

// A two-way byte stream with wait limits. The HTTP client reads and writes through this seam, so a
// test or a fuzzer can feed it scripted bytes without any socket.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Writes all n bytes, waiting at most timeoutMs for each step of progress.
    virtual bool writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err) = 0;
    // Reads what is available, up to n bytes, waiting at most timeoutMs for the first byte.
    // got == 0 with true means the peer closed the stream in order (end of data).
    virtual bool readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err) = 0;
    // False once the stream is closed, broken, or the peer has closed it (checked without
    // waiting), so a pooled connection that the server dropped is not reused.
    virtual bool isConnected() = 0;
    virtual void close() = 0;
};

// How a connection is opened.
struct NetConnectOptions {
    uint32_t connectTimeoutMs = 20000;
    bool tls = false;
    // Verify the server's certificate chain against the system trust store and its name against
    // the host asked for. Only tests of the refusal paths ever turn this off.
    bool verifyPeer = true;
};

// A TCP connection (IPv4 or IPv6, whatever the name resolves to, tried in order), optionally
// wrapped in TLS 1.2 or newer with SNI. POSIX: BSD sockets with poll and OpenSSL; Windows:
// Winsock and Schannel.
class NetStream : public ByteStream {
public:
    // host is a name or an IP literal without brackets; port 1-65535. Null on failure, with
    // err saying why.
    static std::unique_ptr<NetStream> connect(const std::string &host, uint16_t port,
                                              const NetConnectOptions &options, NetError &err);
    // The numeric address of the peer actually connected to ("127.0.0.1", "::1").
    virtual std::string peerAddress() const = 0;
    virtual bool isTls() const = 0;
};

}  // namespace quorvel
