#include "service/request_log.h"

#include <gtest/gtest.h>

namespace step_service {
namespace {

TEST(LogSafeTest, EscapesWhatCouldDisturbALineAndKeepsTheRest) {
  struct Case {
    std::string text;
    std::string logged;
  };
  const Case cases[] = {
      {"li", "li"},
      {"张三", "张三"},
      {"a\"b\\c", R"(a\x22b\x5Cc)"},
      {"a\nb\tc\x7F", R"(a\x0Ab\x09c\x7F)"},
      {"\u202Eevil", R"(\xE2\x80\xAEevil)"},             // right-to-left override
      {"a\u2066b\u2069c", R"(a\xE2\x81\xA6b\xE2\x81\xA9c)"},  // isolates
      {"a\u200Fb\u061Cc", R"(a\xE2\x80\x8Fb\xD8\x9Cc)"},      // marks
      {"a\u2028b", R"(a\xE2\x80\xA8b)"},                   // line separator
      {"a\u0085b", R"(a\xC2\x85b)"},                       // C1 next line
      {"\u00E9\u2030", "\u00E9\u2030"},                    // é and ‰ are plain text
      {"\xD5\xC5\xC8\xFD", R"(\xD5\xC5\xC8\xFD)"},         // GBK, not UTF-8
  };
  for (const Case& test : cases) EXPECT_EQ(LogSafe(test.text), test.logged) << test.logged;
}

}  // namespace
}  // namespace step_service
