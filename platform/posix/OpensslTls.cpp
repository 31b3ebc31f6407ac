#include "platform/posix/OpensslTls.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <new>

namespace quorvel {

namespace {

using Channel = OpensslTls::Channel;

// The socket BIO of OpenSSL writes with write(), which raises SIGPIPE on a reset peer; this one
// sends with the no-signal flag and keeps the errno of a failure for the error report.
int channelWrite(BIO *bio, const char *data, int len) {
    auto *channel = static_cast<Channel *>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const long sent = PosixSocket::sendSome(channel->fd, data, static_cast<size_t>(len));
    if (sent >= 0) return static_cast<int>(sent);
    if (PosixSocket::wouldBlock(errno)) BIO_set_retry_write(bio);
    else channel->lastError = errno;
    return -1;
}

int channelRead(BIO *bio, char *buf, int len) {
    auto *channel = static_cast<Channel *>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const long got = PosixSocket::recvSome(channel->fd, buf, static_cast<size_t>(len), false);
    if (got > 0) return static_cast<int>(got);
    if (got == 0) {
        channel->eof = true;
        return 0;
    }
    if (PosixSocket::wouldBlock(errno)) BIO_set_retry_read(bio);
    else channel->lastError = errno;
    return -1;
}

long channelCtrl(BIO *bio, int cmd, long, void *) {
    switch (cmd) {
        case BIO_CTRL_FLUSH:
            return 1;  // nothing is buffered here
        case BIO_CTRL_EOF:
            return static_cast<Channel *>(BIO_get_data(bio))->eof ? 1 : 0;
        default:
            return 0;
    }
}

int channelCreate(BIO *bio) {
    BIO_set_init(bio, 0);
    return 1;
}

int channelDestroy(BIO *) { return 1; }  // the Channel belongs to the session object

const BIO_METHOD *channelMethod() {
    static BIO_METHOD *const method = [] {
        BIO_METHOD *m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "quorvel socket");
        if (m && (!BIO_meth_set_write(m, channelWrite) || !BIO_meth_set_read(m, channelRead) ||
                  !BIO_meth_set_ctrl(m, channelCtrl) || !BIO_meth_set_create(m, channelCreate) ||
                  !BIO_meth_set_destroy(m, channelDestroy))) {
            BIO_meth_free(m);
            m = nullptr;
        }
        return m;
    }();
    return method;
}

// The first entry of this thread's libssl error queue as text, then the queue is emptied.
void setFromErrorQueue(NetError &err, NetError::Kind kind, const char *fallback) {
    const unsigned long code = ERR_get_error();
    const char *reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
    if (reason) {
        err.set(kind, static_cast<int64_t>(code), reason);
    } else if (code != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        err.set(kind, static_cast<int64_t>(code), text);
    } else {
        err.set(kind, 0, fallback);
    }
    ERR_clear_error();
}

// What identifies a trust store location as it is now: the path, and the file's or folder's
// identity and change time, so that a replaced CA bundle is read again.
std::string storeKey(const std::string &path) {
    std::string key = path;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        key += '|' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) +
               ':' + std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec);
    return key + '\n';
}

// The certificate folder setting is a list separated by ':'.
std::string folderListKey(const std::string &list) {
    std::string key;
    for (size_t start = 0, end; start <= list.size(); start = end + 1) {
        end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        key += storeKey(list.substr(start, end - start));
    }
    return key;
}

