#include <gtest/gtest.h>

#include <cstring>

#include "foundation/DataBuffer.h"

namespace quorvel {
namespace {

struct GrowthCase {
    uint32_t size;
    uint32_t n;
    uint32_t preferred;
};

// Each step of the table, on both sides of its thresholds.
const GrowthCase kGrowthTable[] = {
    {0, 1, 20000},
    {0, 19999, 20000},
    {0, 20000, 20000},
    {0, 20001, 20001},
    {49999, 10, 69999},
    {50000, 10, 100000},
    {50000, 49999, 100000},
    {50000, 60000, 110000},
    {99999, 10, 149999},
    {100000, 10, 200000},
    {150000, 10, 250000},
    {100000, 150000, 250000},
    {999999, 99999, 1099999},
    {1000000, 10, 2000000},
    {1000000, 1500000, 2500000},
    {2000000, 10, 4000000},
    {2999999, 10, 4999999},
    {3000000, 10, 6000000},
    {3999999, 10, 6999999},
    {4000000, 10, 8000000},
    {4000000, 4000000, 8000000},
    {8000000, 10, 16000000},
    {8000000, 9000000, 17000000},
    {12000000, 10, 24000000},
    {12000000, 9000000, 24000000},
    {12000000, 12000000, 24000000},
    {12000000, 13000000, 25000000},
    // Near the 4 GiB limit the capacity is capped rather than wrapped.
    {4000000000u, 10, 4012000000u},
    {4290000000u, 10, 0xFFFFFFFFu},
    {0xFFFFFFF0u, 15, 0xFFFFFFFFu},
};

TEST(DataBufferGrowth, PlanFollowsTheSteppedTable) {
    for (const GrowthCase &c : kGrowthTable) {
        DataBuffer::GrowthPlan plan{};
        ASSERT_TRUE(DataBuffer::planGrowth(c.size, c.n, plan)) << c.size << "+" << c.n;
        EXPECT_EQ(plan.preferred, c.preferred) << c.size << "+" << c.n;
        uint64_t fallback = static_cast<uint64_t>(c.size) + c.n + 400;
        EXPECT_EQ(plan.fallback, fallback > 0xFFFFFFFFu ? 0xFFFFFFFFu : fallback) << c.size << "+" << c.n;
        EXPECT_GE(plan.preferred, static_cast<uint64_t>(c.size) + c.n);
    }
}

TEST(DataBufferGrowth, PlanRefusesToPass4GiB) {
    DataBuffer::GrowthPlan plan{};
    EXPECT_FALSE(DataBuffer::planGrowth(0xFFFFFFF0u, 16, plan));
    EXPECT_FALSE(DataBuffer::planGrowth(0xFFFFFFFFu, 1, plan));
    EXPECT_FALSE(DataBuffer::planGrowth(0x80000000u, 0x80000000u, plan));
    EXPECT_TRUE(DataBuffer::planGrowth(0x7FFFFFFFu, 0x80000000u, plan));
}

TEST(DataBufferGrowth, AppendsReserveTheDocumentedRoom) {
    DataBuffer a;
    ASSERT_TRUE(a.append("x", 1));
    EXPECT_EQ(a.getCapacity(), 20000u);

    DataBuffer b;
    ASSERT_TRUE(b.appendByte('x'));
    EXPECT_EQ(b.getCapacity(), 10000u);

    DataBuffer c;
    ASSERT_TRUE(c.appendByteN('x', 5));
    EXPECT_EQ(c.getCapacity(), 10005u);
    EXPECT_TRUE(c.equals("xxxxx", 5));

    DataBuffer d;
    ASSERT_TRUE(d.appendUtf16UnitAsUtf8(0x41));
    EXPECT_EQ(d.getCapacity(), 20000u);

    // A full 150000-byte buffer takes 10 more bytes by growing to 250000.
    DataBuffer e;
    ASSERT_TRUE(e.ensureCapacity(150000));
    ASSERT_TRUE(e.appendByteN(7, 150000));
    ASSERT_EQ(e.getCapacity(), 150000u);
    ASSERT_TRUE(e.append("0123456789", 10));
    EXPECT_EQ(e.getCapacity(), 250000u);
    EXPECT_EQ(e.getSize(), 150010u);
    EXPECT_EQ(*e.byteAt(149999), 7);
    EXPECT_EQ(std::memcmp(e.getData() + 150000, "0123456789", 10), 0);
}

TEST(DataBufferGrowth, SingleByteAndRunGrowthFromAFullBuffer) {
    DataBuffer a;
    ASSERT_TRUE(a.ensureCapacity(100));
    ASSERT_TRUE(a.appendByteN(1, 100));
    ASSERT_TRUE(a.appendByte(2));
    EXPECT_EQ(a.getCapacity(), 10100u);

    DataBuffer b;
    ASSERT_TRUE(b.ensureCapacity(100));
    ASSERT_TRUE(b.appendByteN(1, 100));
    ASSERT_TRUE(b.appendByteN(2, 50));
    EXPECT_EQ(b.getCapacity(), 10150u);

    DataBuffer c;
    ASSERT_TRUE(c.ensureCapacity(100));
    ASSERT_TRUE(c.appendByteN(1, 100));
    ASSERT_TRUE(c.appendUtf16UnitAsUtf8(0x20AC));
    EXPECT_EQ(c.getCapacity(), 20100u);
}

TEST(DataBufferGrowth, ReserveIsExact) {
    DataBuffer b;
    ASSERT_TRUE(b.ensureCapacity(37));
    EXPECT_EQ(b.getCapacity(), 37u);
    ASSERT_TRUE(b.ensureCapacity(10));
    EXPECT_EQ(b.getCapacity(), 37u);
    ASSERT_TRUE(b.appendByteN('a', 37));
    ASSERT_TRUE(b.ensureSlack4());
    EXPECT_EQ(b.getCapacity(), 41u);
    EXPECT_EQ(b.getSize(), 37u);
}

// A borrowed block that claims a size near 4 GiB: the appends must refuse before they touch it.
TEST(DataBufferGrowth, OperationsThatWouldPass4GiBFailAndChangeNothing) {
    unsigned char tiny[4] = {1, 2, 3, 4};
    DataBuffer b;
    b.borrow(tiny, 0xFFFFFFF0u);
    EXPECT_FALSE(b.append("0123456789abcdef", 16));
    EXPECT_FALSE(b.appendByteN('x', 16));
    EXPECT_FALSE(b.prepend("0123456789abcdef", 16));
    EXPECT_EQ(b.getSize(), 0xFFFFFFF0u);
    EXPECT_EQ(b.getData(), tiny);
    EXPECT_TRUE(b.isBorrowed());

    b.borrow(tiny, 0xFFFFFFFFu);
    EXPECT_FALSE(b.appendByte('x'));
    EXPECT_FALSE(b.appendUtf16UnitAsUtf8(0x41));
    EXPECT_FALSE(b.appendUint16Le(1));
    EXPECT_FALSE(b.ensureSlack4());
    EXPECT_EQ(b.getSize(), 0xFFFFFFFFu);
    EXPECT_EQ(b.getData(), tiny);
    b.release();
    EXPECT_EQ(tiny[0], 1);
}

}  // namespace
}  // namespace quorvel
