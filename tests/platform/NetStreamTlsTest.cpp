// The POSIX network stream over TLS: certificates made by the openssl command at test time, a
// TLS server of the test's own on loopback, and each way a certificate is refused.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "LoopbackServer.h"
#include "NetStreamTestSupport.h"
#include "platform/NetStream.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

using Kind = NetError::Kind;

const char kCaConfig[] =
    "[ca]\ndefault_ca = test_ca\n[test_ca]\ndatabase = index.txt\nnew_certs_dir = .\ncertificate = ca.pem\n"
    "private_key = ca.key\nserial = serial\ndefault_md = sha256\ndefault_days = 30\npolicy = any_name\n"
    "unique_subject = no\n[any_name]\ncommonName = supplied\n";
const char kKeyOptions[] = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

std::string g_dir;
bool g_haveOpenssl = false;
bool g_ready = false;

// The previous value of an environment variable, put back at the end of the suite.
struct SavedEnv {
    explicit SavedEnv(const char *n) : name(n) {}
    const char *name;
    bool had = false;
    std::string value;
    void save() {
        const char *v = std::getenv(name);
        had = v != nullptr;
        value = v ? v : "";
    }
    void restore() const {
        if (had) setenv(name, value.c_str(), 1);
        else unsetenv(name);
    }
};
SavedEnv g_certFile{"SSL_CERT_FILE"}, g_certDir{"SSL_CERT_DIR"};
struct sigaction g_previousSigpipe;

bool run(const std::string &command) {
    return std::system(("cd '" + g_dir + "' && " + command + " >>openssl.log 2>&1").c_str()) == 0;
}

// A key and a certificate for the CN, signed by the test CA for the given validity.
bool issue(const std::string &name, const std::string &altNames, const std::string &dates) {
    return writeRawFile(g_dir + name + ".ext", "subjectAltName=" + altNames +
                                                   "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n") &&
           run("openssl req -new " + std::string(kKeyOptions) + " -keyout " + name + ".key -out " + name +
               ".csr -subj /CN=" + name) &&
           run("openssl ca -batch -config ca.cnf -notext -in " + name + ".csr -out " + name + ".pem -extfile " +
               name + ".ext " + dates);
}

class NetStreamTls : public testing::Test {
protected:
    static void SetUpTestSuite() {
        g_haveOpenssl = std::system("openssl version >/dev/null 2>&1") == 0;
        if (!g_haveOpenssl) return;
        g_dir = scratchDir("net_stream_tls");
        const std::string kLoopback = "DNS:localhost,IP:127.0.0.1,IP:::1";
        const bool made =
            writeRawFile(g_dir + "ca.cnf", kCaConfig) && writeRawFile(g_dir + "index.txt", "") &&
            writeRawFile(g_dir + "serial", "1000\n") && writeRawFile(g_dir + "empty.pem", "") &&
            run("openssl req -x509 " + std::string(kKeyOptions) +
                " -keyout ca.key -out ca.pem -days 30 -subj '/CN=Quorvel Test CA'"
                " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign") &&
            issue("trusted", kLoopback, "") && issue("othername", "DNS:other.example,IP:192.0.2.1", "") &&
            issue("expired", kLoopback, "-startdate 20200101000000Z -enddate 20210101000000Z") &&
            run("openssl req -x509 " + std::string(kKeyOptions) +
                " -keyout selfsigned.key -out selfsigned.pem -days 30 -subj /CN=localhost -addext subjectAltName=" +
                kLoopback);
        if (!made) return;
        g_ready = true;
        g_certFile.save();
        g_certDir.save();
        trustOnly("ca.pem");
        setenv("SSL_CERT_DIR", g_dir.c_str(), 1);  // no hashed certificates there
        // The test servers write with OpenSSL's own socket layer, which can raise SIGPIPE.
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &g_previousSigpipe);
    }
    static void TearDownTestSuite() {
        if (!g_ready) return;
        g_certFile.restore();
        g_certDir.restore();
        sigaction(SIGPIPE, &g_previousSigpipe, nullptr);
    }
    void SetUp() override {
        if (!g_haveOpenssl) GTEST_SKIP() << "no openssl command to make the certificates";
        ASSERT_TRUE(g_ready) << "making the certificates failed, see " << g_dir << "openssl.log";
        trustOnly("ca.pem");
    }
    static void trustOnly(const char *file) { setenv("SSL_CERT_FILE", (g_dir + file).c_str(), 1); }
};

enum class Serve { Echo, EndWithoutCloseNotify, CloseOnSignal, ResetOnSignal };

