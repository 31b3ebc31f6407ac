// Parse and indented-write throughput and DOM memory of our XML engine against the peer
// libraries, all on the same bytes in the same run, one table per document.
//
//   xml_bench [--scale=F] [--only=NAME,...]
//     F scales the generated documents (default 1: 50 MB, 20 MB, 5000 items); --only keeps the
//     named peers (ours always stays, as the base of the ratios), e.g. for profiling.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/XmlBenchDocuments.h"
#include "bench/XmlBenchLibrary.h"
#include "bench/XmlBenchRun.h"

using namespace quorvel::bench;

namespace {

constexpr int kTimedRuns = 5;
constexpr const char *kMimeDatabase = "/usr/share/mime/packages/freedesktop.org.xml";

using Libraries = std::vector<std::unique_ptr<XmlBenchLibrary>>;

double mbPerSecond(size_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0;
}
double parseRate(const std::string &text, const XmlBenchRun &r) { return mbPerSecond(text.size(), r.parseSeconds); }
double writeRate(const XmlBenchRun &r) { return mbPerSecond(r.outputBytes, r.writeSeconds); }

void printRatio(double ours, double peer, bool isOurs) {
    if (isOurs || peer <= 0) std::printf(" %7s", "-");
    else std::printf(" %6.2fx", ours / peer);
}

void printTable(const char *title, const std::string &text, const std::vector<XmlBenchRun> &runs) {
    const XmlBenchRun &ours = runs.front();
    std::printf("\n== %s: %.1f MB, %llu elements\n", title, static_cast<double>(text.size()) / 1e6,
                static_cast<unsigned long long>(ours.elements));
    std::printf("%-9s %10s %7s %10s %7s %7s %9s %7s %8s %9s\n", "library", "parse MB/s", "ours/x", "write MB/s",
                "ours/x", "out MB", "DOM B/el", "ours/x", "free ms", "elements");
    for (const XmlBenchRun &r : runs) {
        const bool isOurs = &r == &ours;
        std::printf("%-9s %10.1f", r.library, parseRate(text, r));
        printRatio(parseRate(text, ours), parseRate(text, r), isOurs);
        std::printf(" %10.1f", writeRate(r));
        printRatio(writeRate(ours), writeRate(r), isOurs);
        std::printf(" %7.1f %9.1f", static_cast<double>(r.outputBytes) / 1e6, r.domBytesPerElement);
        printRatio(ours.domBytesPerElement, r.domBytesPerElement, isOurs);
        std::printf(" %8.1f %9llu%s\n", r.freeSeconds * 1e3, static_cast<unsigned long long>(r.elements),
                    r.ok ? "" : "  (reported a failure)");
    }
    for (const XmlBenchRun &r : runs) {
        if (r.elements != ours.elements) {
            std::printf("WARNING: quorvel sees %llu elements, %s sees %llu\n",
                        static_cast<unsigned long long>(ours.elements), r.library,
                        static_cast<unsigned long long>(r.elements));
        }
        if (r.rewrittenElements != r.elements) {
            std::printf("WARNING: %s's output parses back to %llu elements instead of %llu\n", r.library,
                        static_cast<unsigned long long>(r.rewrittenElements),
                        static_cast<unsigned long long>(r.elements));
        }
    }
}

std::vector<XmlBenchRun> runDocument(const char *title, const std::string &text, Libraries &libraries) {
    std::vector<XmlBenchRun> runs;
    for (auto &lib : libraries) runs.push_back(runLibrary(*lib, text, kTimedRuns));
    printTable(title, text, runs);
    return runs;
}

const XmlBenchRun *findRun(const std::vector<XmlBenchRun> &runs, const char *library) {
    for (const XmlBenchRun &r : runs) {
        if (std::strcmp(r.library, library) == 0) return &r;
    }
    return nullptr;
}

struct TargetTally {
    int missed = 0;
    int skipped = 0;
};

// ours / peer must reach wanted.
void checkRatio(TargetTally &tally, const char *what, double ours, const XmlBenchRun *peer, double peerValue,
                double wanted) {
    if (!peer || peerValue <= 0) {
        ++tally.skipped;
        std::printf("  %-34s %7s (peer not measured)  SKIP\n", what, "-");
        return;
    }
    const double ratio = ours / peerValue;
    const bool pass = ratio >= wanted;
    if (!pass) ++tally.missed;
    std::printf("  %-34s %6.2fx (want >= %.2fx)   %s\n", what, ratio, wanted, pass ? "PASS" : "MISS");
}

void checkTargets(TargetTally &tally, const std::string &text, const std::vector<XmlBenchRun> &runs) {
    const XmlBenchRun &ours = runs.front();
    const XmlBenchRun *pugi = findRun(runs, "pugixml");
    const XmlBenchRun *tiny = findRun(runs, "tinyxml2");
    std::printf("\nTargets on the records document:\n");
    checkRatio(tally, "parse >= 2x tinyxml2", parseRate(text, ours), tiny, tiny ? parseRate(text, *tiny) : 0, 2.0);
    checkRatio(tally, "parse >= 50% of pugixml", parseRate(text, ours), pugi, pugi ? parseRate(text, *pugi) : 0,
               0.5);
    checkRatio(tally, "indented write >= 1.5x tinyxml2", writeRate(ours), tiny, tiny ? writeRate(*tiny) : 0, 1.5);
    checkRatio(tally, "indented write >= 50% of pugixml", writeRate(ours), pugi, pugi ? writeRate(*pugi) : 0, 0.5);
    if (pugi) {
        const bool memoryPass = ours.domBytesPerElement <= pugi->domBytesPerElement;
        if (!memoryPass) ++tally.missed;
        std::printf("  %-34s %6.1f B (want <= %.1f B)  %s\n", "DOM <= pugixml's bytes per element",
                    ours.domBytesPerElement, pugi->domBytesPerElement, memoryPass ? "PASS" : "MISS");
    } else {
        ++tally.skipped;
        std::printf("  %-34s %7s (peer not measured)  SKIP\n", "DOM <= pugixml's bytes per element", "-");
    }
    const bool freePass = ours.freeSeconds * 10 <= ours.parseSeconds;
    if (!freePass) ++tally.missed;
    std::printf("  %-34s %6.1f ms (want <= %.1f ms)  %s\n", "free <= a tenth of the parse", ours.freeSeconds * 1e3,
                ours.parseSeconds * 1e2, freePass ? "PASS" : "MISS");
}

struct Options {
    double scale = 1.0;
    std::string only;  // ",name,name," when given
};

Options parseOptions(int argc, char **argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scale=", 8) == 0) {
            options.scale = std::atof(argv[i] + 8);
            if (options.scale > 0 && options.scale <= 10) continue;
        } else if (std::strncmp(argv[i], "--only=", 7) == 0) {
            options.only = std::string(",") + (argv[i] + 7) + ",";
            continue;
        }
        std::fprintf(stderr, "usage: %s [--scale=F] [--only=NAME,...]   (0 < F <= 10)\n", argv[0]);
        std::exit(2);
    }
    return options;
}

