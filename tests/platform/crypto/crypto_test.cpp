// The CryptoAPI-shaped digest calls: their values and their failure results.
#include "platform/crypto/crypto.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

class CryptoCalls : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CryptAcquireContextA(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  }
  void TearDown() override { EXPECT_TRUE(CryptReleaseContext(prov, 0)); }
  HCRYPTPROV prov = 0;
};

TEST_F(CryptoCalls, Md5ValueAndItsSize) {
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
  const std::string data = "abc";
  ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const std::uint8_t*>(data.data()), 3, 0));
  std::uint32_t length = 0;
  ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, nullptr, &length, 0));
  EXPECT_EQ(length, 16u);

  std::array<std::uint8_t, 16> value{};
  length = 15;  // too small: fails and tells the size needed
  EXPECT_FALSE(CryptGetHashParam(hash, HP_HASHVAL, value.data(), &length, 0));
  EXPECT_EQ(length, 16u);
  ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, value.data(), &length, 0));
  EXPECT_EQ(value[0], 0x90);  // 900150983cd24fb0d6963f7d28e17f72
  EXPECT_EQ(value[15], 0x72);
  // Once the value is taken the hash accepts no more data.
  EXPECT_FALSE(CryptHashData(hash, value.data(), 1, 0));
  EXPECT_TRUE(CryptDestroyHash(hash));
  EXPECT_FALSE(CryptDestroyHash(hash));  // no longer live
  EXPECT_FALSE(CryptHashData(hash, value.data(), 1, 0));
}

TEST_F(CryptoCalls, RefusesWhatTheProviderDoesNotOffer) {
  HCRYPTHASH hash = 0;
  EXPECT_FALSE(CryptCreateHash(prov, 0x800C, 0, 0, &hash));  // SHA-256: not on this provider
  EXPECT_FALSE(CryptCreateHash(prov, CALG_MD5, 1, 0, &hash));
  EXPECT_FALSE(CryptCreateHash(prov + 1, CALG_MD5, 0, 0, &hash));
  EXPECT_EQ(hash, 0u);

  HCRYPTPROV other = 0;
  EXPECT_FALSE(CryptAcquireContextA(&other, "keys", nullptr, PROV_RSA_FULL, 0));
  EXPECT_FALSE(CryptAcquireContextA(&other, nullptr, "Some Provider", PROV_RSA_FULL, 0));
  EXPECT_FALSE(CryptAcquireContextA(&other, nullptr, nullptr, 24, 0));
  EXPECT_FALSE(CryptReleaseContext(other, 0));
}

}  // namespace
