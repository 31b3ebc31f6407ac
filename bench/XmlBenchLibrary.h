#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::bench {

// One XML library as the benchmark drives it: parse a text into a DOM it holds, write that DOM
// as indented text it holds, count the DOM's elements. Everything that is not being measured
// (freeing a DOM or an output) has its own call, so the timed calls time only the work itself.
class XmlBenchLibrary {
public:
    virtual ~XmlBenchLibrary() = default;

    virtual const char *name() const = 0;
    // Parses text (not NUL-terminated in general; text.c_str() is) into a fresh DOM. The
    // previous DOM must have been released. False when the library reports a failure.
    virtual bool parse(const std::string &text) = 0;
    // Writes the held DOM with indentation into an output the library holds; returns its size
    // in bytes (0 on failure). The previous output must have been dropped.
    virtual size_t serialize() = 0;
    // The text of the last serialize(), valid until dropOutput().
    virtual std::string_view output() const = 0;
    virtual void dropOutput() = 0;
    // Elements of the held DOM, counted by an iterative walk.
    virtual uint64_t countElements() const = 0;
    virtual void releaseDom() = 0;
};

// Ours first, then every peer the benchmark was built with.
std::vector<std::unique_ptr<XmlBenchLibrary>> makeBenchLibraries();

std::unique_ptr<XmlBenchLibrary> makeQuorvelBench();
std::unique_ptr<XmlBenchLibrary> makePugixmlBench();
std::unique_ptr<XmlBenchLibrary> makeLibxml2Bench();
std::unique_ptr<XmlBenchLibrary> makeTinyxml2Bench();

}  // namespace quorvel::bench
