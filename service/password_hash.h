#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace step_service {

// scrypt work factors; stored with each hash so that they can be raised later.
struct ScryptCost {
  uint64_t n;
  uint32_t r;
  uint32_t p;
};

// N = 2^14, r = 8, p = 1: 16 MiB and a few tens of milliseconds per check on one core.
inline constexpr ScryptCost kDefaultScryptCost{1u << 14, 8, 1};

struct PasswordHash {
  std::string salt;  // raw bytes
  std::string hash;  // raw bytes
  ScryptCost cost;
};

// Hashes `password` with a fresh random salt; nothing when OpenSSL fails.
std::optional<PasswordHash> HashPassword(std::string_view password,
                                         ScryptCost cost = kDefaultScryptCost);

// True when `password` hashes to `stored` under its salt and cost (compared in constant time).
bool VerifyPassword(std::string_view password, const PasswordHash& stored);

}  // namespace step_service
