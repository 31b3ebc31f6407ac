#pragma once
#include <cstdint>

namespace quorvel {

// The charset vocabulary: every accepted charset name with its code page, and the canonical name
// of each code page. Names are matched after trimming surrounding white space, lower-casing and
// turning '_' into '-'. The tables are static and sorted; a lookup is a binary search.
class CharsetNames {
public:
    // The code page of a name: a name shorter than 3 bytes (the empty name included) and "ansi"
    // mean the system ANSI code page; an unknown name gives 0. A null name is the empty name.
    static uint32_t codePageForName(const char *name);
    // The canonical name of a code page, or null when it has none.
    static const char *canonicalName(uint32_t codePage);
    // True when codePageForName gives a code page.
    static bool isKnownName(const char *name);

    // The tables themselves, in their sorted order (names by bytes, code pages by number).
    static uint32_t nameCount();
    static const char *nameAt(uint32_t index, uint32_t &codePage);
    static uint32_t codePageCount();
    static uint32_t codePageAt(uint32_t index);
};

}  // namespace quorvel
