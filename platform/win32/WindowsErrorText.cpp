#include "platform/win32/WindowsErrorText.h"

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

struct Known {
    uint32_t code;
    const char *text;
};

#define QUORVEL_NAMED(c) {static_cast<uint32_t>(c), #c}

const Known kKnown[] = {
    {WSAEINTR, "A blocking operation was interrupted"},
    {WSAEACCES, "An attempt was made to access a socket in a way forbidden by its access permissions"},
    {WSAEINVAL, "An invalid argument was supplied"},
    {WSAEMFILE, "Too many open sockets"},
    {WSAEWOULDBLOCK, "A non-blocking socket operation could not be completed immediately"},
    {WSAENOTSOCK, "An operation was attempted on something that is not a socket"},
    {WSAEAFNOSUPPORT, "An address incompatible with the requested protocol was used"},
    {WSAEADDRINUSE, "Only one usage of each socket address is normally permitted"},
    {WSAEADDRNOTAVAIL, "The requested address is not valid in its context"},
    {WSAENETDOWN, "A socket operation encountered a dead network"},
    {WSAENETUNREACH, "A socket operation was attempted to an unreachable network"},
    {WSAENETRESET, "The connection has been broken due to keep-alive activity"},
    {WSAECONNABORTED, "An established connection was aborted by the software in your host machine"},
    {WSAECONNRESET, "An existing connection was forcibly closed by the remote host"},
    {WSAENOBUFS, "No buffer space available"},
    {WSAENOTCONN, "The socket is not connected"},
    {WSAESHUTDOWN, "The socket has been shut down"},
    {WSAETIMEDOUT, "A connection attempt failed because the connected party did not properly respond after a period of time"},
    {WSAECONNREFUSED, "No connection could be made because the target machine actively refused it"},
    {WSAEHOSTDOWN, "A socket operation failed because the destination host was down"},
    {WSAEHOSTUNREACH, "A socket operation was attempted to an unreachable host"},
    {WSASYSNOTREADY, "The network subsystem is unavailable"},
    {WSAVERNOTSUPPORTED, "The Windows Sockets version requested is not supported"},
    {WSANOTINITIALISED, "Windows Sockets has not been started"},
    {WSAEDISCON, "The peer has begun a graceful shutdown"},
    {WSAHOST_NOT_FOUND, "No such host is known"},
    {WSATRY_AGAIN, "A temporary error occurred during host name resolution"},
    {WSANO_RECOVERY, "A non-recoverable error occurred during a database lookup"},
    {WSANO_DATA, "The requested name is valid, but no data of the requested type was found"},
    QUORVEL_NAMED(SEC_E_INSUFFICIENT_MEMORY),
    QUORVEL_NAMED(SEC_E_INVALID_HANDLE),
    QUORVEL_NAMED(SEC_E_UNSUPPORTED_FUNCTION),
    QUORVEL_NAMED(SEC_E_TARGET_UNKNOWN),
    QUORVEL_NAMED(SEC_E_INTERNAL_ERROR),
    QUORVEL_NAMED(SEC_E_SECPKG_NOT_FOUND),
    QUORVEL_NAMED(SEC_E_INVALID_TOKEN),
    QUORVEL_NAMED(SEC_E_UNKNOWN_CREDENTIALS),
    QUORVEL_NAMED(SEC_E_NO_CREDENTIALS),
    QUORVEL_NAMED(SEC_E_MESSAGE_ALTERED),
    QUORVEL_NAMED(SEC_E_NO_AUTHENTICATING_AUTHORITY),
    QUORVEL_NAMED(SEC_E_CONTEXT_EXPIRED),
    QUORVEL_NAMED(SEC_E_INCOMPLETE_MESSAGE),
    QUORVEL_NAMED(SEC_E_BUFFER_TOO_SMALL),
    QUORVEL_NAMED(SEC_E_WRONG_PRINCIPAL),
    QUORVEL_NAMED(SEC_E_UNTRUSTED_ROOT),
    QUORVEL_NAMED(SEC_E_ILLEGAL_MESSAGE),
    QUORVEL_NAMED(SEC_E_CERT_UNKNOWN),
    QUORVEL_NAMED(SEC_E_CERT_EXPIRED),
    QUORVEL_NAMED(SEC_E_ENCRYPT_FAILURE),
    QUORVEL_NAMED(SEC_E_DECRYPT_FAILURE),
    QUORVEL_NAMED(SEC_E_ALGORITHM_MISMATCH),
    QUORVEL_NAMED(SEC_E_INVALID_PARAMETER),
    QUORVEL_NAMED(CERT_E_EXPIRED),
    QUORVEL_NAMED(CERT_E_VALIDITYPERIODNESTING),
    QUORVEL_NAMED(CERT_E_UNTRUSTEDROOT),
    QUORVEL_NAMED(CERT_E_CHAINING),
    QUORVEL_NAMED(CERT_E_REVOKED),
    QUORVEL_NAMED(CERT_E_UNTRUSTEDTESTROOT),
    QUORVEL_NAMED(CERT_E_CN_NO_MATCH),
    QUORVEL_NAMED(CERT_E_WRONG_USAGE),
    QUORVEL_NAMED(CERT_E_UNTRUSTEDCA),
    QUORVEL_NAMED(CERT_E_INVALID_NAME),
    QUORVEL_NAMED(CRYPT_E_REVOKED),
    QUORVEL_NAMED(CRYPT_E_NO_REVOCATION_CHECK),
    QUORVEL_NAMED(TRUST_E_CERT_SIGNATURE),
};

#undef QUORVEL_NAMED

}  // namespace

std::string WindowsErrorText::describe(int64_t code) {
    const bool fits = code >= INT32_MIN && code <= UINT32_MAX;
    const uint32_t value = static_cast<uint32_t>(code);
    std::string text;
    if (fits && SystemInfo::appendErrorText(value, text) && !text.empty()) return text;
    char buf[48];
    const bool hex = code < 0 || code > 0xffff;
    if (hex) std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(value));
    else std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(code));
    if (fits) {
        for (const Known &known : kKnown)
            if (known.code == value) return hex ? std::string(known.text) + " (" + buf + ")" : known.text;
    }
    return std::string("error ") + buf;
}

}  // namespace quorvel
