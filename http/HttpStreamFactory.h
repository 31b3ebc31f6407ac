#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/NetStream.h"

namespace quorvel {

// Where the HTTP client gets its byte streams: the network by default; a test hands in
// scripted streams instead, so whole exchanges run without sockets.
class HttpStreamFactory {
public:
    virtual ~HttpStreamFactory() = default;
    // Null on failure, with err saying why.
    virtual std::unique_ptr<ByteStream> connect(const std::string &host, uint16_t port, const NetConnectOptions &options,
                                                NetError &err) = 0;

    // TCP and TLS connections through the platform's network stream.
    static HttpStreamFactory &network();
};

}  // namespace quorvel
