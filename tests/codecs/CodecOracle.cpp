#include "CodecOracle.h"

#include <cstdlib>
#include <random>
#include <sstream>

#include "support/TestFiles.h"

namespace quorvel::test {

namespace {

// mt19937's raw output is fixed by the standard (unlike the distributions), so every standard
// library generates the same samples.
std::mt19937 &generator() {
    static std::mt19937 gen(20140321u);
    return gen;
}
uint32_t below(uint32_t n) { return static_cast<uint32_t>(generator()() % n); }
std::string randomBytes(size_t n) {
    std::string s(n, '\0');
    for (auto &c : s) c = static_cast<char>(generator()() >> 24);
    return s;
}

const char kPrelude[] = R"PY(
import sys
def read_records(path):
    with open(path) as f:
        return [[bytes.fromhex(x[1:]) for x in line.split()] for line in f if line.strip()]
def write_records(path, records):
    with open(path, 'w') as f:
        f.writelines(' '.join('x' + b.hex() for b in r) + '\n' for r in records)
failures = []
def fail(index, what):
    failures.append(index)
    if len(failures) <= 20: print('FAIL', index, what)
records = read_records(sys.argv[1])
replies = []
)PY";

// Fields travel as "x" + hex so that any byte and the empty string survive a line of text.
std::string toField(const std::string &bytes) {
    std::string f = "x";
    for (unsigned char c : bytes) f += "0123456789abcdef"[c >> 4], f += "0123456789abcdef"[c & 15];
    return f;
}
std::string fromField(const std::string &f) {
    std::string bytes;
    for (size_t i = 1; i + 1 < f.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(f.substr(i, 2), nullptr, 16)));
    return bytes;
}

}  // namespace

std::vector<std::string> binarySamples() {
    generator().seed(20140321u);
    std::vector<std::string> out;
    for (size_t length = 0; length <= 300; ++length)
        for (int k = 0; k < 8; ++k) out.push_back(randomBytes(length));
    std::string ascending, tripled;
    for (int b = 0; b < 256; ++b) ascending.push_back(static_cast<char>(b)), tripled.append(3, static_cast<char>(b));
    out.insert(out.end(), {ascending, std::string(ascending.rbegin(), ascending.rend()), tripled, randomBytes(65537),
                           randomBytes(100000)});
    return out;
}

std::vector<std::string> textSamples() {
    static const char *const pieces[] = {"From ", ".", "From", "F", "rom ", " ", "\t", "=", "_", "?", "word",
                                         "caf\xC3\xA9", "\r\n", "\r\n", "\n", "\r", "..", "longer words here"};
    generator().seed(1952u);
    std::vector<std::string> out;
    for (int k = 0; k < 1500; ++k) {
        std::string s;
        for (uint32_t p = below(60); p > 0; --p) {
            if (below(10) == 0) s.append(below(150), static_cast<char>('a' + below(26)));
            else s.append(pieces[below(std::size(pieces))]);
        }
        out.push_back(s);
    }
    return out;
}

bool pythonAvailable() {
    return std::system("python3 -c \"import base64, binascii, quopri, email.header\" > /dev/null 2>&1") == 0;
}

std::string runPythonOracle(const std::string &name, const char *script, const std::vector<Record> &records,
                            std::vector<Record> &replies) {
    const std::string dir = scratchDir(name), in = dir + "records.txt", out = dir + "replies.txt";
    std::string lines;
    for (const Record &r : records) {
        for (const std::string &field : r) lines += toField(field) + " ";
        lines += "\n";
    }
    if (!writeRawFile(dir + "oracle.py", std::string(kPrelude) + script + "\nwrite_records(sys.argv[2], replies)\n" +
                                             "print('CHECKED', len(records))\n") ||
        !writeRawFile(in, lines))
        return "cannot write the oracle's files";

    const std::string command = "python3 \"" + dir + "oracle.py\" \"" + in + "\" \"" + out + "\" > \"" + dir + "report.txt\" 2>&1";
    const int status = std::system(command.c_str());
    std::string report, text;
    readRawFile(dir + "report.txt", report);
    if (status != 0 || report != "CHECKED " + std::to_string(records.size()) + "\n" || !readRawFile(out, text))
        return report.empty() ? "python3 failed" : report;

    std::istringstream stream(text);
    replies.clear();
    for (std::string line, f; std::getline(stream, line);) {
        std::istringstream fields(line);
        replies.emplace_back();
        while (fields >> f) replies.back().push_back(fromField(f));
    }
    return replies.size() == records.size() ? "" : "wrong number of replies";
}

}  // namespace quorvel::test
