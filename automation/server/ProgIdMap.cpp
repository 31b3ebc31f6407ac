#include "automation/server/ProgIdMap.h"

#include <array>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"

namespace quorvel::automation {
namespace {

constexpr size_t countProgIds() {
    size_t count = 0;
    for (const CoClass &coClass : kCoClasses) count += 2 * coClass.progIds.size();
    return count;
}

constexpr std::array<QuorvelProgIdMapping, countProgIds()> buildMap() {
    std::array<QuorvelProgIdMapping, countProgIds()> map{};
    size_t next = 0;
    for (const CoClass &coClass : kCoClasses) {
        for (const ProgId &progId : coClass.progIds) {
            map[next++] = {progId.versioned, comGuid(coClass.clsid)};
            map[next++] = {progId.independent, comGuid(coClass.clsid)};
        }
    }
    return map;
}

constexpr auto kProgIdMap = buildMap();

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameNameNoCase(const char *a, const char *b) {
    for (; *a && *b; ++a, ++b)
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
    return *a == *b;
}

}  // namespace

std::span<const QuorvelProgIdMapping> progIdMap() { return kProgIdMap; }

HRESULT clsidFromProgId(const char *progId, CLSID *clsid) {
    if (!progId || !clsid) return E_POINTER;
    for (const QuorvelProgIdMapping &mapping : kProgIdMap) {
        if (sameNameNoCase(progId, mapping.progId)) {
            *clsid = mapping.clsid;
            return S_OK;
        }
    }
    return kUnknownProgId;
}

}  // namespace quorvel::automation
