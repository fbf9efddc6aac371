// The system's authorities are curl's default; the extra files are added to the verification
// store of each TLS context, since CURLOPT_CAINFO would replace the system's instead.
#include "platform/wininet/tls_trust.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/wininet/curl_library.h"
#include "platform/wininet/trust_for_tests.h"

namespace {

std::mutex extraFilesMutex;

std::vector<std::string>& ExtraFiles() {
  static std::vector<std::string> files = [] {
    std::vector<std::string> initial;
    std::string buildTime = STEP_SERVICE_CA_FILE;
    if (!buildTime.empty()) initial.push_back(buildTime);
    return initial;
  }();
  return files;
}

CURLcode AddExtraAuthorities(CURL*, void* sslContext, void*) {
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
  std::lock_guard lock(extraFilesMutex);
  for (const std::string& file : ExtraFiles()) {
    // A missing or unreadable file adds nothing; verification then fails as it should.
    X509_STORE_load_file(store, file.c_str());
  }
  return CURLE_OK;
}

}  // namespace

void ApplyTrustedAuthorities(CURL* easy) {
  {
    std::lock_guard lock(extraFilesMutex);
    if (ExtraFiles().empty()) return;
  }
  Curl()->easySetopt(easy, CURLOPT_SSL_CTX_FUNCTION, AddExtraAuthorities);
}

void TrustAuthorityFileForTesting(const std::string& pemFile) {
  std::lock_guard lock(extraFilesMutex);
  ExtraFiles().push_back(pemFile);
}
