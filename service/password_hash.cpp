#include "service/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>

namespace step_service {
namespace {

constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

uint32_t Rotate(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

// The mixing below is nearly all of a derivation's time, in fixed-size loops over the area, so
// the sanitizer build leaves it uninstrumented: checked, every password check took four times
// as long. The unit tests compare its results with OpenSSL's and the standard's vectors.
#define STEP_SERVICE_UNCHECKED __attribute__((no_sanitize("address", "undefined")))

// Salsa20/8 core on one 64-byte block, in place.
STEP_SERVICE_UNCHECKED void Salsa8(uint32_t block[16]) {
  uint32_t x[16];
  std::memcpy(x, block, sizeof x);
  for (int round = 0; round < 8; round += 2) {
    x[4] ^= Rotate(x[0] + x[12], 7);
    x[8] ^= Rotate(x[4] + x[0], 9);
    x[12] ^= Rotate(x[8] + x[4], 13);
    x[0] ^= Rotate(x[12] + x[8], 18);
    x[9] ^= Rotate(x[5] + x[1], 7);
    x[13] ^= Rotate(x[9] + x[5], 9);
    x[1] ^= Rotate(x[13] + x[9], 13);
    x[5] ^= Rotate(x[1] + x[13], 18);
    x[14] ^= Rotate(x[10] + x[6], 7);
    x[2] ^= Rotate(x[14] + x[10], 9);
    x[6] ^= Rotate(x[2] + x[14], 13);
    x[10] ^= Rotate(x[6] + x[2], 18);
    x[3] ^= Rotate(x[15] + x[11], 7);
    x[7] ^= Rotate(x[3] + x[15], 9);
    x[11] ^= Rotate(x[7] + x[3], 13);
    x[15] ^= Rotate(x[11] + x[7], 18);
    x[1] ^= Rotate(x[0] + x[3], 7);
    x[2] ^= Rotate(x[1] + x[0], 9);
    x[3] ^= Rotate(x[2] + x[1], 13);
    x[0] ^= Rotate(x[3] + x[2], 18);
    x[6] ^= Rotate(x[5] + x[4], 7);
    x[7] ^= Rotate(x[6] + x[5], 9);
    x[4] ^= Rotate(x[7] + x[6], 13);
    x[5] ^= Rotate(x[4] + x[7], 18);
    x[11] ^= Rotate(x[10] + x[9], 7);
    x[8] ^= Rotate(x[11] + x[10], 9);
    x[9] ^= Rotate(x[8] + x[11], 13);
    x[10] ^= Rotate(x[9] + x[8], 18);
    x[12] ^= Rotate(x[15] + x[14], 7);
    x[13] ^= Rotate(x[12] + x[15], 9);
    x[14] ^= Rotate(x[13] + x[12], 13);
    x[15] ^= Rotate(x[14] + x[13], 18);
  }
  for (int i = 0; i < 16; ++i) block[i] += x[i];
}

// BlockMix of the 2r blocks in `in` into `out` (which must not overlap `in`).
STEP_SERVICE_UNCHECKED void BlockMix(const uint32_t* in, uint32_t* out, uint32_t r) {
  uint32_t x[16];
  std::memcpy(x, in + (2 * r - 1) * 16, sizeof x);
  for (uint32_t i = 0; i < 2 * r; ++i) {
    for (int k = 0; k < 16; ++k) x[k] ^= in[i * 16 + k];
    Salsa8(x);
    // Even blocks to the first half, odd ones to the second.
    std::memcpy(out + ((i & 1) * r + i / 2) * 16, x, sizeof x);
  }
}

// ROMix of one 128r-byte chunk `b` (as little-endian words), with `v` holding N chunks and
// `scratch` two.
STEP_SERVICE_UNCHECKED void RoMix(uint32_t* b, uint64_t n, uint32_t r, uint32_t* v,
                                  uint32_t* scratch) {
  const size_t words = 32 * r;
  uint32_t* x = scratch;
  uint32_t* y = scratch + words;
  std::memcpy(x, b, words * sizeof(uint32_t));
  for (uint64_t i = 0; i < n; ++i) {
    std::memcpy(v + i * words, x, words * sizeof(uint32_t));
    BlockMix(x, y, r);
    std::swap(x, y);
  }
  for (uint64_t i = 0; i < n; ++i) {
    const uint64_t last = (2 * r - 1) * 16;
    const uint64_t j = ((uint64_t{x[last + 1]} << 32) | x[last]) & (n - 1);
    for (size_t k = 0; k < words; ++k) x[k] ^= v[j * words + k];
    BlockMix(x, y, r);
    std::swap(x, y);
  }
  std::memcpy(b, x, words * sizeof(uint32_t));
}

bool Pbkdf2(std::string_view password, const unsigned char* salt, size_t saltBytes,
            unsigned char* out, size_t outBytes) {
  return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                           static_cast<int>(saltBytes), 1, EVP_sha256(),
                           static_cast<int>(outBytes), out) == 1;
}

bool CostInRange(ScryptCost cost) {
  if (cost.n < 2 || (cost.n & (cost.n - 1)) != 0 || cost.r == 0 || cost.p == 0) return false;
  if (cost.r > kMaxScryptBytes / 128 || cost.n > kMaxScryptBytes / (128ull * cost.r)) return false;
  return uint64_t{cost.p} * cost.r <= (1u << 20);  // keeps B (128 r p bytes) small
}

}  // namespace

uint32_t* ScryptArea::Reserve(size_t words) {
  if (words_.size() < words) words_.resize(words);
  return words_.data();
}

bool Scrypt(std::string_view password, std::string_view salt, ScryptCost cost, ScryptArea& area,
            std::string& out) {
  if (!CostInRange(cost)) return false;
  const size_t chunkWords = 32 * cost.r;
  std::vector<unsigned char> b(size_t{cost.p} * chunkWords * 4);
  if (!Pbkdf2(password, reinterpret_cast<const unsigned char*>(salt.data()), salt.size(),
              b.data(), b.size())) {
    return false;
  }
  uint32_t* v = area.Reserve((cost.n + 2) * chunkWords);
  uint32_t* scratch = v + cost.n * chunkWords;
  std::vector<uint32_t> chunk(chunkWords);
  for (uint32_t i = 0; i < cost.p; ++i) {
    unsigned char* bytes = b.data() + i * chunkWords * 4;
    for (size_t k = 0; k < chunkWords; ++k) {
      chunk[k] = uint32_t{bytes[4 * k]} | uint32_t{bytes[4 * k + 1]} << 8 |
                 uint32_t{bytes[4 * k + 2]} << 16 | uint32_t{bytes[4 * k + 3]} << 24;
    }
    RoMix(chunk.data(), cost.n, cost.r, v, scratch);
    for (size_t k = 0; k < chunkWords; ++k) {
      for (int shift = 0; shift < 4; ++shift) bytes[4 * k + shift] = chunk[k] >> (8 * shift);
    }
  }
  const bool derived = Pbkdf2(password, b.data(), b.size(),
                              reinterpret_cast<unsigned char*>(out.data()), out.size());
  OPENSSL_cleanse(b.data(), b.size());
  OPENSSL_cleanse(chunk.data(), chunk.size() * sizeof(uint32_t));
  return derived;
}

std::optional<PasswordHash> HashPassword(std::string_view password, ScryptCost cost) {
  PasswordHash result{std::string(kSaltBytes, '\0'), std::string(kHashBytes, '\0'), cost};
  if (RAND_bytes(reinterpret_cast<unsigned char*>(result.salt.data()), kSaltBytes) != 1) {
    return std::nullopt;
  }
  ScryptArea area;
  if (!Scrypt(password, result.salt, cost, area, result.hash)) return std::nullopt;
  return result;
}

bool VerifyPassword(std::string_view password, const PasswordHash& stored, ScryptArea& area) {
  std::string candidate(stored.hash.size(), '\0');
  if (candidate.empty() || !Scrypt(password, stored.salt, stored.cost, area, candidate)) {
    return false;
  }
  return CRYPTO_memcmp(candidate.data(), stored.hash.data(), candidate.size()) == 0;
}

}  // namespace step_service
