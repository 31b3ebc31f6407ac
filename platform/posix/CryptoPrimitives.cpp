#include "platform/CryptoPrimitives.h"

#include <openssl/err.h>
#include <openssl/evp.h>

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

}  // namespace

bool CryptoPrimitives::md5(const void *bytes, uint32_t n, unsigned char digest[kMd5Size], Error &error) {
    static const unsigned char kNothing = 0;
    unsigned int size = 0;
    if (EVP_Digest(n != 0 ? bytes : &kNothing, n, digest, &size, EVP_md5(), nullptr) == 1 && size == kMd5Size)
        return true;
    return failWithQueue(error, "MD5 digest failed.");
}

bool CryptoPrimitives::aes128CbcBlocks(bool encrypt, const unsigned char *key, const unsigned char *iv,
                                       const unsigned char *in, unsigned char *out, uint32_t n, const char *failure,
                                       Error &error) {
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    bool ok = ctx != nullptr && EVP_CipherInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key, iv, encrypt ? 1 : 0) == 1 &&
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
