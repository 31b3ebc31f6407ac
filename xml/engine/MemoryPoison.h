#pragma once
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace quorvel {

// Marks memory of the tree pages that no block owns, so that the address sanitizer reports a
// read or write there as it would for the heap; nothing without the sanitizer.
inline void poisonMemory(const void *p, size_t n) {
#if defined(__SANITIZE_ADDRESS__)
    ASAN_POISON_MEMORY_REGION(p, n);
#else
    (void)p, (void)n;
#endif
}

inline void unpoisonMemory(const void *p, size_t n) {
#if defined(__SANITIZE_ADDRESS__)
    ASAN_UNPOISON_MEMORY_REGION(p, n);
#else
    (void)p, (void)n;
#endif
}

}  // namespace quorvel
