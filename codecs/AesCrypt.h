#pragma once
#include <cstdint>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

class DataBuffer;
class LogBase;
class XString;

// The password cipher of stored content: AES-128 in CBC mode with PKCS#7 padding (block 16),
// the key the MD5 digest of the password's UTF-8 bytes, and one fixed initialisation vector for
// every operation. Nothing but the ciphertext is stored (no salt, header or check), so data
// written by another program is read when it uses the same two constants below.
//
// Decryption is lenient on purpose: a wrong password gives other bytes, never an error. Memory
// exhaustion and failures of the platform's crypto library are failure results with a log entry;
// the output is then as it was. The input must not lie inside the output buffer.
class AesCrypt {
public:
    static constexpr uint32_t kBlockSize = 16;
    static constexpr uint32_t kKeyLengthBits = 128;
    // The only padding scheme (PKCS#7) and cipher mode (CBC) in use.
    static constexpr uint32_t kPaddingPkcs7 = 0;
    static constexpr uint32_t kModeCbc = 0;

    // The vector of every chain, and the key used while the password is empty.
    static constexpr unsigned char kFixedIv[kBlockSize] = {0x3e, 0x27, 0xbf, 0x77, 0xd2, 0xd9, 0x75, 0xe5,
                                                           0x3c, 0x6d, 0xab, 0xa6, 0x11, 0x9e, 0x9d, 0x80};
    static constexpr unsigned char kDefaultKey[kBlockSize] = {0x11, 0x5d, 0xc3, 0x85, 0x4c, 0x21, 0xa7, 0x91,
                                                              0x50, 0x55, 0x46, 0xa5, 0xf0, 0x9c, 0x9d, 0x39};

    // Starts with the default key and an empty password; allocates nothing.
    AesCrypt();
    // The password and key are wiped from memory.
    ~AesCrypt();
    AesCrypt(const AesCrypt &) = delete;
    AesCrypt &operator=(const AesCrypt &) = delete;

    // Stores the password's UTF-8 bytes; a non-empty one makes the key its MD5 digest, an empty
    // one brings the default key back. After a failure (memory, digest) the object has no key
    // and every encrypt or decrypt fails until a password is set successfully.
    bool setPassword(const XString &password, LogBase &log);
    bool setPasswordUtf8(const char *utf8, uint32_t n, LogBase &log);

    // Pads with 1-16 bytes of the pad count and appends the CBC ciphertext (a non-zero multiple
    // of 16 bytes) to out. Empty input appends nothing.
    bool encrypt(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log) const;
    // Decrypts the whole 16-byte blocks (a trailing partial block is ignored) and appends the
    // plaintext less its padding: the last byte v says how many bytes to drop, 0 drops none and
    // a v past the length drops them all. v is not checked further.
    bool decrypt(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log) const;

    // The 16 key bytes in force; null after a failed setPassword.
    const unsigned char *getKey() const { return m_hasKey ? m_key : nullptr; }
    const StringBuffer &getPassword() const { return m_password; }

private:
    bool checkKey(LogBase &log) const;

    StringBuffer m_password;
    // A fixed-size key cannot fail to allocate, so the constructor always succeeds.
    unsigned char m_key[kBlockSize];
    bool m_hasKey = true;
};

}  // namespace quorvel
