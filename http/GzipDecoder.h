#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class LogBase;

// Decodes gzip data (RFC 1952): each member's header (the extra field, file name, comment and
// header CRC announced by its flags are skipped), its raw DEFLATE data, and its trailer, whose
// CRC-32 and size must match what was inflated. Consecutive members are decoded one after
// the other. The inflated bytes are appended to out, which never passes maxOut bytes (0: the
// 4 GiB ceiling of a buffer), so a small body that inflates without end fails early. nulSeen,
// when given, learns whether a NUL byte was among the inflated bytes (looked for as they come).
class GzipDecoder {
public:
    static bool ungzip(const unsigned char *data, uint32_t n, DataBuffer &out, uint64_t maxOut, LogBase &log,
                       bool *nulSeen = nullptr);

private:
    // Length of the member header at data, or 0 (with the reason logged) when it is malformed.
    static uint32_t memberHeaderLength(const unsigned char *data, uint32_t n, LogBase &log);
    // Inflates one member's DEFLATE data and checks its trailer; consumed is set to the bytes
    // of data used, the trailer included; nulSeen is set when an inflated byte is NUL.
    static bool inflateMember(const unsigned char *data, uint32_t n, DataBuffer &out, uint64_t maxOut,
                              uint32_t &consumed, bool &nulSeen, LogBase &log);
};

}  // namespace quorvel
