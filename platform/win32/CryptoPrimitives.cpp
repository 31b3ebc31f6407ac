#include "platform/CryptoPrimitives.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <string>

namespace quorvel {

namespace {

bool succeeded(NTSTATUS status) { return status >= 0; }

// The error, the BCrypt call that refused and its status code.
bool bcryptFailure(const char *what, const char *call, NTSTATUS status, CryptoPrimitives::Error &error) {
    error.fail(what);
    error.addDetail("bcryptCall", call);
    char code[16];
    std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(status));
    error.addDetail("NTSTATUS", code);
    return false;
}

// The provider and key handles of one operation, closed on every path.
class AesKey {
public:
    AesKey() = default;
    AesKey(const AesKey &) = delete;
    AesKey &operator=(const AesKey &) = delete;
    ~AesKey() {
        if (m_key) BCryptDestroyKey(m_key);
        if (m_provider) BCryptCloseAlgorithmProvider(m_provider, 0);
    }

    bool open(const unsigned char *keyBytes, const char *what, CryptoPrimitives::Error &error) {
        NTSTATUS status = BCryptOpenAlgorithmProvider(&m_provider, BCRYPT_AES_ALGORITHM, nullptr, 0);
        if (!succeeded(status)) return bcryptFailure(what, "BCryptOpenAlgorithmProvider", status, error);
        status = BCryptSetProperty(m_provider, BCRYPT_CHAINING_MODE,
                                   reinterpret_cast<PUCHAR>(const_cast<wchar_t *>(BCRYPT_CHAIN_MODE_CBC)),
                                   sizeof(BCRYPT_CHAIN_MODE_CBC), 0);
        if (!succeeded(status)) return bcryptFailure(what, "BCryptSetProperty", status, error);
        status = BCryptGenerateSymmetricKey(m_provider, &m_key, nullptr, 0, const_cast<PUCHAR>(keyBytes),
                                            CryptoPrimitives::kAes128KeySize, 0);
        if (!succeeded(status)) return bcryptFailure(what, "BCryptGenerateSymmetricKey", status, error);
        return true;
    }
    BCRYPT_KEY_HANDLE handle() const { return m_key; }

private:
    BCRYPT_ALG_HANDLE m_provider = nullptr;
    BCRYPT_KEY_HANDLE m_key = nullptr;
};

}  // namespace

bool CryptoPrimitives::md5(const void *bytes, uint32_t n, unsigned char digest[kMd5Size], Error &error) {
    const char *failure = "MD5 digest failed.";
    BCRYPT_ALG_HANDLE provider = nullptr;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&provider, BCRYPT_MD5_ALGORITHM, nullptr, 0);
    if (!succeeded(status)) return bcryptFailure(failure, "BCryptOpenAlgorithmProvider", status, error);
    BCRYPT_HASH_HANDLE hash = nullptr;
    const char *call = "BCryptCreateHash";
    status = BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0);
    if (succeeded(status) && n != 0) {
        call = "BCryptHashData";
        status = BCryptHashData(hash, static_cast<PUCHAR>(const_cast<void *>(bytes)), n, 0);
    }
    if (succeeded(status)) {
        call = "BCryptFinishHash";
        status = BCryptFinishHash(hash, digest, kMd5Size, 0);
    }
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(provider, 0);
    return succeeded(status) || bcryptFailure(failure, call, status, error);
}

bool CryptoPrimitives::aes128CbcBlocks(bool encrypt, const unsigned char *keyBytes, const unsigned char *iv,
                                       const unsigned char *in, unsigned char *out, uint32_t n, const char *failure,
                                       Error &error) {
    if (n == 0) return true;
    AesKey key;
    if (!key.open(keyBytes, failure, error)) return false;
    // BCrypt writes the chaining value back into the vector it is given, so it gets a copy.
    UCHAR chain[CryptoPrimitives::kAesBlockSize];
    CopyMemory(chain, iv, sizeof chain);
    ULONG written = 0;
    PUCHAR input = const_cast<PUCHAR>(in);
    NTSTATUS status = encrypt ? BCryptEncrypt(key.handle(), input, n, nullptr, chain, sizeof chain, out, n, &written, 0)
                              : BCryptDecrypt(key.handle(), input, n, nullptr, chain, sizeof chain, out, n, &written, 0);
    if (!succeeded(status))
        return bcryptFailure(failure, encrypt ? "BCryptEncrypt" : "BCryptDecrypt", status, error);
    if (written != n) {
        error.fail(failure);
        error.addDetail("bytesWritten", std::to_string(written).c_str());
        return false;
    }
    return true;
}

}  // namespace quorvel
