#pragma once
#include <cstddef>
#include <cstdint>

namespace quorvel {

// The CRC-32 of gzip and zip (reflected polynomial 0xEDB88320), continued over n more bytes:
// crc32Update(0, ...) starts one, and a CRC fed its data in pieces equals the CRC of the whole.
// Where the processor multiplies without carries (PCLMULQDQ), runs of 64 bytes and more are
// folded sixteen bytes a step, several times faster than a table.
uint32_t crc32Update(uint32_t crc, const unsigned char *data, size_t n);

}  // namespace quorvel
