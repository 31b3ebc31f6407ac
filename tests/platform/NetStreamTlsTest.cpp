// The network stream over TLS (POSIX and Windows), against the TLS peer tls_peer.py (certificates
// made by the openssl command at test time). On Windows the peer runs around this program and its
// test CA is trusted inside the test's own Wine prefix; on POSIX this suite starts the peer itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "LoopbackServer.h"
#include "platform/NetStream.h"
#include "support/TestCaTrust.h"
#include "support/TestFiles.h"

#ifdef _WIN32
#define NetStreamTls NetStreamWin32Tls  // the name the Windows test entry selects
#else
#include <openssl/x509_vfy.h>
#endif

namespace quorvel::test {
namespace {

using Kind = NetError::Kind;

std::map<std::string, std::string> g_peer;  // "dir" and the port of each listener
std::string g_setupProblem;

// What tls_peer.py passes on: "dir=WORK_DIR;NAME=PORT;...".
void parsePeer(std::string rest) {
    while (!rest.empty()) {
        const std::string item = rest.substr(0, rest.find(';'));
        if (item.find('=') != std::string::npos) g_peer[item.substr(0, item.find('='))] = item.substr(item.find('=') + 1);
        rest = item.size() < rest.size() ? rest.substr(item.size() + 1) : "";
    }
}

#ifdef _WIN32
const bool kSchannel = true;
std::unique_ptr<TrustedTestCa> g_trustedCa;

// The peer runs around this program; its CA is trusted in the Wine prefix for the suite.
void startPeer() {
    const char *listeners = std::getenv("QUORVEL_TLS_PEER");
    parsePeer(listeners ? listeners : "");
    if (g_peer.empty()) return;
    g_trustedCa = std::make_unique<TrustedTestCa>(g_peer["dir"] + "/ca.pem");
    g_setupProblem = g_trustedCa->problem();
}
void stopPeer() { g_trustedCa.reset(); }
void trustTheTestCa() {}
#else
const bool kSchannel = false;

FILE *g_peerProcess = nullptr;
std::string g_savedCertFile;  // "=value", or empty when it was unset

// The peer runs in the background here, around a shell that writes the ports to a file and then
// waits for its input, held by this program, to end; the peer stops with the shell.
void startPeer() {
    if (std::system("python3 -c '' >/dev/null 2>&1 && openssl version >/dev/null 2>&1") != 0) return;  // skipped
    const std::string dir = scratchDir("net_stream_tls"), script = QUORVEL_TEST_DATA_DIR "/../platform/tls_peer.py";
    g_peerProcess = popen(("python3 '" + script + "' '" + dir + "peer' -- sh -c 'printf %s \"$QUORVEL_TLS_PEER\" " +
                           ">\"$0.part\" && mv \"$0.part\" \"$0\" && read _' '" + dir + "ports'").c_str(), "w");
    std::string ports;
    for (int i = 0; i < 600 && g_peerProcess && !readRawFile(dir + "ports", ports); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the certificates take a moment
    parsePeer(ports.empty() ? "dir=" + dir + "peer" : ports);
    if (ports.empty()) g_setupProblem = "tls_peer.py did not start, see " + dir + "peer/openssl.log";
    const char *saved = std::getenv("SSL_CERT_FILE");
    g_savedCertFile = saved ? std::string("=") + saved : "";
    writeRawFile(g_peer["dir"] + "/empty.pem", "");
}
void stopPeer() {
    if (!g_peerProcess) return;
    pclose(g_peerProcess);  // ends the shell's input, and with it the peer
    g_peerProcess = nullptr;
    g_savedCertFile.empty() ? unsetenv("SSL_CERT_FILE") : setenv("SSL_CERT_FILE", g_savedCertFile.c_str() + 1, 1);
}
void trustTheTestCa() { setenv("SSL_CERT_FILE", (g_peer["dir"] + "/ca.pem").c_str(), 1); }
#endif

class NetStreamTls : public testing::Test {
protected:
    static void SetUpTestSuite() { startPeer(); }
    static void TearDownTestSuite() { stopPeer(); }
    void SetUp() override {
        if (g_peer.empty()) GTEST_SKIP() << "no TLS peer (on Windows: the platform_tests_tls entry; needs openssl)";
        ASSERT_TRUE(g_setupProblem.empty()) << g_setupProblem;
        trustTheTestCa();
    }
    static uint16_t port(const std::string &listener) { return static_cast<uint16_t>(std::atoi(g_peer[listener].c_str())); }
};

NetConnectOptions tlsOptions(bool verify = true) { return options(10000, true, verify); }

// Sends one command line and reads the answer up to the peer's end.
bool ask(NetStream &stream, const std::string &line, std::string &reply, NetError &err) {
    return stream.writeAll(line.data(), line.size(), 5000, err) && readToEnd(stream, reply, err);
}

TEST_F(NetStreamTls, TrustedOrUnverifiedCertificateByAddressAndName) {
    const struct {
        const char *listener, *host;
        bool verify;
    } cases[] = {{"trusted", "127.0.0.1", true}, {"trusted6", "::1", true}, {"trusted", "localhost", true},
                 {"trusted", "LocalHost", true}, {"selfsigned", "127.0.0.1", false}, {"expired", "localhost", false}};
    for (const auto &c : cases) {
        NetError err;
        auto stream = NetStream::connect(c.host, port(c.listener), tlsOptions(c.verify), err);
        ASSERT_TRUE(stream) << c.host << ": " << err.text;
        EXPECT_TRUE(stream->isTls() && stream->isConnected());
        std::string reply;
        EXPECT_TRUE(ask(*stream, "echo hello\n", reply, err)) << err.text;
        const size_t version = reply.find(";version=");
        ASSERT_NE(std::string::npos, version) << reply;
        const std::string sni = reply.substr(4, version - 4);
        // The name goes out as the server name, an address never (Schannel may send one).
        if (c.host[0] == 'L' || c.host[0] == 'l') EXPECT_TRUE(sni == "localhost" || sni == "LocalHost") << sni;
        else EXPECT_TRUE(sni.empty() || (kSchannel && sni == c.host)) << sni;
        EXPECT_EQ(";hello\n", reply.substr(reply.find(';', version + 1))) << reply;
        EXPECT_FALSE(stream->isConnected());  // close_notify came
    }
}

TEST_F(NetStreamTls, RefusedCertificatesSayWhy) {
    const auto refused = [](const char *listener, const char *host, Kind kind, int64_t code, const std::string &reason) {
        NetError err;
        EXPECT_FALSE(NetStream::connect(host, port(listener), tlsOptions(), err)) << listener;
        EXPECT_EQ(kind, err.kind) << listener << " " << host << ": " << err.text;
        EXPECT_EQ(code, err.code) << listener << " " << host;
        // Schannel's reason comes with the system's text after it.
        if (kSchannel) EXPECT_TRUE(err.text.rfind(reason, 0) == 0 && err.text.size() > reason.size()) << err.text;
        else EXPECT_EQ(reason, err.text);
    };
#ifdef _WIN32
    const auto hr = [](HRESULT h) { return static_cast<int64_t>(static_cast<uint32_t>(h)); };
    const char *mismatch = "certificate name mismatch: ", *expired = "certificate has expired or is not yet valid: ";
    refused("othername", "localhost", Kind::CertNameMismatch, hr(CERT_E_CN_NO_MATCH), mismatch);
    refused("othername", "127.0.0.1", Kind::CertNameMismatch, hr(CERT_E_CN_NO_MATCH), mismatch);
    refused("selfsigned", "localhost", Kind::CertUntrusted, hr(CERT_E_UNTRUSTEDROOT), "unknown issuer: ");
    refused("expired", "127.0.0.1", Kind::CertExpired, hr(CERT_E_EXPIRED), expired);
    refused("expired", "localhost", Kind::CertExpired, hr(CERT_E_EXPIRED), expired);
#else
    refused("othername", "localhost", Kind::CertNameMismatch, X509_V_ERR_HOSTNAME_MISMATCH, "hostname mismatch");
    refused("othername", "127.0.0.1", Kind::CertNameMismatch, X509_V_ERR_IP_ADDRESS_MISMATCH, "IP address mismatch");
    refused("selfsigned", "localhost", Kind::CertUntrusted, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
            "self-signed certificate");
    refused("expired", "127.0.0.1", Kind::CertExpired, X509_V_ERR_CERT_HAS_EXPIRED, "certificate has expired");
    // The trust store follows SSL_CERT_FILE as it is when the connection opens: here it knows no issuer.
    setenv("SSL_CERT_FILE", (g_peer["dir"] + "/empty.pem").c_str(), 1);
    refused("trusted", "localhost", Kind::CertUntrusted, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
            "unable to get local issuer certificate");
#endif
}

TEST_F(NetStreamTls, SpeaksTls12AndTls13ButNothingOlderAndCarriesLargeData) {
    for (const std::string listener : {"tls12", "trusted"}) {
        NetError err;
        auto stream = NetStream::connect("localhost", port(listener), tlsOptions(), err);
        ASSERT_TRUE(stream) << err.text;
        std::string reply;
        EXPECT_TRUE(ask(*stream, "echo v\n", reply, err)) << err.text;
        const std::string expected = listener == "tls12" ? ";version=TLSv1.2;" : ";version=TLSv1.3;";
        if (reply.find(expected) == std::string::npos && underWine())
            std::printf("note: this Wine's TLS layer offers no TLS 1.3 (%s)\n", reply.c_str());
        else
            EXPECT_NE(std::string::npos, reply.find(expected)) << reply;
        // Several records each way.
        stream = NetStream::connect("localhost", port(listener), tlsOptions(), err);
        ASSERT_TRUE(stream && stream->writeAll("pipe 262144\n", 12, 5000, err)) << err.text;
        EXPECT_TRUE(echoInPieces(*stream, 40000, err)) << listener << ": " << err.text;
        reply.clear();
        EXPECT_TRUE(readToEnd(*stream, reply, err) && reply.empty()) << err.text;
    }
    NetError err;
    EXPECT_FALSE(NetStream::connect("localhost", port("tls11"), tlsOptions(), err));
    EXPECT_EQ(Kind::TlsHandshake, err.kind) << err.text;
    EXPECT_FALSE(err.text.empty());
}

TEST_F(NetStreamTls, IsConnectedSeesThePeerEndTheSession) {
    for (const std::string command : {"close", "reset", "partial"}) {
        for (const std::string listener : {"trusted6", "tls12"}) {
            SCOPED_TRACE(command + " " + listener);
            NetError err;
            auto stream = NetStream::connect(listener == "tls12" ? "127.0.0.1" : "::1", port(listener), tlsOptions(), err);
            ASSERT_TRUE(stream) << err.text;
            // Session tickets that arrive after the handshake are no sign of an end.
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(stream->isConnected());
            const std::string line = command + "\n";
            std::string reply;  // an end without close_notify is the end of the data too
            ASSERT_TRUE(stream->writeAll(line.data(), line.size(), 5000, err)) << err.text;
            EXPECT_TRUE(command != "partial" || (readToEnd(*stream, reply, err) && reply == "partial")) << err.text;
            EXPECT_TRUE(waitUntilDisconnected(*stream));
            EXPECT_FALSE(stream->writeAll("x", 1, 1000, err));
            EXPECT_EQ(Kind::Closed, err.kind) << err.text;
        }
    }
}

TEST_F(NetStreamTls, CloseSendsCloseNotify) {
    NetError err;
    auto stream = NetStream::connect("localhost", port("trusted"), tlsOptions(), err);
    ASSERT_TRUE(stream) << err.text;
    std::string ready;
    ASSERT_TRUE(stream->writeAll("notify n1\n", 10, 5000, err) && readExactly(*stream, ready, 6, err)) << err.text;
    EXPECT_EQ("ready\n", ready);
    stream->close();
    // The peer notes the outcome once our close_notify (or the bare end) has come.
    std::string outcome = "unknown\n";
    for (int i = 0; i < 50 && outcome == "unknown\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        auto asker = NetStream::connect("localhost", port("trusted"), tlsOptions(), err);
        ASSERT_TRUE(asker) << err.text;
        outcome.clear();
        ASSERT_TRUE(ask(*asker, "result n1\n", outcome, err)) << err.text;
    }
    EXPECT_EQ("clean\n", outcome);
}

TEST_F(NetStreamTls, ServerRenegotiationKeepsTheDataFlowing) {
    if (g_peer.count("renegotiate") == 0) GTEST_SKIP() << "the peer has no openssl s_server to renegotiate";
    // After SEC_I_RENEGOTIATE, Wine's Schannel (8.0) holds its ClientHello until the server's next record.
    if (underWine()) GTEST_SKIP() << "under Wine a renegotiation asked for by the server cannot complete";
    NetError err;
    auto stream = NetStream::connect("localhost", port("renegotiate"), tlsOptions(), err);
    ASSERT_TRUE(stream) << err.text;
    std::string lines;  // the new handshake comes between the two lines
    EXPECT_TRUE(readExactly(*stream, lines, 13, err)) << err.text;
    EXPECT_EQ("before\nafter\n", lines);
    EXPECT_TRUE(stream->isConnected());
    EXPECT_TRUE(stream->writeAll("bye\n", 4, 5000, err)) << err.text;
}

#ifndef _WIN32
TEST_F(NetStreamTls, WritingToAResetPeerFailsWithoutSigpipe) {
    SigpipeCounter sigpipes;
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", port("trusted"), tlsOptions(), err);
    ASSERT_TRUE(stream) << err.text;
    // The stream's own socket, found among the process's descriptors by its peer's port.
    int fd = 0;
    for (sockaddr_in peer{}; fd < 1024; ++fd) {
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) == 0 && ntohs(peer.sin_port) == port("trusted"))
            break;
    }
    ASSERT_LT(fd, 1024);
    // Once the reset's error has been taken from the socket, a send fails with EPIPE, the case
    // that raises SIGPIPE unless the send asks it not to.
    ASSERT_TRUE(stream->writeAll("reset\n", 6, 1000, err)) << err.text;
    int pending = 0;
    for (int i = 0; i < 500 && pending == 0; ++i) {
        socklen_t length = sizeof pending;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
        if (pending == 0) std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    EXPECT_EQ(ECONNRESET, pending);
    EXPECT_FALSE(stream->writeAll("after the reset", 15, 1000, err));
    EXPECT_EQ(Kind::Closed, err.kind) << err.text;
    EXPECT_EQ(EPIPE, err.code);
    EXPECT_EQ(0, sigpipes.raised.load());
}
#endif

}  // namespace
}  // namespace quorvel::test
