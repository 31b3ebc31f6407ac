#pragma once
// Reading helpers shared by the network stream tests.
#include <chrono>
#include <string>
#include <thread>

#include "platform/NetStream.h"

namespace quorvel::test {

// Appends until out holds size bytes; false on a failure or an early end.
inline bool readExactly(ByteStream &stream, std::string &out, size_t size, NetError &err) {
    char buf[16384];
    while (out.size() < size) {
        size_t got = 0;
        const size_t want = size - out.size() < sizeof buf ? size - out.size() : sizeof buf;
        if (!stream.readSome(buf, want, got, 5000, err)) return false;
        if (got == 0) {
            err.set(NetError::Kind::Closed, 0, "ended early");
            return false;
        }
        out.append(buf, got);
    }
    return true;
}

// Appends everything up to the orderly end (at most 1 MiB).
inline bool readToEnd(ByteStream &stream, std::string &out, NetError &err) {
    char buf[4096];
    while (out.size() < (1u << 20)) {
        size_t got = 0;
        if (!stream.readSome(buf, sizeof buf, got, 5000, err)) return false;
        if (got == 0) return true;
        out.append(buf, got);
    }
    return false;
}

// The peer's close reaches this side a moment after the peer acts: asks up to 500 times.
inline bool waitUntilDisconnected(ByteStream &stream) {
    for (int i = 0; i < 500; ++i) {
        if (!stream.isConnected()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    return false;
}

}  // namespace quorvel::test
