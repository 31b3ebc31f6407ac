#include "support/IconvOracle.h"

#ifndef _WIN32
#include <iconv.h>
#endif

#include <vector>

namespace quorvel::test {

#ifdef _WIN32
bool iconvAvailable() { return false; }
bool iconvConvert(const char *, const char *, const std::string &, std::string &) { return false; }
#else
bool iconvAvailable() { return true; }

bool iconvConvert(const char *from, const char *to, const std::string &in, std::string &out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::vector<char> buf(in.size() * 4 + 16);
    char *inp = const_cast<char *>(in.data());
    size_t inLeft = in.size();
    char *outp = buf.data();
    size_t outLeft = buf.size();
    const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0) return false;
    out.assign(buf.data(), static_cast<size_t>(outp - buf.data()));
    return true;
}
#endif

}  // namespace quorvel::test
