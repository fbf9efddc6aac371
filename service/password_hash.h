#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace step_service {

// scrypt work factors; stored with each hash so that they can be raised later.
struct ScryptCost {
  uint64_t n;
  uint32_t r;
  uint32_t p;
};

// N = 2^14, r = 8, p = 1: 16 MiB and a few tens of milliseconds per check on one core.
inline constexpr ScryptCost kDefaultScryptCost{1u << 14, 8, 1};

// The most working memory one derivation may take (128 * r * N bytes); a stored cost beyond it
// is refused rather than allowed to grow the service.
inline constexpr uint64_t kMaxScryptBytes = 64ull << 20;

struct PasswordHash {
  std::string salt;  // raw bytes
  std::string hash;  // raw bytes
  ScryptCost cost;
};

// The memory scrypt works in. It is kept between derivations, so whoever owns areas (one per
// hashing thread) decides how much the hashing may take, however many requests come.
class ScryptArea {
 public:
  // At least `words` 32-bit words, grown when needed and never shrunk.
  uint32_t* Reserve(size_t words);
  size_t Bytes() const { return words_.size() * sizeof(uint32_t); }

 private:
  std::vector<uint32_t> words_;
};

// Hashes `password` with a fresh random salt in an area of its own; nothing when the cost is
// out of range or OpenSSL fails.
std::optional<PasswordHash> HashPassword(std::string_view password,
                                         ScryptCost cost = kDefaultScryptCost);

// True when `password` hashes to `stored` under its salt and cost (compared in constant time).
// Works in `area`; false also when the stored cost is out of range.
bool VerifyPassword(std::string_view password, const PasswordHash& stored, ScryptArea& area);

// scrypt (RFC 7914) of `password` and `salt` into `out` (its size is the output length); false
// when the cost is out of range (N not a power of two above 1, r or p zero, memory beyond
// kMaxScryptBytes) or PBKDF2 fails.
bool Scrypt(std::string_view password, std::string_view salt, ScryptCost cost, ScryptArea& area,
            std::string& out);

}  // namespace step_service