// One context per trust store. SSL_CERT_FILE and SSL_CERT_DIR are read when the store loads, so
// a context is rebuilt when they or the files they name change; sessions keep a reference to
// their own context.
class ContextCache {
public:
    // A context with a reference for the caller, or null with err set.
    SSL_CTX *acquire(bool verifyPeer, NetError &err) {
        std::string key;
        if (verifyPeer) {
            const char *file = std::getenv(X509_get_default_cert_file_env());
            const char *dir = std::getenv(X509_get_default_cert_dir_env());
            key = storeKey(file ? file : X509_get_default_cert_file()) +
                  folderListKey(dir ? dir : X509_get_default_cert_dir());
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        Slot &slot = m_slots[verifyPeer ? 1 : 0];
        if (!slot.context || slot.key != key) {
            SSL_CTX *fresh = build(verifyPeer, err);
            if (!fresh) return nullptr;
            SSL_CTX_free(slot.context);
            slot.context = fresh;
            slot.key = std::move(key);
        }
        SSL_CTX_up_ref(slot.context);
        return slot.context;
    }

private:
    struct Slot {
        SSL_CTX *context = nullptr;
        std::string key;
    };

    static SSL_CTX *build(bool verifyPeer, NetError &err) {
        ERR_clear_error();
        SSL_CTX *ctx = SSL_CTX_new(TLS_client_method());
        bool ok = ctx != nullptr && SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) == 1 &&
                  (!verifyPeer || SSL_CTX_set_default_verify_paths(ctx) == 1);
        if (!ok) {
            setFromErrorQueue(err, NetError::Kind::TlsHandshake, "cannot set up TLS");
            SSL_CTX_free(ctx);
            return nullptr;
        }
        SSL_CTX_set_verify(ctx, verifyPeer ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        return ctx;
    }

    std::mutex m_mutex;
    Slot m_slots[2];
};

ContextCache &contexts() {
    // Never destroyed: libssl tears itself down at exit and must not see a free after that.
    static ContextCache *const cache = new ContextCache;
    return *cache;
}

NetError::Kind certificateKind(long verifyResult) {
    switch (verifyResult) {
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return NetError::Kind::CertExpired;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
            return NetError::Kind::CertUntrusted;
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return NetError::Kind::CertNameMismatch;
        case X509_V_ERR_CERT_REVOKED:
            return NetError::Kind::CertRevoked;
        default:
            return NetError::Kind::CertOther;
    }
}

void setCertificateError(NetError &err, long verifyResult) {
    err.set(certificateKind(verifyResult), verifyResult, X509_verify_cert_error_string(verifyResult));
}

// An IP literal is checked against the certificate's IP addresses and gets no SNI. A zone
// ("fe80::1%eth0") names the local interface and is no part of the address.
bool ipLiteral(const std::string &host, std::string &address) {
    address = host.substr(0, host.find('%'));
    unsigned char bytes[16];
    if (inet_pton(AF_INET, host.c_str(), bytes) == 1) return true;
    return address.find(':') != std::string::npos && inet_pton(AF_INET6, address.c_str(), bytes) == 1;
}

}  // namespace

OpensslTls::OpensslTls(SSL *ssl, std::unique_ptr<Channel> channel) : m_ssl(ssl), m_channel(std::move(channel)) {}

OpensslTls::~OpensslTls() {
    SSL_free(m_ssl);
    ERR_clear_error();
}

