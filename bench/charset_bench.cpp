// Conversion throughput against glibc iconv(3) on the same 20 MB texts.
#include <iconv.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogNull.h"

using namespace quorvel;

namespace {

constexpr size_t kTextBytes = 20u << 20;

// Text in a code page drawn from sample words; mostly ASCII with some letters of the page.
std::string makeText(const std::vector<std::string> &words) {
    std::mt19937 gen(7);
    std::string s;
    while (s.size() < kTextBytes) {
        s += words[gen() % words.size()];
        s += (gen() % 12 == 0) ? "\n" : " ";
    }
    return s;
}

// Converts into out, which is made large enough once; returns the output length.
size_t iconvInto(const char *from, const char *to, const std::string &in, std::string &out) {
    if (out.size() < in.size() * 4 + 16) out.resize(in.size() * 4 + 16);
    iconv_t cd = iconv_open(to, from);
    char *ip = const_cast<char *>(in.data());
    char *op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    return out.size() - ol;
}

std::string viaIconv(const char *from, const char *to, const std::string &in) {
    std::string out;
    out.resize(iconvInto(from, to, in, out));
    return out;
}

template <class F> double bestMBps(size_t bytes, F run) {
    double best = 0;
    for (int k = 0; k < 5; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = std::max(best, bytes / s / 1e6);
    }
    return best;
}

void compare(const char *label, uint32_t fromCp, uint32_t toCp, const char *fromName, const char *toName,
             const std::string &text) {
    LogNull log;
    DataBuffer ours;
    EncodingConvert().convert(fromCp, toCp, reinterpret_cast<const unsigned char *>(text.data()),
                              static_cast<uint32_t>(text.size()), ours, log);
    const std::string theirs = viaIconv(fromName, toName, text);
    const bool same = theirs.size() == ours.getSize() && theirs.compare(0, theirs.size(),
                                                                        reinterpret_cast<const char *>(ours.getData()),
                                                                        ours.getSize()) == 0;
    // Both write into an output buffer that already has room, so neither time holds allocation.
    const double q = bestMBps(text.size(), [&] {
        ours.setSize(0);
        EncodingConvert().convert(fromCp, toCp, reinterpret_cast<const unsigned char *>(text.data()),
                                  static_cast<uint32_t>(text.size()), ours, log);
    });
    std::string scratch;
    iconvInto(fromName, toName, text, scratch);
    const double i = bestMBps(text.size(), [&] { iconvInto(fromName, toName, text, scratch); });
    std::printf("%-22s quorvel %8.0f MB/s   iconv %8.0f MB/s   ratio %.2f   %s\n", label, q, i, q / i,
                same ? "same output" : "OUTPUT DIFFERS");
}

}  // namespace

int main() {
    const std::string latin = makeText({"the", "caf\xE9", "na\xEFve", "\x93quoted\x94", "r\xE9sum\xE9", "and", "\x80" "5",
                                        "stra\xDF" "e", "ni\xF1o", "text", "of", "\xC6sir"});
    const std::string sjis = makeText({"\x93\xFA\x96\x7B\x8C\xEA", "\x82\xA0\x82\xA2\x82\xA4", "\xB1\xB2\xB3", "abc",
                                       "\x8A\xBF\x8E\x9A", "\x83\x65\x83\x58\x83\x67", "2024", "\x81\x41"});
    // Japanese and Western text, cut to 20 MB at a character boundary.
    std::string utf8 = viaIconv("CP932", "UTF-8", sjis.substr(0, kTextBytes / 2)) + viaIconv("CP1252", "UTF-8", latin);
    size_t cut = kTextBytes;
    while ((utf8[cut] & 0xC0) == 0x80) --cut;
    utf8.resize(cut);
    std::string utf16 = viaIconv("UTF-8", "UTF-16LE", utf8);
    utf16.resize(kTextBytes);  // no surrogates in this text, so any even length is whole
    std::printf("texts: %zu, %zu, %zu, %zu bytes\n", latin.size(), sjis.size(), utf8.size(), utf16.size());
    compare("windows-1252 -> UTF-8", 1252, 65001, "CP1252", "UTF-8", latin);
    compare("shift_jis -> UTF-8", 932, 65001, "CP932", "UTF-8", sjis);
    compare("UTF-8 -> UTF-16LE", 65001, 1200, "UTF-8", "UTF-16LE", utf8);
    compare("UTF-16LE -> UTF-8", 1200, 65001, "UTF-16LE", "UTF-8", utf16);
    return 0;
}
