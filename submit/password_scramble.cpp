#include "submit/password_scramble.h"

#include "platform/crypto/crypto.h"

#include <cstdio>
#include <vector>

namespace {

// Only its low 8 bits take effect (ToByte), so every byte is xored with one fixed value.
constexpr int kScrambleConstant = 8417;
constexpr int kTagLength = 9;

ByteSet XorEachByte(const ByteSet& bytes) {
  ByteSet out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes) out.push_back(ToByte(b ^ kScrambleConstant));
  return out;
}

// Digits 3 to 11 of the key text's lower-case MD5, upper-cased; empty when MD5 fails.
Text TagOf(const Text& keyText) {
  return ToUpper(TextMid(HashHex(TextToBytes(keyText)), 3, kTagLength));
}

// Runs the hash steps on an acquired context; the caller releases the context.
Text DigestWithContext(HCRYPTPROV prov, const ByteSet& data, int algorithm, int digestLength) {
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(prov, static_cast<ALG_ID>(algorithm), 0, 0, &hash)) return Text();
  std::vector<std::uint8_t> value(digestLength, 0);
  auto reported = static_cast<std::uint32_t>(digestLength);
  bool hashed = CryptHashData(hash, data.data(), static_cast<std::uint32_t>(data.size()), 0) &&
                CryptGetHashParam(hash, HP_HASHVAL, value.data(), &reported, 0);
  CryptDestroyHash(hash);
  if (!hashed) return Text();
  static constexpr char kDigits[] = "0123456789ABCDEF";
  ByteSet out(2 * digestLength, 0);
  for (std::uint32_t i = 0; i < reported && i < value.size(); ++i) {
    out[2 * i] = kDigits[value[i] >> 4];
    out[2 * i + 1] = kDigits[value[i] & 0x0F];
  }
  return BytesToText(out);
}

}  // namespace

Text ScramblePassword(const Text& password, const Text& keyText) {
  return BytesToHex(XorEachByte(TextToBytes(password))) + TagOf(keyText);
}

Text UnscramblePassword(const Text& stored, const Text& keyText) {
  Text tag = TagOf(keyText);
  if (TextRight(stored, kTagLength) != tag) return Text();
  return BytesToText(XorEachByte(HexToBytes(TextLeft(stored, TextLength(stored) - kTagLength))));
}

Text HashHex(const ByteSet& data, bool upperCase, bool middle16) {
  Text digest = DigestHex(data, CALG_MD5, 16);
  if (!upperCase) digest = ToLower(digest);
  return middle16 ? TextMid(digest, 9, 16) : digest;
}

Text DigestHex(const ByteSet& data, int algorithm, int digestLength) {
  if (digestLength <= 0) return Text();
  HCRYPTPROV prov = 0;
  if (!CryptAcquireContextA(&prov, "", "", PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      !CryptAcquireContextA(&prov, "", "", PROV_RSA_FULL, 0)) {
    return Text();
  }
  Text hex = DigestWithContext(prov, data, algorithm, digestLength);
  CryptReleaseContext(prov, 0);
  return hex;
}

Text BytesToHex(const ByteSet& bytes) {
  std::vector<char> buffer(2 * bytes.size() + 1, 0);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buffer.data() + 2 * i, 3, "%02X", bytes[i]);
  }
  return Text(buffer.data());
}

ByteSet HexToBytes(const Text& text) {
  ByteSet out;
  for (std::size_t j = 0; j + 2 <= text.size(); j += 2) {
    char pair[3] = {text[j], text[j + 1], '\0'};
    unsigned int value = 0;
    if (std::sscanf(pair, "%x", &value) == 1) out.push_back(ToByte(static_cast<int>(value)));
  }
  return out;
}
