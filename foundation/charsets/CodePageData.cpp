#include "foundation/charsets/CodePageData.h"

#include "foundation/charsets/generated/CodePageTables.h"

namespace quorvel {

const CodePageData *CodePageData::find(uint32_t codePage, uint32_t &index) {
    // The generated list is sorted by code page.
    uint32_t lo = 0, hi = kGeneratedCodePageCount;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        const uint32_t cp = kGeneratedCodePages[mid].codePage;
        if (cp == codePage) {
            index = mid;
            return &kGeneratedCodePages[mid];
        }
        if (cp < codePage) lo = mid + 1;
        else hi = mid;
    }
    return nullptr;
}

}  // namespace quorvel
