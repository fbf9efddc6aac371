// The text operations' edge behaviour, which every caller relies on.
#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(TextLiterals, ChineseLiteralsAreGbkBytesAtRunTime) {
  const Text literal = "数据提交成功";
  const Text expected = "\xCA\xFD\xBE\xDD\xCC\xE1\xBD\xBB\xB3\xC9\xB9\xA6";
  EXPECT_EQ(literal, expected);
}

struct FindCase {
  bool reverse;
  Text t, s;
  std::optional<int> start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, FindsCharacterWiseFromStart) {
  const FindCase cases[] = {
      {false, "abcabc", "abc", std::nullopt, false, 1},
      {false, "abcabc", "abc", 2, false, 4},
      {false, "abcabc", "abc", 7, false, -1},
      {false, "abcabc", "abc", 0, false, 1},
      {false, "abcabc", "ABC", std::nullopt, false, -1},
      {false, "abcabc", "ABC", 2, true, 4},
      {false, "abc", "", std::nullopt, false, 1},
      {false, "abc", "", 4, false, -1},
      {false, "", "", std::nullopt, false, -1},
      // 0xB0 0x61 is one character: its trail byte is no 'a' to be found.
      {false, "\xB0" "a", "a", std::nullopt, false, -1},
      {false, "\xB0" "aa", "a", std::nullopt, false, 3},
      {true, "abcabc", "abc", std::nullopt, false, 4},
      {true, "abcabc", "abc", 6, false, 1},
      {true, "abcabc", "abc", 7, false, 4},
      {true, "abcabc", "abc", 1, false, -1},
      {true, "abcabc", "ABC", std::nullopt, true, 4},
      {true, "a.b.c", ".", 4, false, 2},
  };
  for (const auto& c : cases) {
    int found = c.reverse ? FindTextReverse(c.t, c.s, c.start, c.ignoreCase)
                          : FindText(c.t, c.s, c.start, c.ignoreCase);
    EXPECT_EQ(found, c.expected) << (c.reverse ? "reverse " : "") << c.t << " / " << c.s
                                 << " from " << c.start.value_or(-99);
  }
}

