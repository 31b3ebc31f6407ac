#pragma once
// The codecs as functions of strings, for tests that build the bytes they expect: every step
// must succeed without a word in the log.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "codecs/AesCrypt.h"
#include "codecs/ContentCoding.h"
#include "codecs/DeflateCodec.h"
#include "foundation/text/XString.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {

inline uint32_t len(const std::string &s) { return static_cast<uint32_t>(s.size()); }

inline XString utf8Text(const std::string &utf8) { XString x; x.setFromUtf8N(utf8.data(), len(utf8)); return x; }

// Bytes that compress poorly (a linear congruential generator's high bytes), NULs among them.
inline std::string noise(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (char &c : s) seed = seed * 1103515245u + 12345u, c = static_cast<char>(seed >> 24);
    return s;
}

inline std::string deflateOrInflate(bool compress, const std::string &bytes, int level) {
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE((compress ? DeflateCodec::deflateFromSource(bytes.data(), len(bytes), out, level, log)
                          : DeflateCodec::inflateFromSource(bytes.data(), len(bytes), out, log)) && log.lines.empty()) << log.joined();
    return bytesOf(out);
}
inline std::string deflated(const std::string &data, int level = DeflateCodec::kDefaultLevel) { return deflateOrInflate(true, data, level); }
inline std::string inflated(const std::string &stream) { return deflateOrInflate(false, stream, 0); }

inline std::string aes(bool encrypt, const std::string &bytes, const std::string &pw) {
    AesCrypt crypt;
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE(crypt.setPasswordUtf8(pw.data(), len(pw), log) &&
                (encrypt ? crypt.encrypt(bytes.data(), len(bytes), out, log) : crypt.decrypt(bytes.data(), len(bytes), out, log)) &&
                log.lines.empty()) << log.joined();
    return bytesOf(out);
}
inline std::string encrypted(const std::string &plain, const std::string &pw) { return aes(true, plain, pw); }
inline std::string decrypted(const std::string &cipher, const std::string &pw) { return aes(false, cipher, pw); }

// MIME base64: lines of the given length ending in CR LF.
inline std::string mime(const std::string &bytes, uint32_t lineLength = 76) {
    ContentCoding coder;
    StringBuffer out;
    EXPECT_TRUE((coder.setLineLength(lineLength), coder.encodeBase64(bytes.data(), len(bytes), out)));
    return textOf(out);
}
inline std::string unbase64(const std::string &text) {
    DataBuffer out;
    EXPECT_TRUE(ContentCoding::decodeBase64(text.data(), len(text), out));
    return bytesOf(out);
}

}  // namespace quorvel::test
