#pragma once
#include <string>
#include <vector>

namespace quorvel::test {

// One line of data exchanged with an oracle script: any bytes in each field.
using Record = std::vector<std::string>;

// Python's standard library as an independent implementation. Missing on Windows (the tests
// run under Wine there) and where python3 is not installed; callers skip with a message.
bool pythonAvailable();

// Runs the script after a prelude that imports sys, random and codecs and defines `records`
// (the records given), `replies` (written back for the test) and fail(index, what). Returns an
// empty string when the script ran through without a failure, otherwise its report.
std::string runPythonOracle(const std::string &name, const std::string &script, const std::vector<Record> &records,
                            std::vector<Record> &replies);

}  // namespace quorvel::test
