#pragma once
#include <cstdint>

namespace quorvel {

class LogBase;

// The block cipher and digest behind password encryption, from the platform's crypto library
// (libcrypto on POSIX, BCrypt on Windows). Only the raw primitives live here: padding, key
// derivation and the stored form are the codecs' business, so both platforms produce the same
// bytes by construction.
//
// A failure of the library (an algorithm that is not available, memory it cannot get) returns
// false with the library's own detail in the log; the output is then unspecified.
class CryptoPrimitives {
public:
    static constexpr uint32_t kAesBlockSize = 16;
    static constexpr uint32_t kAes128KeySize = 16;
    static constexpr uint32_t kMd5Size = 16;

    // The 16-byte MD5 digest of n bytes.
    static bool md5(const void *bytes, uint32_t n, unsigned char digest[kMd5Size], LogBase &log);

    // AES-128 in CBC mode over n bytes, n a multiple of 16, one chain from the given vector; no
    // padding is added or removed. in and out may be the same block (in-place); other overlaps
    // are not allowed.
    // Refuses a length that is not whole blocks (logged), then runs the platform's cipher.
    static bool aes128Cbc(bool encrypt, const unsigned char key[kAes128KeySize], const unsigned char iv[kAesBlockSize],
                          const unsigned char *in, unsigned char *out, uint32_t n, LogBase &log);
    static bool aes128CbcEncrypt(const unsigned char key[kAes128KeySize], const unsigned char iv[kAesBlockSize],
                                 const unsigned char *in, unsigned char *out, uint32_t n, LogBase &log) {
        return aes128Cbc(true, key, iv, in, out, n, log);
    }
    static bool aes128CbcDecrypt(const unsigned char key[kAes128KeySize], const unsigned char iv[kAesBlockSize],
                                 const unsigned char *in, unsigned char *out, uint32_t n, LogBase &log) {
        return aes128Cbc(false, key, iv, in, out, n, log);
    }

private:
    // The platform's cipher over whole blocks; failure is the platform's message under failure.
    static bool aes128CbcBlocks(bool encrypt, const unsigned char *key, const unsigned char *iv,
                                const unsigned char *in, unsigned char *out, uint32_t n, const char *failure,
                                LogBase &log);
};

}  // namespace quorvel
