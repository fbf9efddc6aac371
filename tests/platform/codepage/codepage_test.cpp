// GBK crossings to and from UTF-8 and UTF-16.
#include "platform/codepage/codepage.h"

#include <gtest/gtest.h>

#include "tests/support/platform_results.h"

namespace {

// Sources are UTF-8 and this file is compiled without a GBK execution charset, so the GBK side
// is spelled out in bytes.
const std::string kGbkSubmitted = "\xCA\xFD\xBE\xDD\xCC\xE1\xBD\xBB\xB3\xC9\xB9\xA6";  // 数据提交成功

TEST(Codepage, RoundTrips) {
  const struct {
    std::string gbk, utf8;
    std::u16string utf16;
  } cases[] = {
      {"", "", u""},
      {"abc", "abc", u"abc"},
      {kGbkSubmitted, "数据提交成功", u"数据提交成功"},
      {"\xA1\xA1x", "\u3000x", u"\u3000x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8FromGbk(c.gbk), c.utf8);
    EXPECT_EQ(GbkFromUtf8(c.utf8), c.gbk);
    EXPECT_EQ(Utf16FromGbk(c.gbk), c.utf16);
    EXPECT_EQ(GbkFromUtf16(c.utf16), c.gbk);
  }
}

TEST(Codepage, CharacterGbkLacksBecomesQuestionMark) {
  EXPECT_EQ(GbkFromUtf8("a😀b"), std::string("a") + kGbkForOutsideBmp + "b");
  EXPECT_EQ(GbkFromUtf8("한"), "?");
  EXPECT_EQ(GbkFromUtf16(u"x😀"), std::string("x") + kGbkForOutsideBmp);
  EXPECT_EQ(GbkFromUtf16(u"\xD800z"), "?z");  // a lone surrogate
}

TEST(Codepage, InvalidSourceBytesBecomeQuestionMarks) {
  EXPECT_EQ(GbkFromUtf8("a\xFF" "b"), "a?b");
  EXPECT_EQ(GbkFromUtf8("\xE6\x95"), "?");   // cut off at the end: one unit
  EXPECT_EQ(GbkFromUtf8("\xC0\xAF"), "??");  // overlong
  EXPECT_EQ(Utf8FromGbk("a\xCA"), "a?");     // lead byte without trail
}

TEST(Codepage, StopsAtNul) {
  EXPECT_EQ(GbkFromUtf8(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(GbkFromUtf16(std::u16string_view(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(Utf8FromGbk(std::string_view("ab\0cd", 5)), "ab");
}

}  // namespace
