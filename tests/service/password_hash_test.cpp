#include "service/password_hash.h"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "service/hash_pool.h"

namespace step_service {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

// OpenSSL's own scrypt, which stored hashes were made with before the service had its own.
std::string OpenSslScrypt(std::string password, std::string salt, ScryptCost cost,
                          size_t bytes) {
  std::unique_ptr<EVP_KDF, decltype(&EVP_KDF_free)> kdf(
      EVP_KDF_fetch(nullptr, OSSL_KDF_NAME_SCRYPT, nullptr), EVP_KDF_free);
  std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)> context(EVP_KDF_CTX_new(kdf.get()),
                                                                    EVP_KDF_CTX_free);
  uint64_t maxMemory = 1ull << 30;
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, password.data(), password.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
      OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &cost.n),
      OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &cost.r),
      OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &cost.p),
      OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_MAXMEM, &maxMemory),
      OSSL_PARAM_construct_end(),
  };
  std::string out(bytes, '\0');
  EXPECT_EQ(EVP_KDF_derive(context.get(), reinterpret_cast<unsigned char*>(out.data()), bytes,
                           params),
            1);
  return out;
}

TEST(ScryptTest, MatchesTheStandardsVectorsAndOpenSsl) {
  ScryptArea area;  // one area for all, as a pool thread uses it
  std::string out(64, '\0');
  ASSERT_TRUE(Scrypt("", "", {16, 1, 1}, area, out));
  EXPECT_EQ(Hex(out),
            "77d6576238657b203b19ca42c18a0497f16b4844e3074ae8dfdffa3fede21442"
            "fcd0069ded0948f8326a753a0fc81f17e8d3e0fb2e0d3628cf35e20c38d18906");
  ASSERT_TRUE(Scrypt("password", "NaCl", {1024, 8, 16}, area, out));
  EXPECT_EQ(Hex(out),
            "fdbabe1c9d3472007856e7190d01e9fe7c6ad7cbc8237830e77376634b373162"
            "2eaf30d92e22a3886ff109279d9830dac727afb94a83ee6d8360cbdfa2cc0640");

  struct Case {
    std::string password;
    std::string salt;
    ScryptCost cost;
  };
  const Case cases[] = {
      {"secret", "0123456789abcdef", kDefaultScryptCost},
      {"张三的密码", std::string("\0\xff\x01", 3), {1u << 10, 4, 2}},
      {"x", "salt", {2, 1, 1}},
  };
  for (const Case& test : cases) {
    std::string ours(32, '\0');
    ASSERT_TRUE(Scrypt(test.password, test.salt, test.cost, area, ours)) << test.password;
    EXPECT_EQ(Hex(ours), Hex(OpenSslScrypt(test.password, test.salt, test.cost, 32)))
        << test.password;
  }
  EXPECT_EQ(area.Bytes(), 128u * 8 * ((1u << 14) + 2)) << "the area grows to the largest cost";
}

TEST(ScryptTest, RefusesCostsOutOfRange) {
  ScryptArea area;
  std::string out(32, '\0');
  for (const ScryptCost cost : {ScryptCost{0, 8, 1}, ScryptCost{1000, 8, 1}, ScryptCost{16, 0, 1},
                                ScryptCost{16, 8, 0}, ScryptCost{1u << 20, 8, 1}}) {
    EXPECT_FALSE(Scrypt("pw", "salt", cost, area, out)) << cost.n << " " << cost.r;
  }
  EXPECT_EQ(area.Bytes(), 0u);
}

TEST(PasswordHashTest, VerifiesOnlyTheRightPassword) {
  const auto stored = HashPassword("correct horse", {1u << 10, 8, 1});
  ASSERT_TRUE(stored);
  ScryptArea area;
  EXPECT_TRUE(VerifyPassword("correct horse", *stored, area));
  EXPECT_FALSE(VerifyPassword("correct horse ", *stored, area));
  PasswordHash tooCostly = *stored;
  tooCostly.cost.n = 1ull << 40;
  EXPECT_FALSE(VerifyPassword("correct horse", tooCostly, area));
}

TEST(HashPoolTest, RefusesWorkBeyondItsQueueAndRunsTheRest) {
  HashPool pool(1, std::chrono::milliseconds(200));
  std::mutex gate;
  std::unique_lock held(gate);
  std::atomic<int> started{0};
  std::atomic<int> done{0};
  const auto job = [&](ScryptArea&) {
    ++started;
    std::lock_guard wait(gate);
    ++done;
  };
  std::chrono::seconds retryAfter{0};
  ASSERT_TRUE(pool.TryPost(job, retryAfter));
  while (started == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  // Before anything is measured a job counts as 50 ms: the one running and three queued are
  // 200 ms of work, and a fourth may still join them; the next would wait longer than allowed.
  int queued = 0;
  while (queued < 100 && pool.TryPost(job, retryAfter)) ++queued;
  EXPECT_EQ(queued, 4);
  EXPECT_GE(retryAfter.count(), 1);
  held.unlock();
  while (done < queued + 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(pool.TryPost(job, retryAfter));
}

}  // namespace
}  // namespace step_service
