// The page allocator of trees: blocks cut from pages, pages going with their last block, growing
// in place, large blocks, exclusive and shared arenas, merging, and freeing all at once. The
// sanitizer leg catches a page never freed or freed while a block in it lives; blocks are filled
// and checked so that a page freed too early shows up as lost bytes even without it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "xml/engine/NodeArena.h"

namespace quorvel::test {
namespace {

// A block filled with a pattern of its own, checked before it goes.
struct Block {
    unsigned char *p;
    size_t n;
    unsigned char mark;
};

Block cut(NodeArena &arena, size_t n, unsigned char mark) {
    auto *p = static_cast<unsigned char *>(arena.allocate(n));
    EXPECT_NE(p, nullptr);
    if (p) std::memset(p, mark, n);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    return {p, n, mark};
}

bool intact(const Block &b) {
    for (size_t i = 0; i < b.n; ++i)
        if (b.p[i] != b.mark) return false;
    return true;
}

void releaseAll(std::vector<Block> &blocks) {
    for (const Block &b : blocks) {
        EXPECT_TRUE(intact(b));
        NodeArena::release(b.p);
    }
    blocks.clear();
}

TEST(NodeArena, PagesGoWithTheirLastBlockAndTheArenaLetsGoOfTheRest) {
    // Sizes from one byte to a large block, in counts that fill several pages.
    const struct {
        size_t size;
        int count;
    } rows[] = {{1, 5000}, {24, 3000}, {104, 2000}, {NodeArena::kLargestSmallBlock, 100},
                {NodeArena::kLargestSmallBlock + 1, 20}, {3 * NodeArena::kPageAlign, 5}};
    for (const auto &row : rows) {
        NodeArena arena;
        std::vector<Block> blocks;
        for (int i = 0; i < row.count; ++i) blocks.push_back(cut(arena, row.size, static_cast<unsigned char>(i)));
        EXPECT_GE(arena.bytesListed(), row.size * static_cast<size_t>(row.count)) << row.size;
        // Every other block first, then the rest: pages go only once all their blocks have.
        for (size_t i = 1; i < blocks.size(); i += 2) {
            EXPECT_TRUE(intact(blocks[i]));
            NodeArena::release(blocks[i].p);
            blocks[i].p = nullptr;
        }
        for (const Block &b : blocks) EXPECT_TRUE(!b.p || intact(b)) << row.size;
        for (const Block &b : blocks) NodeArena::release(b.p);
        // Only the current page can be left, and it is small.
        EXPECT_LE(arena.bytesListed(), NodeArena::kPageAlign) << row.size;
    }
}

// Resizes the block; the bytes it keeps must come along, and the rest is filled.
void resize(NodeArena &arena, Block &b, size_t n) {
    auto *p = static_cast<unsigned char *>(arena.resize(b.p, b.n, n));
    ASSERT_NE(p, nullptr);
    b = {p, std::min(b.n, n), b.mark};
    EXPECT_TRUE(intact(b)) << n;
    std::memset(p, b.mark, n);
    b.n = n;
}

TEST(NodeArena, ResizeGrowsTheLastBlockInPlaceAndMovesOthersWithTheirBytes) {
    NodeArena arena;
    Block first = cut(arena, 40, 0x11);
    unsigned char *const start = first.p;
    resize(arena, first, 200);
    ASSERT_EQ(first.p, start);  // the last block of the current page grows where it is
    Block second = cut(arena, 16, 0x22);
    resize(arena, first, 600);
    EXPECT_NE(first.p, start);
    // Past the small-block limit the block moves to a page of its own; shrinking keeps bytes.
    resize(arena, first, 4 * NodeArena::kLargestSmallBlock);
    resize(arena, first, 100);
    std::vector<Block> all{first, second};
    releaseAll(all);
    // From nothing, resize allocates.
    void *fresh = arena.resize(nullptr, 0, 32);
    EXPECT_NE(fresh, nullptr);
    NodeArena::release(fresh);
}

TEST(NodeArena, BlocksOutliveTheirArena) {
    std::vector<Block> blocks;
    {
        NodeArena arena;
        for (int i = 0; i < 3000; ++i) blocks.push_back(cut(arena, 72, static_cast<unsigned char>(i)));
        blocks.push_back(cut(arena, 3 * NodeArena::kLargestSmallBlock, 0x77));
    }
    releaseAll(blocks);
}

TEST(NodeArena, AdoptingMergesExclusivePagesAndSharesOtherwise) {
    for (bool shareFirst : {false, true}) {
        NodeArena into, from;
        std::vector<Block> blocks;
        for (int i = 0; i < 1500; ++i) {
            blocks.push_back(cut(into, 64, 1));
            blocks.push_back(cut(from, 64, 2));
        }
        if (shareFirst) from.share();
        const uint64_t both = into.bytesListed() + from.bytesListed();
        into.adopt(from);
        EXPECT_EQ(from.bytesListed(), 0u);
        EXPECT_EQ(into.isExclusive(), !shareFirst);
        if (shareFirst) {
            EXPECT_EQ(into.bytesListed(), 0u);
            EXPECT_FALSE(into.releaseAllBut(blocks[0].p));
            releaseAll(blocks);
            continue;
        }
        EXPECT_EQ(into.bytesListed(), both);
        // The merged pages all go at once; the survivor stays readable.
        EXPECT_TRUE(into.releaseAllBut(blocks.back().p));
        EXPECT_TRUE(intact(blocks.back()));
        NodeArena::release(blocks.back().p);
    }
}

TEST(NodeArena, ReleaseAllButKeepsTheSurvivorWhereverItIs) {
    // The survivor on the current page, on an older page, and in a large block.
    for (int where : {0, 1, 2}) {
        NodeArena arena;
        Block survivor = cut(arena, where == 2 ? 5 * NodeArena::kLargestSmallBlock : 96, 0x3C);
        for (int i = 0; i < (where == 0 ? 1 : 4000); ++i) cut(arena, 56, 0x10);
        ASSERT_TRUE(arena.releaseAllBut(survivor.p));
        EXPECT_EQ(arena.bytesListed(), 0u);
        EXPECT_TRUE(intact(survivor));
        // The arena starts again from nothing and still works.
        Block after = cut(arena, 32, 0x44);
        EXPECT_TRUE(intact(after));
        NodeArena::release(after.p);
        NodeArena::release(survivor.p);
    }
}

// A shared arena lists no pages and frees nothing at once; its blocks, cut before and after the
// sharing, outlive it and go from two threads at once (two trees used from two threads can hold
// blocks of the same pages).
TEST(NodeArena, SharedArenaBlocksGoFromTwoThreadsAtOnce) {
    std::vector<Block> even, odd;
    {
        NodeArena arena;
        for (int i = 0; i < 20000; ++i) {
            if (i == 2000) {
                EXPECT_TRUE(arena.isExclusive());
                arena.share();
                EXPECT_TRUE(!arena.isExclusive() && arena.bytesListed() == 0u);
                EXPECT_FALSE(arena.releaseAllBut(even[0].p));
            }
            (i % 2 ? odd : even).push_back(cut(arena, i < 2000 ? 48 : 40, static_cast<unsigned char>(i)));
        }
        EXPECT_EQ(arena.bytesListed(), 0u);  // still cuts, unlisted
    }
    std::thread a([&even] { releaseAll(even); });
    std::thread b([&odd] { releaseAll(odd); });
    a.join();
    b.join();
    EXPECT_TRUE(even.empty() && odd.empty());
}

TEST(NodeArena, SmallTreesShareSubPagesFromEveryThread) {
    // A tree of a few nodes costs one sub-page (TreeMemoryTest). Many small arenas at once from
    // two threads, released in another order and thread than they were made: every sub-page goes
    // back exactly once. (One freed all at once: ReleaseAllBut, the survivor on the current page.)
    std::vector<Block> first, second;
    auto make = [](std::vector<Block> &out, unsigned char mark) {
        for (int tree = 0; tree < 3000; ++tree) {
            NodeArena arena;
            out.push_back(cut(arena, 8 + (tree % 5) * 40, mark));
            out.push_back(cut(arena, 24, mark));
            if (tree % 7 == 0) out.push_back(cut(arena, 2 * NodeArena::kSubPage, mark));  // beyond the first page
        }
    };
    std::thread a(make, std::ref(first), 0xA1), b(make, std::ref(second), 0xB2);
    a.join();
    b.join();
    std::thread c([&first] { releaseAll(first); }), d([&second] {
        std::reverse(second.begin(), second.end());
        releaseAll(second);
    });
    c.join();
    d.join();
}

}  // namespace
}  // namespace quorvel::test
