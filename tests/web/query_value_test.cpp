// Query values reach the service exactly as typed.
#include "web/query_value.h"

#include <gtest/gtest.h>

namespace {

TEST(EncodeQueryValue, EscapesAllButUnreservedAsUtf8) {
  const struct {
    Text value, expected;
  } cases[] = {
      {"", ""},
      {"abc-._~XYZ019", "abc-._~XYZ019"},
      {"a&b#c+d%e f", "a%26b%23c%2Bd%25e%20f"},
      {"a=b?/", "a%3Db%3F%2F"},
      {"张三", "%E5%BC%A0%E4%B8%89"},  // GBK in, UTF-8 on the wire
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeQueryValue(c.value), c.expected) << c.value;
}

}  // namespace