// One TLS connection with the named certificate. Echo answers "sni=<name>;" and the first line
// received, then ends the session with close_notify.
void serveTls(int fd, const std::string &cert, Serve mode) {
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    SSL *ssl = nullptr;
    if (ctx && SSL_CTX_use_certificate_chain_file(ctx, (g_dir + cert + ".pem").c_str()) == 1 &&
        SSL_CTX_use_PrivateKey_file(ctx, (g_dir + cert + ".key").c_str(), SSL_FILETYPE_PEM) == 1 &&
        (ssl = SSL_new(ctx)) != nullptr && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1) {
        char buf[256];
        int n = 0;
        switch (mode) {
            case Serve::Echo: {
                std::string line;
                while (line.find('\n') == std::string::npos && (n = SSL_read(ssl, buf, sizeof buf)) > 0)
                    line.append(buf, static_cast<size_t>(n));
                const char *sni = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
                const std::string reply = "sni=" + std::string(sni ? sni : "") + ";" + line;
                SSL_write(ssl, reply.data(), static_cast<int>(reply.size()));
                SSL_shutdown(ssl);
                break;
            }
            case Serve::EndWithoutCloseNotify:
                SSL_write(ssl, "partial", 7);
                break;
            case Serve::CloseOnSignal:
            case Serve::ResetOnSignal:
                if (SSL_read(ssl, buf, 1) != 1) break;
                if (mode == Serve::CloseOnSignal) SSL_shutdown(ssl);
                else resetConnection(fd);
                break;
        }
    }
    SSL_free(ssl);
    SSL_CTX_free(ctx);
    ERR_clear_error();
}

NetConnectOptions tlsOptions(bool verify = true, uint32_t timeoutMs = 5000) {
    NetConnectOptions options;
    options.tls = true;
    options.verifyPeer = verify;
    options.connectTimeoutMs = timeoutMs;
    return options;
}

TEST_F(NetStreamTls, TrustedCertificateByAddressAndName) {
    const struct {
        int family;
        const char *host;
        const char *sni;
    } cases[] = {{AF_INET, "127.0.0.1", ""}, {AF_INET6, "::1", ""}, {AF_INET, "localhost", "localhost"}};
    for (const auto &c : cases) {
        LoopbackServer server(c.family, [](int fd) { serveTls(fd, "trusted", Serve::Echo); });
        ASSERT_TRUE(server.ok());
        NetError err;
        auto stream = NetStream::connect(c.host, server.port(), tlsOptions(), err);
        ASSERT_TRUE(stream) << c.host << ": " << err.text;
        EXPECT_TRUE(stream->isTls());
        EXPECT_TRUE(stream->isConnected());
        ASSERT_TRUE(stream->writeAll("hello\n", 6, 5000, err)) << err.text;
        std::string reply;
        EXPECT_TRUE(readToEnd(*stream, reply, err)) << err.text;
        EXPECT_EQ("sni=" + std::string(c.sni) + ";hello\n", reply) << c.host;
        EXPECT_FALSE(stream->isConnected());  // close_notify came
    }
}

TEST_F(NetStreamTls, RefusedCertificatesSayWhy) {
    const struct {
        const char *cert, *host, *trust;
        Kind kind;
        long code;
        const char *text;
    } cases[] = {
        {"othername", "localhost", "ca.pem", Kind::CertNameMismatch, X509_V_ERR_HOSTNAME_MISMATCH, "hostname mismatch"},
        {"othername", "127.0.0.1", "ca.pem", Kind::CertNameMismatch, X509_V_ERR_IP_ADDRESS_MISMATCH,
         "IP address mismatch"},
        {"selfsigned", "localhost", "ca.pem", Kind::CertUntrusted, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
         "self-signed certificate"},
        {"expired", "127.0.0.1", "ca.pem", Kind::CertExpired, X509_V_ERR_CERT_HAS_EXPIRED, "certificate has expired"},
        // The trust store follows SSL_CERT_FILE as it is when the connection opens.
        {"trusted", "localhost", "empty.pem", Kind::CertUntrusted, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
         "unable to get local issuer certificate"},
    };
    for (const auto &c : cases) {
        trustOnly(c.trust);
        const std::string cert = c.cert;
        LoopbackServer server(AF_INET, [cert](int fd) { serveTls(fd, cert, Serve::Echo); });
        ASSERT_TRUE(server.ok());
        NetError err;
        EXPECT_FALSE(NetStream::connect(c.host, server.port(), tlsOptions(), err)) << c.cert;
        EXPECT_EQ(c.kind, err.kind) << c.cert << " " << c.host;
        EXPECT_EQ(c.code, err.code) << c.cert << " " << c.host;
        EXPECT_EQ(c.text, err.text) << c.cert << " " << c.host;
    }
}

