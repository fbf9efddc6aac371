// Header normalisation and cookie merging over their edge cases.
#include "web/headers_cookies.h"

#include <gtest/gtest.h>

namespace {

TEST(NormaliseHeaders, CapitalisesNameWordsAndDropsNonHeaders) {
  struct Case {
    Text in, expected;
  } cases[] = {
      {"content-type: a\r\nx-requested-with: b", "Content-Type: a\r\nX-Requested-With: b"},
      {"ACCEPT: x", "ACCEPT: x"},
      {"Accept:x", "Accept:x"},
      {"user-agent:Foo", "User-Agent:Foo"},
      {"no colon\r\n\r\naccept: x", "Accept: x"},
      {"", ""},
      {"accept: x\r\n", "Accept: x"},
      {"x-foo-: v", "X-Foo-: v"},
      {"-a: v", "-A: v"},
      {"k: a-b:c", "K: a-b:c"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseHeaders(c.in), c.expected) << c.in;
}

TEST(CapitaliseFirst, UpperCasesFirstByteOnly) {
  EXPECT_EQ(CapitaliseFirst("abc"), "Abc");
  EXPECT_EQ(CapitaliseFirst(""), "");
  EXPECT_EQ(CapitaliseFirst("1a"), "1a");
}

TEST(HeaderValue, TrimmedTextAfterFirstColon) {
  EXPECT_EQ(HeaderValue("Accept:  x "), "x");
  EXPECT_EQ(HeaderValue("k: a:b"), "a:b");
  EXPECT_EQ(HeaderValue("none"), "");
  EXPECT_EQ(HeaderValue("Accept: x\r\nuser-agent: Foo"), "x\r\nuser-agent: Foo");
}

TEST(MergeCookies, NewFirstThenOldNotRepeated) {
  struct Case {
    Text oldCookies, newCookies, expected, newAfter;
  } cases[] = {
      {"a=1; b=2", "b=3; k=4", "b=3; k=4; a=1", "b=3; k=4"},
      {"a=1; b=2;", "a=deleted", "b=2", "a=deleted"},
      {"", "x=1; x=1", "x=1", "x=1; x=1"},
      {"a=1; a=2", "", "a=1", ""},
      {"", "", "", ""},
      {"A=1", "a=2", "a=2; A=1", "a=2"},
      {" a=1 ", " b=2;", "b=2; a=1", "b=2; "},
      {"a=1;b=2", "c=3", "c=3; a=1;b=2", "c=3"},
  };
  for (const auto& c : cases) {
    Text oldCookies = c.oldCookies, newCookies = c.newCookies;
    EXPECT_EQ(MergeCookies(oldCookies, newCookies), c.expected)
        << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(oldCookies, c.expected);
    EXPECT_EQ(newCookies, c.newAfter);
  }
}

TEST(CookieName, TrimmedNameBeforeEquals) {
  EXPECT_EQ(CookieName(" sid =abc=d"), "sid");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_TRUE(HasCookieName({"a=1", "b=2"}, "b"));
  EXPECT_FALSE(HasCookieName({"a=1", "b=2"}, "B"));
  EXPECT_FALSE(HasCookieName({}, ""));
}

TEST(RemoveDuplicates, KeepsFirstOccurrences) {
  EXPECT_EQ(RemoveDuplicates("x; y; x", "; ", true), "x; y");
  EXPECT_EQ(RemoveDuplicates("abca", "", false), "abc");
  EXPECT_EQ(RemoveDuplicates("\xB0\xA1"
                             "a\xB0\xA1"
                             "a",
                             "", false),
            "\xB0\xA1"
            "a");
  EXPECT_EQ(RemoveDuplicates("\r\n\r\nx", "", false), "\r\nx");
  EXPECT_EQ(RemoveDuplicates("", "; ", true), "");
}

TEST(SplitCharacters, DoubleByteAndCrLfAreOnePiece) {
  EXPECT_EQ(SplitCharacters("a\xB0\xA1\r\n\x80z\xB0"),
            (TextArray{"a", "\xB0\xA1", "\r\n", "\x80", "z", "\xB0"}));
  EXPECT_EQ(SplitCharacters("\r\r\n"), (TextArray{"\r", "\r\n"}));
  EXPECT_TRUE(SplitCharacters("").empty());
}

TEST(IndexOfText, OneBasedOrMinusOne) {
  EXPECT_EQ(IndexOfText({"a", "b", "b"}, "b"), 2);
  EXPECT_EQ(IndexOfText({"a"}, "A"), -1);
  EXPECT_EQ(IndexOfText({}, ""), -1);
}

}  // namespace
