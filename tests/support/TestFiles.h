#pragma once
#include <string>

namespace quorvel::test {

// A fresh, empty scratch folder for one test (UTF-8 path, ending in a separator), removed by
// nothing: it lives under the test program's temporary folder.
std::string scratchDir(const std::string &testName);
// The path of a file in tests/data.
std::string dataFile(const std::string &name);
// Whole-file helpers built on the C runtime, independent of the code under test.
bool writeRawFile(const std::string &path, const std::string &bytes);
bool readRawFile(const std::string &path, std::string &bytes);
// The whole file, or "<missing>" when it cannot be read.
inline std::string fileBytes(const std::string &path) {
    std::string bytes;
    return readRawFile(path, bytes) ? bytes : "<missing>";
}
bool fileExists(const std::string &path);

}  // namespace quorvel::test
