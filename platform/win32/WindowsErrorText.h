#pragma once
#include <cstdint>
#include <string>

namespace quorvel {

// A readable text for a Winsock, Win32 or HRESULT code: the system's message, else (where the
// system has none, as on some Windows-compatible runtimes) a text or the symbolic name from a
// table of the codes the network stream reports, else "error <code>".
class WindowsErrorText {
public:
    static std::string describe(int64_t code);
};

}  // namespace quorvel
