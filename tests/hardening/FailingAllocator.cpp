#include "hardening/FailingAllocator.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

// glibc's own allocator under its internal names: every replacement below forwards to it, so a
// block may be freed by either side.
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);
void __libc_free(void *block);
void *__libc_memalign(size_t alignment, size_t size);
}

namespace {

std::atomic<long long> g_live{0};
std::atomic<std::size_t> g_counted{0};
std::atomic<std::size_t> g_failAt{0};  // 0: no allocation fails
std::atomic<bool> g_failed{false};
std::atomic<void *> g_failedCaller{nullptr};  // the code that asked for the failed block

}  // namespace

// The number of the allocation failing now. A debugger's breakpoint on injectedFailure
// ("break injectedFailure if failing_allocation == 34") shows the code that runs out of memory.
extern "C" volatile std::size_t failing_allocation = 0;

namespace {

__attribute__((noinline)) void injectedFailure(void *caller) {
    g_failedCaller.store(caller, std::memory_order_relaxed);
    g_failed.store(true, std::memory_order_relaxed);
    asm volatile("" ::: "memory");
}

// Counts one allocation; true when it is the one to fail.
bool allocationFails(void *caller) {
    std::size_t n = g_counted.fetch_add(1, std::memory_order_relaxed) + 1;
    if (n != g_failAt.load(std::memory_order_relaxed)) return false;
    failing_allocation = n;
    injectedFailure(caller);
    return true;
}

void *counted(void *block) {
    if (block) g_live.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void *alignedBlock(size_t alignment, size_t size, void *caller) {
    if (allocationFails(caller)) return nullptr;
    return counted(__libc_memalign(alignment, size));
}

}  // namespace

extern "C" {

void *malloc(size_t size) {
    if (allocationFails(__builtin_return_address(0))) return nullptr;
    return counted(__libc_malloc(size));
}

void *calloc(size_t count, size_t size) {
    if (allocationFails(__builtin_return_address(0))) return nullptr;
    return counted(__libc_calloc(count, size));
}

void *realloc(void *block, size_t size) {
    if (!block) return malloc(size);
    if (size == 0) {  // glibc frees the block and returns null
        free(block);
        return nullptr;
    }
    if (allocationFails(__builtin_return_address(0))) return nullptr;  // the old block stays, as with a real failure
    return __libc_realloc(block, size);
}

void free(void *block) {
    if (!block) return;
    g_live.fetch_sub(1, std::memory_order_relaxed);
    __libc_free(block);
}

void *memalign(size_t alignment, size_t size) { return alignedBlock(alignment, size, __builtin_return_address(0)); }
void *aligned_alloc(size_t alignment, size_t size) {
    return alignedBlock(alignment, size, __builtin_return_address(0));
}
void *valloc(size_t size) {
    return alignedBlock(static_cast<size_t>(sysconf(_SC_PAGESIZE)), size, __builtin_return_address(0));
}

int posix_memalign(void **result, size_t alignment, size_t size) {
    void *block = alignedBlock(alignment, size, __builtin_return_address(0));
    if (!block) return ENOMEM;
    *result = block;
    return 0;
}

}  // extern "C"

namespace quorvel::test::failing_allocator {

void failAllocation(std::size_t n) {
    g_failed.store(false);
    g_counted.store(0);
    g_failAt.store(n);
}

std::size_t stop() {
    g_failAt.store(0);
    return g_counted.load();
}

bool failureHappened() { return g_failed.load(); }

bool failureCameFrom(const char *library) {
    Dl_info info{};
    void *caller = g_failedCaller.load();
    return g_failed.load() && caller && dladdr(caller, &info) && info.dli_fname &&
           std::strstr(info.dli_fname, library) != nullptr;
}

long long liveBlocks() { return g_live.load(); }

}  // namespace quorvel::test::failing_allocator