TEST(SplitText, DelimitersEndPieces) {
  const struct {
    Text t, delimiter;
    TextArray expected;
  } cases[] = {
      {"a,,b,", ",", {"a", "", "b"}},
      {",a", ",", {"", "a"}},
      {"", ",", {}},
      {"a,b", "", {"a,b"}},
      {"a\r\nb\r\n\r\n", "\r\n", {"a", "b", ""}},
      // A trail byte that looks like the delimiter does not split.
      {"\x81,x,y", ",", {"\x81,x", "y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.t, c.delimiter), c.expected) << c.t;
}

TEST(ReplaceText, HonoursCaseStartAndCount) {
  const struct {
    Text t, find;
    std::optional<Text> replacement;
    std::optional<int> start, count;
    bool caseSensitive;
    Text expected;
  } cases[] = {
      {"aAa", "a", "b", std::nullopt, std::nullopt, false, "bbb"},
      {"aAa", "a", "b", std::nullopt, std::nullopt, true, "bAb"},
      {"aaaa", "a", "b", 3, std::nullopt, true, "aabb"},
      {"aaaa", "a", "b", std::nullopt, 2, true, "bbaa"},
      {"aaaa", "a", "b", std::nullopt, 0, true, "aaaa"},
      {"aaaa", "a", "b", 5, std::nullopt, true, "aaaa"},
      {"abc", "b", std::nullopt, std::nullopt, std::nullopt, true, "ac"},
      {"", "a", "b", std::nullopt, std::nullopt, true, ""},
      {"abc", "", "x", std::nullopt, std::nullopt, true, "abc"},
      // The scan resumes behind the match, never inside the inserted text.
      {"aa", "a", "aa", std::nullopt, std::nullopt, true, "aaaa"},
      {"\xB0" "a" "a", "a", "b", std::nullopt, std::nullopt, true, "\xB0" "ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceText(c.t, c.find, c.replacement, c.start, c.count, c.caseSensitive), c.expected)
        << c.t << " / " << c.find;
  }
}

TEST(TrimText, RemovesHalfAndFullWidthSpacesOnly) {
  const Text fullWidthSpace = "\xA1\xA1";
  EXPECT_EQ(TrimText(fullWidthSpace + " x " + fullWidthSpace), "x");
  EXPECT_EQ(TrimText("\tx\t"), "\tx\t");
  EXPECT_EQ(TrimText("\r\n x \r\n"), "\r\n x \r\n");
  EXPECT_EQ(TrimText("   "), "");
  EXPECT_EQ(TrimText(""), "");
  // The last character's trail byte 0xA1 is no half of a full-width space.
  EXPECT_EQ(TrimText("x\xB0\xA1\xA1"), "x\xB0\xA1\xA1");
}

TEST(CaseChange, LeavesDoubleByteCharactersWhole) {
  // 0xB0 0x41: a double-byte character whose trail byte is the code of 'A'.
  EXPECT_EQ(ToLower("ABC\xB0\x41"), "abc\xB0\x41");
  EXPECT_EQ(ToUpper("abc\xB0\x61z"), "ABC\xB0\x61Z");
}

TEST(TextToInt, ReadsLeadingNumber) {
  const struct {
    Text t;
    int expected;
  } cases[] = {
      {"  -12ab", -12},
      {"\xA3\xB1\xA3\xB2", 12},   // full-width 1 2
      {"\xA3\xAD\xA3\xB5", -5},   // full-width minus 5
      {"\xA1\xA1+7", 7},          // full-width space, then +7
      {"", 0},
      {"abc", 0},
      {"\t\n\v\f\r 42", 42},
      {"98800", 98800},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MIN},  // wraps modulo 2^32
      {"4294967297", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.t), c.expected) << c.t;
  EXPECT_EQ(TextToInt(-3.9), -3);
  EXPECT_EQ(TextToInt(3.9), 3);
}

TEST(NumberAndCharacter, Conversions) {
  EXPECT_EQ(NumberToText(-5), "-5");
  EXPECT_EQ(NumberToText(0.1), "0.1");
  EXPECT_EQ(NumberToText(1e20), "1e+20");
  EXPECT_EQ(ToByte(300), 44);
  EXPECT_EQ(ToByte(-1), 255);
  EXPECT_EQ(CharCode("\xFF"), -1);
  EXPECT_EQ(CharCode("\x80"), -128);
  EXPECT_EQ(CharCode(""), 0);
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharFromCode(65), "A");
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_TRUE(TextStartsWith("abc", ""));
  EXPECT_TRUE(TextStartsWith("abc", "ab"));
  EXPECT_FALSE(TextStartsWith("ab", "abc"));
}

TEST(Cuts, TextCutsAndByteCutsDifferAtStartZero) {
  EXPECT_EQ(TextMid("abc", 0, 2), "");
  EXPECT_EQ(BytesMid(TextToBytes("abc"), 0, 2), TextToBytes("ab"));
  EXPECT_EQ(TextMid("abc", 2, 5), "bc");
  EXPECT_EQ(TextMid("abc", 4, 1), "");
  EXPECT_EQ(TextLeft("abc", 5), "abc");
  EXPECT_EQ(TextLeft("abc", -1), "");
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 0), "");
  EXPECT_EQ(BytesMid(TextToBytes("abc"), 3, 9), TextToBytes("c"));
  EXPECT_EQ(BytesMid(TextToBytes("abc"), 5, 1), ByteSet());
  EXPECT_EQ(BytesLeft(TextToBytes("abc"), -2), ByteSet());
  EXPECT_EQ(BlankBytes(2), (ByteSet{0, 0}));
}

TEST(Bytes, TextStopsAtZeroByte) {
  ByteSet bytes = JoinBytes({TextToBytes("ab"), TextToBytes(std::uint8_t{0}), TextToBytes("c")});
  EXPECT_EQ(BytesLength(bytes), 4);
  EXPECT_EQ(BytesToText(bytes), "ab");
}

TEST(RandomInRange, DrawsUniformlyOverWholeRange) {
  SeedRandom();
  int highest = 0;
  for (int i = 0; i < 2000; ++i) {
    int r = RandomInRange(0, 98800);
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 98800);
    highest = std::max(highest, r);
  }
  EXPECT_GT(highest, 90000);
}

TEST(RandomInRange, BoundRules) {
  SeedRandom(1);
  EXPECT_EQ(RandomInRange(7, 7), 7);
  EXPECT_EQ(RandomInRange(-5, 0), 0);
  for (int i = 0; i < 200; ++i) {
    int swapped = RandomInRange(500, 100);
    EXPECT_GE(swapped, 100);
    EXPECT_LE(swapped, 500);
  }
  int wide = RandomInRange();
  EXPECT_GE(wide, 0);
  EXPECT_LT(wide, INT_MAX);
}

TEST(SeedRandom, SameSeedSameDraws) {
  SeedRandom(42);
  int first = RandomInRange(0, 1000000);
  SeedRandom(42);
  EXPECT_EQ(RandomInRange(0, 1000000), first);
}

TEST(SeedRandom, TwoClockSeedingsInOneMillisecondDiffer) {
  SeedRandom();
  std::vector<int> a, b;
  for (int i = 0; i < 4; ++i) a.push_back(RandomInRange(0, 1000000));
  SeedRandom();
  for (int i = 0; i < 4; ++i) b.push_back(RandomInRange(0, 1000000));
  EXPECT_NE(a, b);
}

}  // namespace
