// DataBuffer's encoding and decoding by name. Defined with the codecs, which they forward to,
// so that the foundation sources need nothing from this folder.
#include "codecs/EncodingByName.h"
#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

bool DataBuffer::encodeAs(const char *encodingName, StringBuffer &out) const {
    return EncodingByName::encode(encodingName, m_data, m_size, out);
}

bool DataBuffer::appendDecoded(const char *encodingName, const char *text, uint32_t n) {
    return EncodingByName::decode(encodingName, text, n, *this);
}

}  // namespace quorvel
