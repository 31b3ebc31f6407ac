#include "xml/engine/NodeArena.h"

#include <cstring>
#include <new>

#include "foundation/base/AllocationFailures.h"
#include "platform/AlignedMemory.h"
#include "xml/engine/MemoryPoison.h"

namespace quorvel {

// The current page carries this bias on top of its live count, so that cutting a block from
// it is a plain addition; the real count is settled once, when the page stops being current.
static constexpr int64_t kCurrentBias = int64_t{1} << 40;
// Pages are the alignment less the allocator's chunk header, so that pages cut one after the
// other from the heap line up without slack.
static constexpr size_t kFullPage = NodeArena::kPageAlign - 16;

NodeArena::Page *NodeArena::pageOf(const void *block) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(block);
    const uintptr_t start = address & ~(uintptr_t{kPageAlign} - 1);
    // Pages and pools both begin with their kind.
    if (*reinterpret_cast<const uint32_t *>(start) != kPool) return reinterpret_cast<Page *>(start);
    return reinterpret_cast<Page *>(address & ~(uintptr_t{kSubPage} - 1));
}

NodeArena::~NodeArena() {
    retireCurrent();
    forgetListed();
}

void NodeArena::forgetListed() {
    for (Page *page = m_listed; page;) {
        Page *next = page->next;
        page->owner = nullptr;
        page->previous = page->next = nullptr;
        page = next;
    }
    m_listed = nullptr;
}

void *NodeArena::allocateSlow(size_t n) {
    const bool first = !m_startedPaging;
    if (n > kLargestSmallBlock || n > (first ? kSubPage : kFullPage) - kHeader) return allocateLarge(n);
    Page *page = first ? newSubPage() : newPage(kFullPage);
    if (!page) return nullptr;
    retireCurrent();
    page->live.store(kCurrentBias, std::memory_order_relaxed);
    m_current = page;
    m_used = kHeader + n;
    m_currentBlocks = 1;
    void *block = reinterpret_cast<char *>(page) + kHeader;
    unpoisonMemory(block, n);
    return block;
}

// n is a multiple of 8.
void *NodeArena::allocateLarge(size_t n) {
    if (n > SIZE_MAX - kHeader - kPageAlign) {
        AllocationFailures::note();
        return nullptr;
    }
    Page *page = newPage(kHeader + n);
    if (!page) return nullptr;
    page->live.store(1, std::memory_order_relaxed);
    void *block = reinterpret_cast<char *>(page) + kHeader;
    unpoisonMemory(block, n);
    return block;
}

NodeArena::Page *NodeArena::newPage(size_t bytes) {
    void *memory = alignedAllocate(kPageAlign, bytes);
    if (!memory) {
        AllocationFailures::note();
        return nullptr;
    }
    Page *page = static_cast<Page *>(memory);
    page->kind = kWholePage;
    page->bytes = bytes;
    started(page);
    return page;
}

NodeArena::Page *NodeArena::newSubPage() {
    Page *page = takeSubPage();
    if (!page) {
        AllocationFailures::note();
        return nullptr;
    }
    started(page);
    return page;
}

void NodeArena::started(Page *page) {
    new (&page->live) std::atomic<int64_t>(0);
    page->owner = nullptr;
    page->previous = page->next = nullptr;
    poisonMemory(reinterpret_cast<char *>(page) + kHeader, page->bytes - kHeader);
    m_startedPaging = true;
    if (m_exclusive) list(page);
}

void NodeArena::retireCurrent() {
    Page *page = m_current;
    if (!page) return;
    m_current = nullptr;
    const int64_t drop = kCurrentBias - m_currentBlocks;
    m_currentBlocks = 0;
    m_used = 0;
    if (page->live.fetch_sub(drop, std::memory_order_acq_rel) == drop) freePage(page);
}

void NodeArena::release(void *block) {
    if (!block) return;
    // The size is not known here: the first bytes are poisoned, which catches a call through
    // a released node.
    poisonMemory(block, 8);
    Page *page = pageOf(block);
    if (page->live.fetch_sub(1, std::memory_order_acq_rel) == 1) freePage(page);
}

void *NodeArena::resize(void *block, size_t oldSize, size_t newSize) {
    if (!block) return allocate(newSize);
    const size_t oldN = roundUp8(oldSize == 0 ? 1 : oldSize), newN = roundUp8(newSize == 0 ? 1 : newSize);
    char *start = static_cast<char *>(block);
    if (m_current && pageOf(block) == m_current && start + oldN == reinterpret_cast<char *>(m_current) + m_used &&
        newN <= kLargestSmallBlock && static_cast<size_t>(start - reinterpret_cast<char *>(m_current)) + newN <= m_current->bytes) {
        m_used = static_cast<size_t>(start - reinterpret_cast<char *>(m_current)) + newN;
        unpoisonMemory(block, newN);
        return block;
    }
    void *moved = allocate(newSize);
    if (!moved) return nullptr;
    std::memcpy(moved, block, oldSize < newSize ? oldSize : newSize);
    release(block);
    return moved;
}

void NodeArena::list(Page *page) {
    page->owner = this;
    page->previous = nullptr;
    page->next = m_listed;
    if (m_listed) m_listed->previous = page;
    m_listed = page;
}

void NodeArena::unlist(Page *page) {
    if (page->previous) page->previous->next = page->next;
    else m_listed = page->next;
    if (page->next) page->next->previous = page->previous;
    page->owner = nullptr;
    page->previous = page->next = nullptr;
}

void NodeArena::freePage(Page *page) {
    if (page->owner) page->owner->unlist(page);
    dispose(page);
}

void NodeArena::dispose(Page *page) {
    page->live.~atomic();
    if (page->kind == kSubPageOfPool) returnSubPage(page);
    else alignedFree(page);
}

void NodeArena::share() {
    m_exclusive = false;
    forgetListed();
}

void NodeArena::adopt(NodeArena &other) {
    if (&other == this) return;
    other.retireCurrent();
    if (!m_exclusive || !other.m_exclusive) {
        share();
        other.share();
        return;
    }
    while (Page *page = other.m_listed) {
        other.unlist(page);
        list(page);
    }
}

bool NodeArena::releaseAllBut(const void *survivor) {
    Page *keep = pageOf(survivor);
    if (!m_exclusive || keep->owner != this) return false;
    if (keep == m_current) m_current = nullptr;
    m_currentBlocks = 0;
    m_used = 0;
    unlist(keep);
    keep->live.store(1, std::memory_order_release);
    // Freed without unlinking each: nothing else points at them any more.
    for (Page *page = m_listed; page;) {
        Page *next = page->next;
        dispose(page);
        page = next;
    }
    m_listed = nullptr;
    m_current = nullptr;
    return true;
}

uint64_t NodeArena::bytesListed() const {
    uint64_t bytes = 0;
    for (const Page *page = m_listed; page; page = page->next) bytes += page->bytes;
    return bytes;
}

}  // namespace quorvel
