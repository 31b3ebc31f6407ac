#include "platform/win32/ServerCertificate.h"

#include <ws2tcpip.h>
#include <wincrypt.h>
#include <schannel.h>

#include <cstring>
#include <memory>

#include "platform/win32/WideText.h"
#include "platform/win32/WindowsErrorText.h"

namespace quorvel {

namespace {

constexpr DWORD kIgnoreNameCheck = 0x00001000;  // SECURITY_FLAG_IGNORE_CERT_CN_INVALID

struct CertificateFree {
    void operator()(const CERT_CONTEXT *cert) const { CertFreeCertificateContext(cert); }
};
struct ChainFree {
    void operator()(const CERT_CHAIN_CONTEXT *chain) const { CertFreeCertificateChain(chain); }
};

// The binary form of an IP literal (4 or 16 bytes), or 0 for a host name. A zone
// ("fe80::1%eth0") names the local interface and is no part of the address.
size_t ipLiteral(const std::string &host, unsigned char (&bytes)[16]) {
    if (inet_pton(AF_INET, host.c_str(), bytes) == 1) return 4;
    const std::string address = host.substr(0, host.find('%'));
    if (address.find(':') != std::string::npos && inet_pton(AF_INET6, address.c_str(), bytes) == 1) return 16;
    return 0;
}

// IP literals are matched against the certificate's IP address entries only, the same on every
// Windows version (a common name that spells an address does not count).
bool namesAddress(const CERT_CONTEXT &cert, const unsigned char *address, size_t length) {
    const CERT_INFO *info = cert.pCertInfo;
    const CERT_EXTENSION *ext = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!ext) return false;
    CERT_ALT_NAME_INFO *names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData,
                             ext->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY &entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == length &&
                std::memcmp(entry.IPAddress.pbData, address, length) == 0;
    }
    LocalFree(names);
    return found;
}

NetError::Kind kindOf(DWORD status, const char *&reason) {
    switch (status) {
        case static_cast<DWORD>(CERT_E_EXPIRED):
            reason = "certificate has expired or is not yet valid";
            return NetError::Kind::CertExpired;
        case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
        case static_cast<DWORD>(CERT_E_UNTRUSTEDTESTROOT):
        case static_cast<DWORD>(CERT_E_UNTRUSTEDCA):
            reason = "unknown issuer";
            return NetError::Kind::CertUntrusted;
        case static_cast<DWORD>(CERT_E_CHAINING):
            reason = "unknown issuer: the chain cannot be built";
            return NetError::Kind::CertUntrusted;
        case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
            reason = "certificate signature is invalid";
            return NetError::Kind::CertUntrusted;
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
            reason = "certificate name mismatch";
            return NetError::Kind::CertNameMismatch;
        case static_cast<DWORD>(CRYPT_E_REVOKED):
            reason = "certificate has been revoked";
            return NetError::Kind::CertRevoked;
        case static_cast<DWORD>(CERT_E_WRONG_USAGE):
            reason = "certificate is not meant for a server";
            return NetError::Kind::CertOther;
        default:
            reason = "certificate refused";
            return NetError::Kind::CertOther;
    }
}

void setRefusal(NetError &err, DWORD status) {
    const char *reason = nullptr;
    const NetError::Kind kind = kindOf(status, reason);
    err.set(kind, status, std::string(reason) + ": " + WindowsErrorText::describe(status));
}

}  // namespace

bool ServerCertificate::verify(CtxtHandle &context, const std::string &host, NetError &err) {
    const CERT_CONTEXT *presented = nullptr;
    SECURITY_STATUS status = QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &presented);
    if (status != SEC_E_OK || !presented) {
        err.set(NetError::Kind::CertOther, static_cast<DWORD>(status),
                "the server sent no certificate: " + WindowsErrorText::describe(static_cast<DWORD>(status)));
        return false;
    }
    std::unique_ptr<const CERT_CONTEXT, CertificateFree> cert(presented);

    // The chain is built with the intermediates the server sent, which arrive in the
    // certificate's own store.
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char *usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    const CERT_CHAIN_CONTEXT *built = nullptr;
    if (!CertGetCertificateChain(nullptr, cert.get(), nullptr, cert->hCertStore, &chainPara, 0, nullptr, &built)) {
        const DWORD code = GetLastError();
        err.set(NetError::Kind::CertOther, code, "the certificate chain cannot be built: " + WindowsErrorText::describe(code));
        return false;
    }
    std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree> chain(built);
    // Some chain engines (Wine's) pass the SSL policy for a chain that stops short of any root,
    // so a chain that does not reach a self-signed root is refused here first.
    if (chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN) {
        setRefusal(err, static_cast<DWORD>(CERT_E_CHAINING));
        return false;
    }

    unsigned char address[16];
    const size_t addressLength = ipLiteral(host, address);
    WideText name;
    if (addressLength == 0 && !name.setFromUtf8(host.data(), static_cast<uint32_t>(host.size()))) {
        err.set(NetError::Kind::CertOther, 0, "the host name is not valid UTF-8");
        return false;
    }
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA sslPara{};
    sslPara.cbSize = sizeof sslPara;
    sslPara.dwAuthType = AUTHTYPE_SERVER;
    sslPara.fdwChecks = addressLength != 0 ? kIgnoreNameCheck : 0;
    sslPara.pwszServerName = addressLength != 0 ? nullptr : name.data();
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof policyPara;
    policyPara.pvExtraPolicyPara = &sslPara;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof policyStatus;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &policyStatus)) {
        const DWORD code = GetLastError();
        err.set(NetError::Kind::CertOther, code, "the certificate chain cannot be checked: " + WindowsErrorText::describe(code));
        return false;
    }
    if (policyStatus.dwError != 0) {
        setRefusal(err, policyStatus.dwError);
        return false;
    }
    if (addressLength != 0 && !namesAddress(*cert, address, addressLength)) {
        setRefusal(err, static_cast<DWORD>(CERT_E_CN_NO_MATCH));
        return false;
    }
    return true;
}

}  // namespace quorvel
