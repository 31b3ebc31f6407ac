#include "codecs/StoredContent.h"

#include "codecs/AesCrypt.h"
#include "codecs/ContentCoding.h"
#include "codecs/DeflateCodec.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// The stored text: base64 with the encoder's defaults (CR LF after every 76 characters). No
// bytes give no text, rather than the lone CR LF of an empty MIME encoding.
bool appendBase64(const DataBuffer &bytes, StringBuffer &stored, LogBase &log) {
    if (bytes.getSize() == 0) return true;
    ContentCoding coder;
    if (coder.encodeBase64(bytes.getData(), bytes.getSize(), stored)) return true;
    log.logError("Failed to base64 encode the data.");
    log.logAllocationFailure("base64Encode", bytes.getSize());
    return false;
}

bool decodeBase64(const char *text, uint32_t n, DataBuffer &decoded, LogBase &log) {
    if (ContentCoding::decodeBase64(text, n, decoded)) return true;
    log.logError("Failed to base64 decode the data.");
    log.logAllocationFailure("base64Decode", n);
    return false;
}

bool encryptInto(const void *bytes, uint32_t n, const XString &password, DataBuffer &cipher, LogBase &log) {
    AesCrypt crypt;
    return crypt.setPassword(password, log) && crypt.encrypt(bytes, n, cipher, log);
}

bool decryptInto(const DataBuffer &cipher, const XString &password, DataBuffer &plain, LogBase &log) {
    AesCrypt crypt;
    return crypt.setPassword(password, log) && crypt.decrypt(cipher.getData(), cipher.getSize(), plain, log);
}

// Hands the finished bytes to the caller's output: taken over whole when the output is empty,
// appended otherwise (nothing appended on failure).
bool appendResult(DataBuffer &result, DataBuffer &out, LogBase &log) {
    if (out.getSize() == 0) {
        out.takeData(result);
        return true;
    }
    if (out.append(result)) return true;
    log.logAllocationFailure("unpackedData", result.getSize());
    return false;
}

}  // namespace

bool StoredContent::compress(const void *bytes, uint32_t n, StringBuffer &stored, LogBase &log) {
    DataBuffer deflated;
    return DeflateCodec::deflateFromSource(bytes, n, deflated, kCompressionLevel, log) &&
           appendBase64(deflated, stored, log);
}

bool StoredContent::decompress(const char *text, uint32_t n, DataBuffer &out, LogBase &log) {
    DataBuffer decoded;
    if (!decodeBase64(text, n, decoded, log)) return false;
    if (decoded.getSize() == 0) {
        log.logError("Failed to decode base64 data");
        return false;
    }
    // A damaged stream keeps what was decoded before the damage; that is still a result. Memory
    // running out is not damage: the part decoded so far is no result.
    DataBuffer inflated;
    if (DeflateCodec::inflateStream(decoded.getData(), decoded.getSize(), inflated, log) ==
        DeflateCodec::InflateEnd::kOutOfMemory)
        return false;
    return appendResult(inflated, out, log);
}

bool StoredContent::encrypt(const void *bytes, uint32_t n, const XString &password, StringBuffer &stored,
                            LogBase &log) {
    DataBuffer cipher;
    return encryptInto(bytes, n, password, cipher, log) && appendBase64(cipher, stored, log);
}

bool StoredContent::decrypt(const char *text, uint32_t n, const XString &password, DataBuffer &out, LogBase &log) {
    DataBuffer decoded;
    if (!decodeBase64(text, n, decoded, log)) return false;
    if (decoded.getSize() == 0) {
        log.logError("Failed to decrypt data, Base64 data is invalid");
        return false;
    }
    return decryptInto(decoded, password, out, log);
}

bool StoredContent::packBinary(const void *bytes, uint32_t n, bool zip, bool encrypt, const XString &password,
                               StringBuffer &stored, LogBase &log) {
    if (n == 0) return true;
    DataBuffer data;
    data.borrow(bytes, n);
    if (zip) {
        DataBuffer deflated;
        if (!DeflateCodec::deflateFromSource(bytes, n, deflated, kCompressionLevel, log)) return false;
        data.takeData(deflated);
    }
    if (encrypt) {
        DataBuffer cipher;
        if (!encryptInto(data.getData(), data.getSize(), password, cipher, log)) return false;
        data.takeData(cipher);
    }
    return appendBase64(data, stored, log);
}

bool StoredContent::unpackBinary(const char *text, uint32_t n, bool unzip, bool decrypt, const XString &password,
                                 DataBuffer &out, LogBase &log) {
    DataBuffer data;
    if (!decodeBase64(text, n, data, log)) return false;
    if (decrypt) {
        DataBuffer plain;
        if (!decryptInto(data, password, plain, log)) return false;
        data.takeData(plain);
    }
    if (unzip) {
        DataBuffer inflated;
        // The stream's damage is in the log; the bytes decoded before it are the result (but not
        // when it was memory that ran out).
        if (DeflateCodec::inflateStream(data.getData(), data.getSize(), inflated, log) ==
            DeflateCodec::InflateEnd::kOutOfMemory)
            return false;
        data.takeData(inflated);
    }
    return appendResult(data, out, log);
}

}  // namespace quorvel
