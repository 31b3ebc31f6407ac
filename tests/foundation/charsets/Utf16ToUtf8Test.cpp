// UTF-16 -> UTF-8 against a plain oracle written here: runs of every form at every offset of the
// eight-unit blocks, surrogates and escapes of a two-step conversion at the block edges and at the
// end of the input, both byte orders, and both loops where the CPU has the block encoder.
#include <string>
#include <vector>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/Utf16BlockEncoder.h"
#include "foundation/charsets/Utf8Codec.h"

namespace quorvel::test {
namespace {

std::string unitBytes(const std::vector<uint16_t> &units, bool bigEndian) {
    std::string bytes;
    for (uint16_t u : units) bytes += utf16Of(u, bigEndian);
    return bytes;
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
    for (size_t i = 0; bytes.size() - i >= 2;) {
        if (const size_t esc = escapeAt(i)) {
            out += bytes.substr(i + 3, esc - 3);
            i += esc;
            continue;
        }
        uint32_t c = unitAt(i);
        i += 2;
        const bool lowFollows = bytes.size() - i >= 2 && escapeAt(i) == 0 && unitAt(i) >= 0xDC00 && unitAt(i) < 0xE000;
        if (c >= 0xD800 && c < 0xDC00 && lowFollows) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i) - 0xDC00);
            i += 2;
        }
        out += utf8Of(c);
    }
    return out;
}

// Converts the units in both byte orders with each loop (the block encoder where the CPU has it,
// and the scalar one) and compares with the oracle; the target is either empty (writes go through
// the local block) or roomy (straight into it). Returns the number of mismatches, the first reported.
int expectLikeOracle(const std::vector<uint16_t> &units, const std::string &label, bool escapes = false,
                     const std::string &tail = "") {
    int failures = 0;
#if defined(QUORVEL_UTF16_BLOCKS)
    for (bool scalar : {true, false}) {
        if (!scalar && !utf16blocks::hasSsse3()) continue;
        utf16blocks::scalarOnly = scalar;
#else
    for (bool scalar : {true}) {
#endif
        for (bool bigEndian : {false, true})
            for (bool roomy : {false, true}) {
                const std::string in = unitBytes(units, bigEndian) + tail, expected = oracle(in, bigEndian, escapes);
                DataBuffer target;
                EXPECT_TRUE(!roomy || target.ensureCapacity(static_cast<uint32_t>(4 * in.size() + 1024)));
                ConvertOutput out(target);
                Utf8Codec::utf16ToUtf8(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()),
                                       bigEndian, out, escapes);
                if ((!out.flush() || out.dropped() || bytesOf(target) != expected) && failures++ == 0)
                    ADD_FAILURE() << label << (scalar ? " scalar" : " blocks") << (bigEndian ? " BE" : " LE")
                                  << (roomy ? " roomy" : " block") << ": got " << toHex(bytesOf(target))
                                  << "\nwant " << toHex(expected);
            }
    }
#if defined(QUORVEL_UTF16_BLOCKS)
    utf16blocks::scalarOnly = false;
#endif
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

// Surrogates, pairs and escapes of a two-step conversion at every offset of the blocks: escaped raw
// bytes are written as they are, and a pair on both sides of an escape is no pair. Then a high
// surrogate last, its pair cut off; an odd byte after it is ignored and does not complete the pair.
TEST(Utf16ToUtf8, SurrogatesAndEscapesAtBlockEdges) {
    struct Insertion { std::vector<uint16_t> units; bool escapes; };
    std::vector<Insertion> insertions = {
        {{0xD800}, false}, {{0xDBFF}, false}, {{0xDC00}, false}, {{0xDFFF}, false},  // lone high and low surrogates
        {{0xDC00, 0xD800}, false}, {{0xDFFF, 0xDBFF, 0x41}, false},                  // low before high is no pair
        {{0xD83D, 0xDE00}, false}, {{0xD800, 0xD800, 0xDC00}, false}, {{0xDBFF, 0xDFFF, 0xDBFF, 0xDFFF}, false},
    };
    // FD EF in little-endian order, then the raw count in the low byte, then the raw bytes.
    for (uint16_t raw : {0x0000, 0x0103, 0x0205, 0x0280})
        insertions.push_back({{0xD83D, 0xEFFD, raw, 0x4142, 0xDE00}, true});
    int failures = 0;
    for (const auto &[insertion, escapes] : insertions)
        for (const Form &around : kForms)
            for (size_t at = 0; at < 34; ++at) {
                std::vector<uint16_t> units;
                appendRun(units, around, at, 1);
                units.insert(units.end(), insertion.begin(), insertion.end());
                appendRun(units, around, 34 - at, 2);
                const std::string label = "insertion at " + std::to_string(at) + " in " + around.name;
                failures += expectLikeOracle(units, label, escapes);
            }
    for (const Form &before : kForms)
        for (size_t length = 0; length < 40; ++length) {
            std::vector<uint16_t> units;
            appendRun(units, before, length, 5);
            units.push_back(0xD83D);
            const std::string label = "cut pair after " + std::to_string(length) + " " + before.name;
            for (const char *tail : {"", "\xDC"}) failures += expectLikeOracle(units, label, false, tail);
        }
    EXPECT_EQ(failures, 0);
    // The plain cases spelled out, in case the oracle and the codec share a mistake (little-endian
    // ones: UnicodeFormsTest, and pairs against iconv there).
    expectConversions({
        {1201, 65001, "00 41 D8 3D", true, "41 ED A0 BD"}, {1201, 65001, "D8 3D DE 00", true, "F0 9F 98 80"},
        {1200, 65001, "41 00 42 00 43 00 44 00 45 00 46 00 47 00 E9 00 2D 4E 00 DC 41 00 42 00 43 00 44 00 45 00 46 00", true,
         "41 42 43 44 45 46 47 C3 A9 E4 B8 AD ED B0 80 41 42 43 44 45 46"},
    });
}

}  // namespace
}  // namespace quorvel::test
