#include "support/OpensslOracle.h"

#include <cstdlib>
#include <random>

#include "support/TestFiles.h"

namespace quorvel::test {

namespace {

// Writes the input, runs the command with "{in}" and "{out}" standing for the files, and reads
// its output, in a folder of its own.
bool runOnFile(std::string command, const std::string &in, std::string &out) {
    const std::string dir = scratchDir("openssl_" + std::to_string(std::random_device{}()));
    command.replace(command.find("{in}"), 4, dir + "in");
    command.replace(command.find("{out}"), 5, dir + "out");
    return writeRawFile(dir + "in", in) && std::system((command + " 2>/dev/null").c_str()) == 0 && readRawFile(dir + "out", out);
}

}  // namespace

bool opensslAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("openssl version > /dev/null 2>&1") == 0;
#endif
}

bool opensslMd5(const std::string &bytes, std::string &hex) {
    if (!runOnFile("openssl dgst -md5 -r -out {out} {in}", bytes, hex) || hex.size() < 32) return false;
    hex.resize(32);
    return true;
}

bool opensslAes128Cbc(bool decrypt, const std::string &hexKey, const std::string &hexIv, const std::string &in, std::string &out) {
    return runOnFile(std::string("openssl enc") + (decrypt ? " -d" : "") + " -aes-128-cbc -K " + hexKey + " -iv " + hexIv + " -in {in} -out {out}", in,
                     out);
}

}  // namespace quorvel::test
