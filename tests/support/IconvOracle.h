#pragma once
#include <string>

namespace quorvel::test {

// glibc iconv(3) as an independent implementation. Not part of the Windows C runtime: there
// iconvAvailable() is false and callers skip with a message.
bool iconvAvailable();
// Converts the whole input strictly; false when iconv cannot.
bool iconvConvert(const char *from, const char *to, const std::string &in, std::string &out);

}  // namespace quorvel::test