TEST_F(NetStreamTls, UnverifiedSessionAcceptsAnyCertificate) {
    LoopbackServer server(AF_INET, [](int fd) { serveTls(fd, "selfsigned", Serve::Echo); });
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", server.port(), tlsOptions(false), err);
    ASSERT_TRUE(stream) << err.text;
    ASSERT_TRUE(stream->writeAll("x\n", 2, 5000, err)) << err.text;
    std::string reply;
    EXPECT_TRUE(readToEnd(*stream, reply, err)) << err.text;
    EXPECT_EQ("sni=;x\n", reply);
}

TEST_F(NetStreamTls, EndWithoutCloseNotifyIsEndOfData) {
    LoopbackServer server(AF_INET, [](int fd) { serveTls(fd, "trusted", Serve::EndWithoutCloseNotify); });
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("localhost", server.port(), tlsOptions(), err);
    ASSERT_TRUE(stream) << err.text;
    std::string reply;
    EXPECT_TRUE(readToEnd(*stream, reply, err)) << err.text;
    EXPECT_EQ("partial", reply);
    EXPECT_FALSE(stream->isConnected());
    EXPECT_FALSE(stream->writeAll("x", 1, 1000, err));
    EXPECT_EQ(Kind::Closed, err.kind);
}

TEST_F(NetStreamTls, HandshakeFailuresOtherThanTheCertificate) {
    LoopbackServer plain(AF_INET, [](int fd) { ::send(fd, "HTTP/1.0 400 Bad Request\r\n\r\n", 28, MSG_NOSIGNAL); });
    ASSERT_TRUE(plain.ok());
    NetError err;
    EXPECT_FALSE(NetStream::connect("127.0.0.1", plain.port(), tlsOptions(), err));
    EXPECT_EQ(Kind::TlsHandshake, err.kind);
    EXPECT_FALSE(err.text.empty());

    LoopbackServer silent(AF_INET, drainUntilClosed);
    ASSERT_TRUE(silent.ok());
    EXPECT_FALSE(NetStream::connect("127.0.0.1", silent.port(), tlsOptions(true, 150), err));
    EXPECT_EQ(Kind::Timeout, err.kind);
    EXPECT_EQ("TLS handshake timed out", err.text);
}

TEST_F(NetStreamTls, IsConnectedSeesThePeerEndTheSession) {
    for (const Serve mode : {Serve::CloseOnSignal, Serve::ResetOnSignal}) {
        LoopbackServer server(AF_INET6, [mode](int fd) { serveTls(fd, "trusted", mode); });
        ASSERT_TRUE(server.ok());
        NetError err;
        auto stream = NetStream::connect("::1", server.port(), tlsOptions(), err);
        ASSERT_TRUE(stream) << err.text;
        // Session tickets that arrive after the handshake are no sign of an end.
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(stream->isConnected());
        ASSERT_TRUE(stream->writeAll("s", 1, 5000, err)) << err.text;
        EXPECT_TRUE(waitUntilDisconnected(*stream));
    }
}

std::atomic<int> g_sigpipes{0};

// The stream's own socket to the port, found among the process's descriptors.
int clientSocketTo(uint16_t port) {
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) == 0 && peer.sin_family == AF_INET &&
            ntohs(peer.sin_port) == port)
            return fd;
    }
    return -1;
}

TEST_F(NetStreamTls, WritingToAResetPeerFailsWithoutSigpipe) {
    struct sigaction counting = {}, previous = {};
    counting.sa_handler = [](int) { ++g_sigpipes; };
    sigemptyset(&counting.sa_mask);
    ASSERT_EQ(0, sigaction(SIGPIPE, &counting, &previous));
    LoopbackServer server(AF_INET, [](int fd) { serveTls(fd, "trusted", Serve::ResetOnSignal); });
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", server.port(), tlsOptions(), err);
    ASSERT_TRUE(stream) << err.text;
    // Once the reset's error has been taken from the socket, a send fails with EPIPE, the case
    // that raises SIGPIPE unless the send asks it not to.
    const int fd = clientSocketTo(server.port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(stream->writeAll("s", 1, 1000, err)) << err.text;
    int pending = 0;
    for (int i = 0; i < 500 && pending == 0; ++i) {
        socklen_t length = sizeof pending;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
        if (pending == 0) std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    EXPECT_EQ(ECONNRESET, pending);
    EXPECT_FALSE(stream->writeAll("after the reset", 15, 1000, err));
    sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_EQ(Kind::Closed, err.kind) << err.text;
    EXPECT_EQ(EPIPE, err.code);
    EXPECT_EQ(0, g_sigpipes.load());
}

}  // namespace
}  // namespace quorvel::test

#endif
