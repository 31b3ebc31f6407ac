#pragma once
// Python's codecs as an independent implementation for the conversion tests. The script reads
// lines of hex fields from the file named by sys.argv[1] and writes lines of hex fields to
// sys.argv[2]. Unavailable on Windows and where python3 is missing.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace quorvel::test {

using HexRecord = std::vector<std::string>;

inline bool pythonCodecsAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("python3 -c \"import codecs\" > /dev/null 2>&1") == 0;
#endif
}

inline std::string toHexField(const std::string &bytes) {
    std::string f = "x";
    for (unsigned char c : bytes) f += "0123456789abcdef"[c >> 4], f += "0123456789abcdef"[c & 15];
    return f;
}

inline std::string fromHexField(const std::string &f) {
    std::string bytes;
    for (size_t i = 1; i + 1 < f.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(f.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Runs the script on the records; empty on success, otherwise what went wrong.
inline std::string runPythonCodecs(const std::string &name, const std::string &script,
                                   const std::vector<HexRecord> &records, std::vector<HexRecord> &replies) {
    static const char prelude[] = R"PY(
import sys, random, codecs
def read_records(path):
    with open(path) as f:
        return [[bytes.fromhex(x[1:]) for x in line.split()] for line in f if line.strip()]
def write_records(path, rows):
    with open(path, 'w') as f:
        f.writelines(' '.join('x' + b.hex() for b in r) + '\n' for r in rows)
records = read_records(sys.argv[1])
replies = []
)PY";
    const std::string dir = scratchDir(name), in = dir + "in.txt", out = dir + "out.txt";
    std::string lines;
    for (const HexRecord &r : records) {
        for (const std::string &field : r) lines += toHexField(field) + " ";
        lines += "\n";
    }
    if (!writeRawFile(dir + "oracle.py", prelude + script + "\nwrite_records(sys.argv[2], replies)\n") ||
        !writeRawFile(in, lines))
        return "cannot write the oracle's files";
    const std::string command =
        "python3 \"" + dir + "oracle.py\" \"" + in + "\" \"" + out + "\" > \"" + dir + "report.txt\" 2>&1";
    const int status = std::system(command.c_str());
    std::string report, text;
    readRawFile(dir + "report.txt", report);
    if (status != 0 || !readRawFile(out, text)) return report.empty() ? "python3 failed" : report;
    std::istringstream stream(text);
    replies.clear();
    for (std::string line, f; std::getline(stream, line);) {
        std::istringstream fields(line);
        replies.emplace_back();
        while (fields >> f) replies.back().push_back(fromHexField(f));
    }
    return report;
}

}  // namespace quorvel::test
