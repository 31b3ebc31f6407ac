#pragma once
// The HTTP client as the download tests use it: browser defaults, no cache, and a fresh log for
// each request; over scripted streams when a factory is given, else over real sockets.
#include <cstdlib>
#include <string>

#include "foundation/base/ProgressEvent.h"
#include "foundation/text/XString.h"
#include "http/ClsHttp.h"
#include "http/HttpStreamFactory.h"
#include "support/RecordingLog.h"

namespace quorvel::test {

// The loopback servers pass their ports in the environment.
inline std::string env(const char *name) {
    const char *v = std::getenv(name);
    return v ? v : "";
}

// The request fields the browser defaults send, in order, before Host.
const std::string kDefaultFields =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Connection: keep-alive\r\n"
    "User-Agent: Mozilla/5.0 (Windows NT 6.3; WOW64; rv:28.0) Gecko/20100101 Firefox/28.0\r\n"
    "Accept-Language: en-us,en;q=0.5\r\n"
    "Accept-Encoding: gzip\r\n";

struct TestClient {
    ClsHttp http;
    RecordingLog log;
    XString text;

    explicit TestClient(HttpStreamFactory *factory = nullptr) {
        if (factory) http.setStreamFactory(factory);
        http.setBrowserDefaults(true);
        http.setFetchFromCache(false);
        http.setUpdateCache(false);
    }
    bool get(const std::string &url, ProgressEvent *sink = nullptr) {
        log.clearLog();
        XString u;
        u.setFromUtf8(url.c_str());
        return http.httpRequestStr("GET", u, text, sink, log);
    }
    std::string body() const { return text.getUtf8(); }
};

}  // namespace quorvel::test
