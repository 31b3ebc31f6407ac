#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"

namespace quorvel::test {
namespace {

// The same writes give the same bytes whether they go straight into the target's free capacity
// or through the local block, and a borrowed block is never written; writes after a flush follow it.
TEST(ConvertOutput, EveryWayOfWritingLandsInOrder) {
    std::string letters;
    for (int k = 0; k < 700; ++k) letters += static_cast<char>('a' + k % 26);
    const std::string zs(1500, 'z'), borrowedBytes = "head:";
    const std::string expected = "head:" + letters + zs + "AB" + std::string("\x01\x02\x03\x04\0\0\0A", 8);
    enum Start { kEmpty, kRoomy, kTight, kBorrowed };
    for (Start start : {kEmpty, kRoomy, kTight, kBorrowed}) {
        DataBuffer target;
        if (start == kBorrowed) target.borrow(borrowedBytes.data(), static_cast<uint32_t>(borrowedBytes.size()));
        ASSERT_TRUE(start == kBorrowed || ((start != kRoomy || target.ensureCapacity(8192)) && target.append("head:", 5) &&
                                           (start != kTight || target.ensureCapacity(5))));
        ConvertOutput out(target);
        for (char c : letters) out.put(static_cast<unsigned char>(c));
        out.putBytes(reinterpret_cast<const unsigned char *>(zs.data()), static_cast<uint32_t>(zs.size()));
        unsigned char *w = out.room(2);
        w[0] = 'A';
        w[1] = 'B';
        out.commit(w + 2);
        out.putUtf32(0x04030201, false);
        ASSERT_TRUE(out.flush());
        out.putUtf32(0x41, true);
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(bytesOf(target), expected) << start;
        EXPECT_EQ(borrowedBytes, "head:");
        EXPECT_FALSE(out.failed() || out.dropped());
    }
}

// ASCII runs are converted many bytes at a time: runs of every length up to several steps,
// ending in each kind of character and at the very end of the text, in both byte orders.
TEST(ConvertOutput, AsciiRunsOfEveryLengthConvertBothWays) {
    const auto converted = [](uint32_t from, uint32_t to, const std::string &in) {
        const Converted r = convertBytes(from, to, in);
        return (r.ok ? "" : "false|") + r.bytes;
    };
    for (char32_t last : {U'\u00E9', U'\u20AC', U'\U0001F600', U'\u007F'})
        for (size_t run = 0; run <= 70; ++run)
            for (const char *after : {"", "and ascii after it"}) {
                std::u32string text;
                for (size_t k = 0; k < run; ++k) text += static_cast<char32_t>('!' + k % 90);
                text += last;
                for (const char *a = after; *a; ++a) text += static_cast<char32_t>(*a);
                std::string utf8, utf16le, utf16be;
                for (char32_t c : text) {
                    utf8 += utf8Of(c);
                    utf16le += utf16Of(c, false);
                    utf16be += utf16Of(c, true);
                }
                const std::string where = std::to_string(run) + " " + after;
                EXPECT_EQ(converted(65001, 1200, utf8), utf16le) << where;
                EXPECT_EQ(converted(65001, 1201, utf8), utf16be) << where;
                EXPECT_EQ(converted(1200, 65001, utf16le), utf8) << where;
                EXPECT_EQ(converted(1201, 65001, utf16be), utf8) << where;
            }
}

}  // namespace
}  // namespace quorvel::test
