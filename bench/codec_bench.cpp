// Compression and password encryption of a 20 MB content against the raw library calls in the
// same run: zlib's deflate/inflate and libcrypto's EVP AES-128-CBC, with OpenSSL's base64 as
// the raw peer of our stored form. Every variant allocates its output afresh, as a caller
// holding nothing would; each figure is the best of five runs over the 20 MB content.
#include <malloc.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/AesCrypt.h"
#include "codecs/DeflateCodec.h"
#include "codecs/StoredContent.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

using namespace quorvel;

namespace {

constexpr size_t kContentBytes = 20u << 20;
const char kPassword[] = "bench password";

// XML-like rows of words and numbers: compresses about as well as ordinary documents.
std::string makeContent() {
    static const char *const words[] = {"alpha", "quorvel", "element", "content", "river", "stone",
                                        "seventeen", "lantern", "copper", "meadow", "north", "signal"};
    std::mt19937 gen(11);
    std::string s;
    while (s.size() < kContentBytes) {
        s += "<item id=\"" + std::to_string(gen() % 100000) + "\">";
        for (int w = gen() % 8 + 2; w > 0; --w) (s += words[gen() % 12]) += ' ';
        s += std::to_string(gen()) + "</item>\r\n";
    }
    s.resize(kContentBytes);
    return s;
}

using Bytes = std::unique_ptr<unsigned char[], decltype(&std::free)>;
Bytes allocate(size_t n) { return Bytes(static_cast<unsigned char *>(std::malloc(n ? n : 1)), &std::free); }

template <class F> double bestSeconds(F run) {
    double best = 1e9;
    for (int k = 0; k < 5; ++k) {
        const std::clock_t t0 = std::clock();
        run();
        best = std::min(best, static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC);
    }
    return best;
}

// ---- the raw library calls

std::string rawDeflate(const std::string &in) {
    z_stream zs{};
    deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    const uLong bound = deflateBound(&zs, in.size());
    Bytes out = allocate(bound);
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = out.get();
    zs.avail_out = static_cast<uInt>(bound);
    deflate(&zs, Z_FINISH);
    std::string result(reinterpret_cast<char *>(out.get()), zs.total_out);
    deflateEnd(&zs);
    return result;
}

// The caller of raw inflate knows the size to expect (it has nowhere else to learn it cheaply).
size_t rawInflate(const unsigned char *in, size_t n, size_t expected, Bytes &out) {
    out = allocate(expected);
    z_stream zs{};
    inflateInit2(&zs, -15);
    zs.next_in = const_cast<Bytef *>(in);
    zs.avail_in = static_cast<uInt>(n);
    zs.next_out = out.get();
    zs.avail_out = static_cast<uInt>(expected);
    inflate(&zs, Z_FINISH);
    const size_t got = zs.total_out;
    inflateEnd(&zs);
    return got;
}

size_t rawCipher(bool encrypt, const unsigned char *in, size_t n, Bytes &out) {
    unsigned char key[16];
    unsigned int keyLength = 0;
    EVP_Digest(kPassword, std::strlen(kPassword), key, &keyLength, EVP_md5(), nullptr);
    out = allocate(n + 16);
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key, AesCrypt::kFixedIv, encrypt ? 1 : 0);
    int a = 0, b = 0;
    EVP_CipherUpdate(ctx, out.get(), &a, in, static_cast<int>(n));
    EVP_CipherFinal_ex(ctx, out.get() + a, &b);
    EVP_CIPHER_CTX_free(ctx);
    return static_cast<size_t>(a + b);
}

// OpenSSL's base64, one line: the raw peer of our stored text.
size_t rawBase64Encode(const unsigned char *in, size_t n, Bytes &out) {
    out = allocate((n + 2) / 3 * 4 + 1);
    return static_cast<size_t>(EVP_EncodeBlock(out.get(), in, static_cast<int>(n)));
}

// The streaming decoder, which skips our line breaks.
size_t rawBase64Decode(const std::string &text, Bytes &out) {
    out = allocate(text.size() / 4 * 3 + 3);
    EVP_ENCODE_CTX *ctx = EVP_ENCODE_CTX_new();
    EVP_DecodeInit(ctx);
    int a = 0, b = 0;
    EVP_DecodeUpdate(ctx, out.get(), &a, reinterpret_cast<const unsigned char *>(text.data()), static_cast<int>(text.size()));
    EVP_DecodeFinal(ctx, out.get() + a, &b);
    EVP_ENCODE_CTX_free(ctx);
    return static_cast<size_t>(a + b);
}

const unsigned char *bytes(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

struct Row {
    const char *name;
    double raw, ours, rawStored, oursStored;
    bool same;
};

void print(const Row &r) {
    const double mb = kContentBytes / 1e6;
    std::printf("%-8s raw %7.0f MB/s  ours %7.0f MB/s  x%.2f | stored: raw+b64 %7.0f MB/s  ours %7.0f MB/s  x%.2f"
                "  (x%.2f over raw alone)  %s\n",
                r.name, mb / r.raw, mb / r.ours, r.ours / r.raw, mb / r.rawStored, mb / r.oursStored,
                r.oursStored / r.rawStored, r.oursStored / r.raw, r.same ? "same bytes" : "BYTES DIFFER");
}

}  // namespace

