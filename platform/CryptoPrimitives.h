#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

// The block cipher and digest behind password encryption, from the platform's crypto library
// (libcrypto on POSIX, BCrypt on Windows). Only the raw primitives live here: padding, key
// derivation and the stored form are the codecs' business, so both platforms produce the same
// bytes by construction.
//
// A failure (a length that is not whole blocks, an algorithm that is not available, memory the
// library cannot get) returns false and fills error (replacing what it held) with the reason and
// the library's own detail; the output is then unspecified.
class CryptoPrimitives {
public:
    static constexpr uint32_t kAesBlockSize = 16;
    static constexpr uint32_t kAes128KeySize = 16;
    static constexpr uint32_t kMd5Size = 16;

    // Why an operation failed: the message, then tag and value pairs of detail in order
    // ("libcrypto", "bcryptCall", "NTSTATUS" ...), for the caller's log.
    struct Error {
        std::string message;
        std::vector<std::pair<std::string, std::string>> details;

        // Starts the error of a failure, replacing what it held; always false. Text that cannot be
        // stored for want of memory is dropped.
        bool fail(const char *text);
        void addDetail(const char *tag, const char *value);
    };

    // The 16-byte MD5 digest of n bytes.
    static bool md5(const void *bytes, uint32_t n, unsigned char digest[kMd5Size], Error &error);

    // AES-128 in CBC mode over n bytes, n a multiple of 16, one chain from the given vector; no
    // padding is added or removed. in and out may be the same block (in-place); other overlaps
    // are not allowed. A length that is not whole blocks is refused before the cipher runs.
    static bool aes128Cbc(bool encrypt, const unsigned char key[kAes128KeySize], const unsigned char iv[kAesBlockSize],
                          const unsigned char *in, unsigned char *out, uint32_t n, Error &error);
    static bool aes128CbcEncrypt(const unsigned char key[kAes128KeySize], const unsigned char iv[kAesBlockSize],
                                 const unsigned char *in, unsigned char *out, uint32_t n, Error &error) {
        return aes128Cbc(true, key, iv, in, out, n, error);
    }
    static bool aes128CbcDecrypt(const unsigned char key[kAes128KeySize], const unsigned char iv[kAesBlockSize],
                                 const unsigned char *in, unsigned char *out, uint32_t n, Error &error) {
        return aes128Cbc(false, key, iv, in, out, n, error);
    }

private:
    // The platform's cipher over whole blocks; failure is the message of a failure.
    static bool aes128CbcBlocks(bool encrypt, const unsigned char *key, const unsigned char *iv,
                                const unsigned char *in, unsigned char *out, uint32_t n, const char *failure,
                                Error &error);
};

}  // namespace quorvel
