#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace quorvel::test {

std::string scratchDir(const std::string &testName) {
    std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / ("quorvel_" + testName);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    std::string s = dir.string();
    char sep = static_cast<char>(std::filesystem::path::preferred_separator);
    if (s.empty() || s.back() != sep) s += sep;
    return s;
}

std::string dataFile(const std::string &name) { return std::string(QUORVEL_TEST_DATA_DIR) + "/" + name; }

bool writeRawFile(const std::string &path, const std::string &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool readRawFile(const std::string &path, std::string &bytes) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return true;
}

bool fileExists(const std::string &path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(path), ec);
}

}  // namespace quorvel::test
