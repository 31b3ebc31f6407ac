#pragma once
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <winsock2.h>
#include <windows.h>
#include <security.h>

#include <string>

#include "platform/NetStream.h"

namespace quorvel {

// Checks the certificate a TLS server presented: the chain ends at a root the system trusts and
// is fit for server authentication, and the certificate names the host (a DNS name, or an IP
// literal matched against the certificate's IP addresses). Revocation is not checked, since that
// would reach out to the network on its own.
class ServerCertificate {
public:
    // False with err saying why (CertUntrusted, CertExpired, CertNameMismatch, CertRevoked,
    // CertOther); err.code is the HRESULT of the refusal.
    static bool verify(CtxtHandle &context, const std::string &host, NetError &err);
};

}  // namespace quorvel
