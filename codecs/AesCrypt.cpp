#include "codecs/AesCrypt.h"

#include <cstring>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/XString.h"
#include "platform/CryptoPrimitives.h"

namespace quorvel {

static_assert(AesCrypt::kBlockSize == CryptoPrimitives::kAesBlockSize);
static_assert(AesCrypt::kBlockSize == CryptoPrimitives::kAes128KeySize);
static_assert(AesCrypt::kBlockSize == CryptoPrimitives::kMd5Size);

namespace {

// The primitive's reason as an error, then its detail as data; always false.
bool logCryptoFailure(const CryptoPrimitives::Error &error, LogBase &log) {
    log.logError(error.message.c_str());
    for (const auto &[tag, value] : error.details) log.logData(tag.c_str(), value.c_str());
    return false;
}

// Overwrites secrets in a way the compiler may not drop as a dead store.
void wipe(void *bytes, uint32_t n) {
    volatile unsigned char *p = static_cast<volatile unsigned char *>(bytes);
    while (n-- != 0) *p++ = 0;
}

}  // namespace

AesCrypt::AesCrypt() { std::memcpy(m_key, kDefaultKey, sizeof m_key); }

AesCrypt::~AesCrypt() {
    wipe(m_key, sizeof m_key);
    m_password.secureClear();
}

bool AesCrypt::setPassword(const XString &password, LogBase &log) {
    const StringBuffer &utf8 = password.getUtf8Sb();
    return setPasswordUtf8(utf8.getString(), utf8.getSize(), log);
}

bool AesCrypt::setPasswordUtf8(const char *utf8, uint32_t n, LogBase &log) {
    // Built aside first, so that the text may even be this object's own password.
    StringBuffer fresh;
    unsigned char key[kBlockSize];
    bool ok = true;
    if (n != 0 && (!utf8 || !fresh.appendN(utf8, n))) {
        log.logError("Failed to store the password.");
        log.logAllocationFailure("password", n);
        ok = false;
    } else if (n == 0) {
        std::memcpy(key, kDefaultKey, sizeof key);
    } else if (CryptoPrimitives::Error error; !CryptoPrimitives::md5(fresh.getString(), n, key, error)) {
        logCryptoFailure(error, log);
        log.logError("Failed to make the key from the password.");
        ok = false;
    }
    m_password.secureClear();
    m_hasKey = ok;
    if (ok) {
        m_password.takeString(fresh);
        std::memcpy(m_key, key, sizeof m_key);
    }
    wipe(key, sizeof key);
    fresh.secureClear();
    return ok;
}

bool AesCrypt::checkKey(LogBase &log) const {
    if (m_hasKey) return true;
    log.logError("No key: the password was not set.");
    return false;
}

bool AesCrypt::encrypt(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log) const {
    if (n == 0) return true;
    if (!bytes) {
        log.logError("No data to encrypt.");
        return false;
    }
    if (!checkKey(log)) return false;
    const uint32_t whole = n - n % kBlockSize;
    const uint32_t pad = kBlockSize - n % kBlockSize;
    const uint64_t total = static_cast<uint64_t>(whole) + kBlockSize;
    const uint32_t start = out.getSize();
    if (start + total > DataBuffer::kMaxSize) {
        log.logError("Encrypted data would reach 4 GiB.");
        return false;
    }
    // Room of our own for the whole ciphertext (a borrowed block is copied by the growth).
    if (!out.ensureCapacity(static_cast<uint32_t>(start + total))) {
        log.logError("Failed to allocate the encryption buffer.");
        log.logAllocationFailure("encrypt", total);
        return false;
    }
    // The whole blocks go straight from the input into the output; the last block, the input's
    // tail and the padding, continues the chain from the ciphertext before it.
    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    unsigned char *region = out.getData() + start;
    unsigned char last[kBlockSize];
    std::memcpy(last, in + whole, n - whole);
    std::memset(last + (n - whole), static_cast<int>(pad), pad);
    const unsigned char *chain = whole != 0 ? region + whole - kBlockSize : kFixedIv;
    CryptoPrimitives::Error error;
    const bool ok = CryptoPrimitives::aes128CbcEncrypt(m_key, kFixedIv, in, region, whole, error) &&
                    CryptoPrimitives::aes128CbcEncrypt(m_key, chain, last, region + whole, kBlockSize, error);
    wipe(last, sizeof last);
    if (!ok) logCryptoFailure(error, log);
    if (ok) out.setSize(static_cast<uint32_t>(start + total));
    return ok;
}

bool AesCrypt::decrypt(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log) const {
    const uint32_t whole = n - n % kBlockSize;
    if (whole == 0) return true;
    if (!bytes) {
        log.logError("No data to decrypt.");
        return false;
    }
    if (!checkKey(log)) return false;
    const uint32_t start = out.getSize();
    if (static_cast<uint64_t>(start) + whole > DataBuffer::kMaxSize) {
        log.logError("Decrypted data would reach 4 GiB.");
        return false;
    }
    if (!out.ensureCapacity(start + whole)) {
        log.logError("Failed to allocate the decryption buffer.");
        log.logAllocationFailure("decrypt", whole);
        return false;
    }
    unsigned char *region = out.getData() + start;
    CryptoPrimitives::Error error;
    if (!CryptoPrimitives::aes128CbcDecrypt(m_key, kFixedIv, static_cast<const unsigned char *>(bytes), region, whole,
                                            error)) {
        // Plaintext decrypted before the failure is not left behind in the spare room.
        wipe(region, whole);
        return logCryptoFailure(error, log);
    }
    // The pad count is trusted as it stands: a count past the length empties the plaintext.
    const uint32_t v = region[whole - 1];
    out.setSize(start + whole - (v < whole ? v : whole));
    return true;
}

}  // namespace quorvel
