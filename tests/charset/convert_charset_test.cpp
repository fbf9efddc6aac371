// ConvertCharset: UTF-8 replies into GBK and the other paths through the stream object.
#include "charset/convert_charset.h"

#include <gtest/gtest.h>

#include "tests/support/platform_results.h"

#include <string_view>

namespace {

ByteSet Bytes(std::string_view s) { return ByteSet(s.begin(), s.end()); }
ByteSet Utf8(std::u8string_view s) { return ByteSet(s.begin(), s.end()); }

TEST(ConvertCharset, Utf8ReplyComesBackAsGbk) {
  const ByteSet reply = Utf8(u8R"({"code":0,"msg":"数据提交成功"})");
  const ByteSet gbk = Bytes(R"({"code":0,"msg":"数据提交成功"})");  // GBK literal
  EXPECT_EQ(ConvertCharset(reply), gbk);
  EXPECT_EQ(ConvertCharset(reply, "", ""), gbk);
  EXPECT_EQ(ConvertCharset(reply, "utf-8", "gbk"), gbk);
  EXPECT_EQ(BytesToText(ConvertCharset(reply)), R"({"code":0,"msg":"数据提交成功"})");
}

TEST(ConvertCharset, WhatGbkCannotHoldOrReadEndsAsTheDefaultCharacter) {
  const struct {
    ByteSet in;
    ByteSet out;
  } cases[] = {
      {Utf8(u8"a😀b"), Bytes(std::string("a") + kGbkForOutsideBmp + "b")},
      {Utf8(u8"한글"), Bytes("??")},
      {Bytes("a\xFF"
             "b"),
       Bytes("a?b")},                                       // not UTF-8
      {Bytes(std::string_view("ab\0cd", 5)), Bytes("ab")},  // the text ends at U+0000
      {ByteSet(), ByteSet()},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertCharset(c.in), c.out);
}

TEST(ConvertCharset, SkipLeavesOutLeadingBytes) {
  const ByteSet gbk = Bytes("数据ok");
  const ByteSet utf8 = Utf8(u8"数据ok");
  ByteSet marked = Bytes("\xEF\xBB\xBF");
  marked.insert(marked.end(), utf8.begin(), utf8.end());
  EXPECT_EQ(ConvertCharset(gbk, "GBK", "UTF-8"), marked);
  EXPECT_EQ(ConvertCharset(gbk, "GBK", "UTF-8", 3), utf8);
  EXPECT_EQ(ConvertCharset(gbk, "GBK", "GBK", 3), Bytes("\xDDok"));  // cuts into a character
  EXPECT_EQ(ConvertCharset(gbk, "GBK", "GBK", 0), gbk);
  EXPECT_EQ(ConvertCharset(gbk, "GBK", "GBK", 99), ByteSet());
  EXPECT_EQ(ConvertCharset(gbk, "GBK", "Unicode", 2),
            Bytes(std::string_view("\x70\x65\x6E\x63o\0k\0", 8)));
}

TEST(ConvertCharset, UnknownTargetLeavesTheSourceCharset) {
  // The refused Charset write goes unnoticed: the text is written back in the source charset.
  ByteSet expected = Bytes("\xEF\xBB\xBF");
  const ByteSet utf8 = Utf8(u8"数");
  expected.insert(expected.end(), utf8.begin(), utf8.end());
  EXPECT_EQ(ConvertCharset(utf8, "UTF-8", "no-such-set"), expected);
}

TEST(ConvertCharset, NoStreamObjectGivesEmptyResultAndNoMessage) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  ByteSet result = ConvertCharsetThrough("Adodb.Streem", Utf8(u8"数据"), "", "", std::nullopt);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(result.empty());
}

}  // namespace
