#pragma once
// Helpers for the tests of packed content: raw content bytes, the packed layers and the log.
#include <functional>

#include "XmlTestSupport.h"
#include "codecs/AesCrypt.h"
#include "codecs/ContentCoding.h"
#include "codecs/DeflateCodec.h"
#include "foundation/log/LogNull.h"
#include "support/Bytes.h"

namespace quorvel::test {

inline uint32_t sizeOf(const std::string &s) { return static_cast<uint32_t>(s.size()); }

// A new object whose root holds exactly these content bytes (valid UTF-8 or not).
inline std::unique_ptr<ClsXml> withContent(const std::string &bytes) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    xml->setContentUtf8(bytes.c_str());
    return xml;
}

inline std::string rawContent(ClsXml &xml) {
    StringBuffer sb;
    xml.getContentUtf8(sb);
    return textOf(sb);
}

inline bool logHasLine(ClsXml &xml, const std::string &line) {
    return lastError(xml).find("\r\n" + line + "\r\n") != std::string::npos;
}

// One packing or unpacking call, whatever its arguments.
using Step = std::function<bool(ClsXml &)>;

inline Step keyed(bool (ClsXml::*method)(const XString &), const char *password) {
    return [method, password](ClsXml &xml) { return (xml.*method)(x(password)); };
}

inline std::string base64Of(const std::string &bytes) {
    StringBuffer out;
    ContentCoding().encodeBase64(bytes.data(), sizeOf(bytes), out);
    return bytes.empty() ? std::string() : textOf(out);
}

inline std::string unbase64(const std::string &text) {
    DataBuffer out;
    ContentCoding::decodeBase64(text.data(), sizeOf(text), out);
    return bytesOf(out);
}

inline std::string deflated(const std::string &bytes) {
    DataBuffer out;
    LogNull log;
    DeflateCodec::deflateFromSource(bytes.data(), sizeOf(bytes), out, DeflateCodec::kDefaultLevel, log);
    return bytesOf(out);
}

inline std::string inflated(const std::string &bytes) {
    DataBuffer out;
    LogNull log;
    DeflateCodec::inflateFromSource(bytes.data(), sizeOf(bytes), out, log);
    return bytesOf(out);
}

inline std::string encrypted(const std::string &bytes, const std::string &password) {
    AesCrypt crypt;
    LogNull log;
    DataBuffer out;
    crypt.setPasswordUtf8(password.data(), sizeOf(password), log);
    crypt.encrypt(bytes.data(), sizeOf(bytes), out, log);
    return bytesOf(out);
}

// Bytes that compress poorly, NULs and invalid UTF-8 among them.
inline std::string noise(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (char &c : s) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    return s;
}

// Not valid UTF-8 and free of NULs, so that it can stand as element content.
inline const std::string kBadUtf8("\xff\xfe\x80\xc0\xaf<a>&\xed\xa0\x80\xc3");

}  // namespace quorvel::test
