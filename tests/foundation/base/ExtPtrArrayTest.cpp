#include <gtest/gtest.h>

#include <vector>

#include "foundation/base/ExtPtrArray.h"

namespace quorvel {
namespace {

// Counts its destructions so that tests can see what an owning array destroys.
class Tracked : public QuorvelObject {
public:
    explicit Tracked(int &destroyed) : m_destroyed(destroyed) {}
    ~Tracked() override { ++m_destroyed; }

private:
    int &m_destroyed;
};

TEST(ExtPtrArray, CapacityRoughlyDoublesWithTheStepCappedAt100000) {
    ExtPtrArray a;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 400000; ++i) {
        int32_t before = a.getCapacity();
        ASSERT_TRUE(a.append(nullptr));
        if (a.getCapacity() != before) capacities.push_back(a.getCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{5, 10, 20, 40, 80, 160, 320, 640, 1280, 2560, 5120, 10240, 20480,
                                                40960, 81920, 163840, 263840, 363840, 463840}));
    a.removeAll();
    EXPECT_EQ(a.getCapacity(), 0);
    ASSERT_TRUE(a.append(nullptr));
    EXPECT_EQ(a.getCapacity(), 5);
}

TEST(ExtPtrArray, IndexingInsertionAndRemoval) {
    int destroyed = 0;
    Tracked a(destroyed), b(destroyed), c(destroyed), d(destroyed);
    ExtPtrArray arr;
    ASSERT_TRUE(arr.append(&b));
    ASSERT_TRUE(arr.insertAt(-5, &a));   // clamped to the front
    ASSERT_TRUE(arr.insertAt(100, &d));  // clamped to the end
    ASSERT_TRUE(arr.insertAt(2, &c));
    const std::vector<QuorvelObject *> items = {arr.elementAt(-1), arr.elementAt(0), arr.elementAt(1),
                                                arr.elementAt(2), arr.elementAt(3), arr.elementAt(4)};
    EXPECT_EQ(items, (std::vector<QuorvelObject *>{nullptr, &a, &b, &c, &d, nullptr}));
    EXPECT_TRUE(arr.lastElement() == &d && arr.indexOf(&c) == 2);
    EXPECT_TRUE(arr.removeAt(1) == &b && arr.removeAt(3) == nullptr);
    EXPECT_TRUE(arr.removeItem(&a) && !arr.removeItem(&a));
    ASSERT_EQ(arr.getSize(), 2);
    EXPECT_TRUE(arr.elementAt(0) == &c && arr.elementAt(1) == &d && destroyed == 0);
}  // arr goes first: a borrowing array leaves c and d alone

TEST(ExtPtrArray, OwningArrayDestroysItsItems) {
    int destroyed = 0;
    {
        ExtPtrArray owning(true);
        for (int i = 0; i < 7; ++i) ASSERT_TRUE(owning.append(new Tracked(destroyed)));
        QuorvelObject *taken = owning.removeAt(0);  // handed back, not destroyed
        EXPECT_EQ(destroyed, 0);
        delete taken;
        owning.removeAll();
        EXPECT_TRUE(destroyed == 7 && owning.getSize() == 0);
        ASSERT_TRUE(owning.append(new Tracked(destroyed)) && owning.append(new Tracked(destroyed)));
    }
    EXPECT_EQ(destroyed, 9);
}

}  // namespace
}  // namespace quorvel
