#pragma once
// UTF-8 and the UTF-16 of the Windows API, for the DLLs' registry, paths and type library calls.
// Memory running out throws std::bad_alloc, which the exported entry points turn into
// E_OUTOFMEMORY.
#include <string>

namespace quorvel::automation {

std::wstring wideText(const std::string &utf8);
std::string utf8Text(const std::wstring &wide);

// The full path of the DLL holding this code.
std::wstring moduleFileName();

}  // namespace quorvel::automation