// Ours (the first) always stays.
void keepSelected(Libraries &libraries, const std::string &only) {
    if (only.empty()) return;
    for (size_t i = libraries.size(); i-- > 1;) {
        if (only.find(std::string(",") + libraries[i]->name() + ",") == std::string::npos) {
            libraries.erase(libraries.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    const Options options = parseOptions(argc, argv);
    keepHeapWarm();
    Libraries libraries = makeBenchLibraries();
    keepSelected(libraries, options.only);

    std::printf("XML engine benchmark. Parse and indented write: best thread CPU time of %d warm runs.\n"
                "DOM: malloc'd bytes held after the parse, per element. free: releasing one DOM.\n"
                "ours/x: quorvel divided by that library (MB/s: higher is better; DOM: lower is better).\n"
                "Libraries:",
                kTimedRuns);
    for (const auto &lib : libraries) std::printf(" %s", lib->name());
    std::printf("\n");

    TargetTally tally;
    {
        const std::string records = makeRecordsDocument(static_cast<size_t>(50e6 * options.scale));
        checkTargets(tally, records, runDocument("records", records, libraries));
    }
    runDocument("attribute-heavy", makeAttributeDocument(static_cast<size_t>(20e6 * options.scale)), libraries);
    runDocument("RSS 2.0 feed", makeRssFeed(static_cast<int>(5000 * options.scale)), libraries);

    std::string mime;
    if (readDocumentFile(kMimeDatabase, mime)) runDocument(kMimeDatabase, mime, libraries);
    else std::printf("\n== %s: not present, skipped\n", kMimeDatabase);

    std::printf("\nTargets: %d of 5 missed, %d skipped.\n", tally.missed, tally.skipped);
    return 0;
}
