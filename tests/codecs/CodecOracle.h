#pragma once
#include <string>
#include <vector>

#include "support/Bytes.h"
#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"

namespace quorvel::test {

using Record = std::vector<std::string>;

// Deterministic random bytes of every length 0-300 (8 of each), every byte value, large blocks.
std::vector<std::string> binarySamples();
// Text of CR LF and bare line ends, trailing white space, leading dots and "From ".
std::vector<std::string> textSamples();

// Python's standard library as an independent implementation. The script (after a prelude
// with read_records, write_records and fail) checks the records, writes replies for the test to
// decode and prints "CHECKED <records>". Returns an empty string when it ran and reported no
// mismatch, otherwise its report.
bool pythonAvailable();
std::string runPythonOracle(const std::string &name, const char *script, const std::vector<Record> &records,
                            std::vector<Record> &replies);

}  // namespace quorvel::test
