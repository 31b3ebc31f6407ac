#include "platform/CryptoPrimitives.h"

#include <new>
#include <string>

namespace quorvel {

bool CryptoPrimitives::aes128Cbc(bool encrypt, const unsigned char key[kAes128KeySize],
                                 const unsigned char iv[kAesBlockSize], const unsigned char *in, unsigned char *out,
                                 uint32_t n, Error &error) {
    const char *failure = encrypt ? "AES-128-CBC encryption failed." : "AES-128-CBC decryption failed.";
    if (n % kAesBlockSize != 0) {
        error.fail(failure);
        error.addDetail("notWholeBlocks", std::to_string(n).c_str());
        return false;
    }
    return aes128CbcBlocks(encrypt, key, iv, in, out, n, failure, error);
}

bool CryptoPrimitives::Error::fail(const char *text) {
    details.clear();
    try {
        message = text;
    } catch (const std::bad_alloc &) {
        message.clear();
    }
    return false;
}

void CryptoPrimitives::Error::addDetail(const char *tag, const char *value) {
    try {
        details.emplace_back(tag, value);
    } catch (const std::bad_alloc &) {
    }
}

}  // namespace quorvel