std::unique_ptr<OpensslTls> OpensslTls::handshake(int fd, const std::string &host, bool verifyPeer,
                                                  PosixSocket::Clock::time_point deadline, NetError &err) {
    auto channel = std::make_unique<Channel>();  // first, so that nothing of libssl leaks if it throws
    channel->fd = fd;
    const BIO_METHOD *method = channelMethod();
    SSL_CTX *ctx = method ? contexts().acquire(verifyPeer, err) : nullptr;
    if (!ctx) {
        if (!method) setFromErrorQueue(err, NetError::Kind::TlsHandshake, "cannot set up the TLS socket layer");
        return nullptr;
    }
    SSL *ssl = SSL_new(ctx);
    SSL_CTX_free(ctx);  // the session holds its own reference
    BIO *bio = ssl ? BIO_new(method) : nullptr;
    if (!bio) {
        SSL_free(ssl);
        setFromErrorQueue(err, NetError::Kind::TlsHandshake, "cannot start a TLS session");
        return nullptr;
    }
    BIO_set_data(bio, channel.get());
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl, bio, bio);
    std::unique_ptr<OpensslTls> tls(new (std::nothrow) OpensslTls(ssl, std::move(channel)));
    if (!tls) {
        SSL_free(ssl);
        err.kind = NetError::Kind::Io;
        err.code = ENOMEM;
        return nullptr;
    }

    // A fully qualified "example.com." is the same name; SNI and the name check want it bare.
    const std::string name = host.size() > 1 && host.back() == '.' ? host.substr(0, host.size() - 1) : host;
    std::string address;
    const bool literal = ipLiteral(name, address);
    bool ok = literal || SSL_set_tlsext_host_name(ssl, name.c_str()) == 1;
    if (ok && verifyPeer) {
        X509_VERIFY_PARAM *param = SSL_get0_param(ssl);
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        ok = literal ? X509_VERIFY_PARAM_set1_ip_asc(param, address.c_str()) == 1
                     : X509_VERIFY_PARAM_set1_host(param, name.data(), name.size()) == 1;
    }
    if (!ok) {
        setFromErrorQueue(err, NetError::Kind::TlsHandshake, "the host name cannot be used for TLS");
        return nullptr;
    }
    SSL_set_connect_state(ssl);
    for (;;) {
        ERR_clear_error();
        tls->m_channel->lastError = 0;
        const int result = SSL_do_handshake(ssl);
        if (result == 1) break;
        const int sslError = SSL_get_error(ssl, result);
        if (sslError == SSL_ERROR_WANT_READ || sslError == SSL_ERROR_WANT_WRITE) {
            if (!tls->waitForRetry(sslError, deadline, "TLS handshake timed out", err)) return nullptr;
            continue;
        }
        tls->m_failed = true;
        const long verifyResult = SSL_get_verify_result(ssl);
        if (verifyPeer && verifyResult != X509_V_OK) {
            setCertificateError(err, verifyResult);
            ERR_clear_error();
        } else {
            tls->failFromSsl(sslError, "TLS handshake", err);
            err.kind = NetError::Kind::TlsHandshake;
        }
        return nullptr;
    }
    if (verifyPeer) {
        // SSL_VERIFY_PEER already stops a handshake on a bad chain; this holds if that ever changes.
        const long verifyResult = SSL_get_verify_result(ssl);
        if (SSL_get0_peer_certificate(ssl) == nullptr) {
            err.set(NetError::Kind::CertOther, 0, "the server sent no certificate");
            return nullptr;
        }
        if (verifyResult != X509_V_OK) {
            setCertificateError(err, verifyResult);
            return nullptr;
        }
    }
    return tls;
}

bool OpensslTls::waitForRetry(int sslError, PosixSocket::Clock::time_point deadline, const char *what,
                              NetError &err) {
    int code = 0;
    const short events = sslError == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
    switch (PosixSocket::waitFor(m_channel->fd, events, deadline, code)) {
        case PosixSocket::Wait::Ready:
            return true;
        case PosixSocket::Wait::TimedOut:
            err.set(NetError::Kind::Timeout, 0, what);
            return false;
        case PosixSocket::Wait::Failed:
            break;
    }
    PosixSocket::setError(err, NetError::Kind::Io, code);
    return false;
}

void OpensslTls::failFromSsl(int sslError, const char *what, NetError &err) {
    if (sslError == SSL_ERROR_SYSCALL && m_channel->lastError != 0) {
        PosixSocket::setError(err, PosixSocket::kindOf(m_channel->lastError), m_channel->lastError);
        ERR_clear_error();
    } else if (sslError == SSL_ERROR_ZERO_RETURN || (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) ||
               m_channel->eof) {
        err.set(NetError::Kind::Closed, 0, std::string(what) + ": the peer closed the connection");
        ERR_clear_error();
    } else {
        setFromErrorQueue(err, NetError::Kind::Io, what);
    }
}

