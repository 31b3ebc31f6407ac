// The pool of 1 KiB sub-pages that trees start in. A pool is one aligned page: its first
// sub-page holds the pool's header, the others are handed out one per tree. Trees come and go
// in any thread, so the pools are shared under one lock, taken once per sub-page.
#include <bit>
#include <mutex>

#include "platform/AlignedMemory.h"
#include "xml/engine/MemoryPoison.h"
#include "xml/engine/NodeArena.h"


namespace quorvel {

static constexpr uint32_t kSubPagesPerPool = static_cast<uint32_t>(NodeArena::kPageAlign / NodeArena::kSubPage);
static_assert(kSubPagesPerPool >= 2 && kSubPagesPerPool <= 32, "a pool's sub-pages fit its mask");
// Sub-page 0 is the header's.
static constexpr uint32_t kAllFree =
    (kSubPagesPerPool == 32 ? 0xFFFFFFFFu : (1u << kSubPagesPerPool) - 1u) & ~1u;

struct NodeArena::Pool {
    uint32_t kind;      // kPool, first, as in Page
    uint32_t freeMask;  // bit i: sub-page i is free
    Pool *previous;     // among the pools with a free sub-page
    Pool *next;
};

namespace {

std::mutex g_poolLock;
void *g_poolsWithRoom = nullptr;  // the first pool with a free sub-page

}  // namespace

NodeArena::Page *NodeArena::takeSubPage() {
    std::lock_guard<std::mutex> lock(g_poolLock);
    Pool *pool = static_cast<Pool *>(g_poolsWithRoom);
    if (!pool) {
        void *memory = alignedAllocate(kPageAlign, kPageAlign);
        if (!memory) return nullptr;
        pool = static_cast<Pool *>(memory);
        pool->kind = kPool;
        pool->freeMask = kAllFree;
        pool->previous = pool->next = nullptr;
        poisonMemory(reinterpret_cast<char *>(pool) + kSubPage, kPageAlign - kSubPage);
        g_poolsWithRoom = pool;
    }
    const uint32_t index = static_cast<uint32_t>(std::countr_zero(pool->freeMask));
    pool->freeMask &= ~(1u << index);
    if (pool->freeMask == 0) {
        g_poolsWithRoom = pool->next;
        if (pool->next) pool->next->previous = nullptr;
        pool->next = nullptr;
    }
    Page *page = reinterpret_cast<Page *>(reinterpret_cast<char *>(pool) + index * kSubPage);
    unpoisonMemory(page, kHeader);
    page->kind = kSubPageOfPool;
    page->bytes = kSubPage;
    return page;
}

void NodeArena::returnSubPage(Page *page) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(page);
    Pool *pool = reinterpret_cast<Pool *>(address & ~(uintptr_t{kPageAlign} - 1));
    const uint32_t index = static_cast<uint32_t>((address - reinterpret_cast<uintptr_t>(pool)) / kSubPage);
    poisonMemory(page, kSubPage);
    std::lock_guard<std::mutex> lock(g_poolLock);
    const bool wasFull = pool->freeMask == 0;
    pool->freeMask |= 1u << index;
    if (wasFull) {
        pool->previous = nullptr;
        pool->next = static_cast<Pool *>(g_poolsWithRoom);
        if (g_poolsWithRoom) static_cast<Pool *>(g_poolsWithRoom)->previous = pool;
        g_poolsWithRoom = pool;
    }
    // An empty pool goes back to the heap, unless it is the only one with room: it stays for
    // the next tree, so a loop making and dropping one small tree does not churn the heap.
    if (pool->freeMask != kAllFree || (g_poolsWithRoom == pool && !pool->next)) return;
    if (pool->previous) pool->previous->next = pool->next;
    else g_poolsWithRoom = pool->next;
    if (pool->next) pool->next->previous = pool->previous;
    alignedFree(pool);
}

}  // namespace quorvel
