#pragma once
#include <string>

namespace quorvel::test {

// The openssl command as an independent MD5 and AES-128-CBC (PKCS#7 padding). Not run under
// Wine: there opensslAvailable() is false and callers skip with a message.
bool opensslAvailable();
// The MD5 of the bytes in lower-case hex, by "openssl dgst -md5".
bool opensslMd5(const std::string &bytes, std::string &hex);
// "openssl enc" (with -d: decryption) of the bytes under the hex key and vector.
bool opensslAes128Cbc(bool decrypt, const std::string &hexKey, const std::string &hexIv, const std::string &in, std::string &out);

}  // namespace quorvel::test
