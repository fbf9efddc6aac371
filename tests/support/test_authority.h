// A certificate authority made at test time, and a server certificate it issued for 127.0.0.1
// and localhost, as PEM files in a temporary folder removed with the object.
#pragma once

#include <string>

namespace test_support {

class TestAuthority {
 public:
  // Makes a fresh authority and server certificate with the openssl command (P-256 keys, valid
  // for two days); throws std::runtime_error when openssl fails.
  TestAuthority();
  ~TestAuthority();
  TestAuthority(const TestAuthority&) = delete;
  TestAuthority& operator=(const TestAuthority&) = delete;

  // The one authority of this test program, made on first use. Trust it with
  // TrustAuthorityFileForTesting(TestAuthority::Shared().caFile()).
  static const TestAuthority& Shared();

  const std::string& caFile() const { return caFile_; }      // authority certificate, to trust
  const std::string& certFile() const { return certFile_; }  // server certificate
  const std::string& keyFile() const { return keyFile_; }    // server private key

 private:
  std::string folder_, caFile_, certFile_, keyFile_;
};

}  // namespace test_support
