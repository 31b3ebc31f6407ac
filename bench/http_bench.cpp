// Loopback downloads of one large XML body three ways, in the same run and from the same server
// (bench/HttpBenchServer.h): ClsHttp's GET to text, Debian's curl to /dev/null, and Python's
// urllib reading the whole body. Cases: Content-Length, chunked, gzip (inflated by every
// client). MB/s is of the text (its inflated size for gzip), each cell the best of its runs.
// Every client times its own request: ours the httpRequestStr call, curl its %{time_total},
// Python a perf_counter around urlopen and read, so process start-up counts for none of them.
// The CPU time of each client (lowest of its runs) is shown too: on a busy machine the wall
// clock mostly says how much CPU a client needs to get through.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/HttpBenchServer.h"
#include "foundation/log/Logger.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "http/ClsHttp.h"

using namespace quorvel;
using bench::HttpBenchBodies;
using bench::HttpBenchServer;

namespace {

constexpr size_t kChunkBytes = 64 * 1024;
constexpr auto kServerLifetime = std::chrono::minutes(20);

struct Timing {
    double seconds;  // wall clock; negative when the download failed
    double cpu;      // CPU seconds of the client
};
constexpr Timing kFailed{-1, -1};

struct Case {
    const char *name;
    const char *path;
    bool gzip;
};
const Case kCases[] = {{"Content-Length", "/length", false}, {"chunked", "/chunked", false}, {"gzip", "/gzip", true}};
constexpr int kCaseCount = 3;
const char *const kClients[] = {"ClsHttp", "curl", "urllib"};
constexpr int kClientCount = 3;

const char kPythonScript[] =
    "import gzip, sys, time, urllib.request\n"
    "url, packed = sys.argv[1], sys.argv[2] == \"1\"\n"
    "t = time.perf_counter()\n"
    "req = urllib.request.Request(url, headers={\"Accept-Encoding\": \"gzip\"} if packed else {})\n"
    "with urllib.request.urlopen(req, timeout=30) as r:\n"
    "    data = r.read()\n"
    "if packed:\n"
    "    data = gzip.decompress(data)\n"
    "print(time.perf_counter() - t, len(data))\n";

double seconds(const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; }

double cpuSeconds(int who) {
    rusage r{};
    getrusage(who, &r);
    return seconds(r.ru_utime) + seconds(r.ru_stime);
}

// Runs the command and reads "seconds bytes" from its output. Its CPU time is that of the
// finished child, start-up included.
Timing timedCommand(const std::string &command, size_t expectedBytes) {
    const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return kFailed;
    Timing t = kFailed;
    unsigned long long bytes = 0;
    const int fields = std::fscanf(pipe, "%lf %llu", &t.seconds, &bytes);
    const int status = pclose(pipe);
    if (fields != 2 || status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes != expectedBytes) {
        std::fprintf(stderr, "http_bench: failed (%llu bytes): %s\n", bytes, command.c_str());
        return kFailed;
    }
    t.cpu = cpuSeconds(RUSAGE_CHILDREN) - cpu0;
    return t;
}

Timing timeCurl(const std::string &url, const Case &c, const HttpBenchBodies &bodies) {
    // %{size_download} counts the bytes on the wire: the gzip member for the gzip case.
    const size_t wire = c.gzip ? bodies.gzip.size() : bodies.text.size();
    return timedCommand(std::string("curl -s -m 120 -o /dev/null -w '%{time_total} %{size_download}' ") +
                            (c.gzip ? "--compressed " : "") + url,
                        wire);
}

Timing timeUrllib(const std::string &url, const Case &c, const HttpBenchBodies &bodies) {
    return timedCommand(std::string("python3 -c '") + kPythonScript + "' " + url + (c.gzip ? " 1" : " 0"),
                        bodies.text.size());
}

// A feed download's settings; the text must come back byte for byte. CPU time is this
// thread's (the server runs on another).
Timing timeClsHttp(const std::string &url, const HttpBenchBodies &bodies) {
    ClsHttp http;
    http.setBrowserDefaults(true);
    http.setFetchFromCache(false);
    http.setUpdateCache(false);
    http.setMaxResponseSize(ClsHttp::kFeedMaxResponseSize);
    http.setReadTimeoutMs(30000);
    Logger log;
    XString u, text;
    u.setFromUtf8(url.c_str());
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = http.httpRequestStr("GET", u, text, nullptr, log);
    const Timing t{std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
                   cpuSeconds(RUSAGE_THREAD) - cpu0};
    const StringBuffer &got = text.getUtf8Sb();
    if (!ok || got.getSize() != bodies.text.size() || std::memcmp(got.getString(), bodies.text.data(), got.getSize())) {
        StringBuffer shown;
        log.getText(shown);
        std::fprintf(stderr, "http_bench: ClsHttp failed on %s (%u bytes)\n%s\n", url.c_str(), got.getSize(),
                     shown.getString());
        return kFailed;
    }
    return t;
}

Timing timeClient(int client, const std::string &url, const Case &c, const HttpBenchBodies &bodies) {
    if (client == 0) return timeClsHttp(url, bodies);
    if (client == 1) return timeCurl(url, c, bodies);
    return timeUrllib(url, c, bodies);
}

double megabytesPerSecond(size_t bytes, double seconds) { return seconds > 0 ? bytes / 1e6 / seconds : 0; }

}  // namespace

