#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"

namespace quorvel::test {
namespace {

// The same writes give the same bytes whether they go straight into the target's free capacity
// or through the local block, and a borrowed block is never written; writes after a flush follow it.
// (The converters' runs across the local block: UnicodeFormsTest and Utf16ToUtf8Test.)
TEST(ConvertOutput, EveryWayOfWritingLandsInOrder) {
    std::string letters;
    for (int k = 0; k < 700; ++k) letters += static_cast<char>('a' + k % 26);
    const std::string zs(1500, 'z'), borrowedBytes = "head:";
    const std::string expected = "head:" + letters + zs + "AB" + std::string("\x01\x02\x03\x04\0\0\0A", 8);
    enum Start { kEmpty, kRoomy, kTight, kBorrowed };
    for (Start start : {kEmpty, kRoomy, kTight, kBorrowed}) {
        DataBuffer target;
        if (start == kBorrowed) target.borrow(borrowedBytes.data(), static_cast<uint32_t>(borrowedBytes.size()));
        ASSERT_TRUE(start == kBorrowed || ((start != kRoomy || target.ensureCapacity(8192)) &&
                                           target.append("head:", 5) && (start != kTight || target.ensureCapacity(5))));
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

}  // namespace
}  // namespace quorvel::test
