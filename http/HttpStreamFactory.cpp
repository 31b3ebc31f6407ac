#include "http/HttpStreamFactory.h"

namespace quorvel {

namespace {

class NetworkStreamFactory : public HttpStreamFactory {
public:
    std::unique_ptr<ByteStream> connect(const std::string &host, uint16_t port, const NetConnectOptions &options,
                                        NetError &err) override {
        return NetStream::connect(host, port, options, err);
    }
};

}  // namespace

HttpStreamFactory &HttpStreamFactory::network() {
    static NetworkStreamFactory factory;
    return factory;
}

}  // namespace quorvel
