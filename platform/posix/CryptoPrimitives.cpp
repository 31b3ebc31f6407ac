#include "platform/CryptoPrimitives.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <atomic>

namespace quorvel {

namespace {

// EVP counts in int; whole blocks well below that limit keep one chain across the calls.
constexpr uint32_t kUpdateChunk = 1u << 20;

// The error, then every entry of libcrypto's error queue for this thread (which empties it).
bool failWithQueue(CryptoPrimitives::Error &error, const char *what) {
    error.fail(what);
    bool any = false;
    for (unsigned long code = ERR_get_error(); code != 0; code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        error.addDetail("libcrypto", text);
        any = true;
    }
    if (!any) error.addDetail("libcrypto", "no error detail");
    return false;
}

// An algorithm fetched once and kept for the life of the process. Fetching on every call costs
// a lookup, and libcrypto's fetch leaks when memory runs out part way through it. A failed
// fetch is tried again on the next call.
template <class Method, Method *(*fetch)(OSSL_LIB_CTX *, const char *, const char *), void (*release)(Method *)>
const Method *fetchedOnce(std::atomic<Method *> &cache, const char *name) {
    Method *method = cache.load(std::memory_order_acquire);
    if (method) return method;
    method = fetch(nullptr, name, nullptr);
    if (!method) return nullptr;
    Method *earlier = nullptr;
    if (cache.compare_exchange_strong(earlier, method, std::memory_order_acq_rel)) return method;
    release(method);  // another thread was first
    return earlier;
}

const EVP_MD *md5Method() {
    static std::atomic<EVP_MD *> cache{nullptr};
    return fetchedOnce<EVP_MD, EVP_MD_fetch, EVP_MD_free>(cache, "MD5");
}

const EVP_CIPHER *aes128CbcMethod() {
    static std::atomic<EVP_CIPHER *> cache{nullptr};
    return fetchedOnce<EVP_CIPHER, EVP_CIPHER_fetch, EVP_CIPHER_free>(cache, "AES-128-CBC");
}

}  // namespace

bool CryptoPrimitives::md5(const void *bytes, uint32_t n, unsigned char digest[kMd5Size], Error &error) {
    static const unsigned char kNothing = 0;
    unsigned int size = 0;
    const EVP_MD *method = md5Method();
    if (method && EVP_Digest(n != 0 ? bytes : &kNothing, n, digest, &size, method, nullptr) == 1 && size == kMd5Size)
        return true;
    return failWithQueue(error, "MD5 digest failed.");
}

bool CryptoPrimitives::aes128CbcBlocks(bool encrypt, const unsigned char *key, const unsigned char *iv,
                                       const unsigned char *in, unsigned char *out, uint32_t n, const char *failure,
                                       Error &error) {
    const EVP_CIPHER *method = aes128CbcMethod();
    EVP_CIPHER_CTX *ctx = method ? EVP_CIPHER_CTX_new() : nullptr;
    bool ok = ctx != nullptr && EVP_CipherInit_ex(ctx, method, nullptr, key, iv, encrypt ? 1 : 0) == 1 &&
              EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
    for (uint32_t done = 0; ok && done < n;) {
        const uint32_t chunk = n - done < kUpdateChunk ? n - done : kUpdateChunk;
        int written = 0;
        ok = EVP_CipherUpdate(ctx, out + done, &written, in + done, static_cast<int>(chunk)) == 1 &&
             written == static_cast<int>(chunk);
        done += chunk;
    }
    // Without padding the final call only checks that nothing is left over.
    int tail = 0;
    if (ok) ok = EVP_CipherFinal_ex(ctx, out + n, &tail) == 1 && tail == 0;
    EVP_CIPHER_CTX_free(ctx);
    return ok || failWithQueue(error, failure);
}

}  // namespace quorvel
