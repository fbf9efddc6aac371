#include "platform/wininet/win32/own_authorities.h"

#include <cstddef>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/wininet/trust_for_tests.h"
#include "step_service_ca.h"

namespace {

std::mutex authoritiesMutex;

std::vector<std::string>& AuthorityPems() {
  static std::vector<std::string> pems = [] {
    std::vector<std::string> initial;
    if (kStepServiceCaPem[0] != '\0') initial.emplace_back(kStepServiceCaPem);
    return initial;
  }();
  return pems;
}

// Closes a certificate store when the scope ends.
struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(store, 0); }
};
struct EngineCloser {
  void operator()(void* engine) const { CertFreeCertificateChainEngine(engine); }
};
struct ChainFreer {
  void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};

// A store holding the authority certificate of one PEM text; null when it holds none.
std::unique_ptr<void, StoreCloser> AuthorityStore(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                            nullptr)) {
    return nullptr;
  }
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                            nullptr)) {
    return nullptr;
  }
  std::unique_ptr<void, StoreCloser> store(
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  if (!store || !CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                                  CERT_STORE_ADD_ALWAYS, nullptr)) {
    return nullptr;
  }
  return store;
}

bool ChainsUpTo(const std::string& authorityPem, PCCERT_CONTEXT server,
                const std::u16string& host) {
  std::unique_ptr<void, StoreCloser> root = AuthorityStore(authorityPem);
  if (!root) return false;
  CERT_CHAIN_ENGINE_CONFIG config = {};
  // The layout that brought the exclusive root (Windows 7), without the later exclusive flags:
  // Wine takes no other.
  config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, dwExclusiveFlags);
  config.hExclusiveRoot = root.get();
  HCERTCHAINENGINE rawEngine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &rawEngine)) return false;
  std::unique_ptr<void, EngineCloser> engine(rawEngine);

  CERT_CHAIN_PARA para = {};
  para.cbSize = sizeof para;
  PCCERT_CHAIN_CONTEXT rawChain = nullptr;
  // The server's own store carries the intermediates it sent.
  if (!CertGetCertificateChain(rawEngine, server, nullptr, server->hCertStore, &para, 0, nullptr,
                               &rawChain)) {
    return false;
  }
  std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer> chain(rawChain);
  // The whole chain must hold up; only revocation stays unknown, since our authority publishes
  // no revocation lists. (Wine's SSL policy below lets a partial chain pass.)
  constexpr DWORD kRevocationUnknown =
      CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if ((rawChain->TrustStatus.dwErrorStatus & ~kRevocationUnknown) != CERT_TRUST_NO_ERROR) {
    return false;
  }

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(host.c_str()));
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof status;
  return CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, rawChain, &policy, &status) &&
         status.dwError == 0;
}

}  // namespace

bool HaveOwnAuthorities() {
  std::lock_guard lock(authoritiesMutex);
  return !AuthorityPems().empty();
}

bool ChainEndsInOwnAuthority(PCCERT_CHAIN_CONTEXT chain, const std::u16string& host) {
  if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return false;
  PCCERT_CONTEXT server = chain->rgpChain[0]->rgpElement[0]->pCertContext;
  std::vector<std::string> pems;
  {
    std::lock_guard lock(authoritiesMutex);
    pems = AuthorityPems();
  }
  for (const std::string& pem : pems) {
    if (ChainsUpTo(pem, server, host)) return true;
  }
  return false;
}

void TrustAuthorityFileForTesting(const std::string& pemFile) {
  std::ifstream in(pemFile, std::ios::binary);
  std::string pem(std::istreambuf_iterator<char>(in), {});
  std::lock_guard lock(authoritiesMutex);
  AuthorityPems().push_back(pem);
}
