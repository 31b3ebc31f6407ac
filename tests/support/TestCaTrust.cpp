#include "support/TestCaTrust.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>

#include "support/TestFiles.h"
#endif

namespace quorvel::test {

#ifdef _WIN32

static HCERTSTORE openMachineRoot() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
}

// The store is closed right after each change: a registry store writes its certificates out only
// when its last handle goes, and the chain engine reads them from the registry. (Keeping the added
// context would keep the store open and the CA unseen.)
TrustedTestCa::TrustedTestCa(const std::string &pemPath) {
    std::string pem;
    if (!readRawFile("Z:" + pemPath, pem) || pem.empty()) {
        m_problem = "cannot read the test CA " + pemPath;
        return;
    }
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                              nullptr, nullptr)) {
        m_problem = "the test CA is not PEM: " + pemPath;
        return;
    }
    std::string der(size, '\0');
    CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                         reinterpret_cast<BYTE *>(der.data()), &size, nullptr, nullptr);
    HCERTSTORE root = openMachineRoot();
    if (!root) {
        m_problem = "cannot open the root store: " + std::to_string(GetLastError());
        return;
    }
    if (CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE *>(der.data()), size,
                                         CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
        m_der = der;
    else
        m_problem = "cannot trust the test CA: " + std::to_string(GetLastError());
    CertCloseStore(root, 0);
}

TrustedTestCa::~TrustedTestCa() {
    if (m_der.empty()) return;
    HCERTSTORE root = openMachineRoot();
    if (!root) return;
    const CERT_CONTEXT *cert = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE *>(m_der.data()), static_cast<DWORD>(m_der.size()));
    const CERT_CONTEXT *stored =
        cert ? CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr) : nullptr;
    if (stored) CertDeleteCertificateFromStore(stored);  // also frees the found context
    if (cert) CertFreeCertificateContext(cert);
    CertCloseStore(root, 0);
}

#else

TrustedTestCa::TrustedTestCa(const std::string &) {}
TrustedTestCa::~TrustedTestCa() = default;

#endif

void TestCaTrust::SetUp() {
    const char *file = std::getenv("QUORVEL_HTTP_TEST_CA");
    if (!file || !*file) return;  // no TLS servers: the TLS tests skip
    m_ca = std::make_unique<TrustedTestCa>(file);
    ASSERT_TRUE(m_ca->problem().empty()) << m_ca->problem();
}

void TestCaTrust::TearDown() { m_ca.reset(); }

}  // namespace quorvel::test
