#pragma once
// The loopback TLS servers make a test CA at run time. OpenSSL finds it through SSL_CERT_FILE, which
// the servers set; on Windows it is trusted in the machine root store of the test's own Wine
// prefix while the tests run, and removed at their end.
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quorvel::test {

// Trusts the CA certificate in a PEM file for the object's lifetime (a no-op off Windows).
class TrustedTestCa {
public:
    explicit TrustedTestCa(const std::string &pemPath);
    ~TrustedTestCa();
    TrustedTestCa(const TrustedTestCa &) = delete;
    TrustedTestCa &operator=(const TrustedTestCa &) = delete;

    const std::string &problem() const { return m_problem; }  // empty when trusted

private:
    std::string m_der;  // the certificate as added, to find it again for removal
    std::string m_problem;
};

// Trusts the CA named by QUORVEL_HTTP_TEST_CA for the whole test program, when it is set.
class TestCaTrust : public testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<TrustedTestCa> m_ca;
};

}  // namespace quorvel::test