int main(int argc, char **argv) {
    size_t megabytes = 200;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--mb=", 5) == 0) megabytes = std::strtoul(argv[i] + 5, nullptr, 10);
        else if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::atoi(argv[i] + 7);
        else {
            std::fprintf(stderr, "usage: http_bench [--mb=200] [--runs=3]\n");
            return 2;
        }
    }
    if (megabytes < 1 || megabytes > 250 || runs < 1 || runs > 20) {
        std::fprintf(stderr, "http_bench: --mb must be 1..250 (the feed cap is 256 MiB), --runs 1..20\n");
        return 2;
    }
    HttpBenchBodies bodies;
    if (!bench::makeHttpBenchBodies(megabytes * 1000000, kChunkBytes, bodies)) {
        std::fprintf(stderr, "http_bench: could not prepare the bodies\n");
        return 1;
    }
    HttpBenchServer server(bodies, kServerLifetime);
    if (!server.start()) return 1;
    std::printf("Loopback download of %.1f MB of XML (gzip member %.1f MB, %.1f%%; chunks of %zu KiB), best of %d\n",
                bodies.text.size() / 1e6, bodies.gzip.size() / 1e6, 100.0 * bodies.gzip.size() / bodies.text.size(),
                kChunkBytes / 1024, runs);

    // Runs go round every case and client in turn, so a slow spell of the shared machine
    // falls on all of them alike.
    Timing best[kCaseCount][kClientCount];
    std::fill(&best[0][0], &best[0][0] + kCaseCount * kClientCount, Timing{1e9, 1e9});
    bool failed = false;
    for (int run = 1; run <= runs; ++run) {
        std::printf("run %d MB/s:", run);
        for (int c = 0; c < kCaseCount; ++c) {
            const std::string url = server.url(kCases[c].path);
            for (int client = 0; client < kClientCount; ++client) {
                const Timing t = timeClient(client, url, kCases[c], bodies);
                Timing &cell = best[c][client];
                if (t.seconds < 0) failed = true;
                else cell = {std::min(cell.seconds, t.seconds), std::min(cell.cpu, t.cpu)};
                std::printf(" %s/%s %.0f", kCases[c].name, kClients[client],
                            megabytesPerSecond(bodies.text.size(), t.seconds));
                std::fflush(stdout);
            }
        }
        std::printf("\n");
    }
    server.stop();

    std::printf("\n| case           | ClsHttp MB/s | curl MB/s | urllib MB/s | ours/curl | ours/urllib |"
                " CPU ms: ClsHttp | curl | urllib |\n");
    std::printf("|----------------|-------------:|----------:|------------:|----------:|------------:|"
                "----------------:|-----:|-------:|\n");
    for (int c = 0; c < kCaseCount; ++c) {
        double rate[kClientCount];
        for (int client = 0; client < kClientCount; ++client)
            rate[client] = megabytesPerSecond(bodies.text.size(), best[c][client].seconds);
        std::printf("| %-14s | %12.0f | %9.0f | %11.0f | %9.2f | %11.2f | %15.0f | %4.0f | %6.0f |\n", kCases[c].name,
                    rate[0], rate[1], rate[2], rate[0] / rate[1], rate[0] / rate[2], best[c][0].cpu * 1000,
                    best[c][1].cpu * 1000, best[c][2].cpu * 1000);
    }
    if (failed) std::printf("WARNING: some downloads failed (see stderr); their cells hold the other runs\n");
    return failed ? 1 : 0;
}
