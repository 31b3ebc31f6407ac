// UTF-16 -> UTF-8 against a plain oracle written here: runs of every form at every offset of the
// eight-unit blocks, lone surrogates and pairs at the block edges and at the end of the input,
// both byte orders, escapes of a two-step conversion, and both loops where the CPU has the block
// encoder.
#include <string>
#include <vector>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/Utf16BlockEncoder.h"
#include "foundation/charsets/Utf8Codec.h"

namespace quorvel::test {
namespace {

// The text as UTF-16 bytes in one byte order.
std::string unitBytes(const std::vector<uint16_t> &units, bool bigEndian) {
    std::string bytes;
    for (uint16_t u : units) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

void appendUtf8(std::string &out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    } else if (cp < 0x10000) {
        out += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                static_cast<char>(0x80 | (cp & 0x3F))};
    } else {
        out += {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
}

// One unit at a time: a high surrogate followed by a low one is a pair, any other surrogate keeps
// its three-byte form. With escapes, FD EF n and n <= 5 raw bytes where a unit would start are
// written as the raw bytes, and the units on either side are converted apart.
std::string oracle(const std::string &bytes, bool bigEndian, bool escapes) {
    auto unitAt = [&](size_t i) -> uint32_t {
        const auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0;
    };
    auto escapeAt = [&](size_t i) -> size_t {
        if (!escapes || bytes.size() - i < 3 || bytes[i] != '\xFD' || bytes[i + 1] != '\xEF') return 0;
        const size_t count = static_cast<unsigned char>(bytes[i + 2]);
        return count <= 5 && bytes.size() - i - 3 >= count ? 3 + count : 0;
    };
    std::string out;
    size_t i = 0;
    while (bytes.size() - i >= 2) {
        if (const size_t esc = escapeAt(i)) {
            out += bytes.substr(i + 3, esc - 3);
            i += esc;
            continue;
        }
        const uint32_t unit = unitAt(i);
        i += 2;
        if (unit >= 0xD800 && unit < 0xDC00 && bytes.size() - i >= 2 && escapeAt(i) == 0) {
            const uint32_t next = unitAt(i);
            if (next >= 0xDC00 && next < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

// Both loops where there are two: the block encoder and the scalar one.
std::vector<bool> loops() {
#if defined(QUORVEL_UTF16_BLOCKS)
    return utf16blocks::hasSsse3() ? std::vector<bool>{false, true} : std::vector<bool>{true};
#else
    return {true};
#endif
}

struct ScalarOnly {
    explicit ScalarOnly(bool on) {
#if defined(QUORVEL_UTF16_BLOCKS)
        utf16blocks::scalarOnly = on;
#else
        (void)on;
#endif
    }
    ~ScalarOnly() {
#if defined(QUORVEL_UTF16_BLOCKS)
        utf16blocks::scalarOnly = false;
#endif
    }
};

// Converts the units in both byte orders with each loop and compares with the oracle; the
// target is either empty (writes go through the local block) or roomy (straight into it).
// Returns the number of mismatches, each reported once.
int expectLikeOracle(const std::vector<uint16_t> &units, const std::string &label, bool escapes = false,
                     const std::string &tail = "") {
    int failures = 0;
    for (bool scalar : loops()) {
        const ScalarOnly mode(scalar);
        for (bool bigEndian : {false, true}) {
            const std::string in = unitBytes(units, bigEndian) + tail;
            const std::string expected = oracle(in, bigEndian, escapes);
            for (bool roomy : {false, true}) {
                DataBuffer target;
                if (roomy && !target.ensureCapacity(static_cast<uint32_t>(4 * in.size() + 1024))) {
                    ADD_FAILURE() << label << ": no memory for the target";
                    return failures + 1;
                }
                ConvertOutput out(target);
                Utf8Codec::utf16ToUtf8(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()),
                                       bigEndian, out, escapes);
                const bool ok = out.flush() && !out.dropped();
                if (!ok || bytesOf(target) != expected) {
                    if (failures++ == 0)
                        ADD_FAILURE() << label << (scalar ? " scalar" : " blocks") << (bigEndian ? " BE" : " LE")
                                      << (roomy ? " roomy" : " block") << ": got " << toHex(bytesOf(target))
                                      << "\nwant " << toHex(expected);
                }
            }
        }
    }
    return failures;
}

// The forms the encoder tells apart, with the values at the edges of each.
struct Form { const char *name; std::vector<uint16_t> units; bool pairs; };
const Form kForms[] = {
    {"ascii", {0x41, 0x00, 0x7F, 0x20, 0x62}, false},
    {"two-byte", {0x80, 0xE9, 0x7FF, 0x3A9, 0x100}, false},
    {"three-byte", {0x800, 0x4E2D, 0xD7FF, 0xE000, 0xFFFF, 0xEFFD, 0xFEFF}, false},
    {"pair", {0xD800, 0xDC00, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}, true},
};

// Units of one form: n units, or n pairs for the pair form.
void appendRun(std::vector<uint16_t> &units, const Form &form, size_t n, size_t seed) {
    const size_t step = form.pairs ? 2 : 1;
    for (size_t k = 0; k < n; ++k) {
        const size_t at = ((seed + k) * step) % form.units.size();
        for (size_t j = 0; j < step; ++j) units.push_back(form.units[at + j]);
    }
}

TEST(Utf16ToUtf8, RunsOfEveryFormAtEveryOffset) {
    int failures = 0;
    for (const Form &run : kForms)
        for (const Form &around : kForms)
            for (size_t offset = 0; offset < 17; ++offset)
                for (size_t length = 0; length <= 40; ++length) {
                    std::vector<uint16_t> units;
                    appendRun(units, around, offset, length);
                    appendRun(units, run, length, offset);
                    appendRun(units, around, (offset + length) % 9, 3);
                    failures += expectLikeOracle(units, std::string(run.name) + " run of " + std::to_string(length) + " after " +
                                                            std::to_string(offset) + " " + around.name);
                }
    EXPECT_EQ(failures, 0);
}

// Forms mixed unit by unit, so that every block holds a different pattern of lengths.
TEST(Utf16ToUtf8, MixedFormsInEveryPattern) {
    int failures = 0;
    for (uint32_t pattern = 0; pattern < 6561; pattern += 7) {  // 3^8 patterns of 1-, 2-, 3-byte units
        std::vector<uint16_t> units;
        for (uint32_t block = 0; block < 5; ++block) {
            uint32_t p = pattern + block * 1093;
            for (int k = 0; k < 8; ++k, p /= 3) appendRun(units, kForms[p % 3], 1, pattern + k);
        }
        failures += expectLikeOracle(units, "pattern " + std::to_string(pattern));
    }
    EXPECT_EQ(failures, 0);
}

TEST(Utf16ToUtf8, LoneSurrogatesAndPairsAtBlockEdges) {
    const std::vector<std::vector<uint16_t>> insertions = {
        {0xD800}, {0xDBFF}, {0xDC00}, {0xDFFF},       // lone high and low surrogates
        {0xDC00, 0xD800}, {0xDFFF, 0xDBFF, 0x41},   // low before high is no pair
        {0xD83D, 0xDE00}, {0xD800, 0xD800, 0xDC00}, // a pair, and a high one before a pair
        {0xDBFF, 0xDFFF, 0xDBFF, 0xDFFF},
    };
    int failures = 0;
    for (const auto &insertion : insertions)
        for (const Form &around : kForms)
            for (size_t at = 0; at < 34; ++at) {
                std::vector<uint16_t> units;
                appendRun(units, around, at, 1);
                units.insert(units.end(), insertion.begin(), insertion.end());
                appendRun(units, around, 34 - at, 2);
                failures += expectLikeOracle(units, "surrogates at " + std::to_string(at) + " in " + around.name);
            }
    EXPECT_EQ(failures, 0);
}

// A high surrogate last, its pair cut off, at every offset of the last block; an odd byte after it
// is ignored and does not complete the pair.
TEST(Utf16ToUtf8, PairCutOffByTheEnd) {
    int failures = 0;
    for (const Form &before : kForms)
        for (size_t length = 0; length < 40; ++length) {
            std::vector<uint16_t> units;
            appendRun(units, before, length, 5);
            units.push_back(0xD83D);
            failures += expectLikeOracle(units, std::string("cut pair after ") + std::to_string(length) + " " + before.name);
            failures += expectLikeOracle(units, std::string("cut pair and odd byte after ") + std::to_string(length) + " " +
                                                    before.name, false, "\xDC");
        }
    EXPECT_EQ(failures, 0);
    // The plain cases spelled out, in case the oracle and the codec share a mistake.
    expectConversions({
        {1200, 65001, "41 00 3D D8", true, "41 ED A0 BD"}, {1201, 65001, "00 41 D8 3D", true, "41 ED A0 BD"},
        {1200, 65001, "3D D8 00 DE", true, "F0 9F 98 80"}, {1201, 65001, "D8 3D DE 00", true, "F0 9F 98 80"},
        {1200, 65001, "41 00 42 00 43 00 44 00 45 00 46 00 47 00 E9 00 2D 4E 00 DC 41 00 42 00 43 00 44 00 45 00 46 00", true,
         "41 42 43 44 45 46 47 C3 A9 E4 B8 AD ED B0 80 41 42 43 44 45 46"},
    });
}

// Escapes of a two-step conversion between and inside runs: their raw bytes are written as they
// are, and a pair on both sides of one is no pair.
TEST(Utf16ToUtf8, EscapesBetweenBlocks) {
    int failures = 0;
    for (const Form &around : kForms)
        for (size_t at = 0; at < 20; ++at)
            for (uint16_t raw : {0x0000, 0x0103, 0x0205, 0x0280}) {
                std::vector<uint16_t> units;
                appendRun(units, around, at, 0);
                units.push_back(0xD83D);
                units.push_back(0xEFFD);             // FD EF in little-endian order
                units.push_back(raw);                // raw count in the low byte, then raw bytes
                units.push_back(0x4142);
                units.push_back(0xDE00);
                appendRun(units, around, 20 - at, 1);
                failures += expectLikeOracle(units, "escape at " + std::to_string(at) + " in " + around.name, true);
            }
    EXPECT_EQ(failures, 0);
}

// Long texts cross many fills of the output; checked in both loops against the oracle.
TEST(Utf16ToUtf8, LongMixedText) {
    std::vector<uint16_t> units;
    uint32_t x = 12345;
    for (int k = 0; k < 20000; ++k) {
        x = x * 1103515245u + 12345u;
        const Form &form = kForms[(x >> 16) % 4];
        appendRun(units, form, 1 + (x >> 8) % 12, x >> 20);
    }
    EXPECT_EQ(expectLikeOracle(units, "long text"), 0);
}

}  // namespace
}  // namespace quorvel::test
