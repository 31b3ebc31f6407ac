#include "support/PythonOracle.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "support/Bytes.h"
#include "support/TestFiles.h"

namespace quorvel::test {

namespace {

const char kPrelude[] = R"PY(
import sys, random, codecs
def read_records(path):
    with open(path) as f:
        return [[bytes.fromhex(x[1:]) for x in line.split()] for line in f if line.strip()]
failures = []
def fail(index, what):
    failures.append(index)
    if len(failures) <= 20: print('FAIL', index, what)
records = read_records(sys.argv[1])
replies = []
)PY";

const char kEpilogue[] = R"PY(
with open(sys.argv[2], 'w') as f:
    f.writelines(' '.join('x' + b.hex() for b in r) + '\n' for r in replies)
print('CHECKED', len(records))
)PY";

}  // namespace

bool pythonAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("python3 -c \"import base64, binascii, codecs, ctypes, quopri, email.header\" > /dev/null 2>&1") == 0;
#endif
}

std::string runPythonOracle(const std::string &name, const std::string &script, const std::vector<Record> &records,
                            std::vector<Record> &replies) {
    // A folder of its own per run: test programs of other build trees may run the same oracle at once.
    const std::string dir = scratchDir(name + "_" + std::to_string(std::random_device{}()));
    const std::string in = dir + "records.txt", out = dir + "replies.txt";
    std::string lines;
    for (const Record &r : records) {
        for (const std::string &field : r) lines += "x" + hexOf(field) + " ";  // "x" + hex: any byte, and the empty string, survive a line
        lines += "\n";
    }
    if (!writeRawFile(dir + "oracle.py", kPrelude + script + kEpilogue) || !writeRawFile(in, lines))
        return "cannot write the oracle's files";
    const std::string command = "python3 \"" + dir + "oracle.py\" \"" + in + "\" \"" + out + "\" > \"" + dir + "report.txt\" 2>&1";
    const int status = std::system(command.c_str());
    std::string report, text;
    readRawFile(dir + "report.txt", report);
    const bool ran = status == 0 && report == "CHECKED " + std::to_string(records.size()) + "\n" && readRawFile(out, text);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (!ran) return report.empty() ? "python3 failed" : report;

    std::istringstream stream(text);
    replies.clear();
    for (std::string line, f; std::getline(stream, line);) {
        std::istringstream fields(line);
        replies.emplace_back();
        while (fields >> f) replies.back().push_back(unhex(f.substr(1)));
    }
    return "";
}

}  // namespace quorvel::test