int main() {
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const std::string content = makeContent();
    const uint32_t n = static_cast<uint32_t>(content.size());
    LogNull log;
    XString password;
    password.setFromUtf8(kPassword);

    // The inputs of the decoding directions, and the check that both sides agree.
    const std::string deflated = rawDeflate(content);
    DataBuffer oursDeflated;
    DeflateCodec::deflateFromSource(content.data(), n, oursDeflated, 6, log);
    StringBuffer storedZip, storedCipher;
    StoredContent::compress(content.data(), n, storedZip, log);
    StoredContent::encrypt(content.data(), n, password, storedCipher, log);
    Bytes cipher = allocate(0);
    const size_t cipherSize = rawCipher(true, bytes(content), content.size(), cipher);
    const std::string zipText(storedZip.getString(), storedZip.getSize());
    const std::string cipherText(storedCipher.getString(), storedCipher.getSize());
    std::printf("content %zu bytes; deflated %zu bytes (%.1f%%); stored %zu characters\n", content.size(),
                deflated.size(), 100.0 * deflated.size() / content.size(), zipText.size());

    std::vector<Row> rows;
    {
        Row r{"deflate", 0, 0, 0, 0, oursDeflated.getSize() == deflated.size() &&
                                         std::memcmp(oursDeflated.getData(), deflated.data(), deflated.size()) == 0};
        r.raw = bestSeconds([&] { rawDeflate(content); });
        r.ours = bestSeconds([&] {
            DataBuffer out;
            DeflateCodec::deflateFromSource(content.data(), n, out, 6, log);
        });
        r.rawStored = bestSeconds([&] {
            const std::string d = rawDeflate(content);
            Bytes text = allocate(0);
            rawBase64Encode(bytes(d), d.size(), text);
        });
        r.oursStored = bestSeconds([&] {
            StringBuffer out;
            StoredContent::compress(content.data(), n, out, log);
        });
        rows.push_back(r);
    }
    {
        DataBuffer check;
        DeflateCodec::inflateFromSource(deflated.data(), static_cast<uint32_t>(deflated.size()), check, log);
        Row r{"inflate", 0, 0, 0, 0, check.getSize() == n && std::memcmp(check.getData(), content.data(), n) == 0};
        Bytes out = allocate(0);
        r.raw = bestSeconds([&] { rawInflate(bytes(deflated), deflated.size(), content.size(), out); });
        r.ours = bestSeconds([&] {
            DataBuffer o;
            DeflateCodec::inflateFromSource(deflated.data(), static_cast<uint32_t>(deflated.size()), o, log);
        });
        r.rawStored = bestSeconds([&] {
            Bytes d = allocate(0);
            const size_t k = rawBase64Decode(zipText, d);
            rawInflate(d.get(), k, content.size(), out);
        });
        r.oursStored = bestSeconds([&] {
            DataBuffer o;
            StoredContent::decompress(zipText.data(), static_cast<uint32_t>(zipText.size()), o, log);
        });
        rows.push_back(r);
    }
    {
        AesCrypt crypt;
        crypt.setPassword(password, log);
        DataBuffer check;
        crypt.encrypt(content.data(), n, check, log);
        Row r{"encrypt", 0, 0, 0, 0, check.getSize() == cipherSize && std::memcmp(check.getData(), cipher.get(), cipherSize) == 0};
        Bytes out = allocate(0);
        r.raw = bestSeconds([&] { rawCipher(true, bytes(content), content.size(), out); });
        r.ours = bestSeconds([&] {
            AesCrypt c;
            DataBuffer o;
            c.setPassword(password, log);
            c.encrypt(content.data(), n, o, log);
        });
        r.rawStored = bestSeconds([&] {
            const size_t k = rawCipher(true, bytes(content), content.size(), out);
            Bytes text = allocate(0);
            rawBase64Encode(out.get(), k, text);
        });
        r.oursStored = bestSeconds([&] {
            StringBuffer o;
            StoredContent::encrypt(content.data(), n, password, o, log);
        });
        rows.push_back(r);
    }
    {
        AesCrypt crypt;
        crypt.setPassword(password, log);
        DataBuffer check;
        crypt.decrypt(cipher.get(), static_cast<uint32_t>(cipherSize), check, log);
        Row r{"decrypt", 0, 0, 0, 0, check.getSize() == n && std::memcmp(check.getData(), content.data(), n) == 0};
        Bytes out = allocate(0);
        r.raw = bestSeconds([&] { rawCipher(false, cipher.get(), cipherSize, out); });
        r.ours = bestSeconds([&] {
            AesCrypt c;
            DataBuffer o;
            c.setPassword(password, log);
            c.decrypt(cipher.get(), static_cast<uint32_t>(cipherSize), o, log);
        });
        r.rawStored = bestSeconds([&] {
            Bytes d = allocate(0);
            const size_t k = rawBase64Decode(cipherText, d);
            rawCipher(false, d.get(), k, out);
        });
        r.oursStored = bestSeconds([&] {
            DataBuffer o;
            StoredContent::decrypt(cipherText.data(), static_cast<uint32_t>(cipherText.size()), password, o, log);
        });
        rows.push_back(r);
    }

    std::printf("times are per 20 MB of content; x = our time / the raw calls' time\n");
    for (const Row &r : rows) print(r);
    bool ok = true;
    for (const Row &r : rows) ok = ok && r.same;
    return ok ? 0 : 1;
}
