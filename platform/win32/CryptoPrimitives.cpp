#include "platform/CryptoPrimitives.h"

#include <windows.h>
#include <bcrypt.h>

#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

bool succeeded(NTSTATUS status) { return status >= 0; }

// The error, the BCrypt call that refused and its status code.
bool logBcryptFailure(const char *what, const char *call, NTSTATUS status, LogBase &log) {
    log.logError(what);
    log.logData("bcryptCall", call);
    log.logDataHex32("NTSTATUS", static_cast<uint32_t>(status));
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

    bool open(const unsigned char *keyBytes, const char *what, LogBase &log) {
        NTSTATUS status = BCryptOpenAlgorithmProvider(&m_provider, BCRYPT_AES_ALGORITHM, nullptr, 0);
        if (!succeeded(status)) return logBcryptFailure(what, "BCryptOpenAlgorithmProvider", status, log);
        status = BCryptSetProperty(m_provider, BCRYPT_CHAINING_MODE,
                                   reinterpret_cast<PUCHAR>(const_cast<wchar_t *>(BCRYPT_CHAIN_MODE_CBC)),
                                   sizeof(BCRYPT_CHAIN_MODE_CBC), 0);
        if (!succeeded(status)) return logBcryptFailure(what, "BCryptSetProperty", status, log);
        status = BCryptGenerateSymmetricKey(m_provider, &m_key, nullptr, 0, const_cast<PUCHAR>(keyBytes),
                                            CryptoPrimitives::kAes128KeySize, 0);
        if (!succeeded(status)) return logBcryptFailure(what, "BCryptGenerateSymmetricKey", status, log);
        return true;
    }
    BCRYPT_KEY_HANDLE handle() const { return m_key; }

private:
    BCRYPT_ALG_HANDLE m_provider = nullptr;
    BCRYPT_KEY_HANDLE m_key = nullptr;
};

}  // namespace

bool CryptoPrimitives::md5(const void *bytes, uint32_t n, unsigned char digest[kMd5Size], LogBase &log) {
    const char *failure = "MD5 digest failed.";
    BCRYPT_ALG_HANDLE provider = nullptr;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&provider, BCRYPT_MD5_ALGORITHM, nullptr, 0);
    if (!succeeded(status)) return logBcryptFailure(failure, "BCryptOpenAlgorithmProvider", status, log);
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
    return succeeded(status) || logBcryptFailure(failure, call, status, log);
}

bool CryptoPrimitives::aes128CbcBlocks(bool encrypt, const unsigned char *keyBytes, const unsigned char *iv,
                                       const unsigned char *in, unsigned char *out, uint32_t n, const char *failure,
                                       LogBase &log) {
    if (n == 0) return true;
    AesKey key;
    if (!key.open(keyBytes, failure, log)) return false;
    // BCrypt writes the chaining value back into the vector it is given, so it gets a copy.
    UCHAR chain[CryptoPrimitives::kAesBlockSize];
    CopyMemory(chain, iv, sizeof chain);
    ULONG written = 0;
    PUCHAR input = const_cast<PUCHAR>(in);
    NTSTATUS status = encrypt ? BCryptEncrypt(key.handle(), input, n, nullptr, chain, sizeof chain, out, n, &written, 0)
                              : BCryptDecrypt(key.handle(), input, n, nullptr, chain, sizeof chain, out, n, &written, 0);
    if (!succeeded(status))
        return logBcryptFailure(failure, encrypt ? "BCryptEncrypt" : "BCryptDecrypt", status, log);
    if (written != n) {
        log.logError(failure);
        log.logDataUint32("bytesWritten", written);
        return false;
    }
    return true;
}

}  // namespace quorvel
