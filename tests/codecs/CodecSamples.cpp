#include "CodecSamples.h"

#include <cstdint>
#include <random>

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

}  // namespace quorvel::test
