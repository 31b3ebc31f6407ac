// The libraries this build of the benchmark was configured with.
#include "bench/XmlBenchLibrary.h"

namespace quorvel::bench {

std::vector<std::unique_ptr<XmlBenchLibrary>> makeBenchLibraries() {
    std::vector<std::unique_ptr<XmlBenchLibrary>> libraries;
    libraries.push_back(makeQuorvelBench());
#if defined(QUORVEL_BENCH_PUGIXML)
    libraries.push_back(makePugixmlBench());
#endif
#if defined(QUORVEL_BENCH_LIBXML2)
    libraries.push_back(makeLibxml2Bench());
#endif
#if defined(QUORVEL_BENCH_TINYXML2)
    libraries.push_back(makeTinyxml2Bench());
#endif
    return libraries;
}

}  // namespace quorvel::bench
