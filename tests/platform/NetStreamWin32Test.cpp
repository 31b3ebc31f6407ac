// The Windows network stream over plain TCP, against Winsock servers of the test's own on
// loopback; also the TLS handshake failures that need no certificate.
#ifdef _WIN32

#include "platform/NetStream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "NetStreamTestSupport.h"
#include "WinsockLoopbackServer.h"

namespace quorvel::test {
namespace {

using Kind = NetError::Kind;

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The text a refusal carries: the system's message, never the bare number.
void expectSystemText(const NetError &err) {
    EXPECT_FALSE(err.text.empty());
    EXPECT_EQ(std::string::npos, err.text.find("error " + std::to_string(err.code))) << err.text;
}

TEST(NetStreamWin32, EchoesBothWaysOnIpv4AndIpv6) {
    const struct {
        int family;
        const char *host;
    } cases[] = {{AF_INET, "127.0.0.1"}, {AF_INET6, "::1"}, {AF_INET, "localhost"}, {AF_INET, "LocalHost"}};
    // "localhost" may list ::1 first, where nothing listens: the next address is tried.
    // Large enough that the writes and reads take several steps.
    std::string payload(256 * 1024, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7 + i / 251);
    for (const auto &c : cases) {
        WinsockLoopbackServer server(c.family, [](SOCKET s) {
            char buf[8192];
            for (int n; (n = ::recv(s, buf, sizeof buf, 0)) > 0;)
                if (::send(s, buf, n, 0) != n) return;
        });
        ASSERT_TRUE(server.ok()) << c.host;
        NetError err;
        auto stream = NetStream::connect(c.host, server.port(), {}, err);
        ASSERT_TRUE(stream) << c.host << ": " << err.text;
        EXPECT_EQ(Kind::None, err.kind);
        EXPECT_EQ(c.family == AF_INET6 ? "::1" : "127.0.0.1", stream->peerAddress());
        EXPECT_FALSE(stream->isTls());
        std::string echoed;
        // Written in pieces and read back in between, so neither side's buffers fill up.
        for (size_t sent = 0; sent < payload.size(); sent += 16384) {
            ASSERT_TRUE(stream->writeAll(payload.data() + sent, 16384, 5000, err)) << err.text;
            ASSERT_TRUE(readExactly(*stream, echoed, sent + 16384, err)) << err.text;
        }
        EXPECT_TRUE(echoed == payload) << c.host;
        EXPECT_TRUE(stream->isConnected());
        stream->close();
        EXPECT_FALSE(stream->isConnected());
    }
}

TEST(NetStreamWin32, RefusedPortFailsToConnect) {
    uint16_t port = 0;
    const SOCKET bound = bindLoopback(AF_INET, -1, port);  // bound, never listening: refused
    ASSERT_NE(INVALID_SOCKET, bound);
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", port, {}, err);
    ::closesocket(bound);
    EXPECT_FALSE(stream);
    EXPECT_EQ(Kind::ConnectFailed, err.kind);
    EXPECT_EQ(WSAECONNREFUSED, err.code);
    expectSystemText(err);
}

TEST(NetStreamWin32, FullBacklogTimesOutTheConnect) {
    // A listener that never accepts: once its queue is full, further connection requests go
    // unanswered and only the connect limit ends the wait.
    uint16_t port = 0;
    const SOCKET listener = bindLoopback(AF_INET, 0, port);
    ASSERT_NE(INVALID_SOCKET, listener);
    NetConnectOptions quick;
    quick.connectTimeoutMs = 200;
    NetError err;
    std::unique_ptr<NetStream> held[4];
    bool timedOut = false;
    for (auto &stream : held) {
        stream = NetStream::connect("127.0.0.1", port, quick, err);
        if (!stream) {
            timedOut = true;
            break;
        }
    }
    ::closesocket(listener);
    ASSERT_TRUE(timedOut) << "every connection request was taken";
    EXPECT_EQ(Kind::ConnectFailed, err.kind);
    EXPECT_EQ(WSAETIMEDOUT, err.code);
    expectSystemText(err);
}

TEST(NetStreamWin32, UnresolvableNamesFailAsDns) {
    const struct {
        std::string host;
        int64_t code;
    } cases[] = {
        {"no-such-host.invalid", WSAHOST_NOT_FOUND},
        {"Deep.Name.INVALID.", WSAHOST_NOT_FOUND},
        {"invalid", WSAHOST_NOT_FOUND},
        {"", 0},
        {std::string("local\0host", 10), 0},
        {"bad\xff.example", 0},  // not UTF-8
    };
    for (const auto &c : cases) {
        NetError err;
        EXPECT_FALSE(NetStream::connect(c.host, 80, {}, err)) << c.host;
        EXPECT_EQ(Kind::DnsFailed, err.kind) << c.host;
        EXPECT_EQ(c.code, err.code) << c.host;
        EXPECT_FALSE(err.text.empty()) << c.host;
    }
    NetError err;
    EXPECT_FALSE(NetStream::connect("127.0.0.1", 0, {}, err));
    EXPECT_EQ(Kind::ConnectFailed, err.kind);
    EXPECT_EQ("port 0 cannot be connected to", err.text);
}

TEST(NetStreamWin32, SilentServerTimesOutTheRead) {
    WinsockLoopbackServer server(AF_INET, drainUntilClosed);
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", server.port(), {}, err);
    ASSERT_TRUE(stream) << err.text;
    char buf[16];
    size_t got = 99;
    EXPECT_FALSE(stream->readSome(buf, sizeof buf, got, 150, err));
    EXPECT_EQ(0u, got);
    EXPECT_EQ(Kind::Timeout, err.kind);
    EXPECT_EQ("read timed out", err.text);
    // A timeout leaves the connection usable.
    EXPECT_TRUE(stream->isConnected());
    EXPECT_TRUE(stream->writeAll("x", 1, 1000, err)) << err.text;
}

TEST(NetStreamWin32, ServerThatNeverReadsTimesOutTheWrite) {
    std::atomic<bool> done{false};
    WinsockLoopbackServer server(AF_INET, [&done](SOCKET) {
        // Holds the connection open, reading nothing, until the client is done (five seconds at most).
        for (int i = 0; i < 1000 && !done; ++i) Sleep(5);
    });
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", server.port(), {}, err);
    // Far more than both sides' buffers hold, so the write has to wait for room that never comes.
    const std::string block(64 * 1024 * 1024, 'w');
    if (stream) {
        EXPECT_FALSE(stream->writeAll(block.data(), block.size(), 150, err));
        EXPECT_EQ(Kind::Timeout, err.kind);
        EXPECT_EQ("write timed out", err.text);
    }
    done = true;
    ASSERT_TRUE(stream) << err.text;
}

TEST(NetStreamWin32, ReadsToTheOrderlyEnd) {
    WinsockLoopbackServer server(AF_INET6, [](SOCKET s) { ::send(s, "bye", 3, 0); });
    if (!server.ok()) GTEST_SKIP() << "no IPv6 loopback";
    NetError err;
    auto stream = NetStream::connect("::1", server.port(), {}, err);
    ASSERT_TRUE(stream) << err.text;
    std::string all;
    EXPECT_TRUE(readToEnd(*stream, all, err)) << err.text;
    EXPECT_EQ("bye", all);
    size_t got = 5;
    char buf[4];
    EXPECT_TRUE(stream->readSome(buf, sizeof buf, got, 100, err));  // the end stays the end
    EXPECT_EQ(0u, got);
}

TEST(NetStreamWin32, IsConnectedSeesThePeerCloseOrReset) {
    const struct {
        const char *how;
        char go;
    } cases[] = {{"close", 'c'}, {"data, then close", 'd'}, {"reset", 'r'}};
    for (const auto &c : cases) {
        WinsockLoopbackServer server(AF_INET, [](SOCKET s) {
            char go;
            if (::recv(s, &go, 1, 0) != 1) return;  // the client has seen the connection open
            if (go == 'd') ::send(s, "data", 4, 0);
            if (go == 'r') resetConnection(s);
        });
        ASSERT_TRUE(server.ok());
        NetError err;
        auto stream = NetStream::connect("127.0.0.1", server.port(), {}, err);
        ASSERT_TRUE(stream) << err.text;
        EXPECT_TRUE(stream->isConnected());
        ASSERT_TRUE(stream->writeAll(&c.go, 1, 1000, err)) << err.text;
        if (c.go == 'd') {
            std::string data;
            ASSERT_TRUE(readExactly(*stream, data, 4, err)) << err.text;
            EXPECT_EQ("data", data);
        }
        EXPECT_TRUE(waitUntilDisconnected(*stream)) << c.how;
    }
}

TEST(NetStreamWin32, ResetPeerEndsReadsAndWritesAsClosed) {
    WinsockLoopbackServer server(AF_INET, [](SOCKET s) {
        char go;
        if (::recv(s, &go, 1, 0) == 1) resetConnection(s);
    });
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", server.port(), {}, err);
    ASSERT_TRUE(stream) << err.text;
    ASSERT_TRUE(stream->writeAll("r", 1, 1000, err)) << err.text;
    ASSERT_TRUE(waitUntilDisconnected(*stream));
    char buf[8];
    size_t got = 9;
    const bool read = stream->readSome(buf, sizeof buf, got, 5000, err);
    if (read && got == 0 && underWine()) {
        // Wine's recv reports a reset connection as an orderly end; only the write below sees it.
        std::printf("note: under Wine a reset reads as the end of the data\n");
    } else {
        EXPECT_FALSE(read) << got;
        EXPECT_EQ(Kind::Closed, err.kind) << err.text;
        EXPECT_EQ(WSAECONNRESET, err.code);
        expectSystemText(err);
    }
    EXPECT_FALSE(stream->writeAll("x", 1, 1000, err));
    EXPECT_EQ(Kind::Closed, err.kind) << err.text;
    EXPECT_TRUE(err.code == WSAECONNRESET || err.code == WSAECONNABORTED) << err.code;
    expectSystemText(err);
}

TEST(NetStreamWin32, ClosedStreamRefusesEverything) {
    WinsockLoopbackServer server(AF_INET, drainUntilClosed);
    ASSERT_TRUE(server.ok());
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", server.port(), {}, err);
    ASSERT_TRUE(stream) << err.text;
    stream->close();
    stream->close();
    char buf[4];
    size_t got = 7;
    EXPECT_FALSE(stream->readSome(buf, sizeof buf, got, 100, err));
    EXPECT_EQ(0u, got);
    EXPECT_EQ(Kind::Closed, err.kind);
    EXPECT_FALSE(stream->writeAll("x", 1, 100, err));
    EXPECT_EQ(Kind::Closed, err.kind);
    EXPECT_EQ("the connection is closed", err.text);
    EXPECT_FALSE(stream->isConnected());
}

NetConnectOptions tlsOptions(uint32_t timeoutMs) {
    NetConnectOptions options;
    options.tls = true;
    options.connectTimeoutMs = timeoutMs;
    return options;
}

TEST(NetStreamWin32, TlsHandshakeFailuresOtherThanTheCertificate) {
    WinsockLoopbackServer plain(AF_INET, [](SOCKET s) {
        char hello[512];
        ::recv(s, hello, sizeof hello, 0);  // the client's first handshake message
        ::send(s, "HTTP/1.0 400 Bad Request\r\n\r\n", 28, 0);
    });
    ASSERT_TRUE(plain.ok());
    NetError err;
    EXPECT_FALSE(NetStream::connect("127.0.0.1", plain.port(), tlsOptions(5000), err));
    EXPECT_EQ(Kind::TlsHandshake, err.kind);
    EXPECT_FALSE(err.text.empty());

    WinsockLoopbackServer hangsUp(AF_INET, [](SOCKET s) {
        char hello[512];
        ::recv(s, hello, sizeof hello, 0);
    });
    ASSERT_TRUE(hangsUp.ok());
    EXPECT_FALSE(NetStream::connect("localhost", hangsUp.port(), tlsOptions(5000), err));
    EXPECT_EQ(Kind::TlsHandshake, err.kind);
    EXPECT_EQ("TLS handshake: the peer closed the connection", err.text);

    WinsockLoopbackServer silent(AF_INET, drainUntilClosed);
    ASSERT_TRUE(silent.ok());
    EXPECT_FALSE(NetStream::connect("127.0.0.1", silent.port(), tlsOptions(150), err));
    EXPECT_EQ(Kind::Timeout, err.kind);
    EXPECT_EQ("TLS handshake timed out", err.text);
}

}  // namespace
}  // namespace quorvel::test

#endif