bool OpensslTls::writeAll(const void *bytes, size_t n, uint32_t timeoutMs, NetError &err) {
    if (m_failed || m_peerEnded) {
        err.set(NetError::Kind::Closed, 0, "the TLS session has ended");
        return false;
    }
    const char *next = static_cast<const char *>(bytes);
    auto deadline = PosixSocket::deadlineAfter(timeoutMs);
    while (n > 0) {
        ERR_clear_error();
        m_channel->lastError = 0;
        const int result = SSL_write(m_ssl, next, n > INT_MAX ? INT_MAX : static_cast<int>(n));
        if (result > 0) {
            next += result;
            n -= static_cast<size_t>(result);
            deadline = PosixSocket::deadlineAfter(timeoutMs);
            continue;
        }
        const int sslError = SSL_get_error(m_ssl, result);
        if (sslError == SSL_ERROR_WANT_READ || sslError == SSL_ERROR_WANT_WRITE) {
            if (!waitForRetry(sslError, deadline, "write timed out", err)) return false;
            continue;
        }
        if (sslError == SSL_ERROR_ZERO_RETURN) m_peerEnded = true;
        else m_failed = true;
        failFromSsl(sslError, "write", err);
        return false;
    }
    return true;
}

bool OpensslTls::readSome(void *buf, size_t n, size_t &got, uint32_t timeoutMs, NetError &err) {
    got = 0;
    if (m_peerEnded) return true;
    if (m_failed) {
        err.set(NetError::Kind::Closed, 0, "the TLS session has ended");
        return false;
    }
    if (n == 0) return true;
    const auto deadline = PosixSocket::deadlineAfter(timeoutMs);
    for (;;) {
        ERR_clear_error();
        m_channel->lastError = 0;
        const int result = SSL_read(m_ssl, buf, n > INT_MAX ? INT_MAX : static_cast<int>(n));
        if (result > 0) {
            got = static_cast<size_t>(result);
            return true;
        }
        const int sslError = SSL_get_error(m_ssl, result);
        if (sslError == SSL_ERROR_WANT_READ || sslError == SSL_ERROR_WANT_WRITE) {
            if (!waitForRetry(sslError, deadline, "read timed out", err)) return false;
            continue;
        }
        if (sslError == SSL_ERROR_ZERO_RETURN) {
            m_peerEnded = true;
            return true;
        }
        // Servers that end a response by closing often skip close_notify; that is the end of
        // the data too (the framing above notices a response cut short). No close_notify is
        // sent back to a session in that state.
        const unsigned long queued = ERR_peek_error();
        bool truncated = m_channel->lastError == 0 && sslError == SSL_ERROR_SYSCALL && queued == 0;
#ifdef SSL_R_UNEXPECTED_EOF_WHILE_READING
        truncated = truncated || (m_channel->lastError == 0 && sslError == SSL_ERROR_SSL &&
                                  ERR_GET_LIB(queued) == ERR_LIB_SSL &&
                                  ERR_GET_REASON(queued) == SSL_R_UNEXPECTED_EOF_WHILE_READING);
#endif
        m_failed = true;
        if (truncated) {
            ERR_clear_error();
            m_peerEnded = true;
            return true;
        }
        failFromSsl(sslError, "read", err);
        return false;
    }
}

bool OpensslTls::peerStillOpen() {
    if (m_failed || m_peerEnded) return false;
    if (SSL_pending(m_ssl) > 0) return true;
    // Each round lets libssl take in what has arrived (a session ticket, close_notify, or the
    // end of the socket) without waiting; records still incomplete leave nothing readable.
    for (int round = 0; round < 8; ++round) {
        pollfd p = {m_channel->fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 0);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (ready == 0) return true;
        if (p.revents & (POLLERR | POLLNVAL)) {
            m_failed = true;
            return false;
        }
        char probe;
        ERR_clear_error();
        m_channel->lastError = 0;
        const int result = SSL_peek(m_ssl, &probe, 1);
        if (result > 0) return true;
        const int sslError = SSL_get_error(m_ssl, result);
        if (sslError == SSL_ERROR_WANT_READ) continue;
        if (sslError == SSL_ERROR_WANT_WRITE) return true;
        ERR_clear_error();
        if (sslError == SSL_ERROR_ZERO_RETURN) m_peerEnded = true;
        else m_failed = true;
        return false;
    }
    return true;
}

void OpensslTls::shutdown() {
    if (m_failed || m_shutDown) return;
    m_shutDown = true;
    ERR_clear_error();
    SSL_shutdown(m_ssl);  // one try: sends close_notify if the socket takes it now
    ERR_clear_error();
}

}  // namespace quorvel
