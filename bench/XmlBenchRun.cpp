#include "bench/XmlBenchRun.h"

#include <malloc.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>

namespace quorvel::bench {

namespace {

// CPU time of this thread: other processes on a shared machine do not count against a run,
// while page faults and everything else the run itself causes do.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Bytes the program holds from malloc: heap chunks (uordblks) and chunks glibc serves with mmap
// (hblkhd; none while keepHeapWarm is in force, counted all the same).
size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// glibc defers the work of many small frees (fast bins) to the next large allocation, which
// would bill the parse after a release for freeing the previous DOM. A large request merges
// them now, so that cost stays with the release.
void settleHeap() {
    // volatile: the compiler may otherwise drop an allocation whose block is never used.
    void *volatile large = std::malloc(1u << 20);
    std::free(large);
}

double timedRelease(XmlBenchLibrary &lib) {
    const double start = threadSeconds();
    lib.releaseDom();
    settleHeap();
    return threadSeconds() - start;
}

void dropOutput(XmlBenchLibrary &lib) {
    lib.dropOutput();
    settleHeap();
}

}  // namespace

// Warm runs reuse a warm heap: memory freed by one run stays with the process for the next
// (no trimming, no mmap'd blocks that go back to the system on free), so no run pays page
// faults for memory an earlier run already touched.
void keepHeapWarm() {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
}

XmlBenchRun runLibrary(XmlBenchLibrary &lib, const std::string &text, int timedRuns) {
    XmlBenchRun r;
    r.library = lib.name();
    const size_t before = heapInUse();
    r.ok = lib.parse(text);
    const size_t after = heapInUse();
    r.elements = lib.countElements();
    if (r.elements) r.domBytesPerElement = static_cast<double>(after - before) / static_cast<double>(r.elements);
    r.freeSeconds = timedRelease(lib);

    r.parseSeconds = 1e30;
    for (int run = 0; run < timedRuns; ++run) {
        const double start = threadSeconds();
        const bool ok = lib.parse(text);
        const double s = threadSeconds() - start;
        r.ok = r.ok && ok;
        if (s < r.parseSeconds) r.parseSeconds = s;
        if (run + 1 < timedRuns) {
            const double f = timedRelease(lib);
            if (f < r.freeSeconds) r.freeSeconds = f;
        }
    }

    r.outputBytes = lib.serialize();
    dropOutput(lib);
    r.writeSeconds = 1e30;
    for (int run = 0; run < timedRuns; ++run) {
        const double start = threadSeconds();
        const size_t bytes = lib.serialize();
        const double s = threadSeconds() - start;
        if (bytes != r.outputBytes || bytes == 0) r.ok = false;
        if (s < r.writeSeconds) r.writeSeconds = s;
        dropOutput(lib);
    }

    // The written text must hold the whole document: parse it back and count.
    lib.serialize();
    const std::string written(lib.output());
    dropOutput(lib);
    lib.releaseDom();
    settleHeap();
    if (!lib.parse(written)) r.ok = false;
    r.rewrittenElements = lib.countElements();
    lib.releaseDom();
    settleHeap();
    return r;
}

}  // namespace quorvel::bench
