// Replies that go wrong on the way: whatever arrives, the user sees at most one box, nothing
// crashes or hangs past the receive time-out, and the settings change only on a real success.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/codepage/codepage.h"
#include "platform/wininet/trust_for_tests.h"
#include "platform/wininet/wininet.h"
#include "submit/step_service_testing.h"
#include "tests/app/window_fixture.h"
#include "tests/support/capture_server.h"

namespace {

using test_support::HttpReply;
using test_support::ScriptedReply;

constexpr DWORD kReceiveTimeoutMs = 2000;

class Faults : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    TrustAuthorityFileForTesting(test_support::TestAuthority::Shared().caFile());
    DWORD timeout = kReceiveTimeoutMs;
    InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    AimStepServiceForTesting("127.0.0.1:" + std::to_string(server_.port()));
    StartMainWindow();
  }
  void TearDown() override {
    AimStepServiceForTesting("");
    WindowFixture::TearDown();
  }

  // Presses 更新步数 once with the reply queued; returns how long the handler took.
  double SubmitAgainst(const ScriptedReply& reply) {
    server_.Script(reply);
    SetBox("编辑框_帐号", "walker");
    SetBox("编辑框_密码", "secret");
    messages.clear();
    auto start = std::chrono::steady_clock::now();
    Click("MainWindow", "按钮_提交");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  // text with its "@" replaced by how the boxes name the service.
  std::string ServiceNamed(std::string text) const {
    std::size_t at = text.find('@');
    if (at != std::string::npos) {
      text.replace(at, 1, "步数服务（127.0.0.1:" + std::to_string(server_.port()) + "）");
    }
    return text;
  }

  test_support::CaptureServer server_;
};

ScriptedReply Raw(const std::string& bytes) { return {.bytes = bytes}; }

std::string ChunkedHead() {
  return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
}

TEST_F(Faults, EachBrokenReplyGivesAtMostOneBoxAndSavesOnlyARealSuccess) {
  const std::string success = "{\"msg\":\"数据提交成功\"}";
  ScriptedReply resetMidBody = Raw(
      "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"msg\":\"数据提交成功\"");
  resetMidBody.ending = ScriptedReply::Ending::Reset;
  ScriptedReply dripped = Raw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
  dripped.fillerBytes = 1000;
  dripped.drip = std::chrono::milliseconds(1000);
  ScriptedReply redirectLoop =
      Raw("HTTP/1.1 302 Found\r\nLocation: /api/mi\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  // gzip of {"msg":"ok"}, sent although the request asked for no encoding.
  const std::string gzipped(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\xff\xab\x56\xca\x2d\x4e\x57\xb2\x52\xca\xcf\x56\xaa"
      "\x05\x00\xde\xf4\xe7\x2f\x0c\x00\x00\x00",
      32);

  const struct {
    const char* name;
    ScriptedReply reply;
    const char* shown;  // UTF-8 text of the one box; "@" stands for the service and its host
    bool saves;
  } cases[] = {
      {"reset in the middle of the body", resetMidBody, "@的回复中断或有误，请稍后再试。", false},
      {"body dripped one byte a second", dripped, "@没有及时应答，请稍后再试。", false},
      {"headers without their final empty line", Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"),
       "@的回复中断或有误，请稍后再试。", false},
      {"invalid UTF-8 before the text", HttpReply(200, "{\"msg\":\"\xFF数据提交成功\"}"),
       "?数据提交成功", false},
      {"UTF-8 byte-order mark", HttpReply(200, "\xEF\xBB\xBF" + success), "数据提交成功", true},
      {"chunked reply", Raw(ChunkedHead() + "8\r\n{\"msg\":\"\r\n14\r\n数据提交成功\"}\r\n0\r\n\r\n"),
       "数据提交成功", true},
      {"compressed reply nobody asked for",
       HttpReply(200, gzipped, {"Content-Encoding: gzip"}), "@的回复中没有消息（HTTP 200）。", false},
      {"redirect loop", redirectLoop, "@把请求转向了别处（HTTP 302），未予跟随。", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name == std::string("redirect loop")) server_.SetDefaultReply(c.reply);
    WriteSettingsFile(IniLines({"[用户信息]", "随机小=0", "随机大=98800"}));
    const std::string before = SettingsFileBytes();
    double seconds = SubmitAgainst(c.reply);
    std::printf("%-40s box \"%s\" after %.2f s\n", c.name,
                messages.empty() ? "(none)" : Utf8FromGbk(messages[0].text).c_str(), seconds);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, G(ServiceNamed(c.shown).c_str()));
    EXPECT_LT(seconds, kReceiveTimeoutMs / 1000.0 + 3);
    if (c.saves) {
      EXPECT_NE(SettingsFileBytes().find(G("帐号=walker")), std::string::npos);
    } else {
      EXPECT_EQ(SettingsFileBytes(), before);
    }
  }
}

TEST_F(Faults, AHugeBodyKeepsMemoryBounded) {
  ScriptedReply huge = Raw("HTTP/1.1 200 OK\r\nContent-Length: 209715200\r\n\r\n");
  huge.fillerBytes = 200u << 20;
  double seconds = SubmitAgainst(huge);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("200 MiB body: box after %.2f s, peak resident %ld MiB\n", seconds,
              usage.ru_maxrss / 1024);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, G(ServiceNamed("@的回复中断或有误，请稍后再试。").c_str()));
  // The body stops at 64 MiB, which passes through a few whole copies on its way (body, stream,
  // UTF-16, GBK); all 200 MiB held that way would need well over 1 GiB.
  EXPECT_LT(usage.ru_maxrss / 1024, 768);
}

}  // namespace
