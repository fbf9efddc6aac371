#include "tests/support/test_authority.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace test_support {

namespace {

void Run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
    throw std::runtime_error("openssl failed: " + command);
}

std::string MakeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "test-authority-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  return pattern;
}

}  // namespace

TestAuthority::TestAuthority()
    : folder_(MakeTempFolder()),
      caFile_(folder_ + "/ca.pem"),
      certFile_(folder_ + "/server.pem"),
      keyFile_(folder_ + "/server.key") {
  const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  const std::string caKey = folder_ + "/ca.key", request = folder_ + "/server.csr";
  const std::string extensions = folder_ + "/server.ext";
  std::ofstream(extensions) << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                               "basicConstraints=CA:FALSE\n"
                               "keyUsage=critical,digitalSignature\n"
                               "extendedKeyUsage=serverAuth\n";
  Run("openssl req -x509" + key + " -keyout " + caKey + " -out " + caFile_ +
      " -days 2 -subj /CN=Step-Test-Authority"
      " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
  Run("openssl req" + key + " -keyout " + keyFile_ + " -out " + request + " -subj /CN=127.0.0.1");
  Run("openssl x509 -req -in " + request + " -CA " + caFile_ + " -CAkey " + caKey +
      " -CAcreateserial -days 2 -out " + certFile_ + " -extfile " + extensions);
}

TestAuthority::~TestAuthority() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

const TestAuthority& TestAuthority::Shared() {
  static TestAuthority authority;
  return authority;
}

}  // namespace test_support
