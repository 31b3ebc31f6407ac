// The POSIX network stream over plain TCP, against servers of the test's own on loopback.
#ifndef _WIN32

#include "platform/NetStream.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "LoopbackServer.h"
#include "NetStreamTestSupport.h"

namespace quorvel::test {
namespace {

using Kind = NetError::Kind;

TEST(NetStream, EchoesBothWaysOnIpv4AndIpv6) {
    const struct {
        int family;
        const char *host;
    } cases[] = {{AF_INET, "127.0.0.1"}, {AF_INET6, "::1"}, {AF_INET, "localhost"}};
    // "localhost" may list ::1 first, where nothing listens: the next address is tried.
    // Large enough that the writes and reads take several steps.
    std::string payload(256 * 1024, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7 + i / 251);
    for (const auto &c : cases) {
        LoopbackServer server(c.family, [](int fd) {
            char buf[8192];
            for (long n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
                if (::send(fd, buf, static_cast<size_t>(n), MSG_NOSIGNAL) != n) return;
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

TEST(NetStream, RefusedPortFailsToConnect) {
    uint16_t port = 0;
    const int fd = bindLoopback(AF_INET, false, port);  // bound, never listening: refused
    ASSERT_GE(fd, 0);
    NetError err;
    auto stream = NetStream::connect("127.0.0.1", port, {}, err);
    ::close(fd);
    EXPECT_FALSE(stream);
    EXPECT_EQ(Kind::ConnectFailed, err.kind);
    EXPECT_EQ(ECONNREFUSED, err.code);
    EXPECT_EQ(std::strerror(ECONNREFUSED), err.text);
}

TEST(NetStream, UnresolvableNamesFailAsDns) {
    const struct {
        const char *host;
        int64_t code;
        const char *text;
    } cases[] = {
        {"no-such-host.invalid", EAI_NONAME, gai_strerror(EAI_NONAME)},
        {"Deep.Name.INVALID.", EAI_NONAME, gai_strerror(EAI_NONAME)},
        {"invalid", EAI_NONAME, gai_strerror(EAI_NONAME)},
        {"", 0, "the host name is empty"},
    };
    for (const auto &c : cases) {
        NetError err;
        EXPECT_FALSE(NetStream::connect(c.host, 80, {}, err)) << c.host;
        EXPECT_EQ(Kind::DnsFailed, err.kind) << c.host;
        EXPECT_EQ(c.code, err.code) << c.host;
        EXPECT_EQ(c.text, err.text) << c.host;
    }
    NetError err;
    EXPECT_FALSE(NetStream::connect(std::string("local\0host", 10), 80, {}, err));
    EXPECT_EQ(Kind::DnsFailed, err.kind);
    EXPECT_FALSE(NetStream::connect("127.0.0.1", 0, {}, err));
    EXPECT_EQ(Kind::ConnectFailed, err.kind);
}

TEST(NetStream, SilentServerTimesOutTheRead) {
    LoopbackServer server(AF_INET, drainUntilClosed);
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

TEST(NetStream, ReadsToTheOrderlyEnd) {
    LoopbackServer server(AF_INET6, [](int fd) { ::send(fd, "bye", 3, MSG_NOSIGNAL); });
    if (!server.ok()) GTEST_SKIP() << "no IPv6 loopback";
    NetError err;
    auto stream = NetStream::connect("::1", server.port(), {}, err);
    ASSERT_TRUE(stream) << err.text;
    std::string all;
    EXPECT_TRUE(readToEnd(*stream, all, err)) << err.text;
    EXPECT_EQ("bye", all);
}

TEST(NetStream, IsConnectedSeesThePeerCloseOrReset) {
    const struct {
        const char *how;
        char go;
    } cases[] = {{"close", 'c'}, {"data, then close", 'd'}, {"reset", 'r'}};
    for (const auto &c : cases) {
        LoopbackServer server(AF_INET, [](int fd) {
            char go;
            if (::recv(fd, &go, 1, 0) != 1) return;  // the client has seen the connection open
            if (go == 'd') ::send(fd, "data", 4, MSG_NOSIGNAL);
            if (go == 'r') resetConnection(fd);
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

std::atomic<int> g_sigpipes{0};

TEST(NetStream, WritingToAResetPeerFailsWithoutSigpipe) {
    struct sigaction counting = {}, previous = {};
    counting.sa_handler = [](int) { ++g_sigpipes; };
    sigemptyset(&counting.sa_mask);
    ASSERT_EQ(0, sigaction(SIGPIPE, &counting, &previous));
    for (const bool reset : {true, false}) {
        LoopbackServer server(AF_INET, [reset](int fd) {
            if (reset) resetConnection(fd);
        });
        ASSERT_TRUE(server.ok());
        NetError err;
        auto stream = NetStream::connect("127.0.0.1", server.port(), {}, err);
        ASSERT_TRUE(stream) << err.text;
        ASSERT_TRUE(waitUntilDisconnected(*stream));
        // After an orderly close the first writes may still be taken; the peer's reset ends them.
        const std::string block(4096, 'w');
        bool failed = false;
        for (int i = 0; i < 200 && !failed; ++i) {
            failed = !stream->writeAll(block.data(), block.size(), 1000, err);
            if (!failed) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(failed);
        EXPECT_EQ(Kind::Closed, err.kind) << err.text;
        EXPECT_TRUE(err.code == EPIPE || err.code == ECONNRESET) << err.code;
        // The next write is the one that would raise SIGPIPE.
        EXPECT_FALSE(stream->writeAll(block.data(), block.size(), 1000, err));
        EXPECT_EQ(Kind::Closed, err.kind);
        EXPECT_EQ(EPIPE, err.code);
    }
    sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_EQ(0, g_sigpipes.load());
}

TEST(NetStream, ClosedStreamRefusesEverything) {
    LoopbackServer server(AF_INET, drainUntilClosed);
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

}  // namespace
}  // namespace quorvel::test

#endif
