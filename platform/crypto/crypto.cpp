// Contexts and hash objects are heap objects whose addresses serve as handles; a registry of live
// handles turns a stale or foreign handle into a failure instead of a wild access.
#include "platform/crypto/crypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <mutex>
#include <unordered_set>

namespace {

struct Context {};

struct Hash {
  EVP_MD_CTX* digest = nullptr;
  unsigned char value[EVP_MAX_MD_SIZE] = {};
  unsigned int valueLength = 0;
  bool finished = false;
};

std::mutex liveMutex;
std::unordered_set<std::uintptr_t> liveContexts;
std::unordered_set<std::uintptr_t> liveHashes;

bool IsLive(const std::unordered_set<std::uintptr_t>& live, std::uintptr_t handle) {
  std::lock_guard lock(liveMutex);
  return live.count(handle) != 0;
}

Hash* LiveHash(HCRYPTHASH handle) {
  return IsLive(liveHashes, handle) ? reinterpret_cast<Hash*>(handle) : nullptr;
}

bool IsEmpty(const char* name) { return name == nullptr || *name == '\0'; }

const char* DigestName(ALG_ID algorithm) {
  switch (algorithm) {
    case CALG_MD5:
      return "MD5";
    case CALG_SHA1:
      return "SHA1";
    default:
      return nullptr;
  }
}

// Takes the final value once; later requests get the same value.
bool Finish(Hash& hash) {
  if (hash.finished) return true;
  if (EVP_DigestFinal_ex(hash.digest, hash.value, &hash.valueLength) != 1) return false;
  hash.finished = true;
  return true;
}

}  // namespace

bool CryptAcquireContextA(HCRYPTPROV* prov, const char* container, const char* provider,
                          std::uint32_t provType, std::uint32_t flags) {
  if (prov == nullptr || !IsEmpty(container) || !IsEmpty(provider)) return false;
  if (provType != PROV_RSA_FULL || (flags != 0 && flags != CRYPT_VERIFYCONTEXT)) return false;
  auto handle = reinterpret_cast<std::uintptr_t>(new Context);
  std::lock_guard lock(liveMutex);
  liveContexts.insert(handle);
  *prov = handle;
  return true;
}

bool CryptCreateHash(HCRYPTPROV prov, ALG_ID algorithm, HCRYPTKEY key, std::uint32_t flags,
                     HCRYPTHASH* hash) {
  const char* name = DigestName(algorithm);
  if (hash == nullptr || name == nullptr || key != 0 || flags != 0) return false;
  if (!IsLive(liveContexts, prov)) return false;
  EVP_MD* md = EVP_MD_fetch(nullptr, name, nullptr);
  if (md == nullptr) return false;
  auto* created = new Hash;
  created->digest = EVP_MD_CTX_new();
  bool started = created->digest != nullptr && EVP_DigestInit_ex(created->digest, md, nullptr) == 1;
  EVP_MD_free(md);
  if (!started) {
    EVP_MD_CTX_free(created->digest);
    delete created;
    return false;
  }
  auto handle = reinterpret_cast<std::uintptr_t>(created);
  std::lock_guard lock(liveMutex);
  liveHashes.insert(handle);
  *hash = handle;
  return true;
}

bool CryptHashData(HCRYPTHASH hash, const std::uint8_t* data, std::uint32_t length,
                   std::uint32_t flags) {
  Hash* live = LiveHash(hash);
  if (live == nullptr || live->finished || flags != 0) return false;
  if (length == 0) return true;
  return data != nullptr && EVP_DigestUpdate(live->digest, data, length) == 1;
}

bool CryptGetHashParam(HCRYPTHASH hash, std::uint32_t param, std::uint8_t* data,
                       std::uint32_t* length, std::uint32_t flags) {
  Hash* live = LiveHash(hash);
  if (live == nullptr || param != HP_HASHVAL || length == nullptr || flags != 0) return false;
  auto size = static_cast<std::uint32_t>(EVP_MD_CTX_get_size(live->digest));
  if (data == nullptr) {
    *length = size;
    return true;
  }
  if (*length < size) {
    *length = size;
    return false;
  }
  if (!Finish(*live)) return false;
  std::copy(live->value, live->value + live->valueLength, data);
  *length = live->valueLength;
  return true;
}

bool CryptDestroyHash(HCRYPTHASH hash) {
  {
    std::lock_guard lock(liveMutex);
    if (liveHashes.erase(hash) == 0) return false;
  }
  auto* owned = reinterpret_cast<Hash*>(hash);
  EVP_MD_CTX_free(owned->digest);
  delete owned;
  return true;
}

bool CryptReleaseContext(HCRYPTPROV prov, std::uint32_t flags) {
  if (flags != 0) return false;
  {
    std::lock_guard lock(liveMutex);
    if (liveContexts.erase(prov) == 0) return false;
  }
  delete reinterpret_cast<Context*>(prov);
  return true;
}
