#include "service/query.h"

#include <gtest/gtest.h>

namespace step_service {
namespace {

TEST(SubmissionQueryTest, DecodesValuesAndNamesEachFault) {
  struct Case {
    const char* raw;
    QueryFault fault;
    const char* user;  // nullptr: absent
    const char* password;
  };
  const Case cases[] = {
      {"user=li&password=a%26b%23c%2Bd%25e%20f&step=1", QueryFault::kNone, "li", "a&b#c+d%e f"},
      {"user=%E5%BC%A0%e4%b8%89&password=p", QueryFault::kNone, "张三", "p"},
      {"password=a+b&&x=1&user", QueryFault::kNone, "", "a+b"},  // '+' is not a space here
      {"us%65r=li", QueryFault::kNone, "li", nullptr},
      {"", QueryFault::kNone, nullptr, nullptr},
      {"user=a%", QueryFault::kBadEncoding, nullptr, nullptr},
      {"user=a%4", QueryFault::kBadEncoding, nullptr, nullptr},
      {"user=a%zz", QueryFault::kBadEncoding, nullptr, nullptr},
      {"user=a%00", QueryFault::kBadEncoding, nullptr, nullptr},
      {"user=%C0%80", QueryFault::kNotUtf8, nullptr, nullptr},     // overlong NUL
      {"user=%ED%A0%80", QueryFault::kNotUtf8, nullptr, nullptr},  // surrogate
      {"user=%E5%BC", QueryFault::kNotUtf8, nullptr, nullptr},     // cut short
      {"user=a&user=a", QueryFault::kRepeated, nullptr, nullptr},
      {"step=1&step", QueryFault::kRepeated, nullptr, nullptr},
  };
  for (const Case& test : cases) {
    const SubmissionQuery query = ParseSubmissionQuery(test.raw);
    EXPECT_EQ(query.fault, test.fault) << test.raw;
    if (test.fault != QueryFault::kNone) continue;
    EXPECT_EQ(query.user.has_value(), test.user != nullptr) << test.raw;
    if (test.user) {
      EXPECT_EQ(*query.user, test.user) << test.raw;
    }
    EXPECT_EQ(query.password.has_value(), test.password != nullptr) << test.raw;
    if (test.password) {
      EXPECT_EQ(*query.password, test.password) << test.raw;
    }
  }
}

TEST(SubmissionQueryTest, ValuesMayHoldExactlyTheLimit) {
  const std::string limit(kMaxParameterBytes, 'x');
  EXPECT_EQ(ParseSubmissionQuery("password=" + limit).fault, QueryFault::kNone);
  EXPECT_EQ(ParseSubmissionQuery("password=" + limit + "x").fault, QueryFault::kTooLong);
  // The limit is on the decoded value: 1024 bytes written as %XX still fit.
  std::string encoded;
  for (size_t i = 0; i < kMaxParameterBytes; ++i) encoded += "%41";
  EXPECT_EQ(ParseSubmissionQuery("user=" + encoded).fault, QueryFault::kNone);
}

TEST(StepCountTest, AcceptsOnlyPlainIntegersInRange) {
  EXPECT_EQ(ParseStepCount("0"), 0);
  EXPECT_EQ(ParseStepCount("98800"), 98800);
  EXPECT_EQ(ParseStepCount("0012"), 12);
  for (const char* bad :
       {"", "-1", "+1", "98801", "12a", " 1", "1 ", "1.0", "1e3", "99999999999999999999999"}) {
    EXPECT_FALSE(ParseStepCount(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace step_service
