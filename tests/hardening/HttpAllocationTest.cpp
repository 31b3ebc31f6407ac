// The HTTP client reading a server's answers when memory runs out (over scripted connections,
// no socket): a download either delivers the whole text or fails with nothing delivered.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/log/LogNull.h"
#include "foundation/text/XString.h"
#include "hardening/AllocationSweep.h"
#include "http/ClsHttp.h"
#include "http/GzipTest.h"
#include "http/ScriptedStream.h"

namespace quorvel::test {
namespace {

const std::string kFeed =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Caf\xc3\xa9 \xe2\x82\xac news</title>"
    "<item><title>" + std::string(300, 'x') + "</title></item></channel></rss>";

std::string chunked(const std::string &body) {
    std::string out;
    for (size_t at = 0; at < body.size(); at += 100) {
        const std::string piece = body.substr(at, 100);
        char size[16];
        std::snprintf(size, sizeof size, "%zx", piece.size());
        out += std::string(size) + ";ext=1\r\n" + piece + "\r\n";
    }
    return out + "0\r\n\r\n";
}

struct Exchange {
    const char *name;
    std::deque<ScriptStep> first, second;  // the second connection: a redirect's target
};

TEST(AllocationFailure, HttpDownloads) {
    std::string latin1 = "<?xml version=\"1.0\"?><a>Caf\xe9 " + std::string(200, 'y') + "</a>";
    const Exchange exchanges[] = {
        {"length and charset",
         {bytesStep("HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=iso-8859-1\r\nContent-Length: " +
                    std::to_string(latin1.size()) + "\r\n\r\n" + latin1)},
         {}},
        {"chunked gzip without charset",
         {bytesStep("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Encoding: gzip\r\n"
                    "Transfer-Encoding: chunked\r\n\r\n" + chunked(gzipMember(kFeed, kName)))},
         {}},
        {"redirect then until close",
         {bytesStep("HTTP/1.1 301 Moved\r\nLocation: /other/feed.xml\r\nContent-Length: 0\r\n\r\n")},
         {bytesStep("HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n" + kFeed), endStep()}},
    };
    for (const Exchange &exchange : exchanges) {
        SCOPED_TRACE(exchange.name);
        sweepAllocations([&exchange] {
            struct State {
                ScriptedStreamFactory factory;
                ClsHttp http;
                XString url, text;
                LogNull log;
            };
            auto state = std::make_shared<State>();
            state->factory.expect("feeds.example:80/plain", exchange.first);
            if (!exchange.second.empty()) state->factory.expect("feeds.example:80/plain", exchange.second);
            state->http.setStreamFactory(&state->factory);
            state->http.setBrowserDefaults(true);
            state->http.setFetchFromCache(false);
            state->http.setUpdateCache(false);
            state->http.setMaxResponseSize(1 << 20);
            state->url.setFromUtf8("http://feeds.example/feed.xml");
            return Trial{[state] { return state->http.httpRequestStr("GET", state->url, state->text, nullptr, state->log); },
                         [state] { return std::string(state->text.getUtf8()); }};
        });
    }
}

}  // namespace
}  // namespace quorvel::test
