// The stored password form and its digest and hexadecimal helpers.
#include "submit/password_scramble.h"

#include <gtest/gtest.h>

namespace {

const Text kTag = "DFBA0C9F2";  // digits 3-11 of md5("83vakum") = 60dfba0c9f2a...

TEST(DigestHex, Rfc1321TestSuite) {
  const struct {
    Text input, md5;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HashHex(TextToBytes(c.input)), c.md5) << c.input;
    EXPECT_EQ(DigestHex(TextToBytes(c.input), 0x8003, 16), ToUpper(c.md5)) << c.input;
  }
}

TEST(DigestHex, FailuresGiveEmptyText) {
  EXPECT_EQ(DigestHex(TextToBytes("abc"), 0x800C, 32), "");  // no SHA-256 on this provider
  EXPECT_EQ(DigestHex(TextToBytes("abc"), 0x8003, 8), "");   // value does not fit
  EXPECT_EQ(DigestHex(TextToBytes("abc"), 0x8003, 0), "");
  EXPECT_EQ(DigestHex(TextToBytes("abc"), 0x8004, 20), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}

TEST(HashHex, CaseAndMiddleSixteen) {
  const ByteSet abc = TextToBytes("abc");
  EXPECT_EQ(HashHex(abc, true), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(HashHex(abc, false, true), "3cd24fb0d6963f7d");
  EXPECT_EQ(HashHex(abc, true, true), "3CD24FB0D6963F7D");
}

TEST(Hex, BytesToHexIsUpperCasePairs) {
  EXPECT_EQ(BytesToHex({}), "");
  EXPECT_EQ(BytesToHex({0x00, 0x0A, 0xFF, 0xD5}), "000AFFD5");
}

TEST(Hex, HexToBytesReadsPairsAsPercentX) {
  const struct {
    Text text;
    ByteSet bytes;
  } cases[] = {
      {"", {}},
      {"0aFf", {0x0A, 0xFF}},
      {"ABC", {0xAB}},  // the odd last character is ignored
      {"4G", {0x04}},   // digits up to the first non-digit
      {"G1", {}},       // no digit first: no byte
      {"G14G", {0x04}},
      {" 5", {0x05}},  // white space is skipped
      {"-1", {0xFF}},  // a sign is taken: -1, low 8 bits
      {"\xD5\xC5"
       "01",
       {0x01}},  // a double-byte character is no pair of digits
  };
  for (const auto& c : cases) EXPECT_EQ(HexToBytes(c.text), c.bytes) << c.text;
}

TEST(ScramblePassword, StoredFormIsPinned) {
  // The settings file keeps this form: a change here would lose every saved password.
  EXPECT_EQ(ScramblePassword("abc", kPasswordKeyText), "808382" + kTag);
  EXPECT_EQ(UnscramblePassword("808382" + kTag, kPasswordKeyText), "abc");
}

TEST(ScramblePassword, EmptyPasswordIsTheTagAlone) {
  EXPECT_EQ(ScramblePassword("", kPasswordKeyText), kTag);
  EXPECT_EQ(UnscramblePassword(kTag, kPasswordKeyText), "");
}

TEST(ScramblePassword, RoundTripsByteForByte) {
  const Text passwords[] = {"p@ss w0rd", "密码Ab12", "\x81\x40\xFE\xFE\x7F\x01", "é"};
  for (const Text& password : passwords) {
    Text stored = ScramblePassword(password, kPasswordKeyText);
    EXPECT_EQ(TextLength(stored), 2 * TextLength(password) + 9);
    EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), Text::npos) << stored;
    EXPECT_EQ(UnscramblePassword(stored, kPasswordKeyText), password);
  }
}

TEST(UnscramblePassword, RejectsWhatDoesNotEndInTheTag) {
  const Text stored = ScramblePassword("secret", kPasswordKeyText);
  Text lowered = stored;
  lowered[stored.size() - 7] = 'b';  // the tag's 'B' in lower case
  const Text rejected[] = {lowered, "DFBA0C9F", "", "ABCD", stored + " "};
  for (const Text& value : rejected) {
    EXPECT_EQ(UnscramblePassword(value, kPasswordKeyText), "") << value;
  }
  EXPECT_EQ(UnscramblePassword(stored, "otherkey"), "");
  EXPECT_EQ(UnscramblePassword(stored, kPasswordKeyText), "secret");
}

TEST(UnscramblePassword, DropsPairsThatAreNotHex) {
  // "80" and "83" restore 'a' and 'b'; "ZZ" gives no byte.
  EXPECT_EQ(UnscramblePassword("80ZZ83" + kTag, kPasswordKeyText), "ab");
}

}  // namespace
