#pragma once
#include <cstdint>

#include "foundation/charsets/CodePageData.h"

namespace quorvel {

// The generated built-in tables (tools/gen_codepages.py), sorted by code page.
extern const CodePageData kGeneratedCodePages[];
extern const uint32_t kGeneratedCodePageCount;

}  // namespace quorvel
