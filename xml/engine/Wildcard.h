#pragma once
#include <cstdint>

namespace quorvel {

// The system's one pattern language: '*' matches any run of bytes (empty included); there is
// no other metacharacter and no escape. Comparison is byte-exact, or ASCII-case-insensitive
// when caseSensitive is false. An empty text matches only a pattern of nothing but '*'s; a
// non-empty text never matches an empty pattern.
bool wildcardMatch(const char *text, uint32_t textLen, const char *pattern, bool caseSensitive);
bool wildcardMatch(const char *text, const char *pattern, bool caseSensitive);

}  // namespace quorvel
