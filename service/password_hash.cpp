#include "service/password_hash.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace step_service {
namespace {

constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

// Each derivation holds 128 * r * N bytes; running more of them at once than there are cores
// only adds memory, not throughput. Waiters go through in arrival order, so under load every
// request waits about as long as the others instead of some starving.
class DerivationSlots {
 public:
  DerivationSlots() : admittedBelow_(std::max(1u, std::thread::hardware_concurrency())) {}

  void Acquire() {
    std::unique_lock lock(mutex_);
    const uint64_t ticket = nextTicket_++;
    turn_.wait(lock, [&] { return ticket < admittedBelow_; });
  }

  void Release() {
    {
      std::lock_guard lock(mutex_);
      ++admittedBelow_;
    }
    turn_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  uint64_t nextTicket_ = 0;
  uint64_t admittedBelow_;
};

DerivationSlots& Slots() {
  static DerivationSlots slots;
  return slots;
}

bool Derive(std::string_view password, std::string_view salt, ScryptCost cost, std::string& out) {
  std::unique_ptr<EVP_KDF, decltype(&EVP_KDF_free)> kdf(
      EVP_KDF_fetch(nullptr, OSSL_KDF_NAME_SCRYPT, nullptr), EVP_KDF_free);
  if (!kdf) return false;
  std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)> context(EVP_KDF_CTX_new(kdf.get()),
                                                                    EVP_KDF_CTX_free);
  if (!context) return false;

  uint64_t n = cost.n;
  uint32_t r = cost.r;
  uint32_t p = cost.p;
  uint64_t maxMemory = 128ull * r * n * p + (1u << 20);
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, const_cast<char*>(password.data()),
                                        password.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char*>(salt.data()),
                                        salt.size()),
      OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &n),
      OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
      OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
      OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_MAXMEM, &maxMemory),
      OSSL_PARAM_construct_end(),
  };
  out.assign(kHashBytes, '\0');
  Slots().Acquire();
  const int derived = EVP_KDF_derive(context.get(), reinterpret_cast<unsigned char*>(out.data()),
                                     out.size(), params);
  Slots().Release();
  return derived == 1;
}

}  // namespace

std::optional<PasswordHash> HashPassword(std::string_view password, ScryptCost cost) {
  PasswordHash result{std::string(kSaltBytes, '\0'), {}, cost};
  if (RAND_bytes(reinterpret_cast<unsigned char*>(result.salt.data()), kSaltBytes) != 1) {
    return std::nullopt;
  }
  if (!Derive(password, result.salt, cost, result.hash)) return std::nullopt;
  return result;
}

bool VerifyPassword(std::string_view password, const PasswordHash& stored) {
  std::string candidate;
  if (!Derive(password, stored.salt, stored.cost, candidate)) return false;
  return candidate.size() == stored.hash.size() &&
         CRYPTO_memcmp(candidate.data(), stored.hash.data(), candidate.size()) == 0;
}

}  // namespace step_service
