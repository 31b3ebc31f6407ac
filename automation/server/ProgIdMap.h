#pragma once
// The ProgIDs of the served classes, version-dependent and version-independent, with the class
// identifier each names. On Linux this map is what registration gives a scripting host.
#include <span>

#include "automation/com/Com.h"

extern "C" {
struct QuorvelProgIdMapping {
    const char *progId;
    GUID clsid;
};
}

namespace quorvel::automation {

// CO_E_CLASSSTRING: the text names no class.
inline constexpr HRESULT kUnknownProgId = static_cast<HRESULT>(0x800401F3u);

// Every ProgID of every class, each class's versioned one before its independent one.
std::span<const QuorvelProgIdMapping> progIdMap();

// The class a ProgID names, compared ASCII case-insensitively as the registry does;
// kUnknownProgId for a ProgID not in the map, E_POINTER for a null argument.
HRESULT clsidFromProgId(const char *progId, CLSID *clsid);

}  // namespace quorvel::automation
