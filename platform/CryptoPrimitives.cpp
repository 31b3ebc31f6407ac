#include "platform/CryptoPrimitives.h"

#include "foundation/log/LogBase.h"

namespace quorvel {

bool CryptoPrimitives::aes128Cbc(bool encrypt, const unsigned char key[kAes128KeySize],
                                 const unsigned char iv[kAesBlockSize], const unsigned char *in, unsigned char *out,
                                 uint32_t n, LogBase &log) {
    const char *failure = encrypt ? "AES-128-CBC encryption failed." : "AES-128-CBC decryption failed.";
    if (n % kAesBlockSize != 0) {
        log.logError(failure);
        log.logDataUint32("notWholeBlocks", n);
        return false;
    }
    return aes128CbcBlocks(encrypt, key, iv, in, out, n, failure, log);
}

}  // namespace quorvel
