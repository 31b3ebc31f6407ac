#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/AlignedMemory.h"
#include "xml/engine/MemoryPoison.h"

namespace quorvel {

// The memory of one tree's nodes and of everything they own (tags, texts, attribute sets,
// child lists). Blocks are cut from pages aligned to kPageAlign, whose header is found by
// masking a block's address, so a block is given back without knowing its arena: each page
// counts its live blocks and goes when the count reaches zero. A tree whose pages hold only
// its own blocks (exclusive) is freed page by page, without visiting its nodes.
//
// A tree's first page is a 1 KiB sub-page of a pool page shared by many trees (found by a
// second mask), so that the many small trees of a script cost about 1 KiB, not a full page.
//
// A page can hold blocks of several trees once a subtree moves out of its tree, and those
// trees may be used from different threads: the live count is atomic. The arena's own state
// belongs to its tree and is used from one thread at a time, as the tree is.
class NodeArena {
public:
    // Large pages keep the heap calls few, where the system aligns them cheaply.
    static constexpr size_t kPageAlign = kPreferredPageAlignment;
    // Blocks above this get a page of their own.
    static constexpr size_t kLargestSmallBlock = kPageAlign / 8;
    static constexpr size_t kSubPage = 1024;

    NodeArena() = default;
    // Forgets its pages without freeing live blocks: each page then goes with its last block.
    ~NodeArena();
    NodeArena(const NodeArena &) = delete;
    NodeArena &operator=(const NodeArena &) = delete;

    // An 8-byte aligned block; null (and the failure noted) when memory runs out. Cutting from
    // the current page is inline: the parser calls it for every node and text.
    void *allocate(size_t size) {
        const size_t n = roundUp8(size == 0 ? 1 : size);
        if (m_current && n <= kLargestSmallBlock && m_current->bytes - m_used >= n) {
            void *block = reinterpret_cast<char *>(m_current) + m_used;
            m_used += n;
            ++m_currentBlocks;
            unpoisonMemory(block, n);
            return block;
        }
        return allocateSlow(n);
    }
    // Gives back a block of any arena; null is ignored.
    static void release(void *block);
    // The block grown or shrunk to newSize (the first min(oldSize, newSize) bytes kept), in
    // place when it is the last block cut from the current page; null, the old block intact,
    // when memory runs out.
    void *resize(void *block, size_t oldSize, size_t newSize);

    // True while every block of the tree lies in this arena's pages and they hold nothing else.
    bool isExclusive() const { return m_exclusive; }
    // The tree now shares pages with another tree (a subtree left it or came from another
    // tree without its pages): its nodes are freed one by one from now on.
    void share();
    // The other tree joined this one: its pages become ours (exclusive when both were).
    void adopt(NodeArena &other);
    // Frees every page at once, all blocks in them included, except that the block `survivor`
    // stays valid as the only live block of its page (to be released later). Only for an
    // exclusive arena whose tree is going; false, nothing freed, otherwise.
    bool releaseAllBut(const void *survivor);

    // Bytes of the pages this arena has cut blocks from and still lists (tests, benchmarks).
    uint64_t bytesListed() const;

private:
    enum Kind : uint32_t { kWholePage = 0x51504147, kSubPageOfPool = 0x51505342, kPool = 0x5150504C };
    struct Page {
        uint32_t kind;  // first, as in Pool
        size_t bytes;   // a large block's page can pass 4 GiB
        std::atomic<int64_t> live;
        NodeArena *owner;  // the exclusive arena listing the page; null when unlisted
        Page *previous;
        Page *next;
    };
    struct Pool;
    static constexpr size_t roundUp8(size_t n) { return (n + 7) & ~size_t{7}; }
    static constexpr size_t kHeader = (sizeof(Page) + 15) & ~size_t{15};
    static Page *pageOf(const void *block);
    void *allocateSlow(size_t n);
    void *allocateLarge(size_t n);
    void forgetListed();
    Page *newPage(size_t bytes);
    Page *newSubPage();
    void started(Page *page);
    static Page *takeSubPage();
    static void returnSubPage(Page *page);
    void retireCurrent();
    void list(Page *page);
    void unlist(Page *page);
    static void freePage(Page *page);
    static void dispose(Page *page);

    Page *m_current = nullptr;
    size_t m_used = 0;              // bytes of the current page cut so far, header included
    int64_t m_currentBlocks = 0;    // blocks cut from the current page (counted against its bias)
    Page *m_listed = nullptr;       // pages of an exclusive arena, current one included
    bool m_startedPaging = false;   // the first page is a sub-page
    bool m_exclusive = true;
};

}  // namespace quorvel
