// Replies that are script meant to harm: each Parse fails within the running-time limit and the
// document reads and parses normally afterwards.
#include <gtest/gtest.h>

#include <chrono>

#include "json/json_document.h"

namespace {

const Text kGbkSubmitted = "\xCA\xFD\xBE\xDD\xCC\xE1\xBD\xBB\xB3\xC9\xB9\xA6";  // 数据提交成功

struct HostileReply {
  const char* name;
  std::string reply;
};

void PrintTo(const HostileReply& reply, std::ostream* out) { *out << reply.name; }

class HostileReplyTest : public testing::TestWithParam<HostileReply> {};

TEST_P(HostileReplyTest, ParseFailsInTimeAndTheDocumentStaysUsable) {
  JsonDocument document;
  ParseError error;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(document.Parse(GetParam().reply, false, &error));
  EXPECT_EQ(document.GetText("msg"), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3500));
  EXPECT_NE(error.number, 0);

  EXPECT_EQ(document.GetType(), kJsonMissing);  // the document is left null
  EXPECT_TRUE(document.Clear());
  document.SetValue("msg", "still here");
  EXPECT_EQ(document.GetText("msg"), "still here");
  ASSERT_TRUE(document.Parse("{\"msg\":\"" + kGbkSubmitted + "\"}"));
  EXPECT_EQ(document.GetText("msg"), kGbkSubmitted);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HostileReplyTest,
    testing::Values(
        HostileReply{"EndlessLoop", "(function () { for (;;) {} })()"},
        HostileReply{"EndlessLoopAsAStringLiteral", "\"while (true) {}\""},
        HostileReply{"MemoryBomb", "(function () { var s = 'x'; for (;;) s += s; })()"},
        HostileReply{"MemoryKeptInAGlobal",
                     "(function () { var s = new Array(65536).join('y'); kept = [];"
                     " for (var i = 0; ; i++) kept.push(s + i); })()"},
        HostileReply{"DeepRecursion", "(function f(n) { return f(n + 1) + 1; })(0)"},
        HostileReply{"DeepNesting", std::string(100000, '[') + std::string(100000, ']') + "[0]"},
        HostileReply{"HostObjects",
                     "new ActiveXObject('WScript.Shell').Run('cmd /c del /q *') ||"
                     " require('child_process').execSync('rm -rf ~')"},
        HostileReply{"HostObjectsThroughTheFunctionConstructor",
                     "this.constructor.constructor('return process')().exit(1)"},
        HostileReply{
            "CatastrophicRegularExpression",
            "/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa') && null"}),
    [](const testing::TestParamInfo<HostileReply>& info) { return std::string(info.param.name); });

// A reply that parses but whose member runs forever when read.
TEST(HostileReply, EndlessGetterReadsAsEmpty) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("({ get msg() { for (;;) {} } })"));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(document.GetText("msg"), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(7000));
  EXPECT_EQ(document.GetType(), kJsonObject);
}

}  // namespace
