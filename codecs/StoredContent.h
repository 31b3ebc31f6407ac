#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class LogBase;
class StringBuffer;
class XString;

// The packed forms an element's content can hold, made from bytes and read back to bytes:
// compressed (raw DEFLATE at level 6), encrypted under a password (AES-128-CBC), or binary data
// optionally compressed and then encrypted, each carried as base64 text with CR LF after every
// 76 characters. Packing is data -> compress -> encrypt -> base64; unpacking runs backwards.
//
// Results are appended to the output, which is left as it was after a failure. The messages are
// the ones the Xml object's methods report; the node operations around them are the caller's.
class StoredContent {
public:
    static constexpr int kCompressionLevel = 6;

    // data -> deflate -> base64.
    static bool compress(const void *bytes, uint32_t n, StringBuffer &stored, LogBase &log);
    // base64 -> inflate. Text that decodes to nothing fails with "Failed to decode base64 data".
    // A damaged stream still succeeds with the bytes decoded before the damage (possibly none);
    // the decoder has logged "Inflate from source failed." and its detail.
    static bool decompress(const char *text, uint32_t n, DataBuffer &out, LogBase &log);

    // data -> encrypt -> base64.
    static bool encrypt(const void *bytes, uint32_t n, const XString &password, StringBuffer &stored, LogBase &log);
    // base64 -> decrypt. Text that decodes to nothing fails with "Failed to decrypt data,
    // Base64 data is invalid". A wrong password is not detected: other bytes come out.
    static bool decrypt(const char *text, uint32_t n, const XString &password, DataBuffer &out, LogBase &log);

    // Binary content: data -> deflate when zip -> encrypt when encrypt -> base64. Empty data
    // gives empty text whatever the flags.
    static bool packBinary(const void *bytes, uint32_t n, bool zip, bool encrypt, const XString &password,
                           StringBuffer &stored, LogBase &log);
    // base64 (whatever it yields, possibly nothing) -> decrypt when decrypt -> inflate when
    // unzip, where a damaged stream gives the bytes decoded so far and still succeeds.
    static bool unpackBinary(const char *text, uint32_t n, bool unzip, bool decrypt, const XString &password,
                             DataBuffer &out, LogBase &log);
};

}  // namespace quorvel
