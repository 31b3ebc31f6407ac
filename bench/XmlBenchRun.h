#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "bench/XmlBenchLibrary.h"

namespace quorvel::bench {

// What one library did with one document.
struct XmlBenchRun {
    const char *library = "";
    bool ok = false;                 // every parse and write reported success, same output size
    uint64_t elements = 0;           // of the parsed DOM
    uint64_t rewrittenElements = 0;  // of the DOM the library parses back from its own output
    double domBytesPerElement = 0;   // malloc'd bytes the DOM holds, per element
    double parseSeconds = 0;         // best of the timed runs (thread CPU time)
    double writeSeconds = 0;
    double freeSeconds = 0;          // releasing a DOM, best of the runs
    size_t outputBytes = 0;
};

// Sets glibc malloc up for warm runs; call once before anything is allocated in bulk.
void keepHeapWarm();

// One warm-up parse (giving the DOM memory and the element count), then the timed parses; the
// last DOM is written once to warm up and then in the timed runs; finally the output is parsed
// back and counted. Freeing DOMs and outputs stays outside the timed parse and write regions.
XmlBenchRun runLibrary(XmlBenchLibrary &lib, const std::string &text, int timedRuns);

}  // namespace quorvel::bench
