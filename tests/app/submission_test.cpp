// 更新步数 against the real step service on loopback (its certificate issued by the build's local
// authority, which the utility trusts), and against scripted replies.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "forms/forms.h"
#include "platform/wininet/trust_for_tests.h"
#include "submit/password_scramble.h"
#include "submit/step_service_testing.h"
#include "tests/service/service_process.h"
#include "tests/app/window_fixture.h"
#include "tests/support/capture_server.h"

namespace {

using service_test::RunningService;
using service_test::RunStepService;
using service_test::TempDir;

const char* const kSubmitted = "数据提交成功";

class Submission : public WindowFixture {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempDir;
    database_ = folder_->path() + "/steps.db";
    AddAccount("runner", "secret");
    service_ = new RunningService(database_, {}, LOCAL_TLS_DIR);
    TrustAuthorityFileForTesting(test_support::TestAuthority::Shared().caFile());
  }
  static void TearDownTestSuite() {
    delete service_;
    delete folder_;
  }
  void TearDown() override {
    WindowFixture::TearDown();
    AimStepServiceForTesting("");
  }

  static void AddAccount(const std::string& name, const std::string& password) {
    ASSERT_EQ(RunStepService({"account", "add", name, "--db", database_}, password + "\n").exitCode,
              0);
  }
  static std::string RecordedSteps(const std::string& name) {
    return RunStepService({"steps", name, "--db", database_}).out;
  }

  void AimAtService() { AimStepServiceForTesting("127.0.0.1:" + std::to_string(service_->port())); }

  // Fills the three boxes and presses 更新步数; returns once the handler has finished.
  void Submit(const char* account, const char* password, const char* steps) {
    SetBox("编辑框_帐号", account);
    SetBox("编辑框_密码", password);
    SetBox("编辑框_步数", steps);
    messages.clear();
    Click("MainWindow", "按钮_提交");
  }

  void ExpectOneBox(const Text& text) {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, G("温馨提示!"));
    EXPECT_EQ(messages[0].text, text);
    EXPECT_EQ(messages[0].buttonCount, 1);
    EXPECT_FALSE(messages[0].hasIcon);
  }

  static TempDir* folder_;
  static std::string database_;
  static RunningService* service_;
};

TempDir* Submission::folder_ = nullptr;
std::string Submission::database_;
RunningService* Submission::service_ = nullptr;

TEST_F(Submission, AcceptedStepsAreRecordedAndTheAccountRemembered) {
  AimAtService();
  StartMainWindow();
  Submit("runner", "secret", "12345");
  ExpectOneBox(G(kSubmitted));
  EXPECT_NE(RecordedSteps("runner").find("\t12345\t"), std::string::npos);
  EXPECT_EQ(SettingsFileBytes(),
            IniLines({"[用户信息]", "随机小=0", "随机大=98800", "帐号=runner"}) + G("密码=") +
                ScramblePassword("secret", kPasswordKeyText) + "\r\n");

  // The next start fills account and password in again.
  UnloadAll();
  StartMainWindow();
  EXPECT_EQ(Box("编辑框_帐号"), "runner");
  EXPECT_EQ(Box("编辑框_密码"), "secret");
}

TEST_F(Submission, RefusalsShowTheServiceMessageAndChangeNothing) {
  AimAtService();
  StartMainWindow();
  const std::string before = SettingsFileBytes();
  const struct {
    const char *account, *password, *steps, *message;
  } cases[] = {
      {"runner", "wrong", "100", "帐号或密码错误"},
      {"nobody", "secret", "100", "帐号或密码错误"},
      {"runner", "secret", "98801", nullptr},
      {"runner", "secret", "12a", nullptr},
      {"", "", "", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.account) + "/" + c.password + "/" + c.steps);
    Submit(c.account, c.password, c.steps);
    ASSERT_EQ(messages.size(), 1u);
    if (c.message) {
      EXPECT_EQ(messages[0].text, G(c.message));
    }
    EXPECT_NE(messages[0].text, G(kSubmitted));
    EXPECT_FALSE(messages[0].text.empty());
  }
  EXPECT_EQ(SettingsFileBytes(), before);
  EXPECT_EQ(RecordedSteps("nobody"), "");
}

TEST_F(Submission, PasswordsAndAccountsReachTheServiceAsTyped) {
  AddAccount("张三", "a&b#c+d%e f");
  AimAtService();
  StartMainWindow();
  Submit("张三", "a&b#c+d%e f", "777");
  ExpectOneBox(G(kSubmitted));
  EXPECT_NE(RecordedSteps("张三").find("\t777\t"), std::string::npos);
  UnloadAll();
  StartMainWindow();
  EXPECT_EQ(Box("编辑框_帐号"), G("张三"));
  EXPECT_EQ(Box("编辑框_密码"), G("a&b#c+d%e f"));
}

// Without a reply the box says what failed and where; nothing is saved.
TEST_F(Submission, NoReplySaysWhatFailedAndChangesNothing) {
  // A port nobody listens on: the capture server's, once it is gone.
  const std::string closed = "127.0.0.1:" + std::to_string(test_support::CaptureServer().port());
  test_support::TestAuthority stranger;
  test_support::CaptureServer untrusted(test_support::CaptureServer::Transport::Https, stranger);
  const std::string foreign = "127.0.0.1:" + std::to_string(untrusted.port());
  // Dribbles its reply fast enough for the receive time-out, too slowly for the deadline.
  test_support::CaptureServer dribbling;
  test_support::ScriptedReply dribble{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n"};
  dribble.fillerBytes = 100000;
  dribble.drip = std::chrono::milliseconds(5);
  dribbling.SetDefaultReply(dribble);
  const std::string slow = "127.0.0.1:" + std::to_string(dribbling.port());
  LimitSubmissionForTesting(1500);

  const struct {
    std::string host;
    std::string shown;
  } cases[] = {
      {closed, "无法连接步数服务（" + closed + "），请检查网络后再试。"},
      {foreign, "步数服务（" + foreign + "）的证书不受信任，步数没有发送。"},
      {slow, "步数服务（" + slow + "）没有及时应答，请稍后再试。"},
  };
  StartMainWindow();
  const std::string before = SettingsFileBytes();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    AimStepServiceForTesting(c.host);
    auto start = std::chrono::steady_clock::now();
    Submit("runner", "secret", "100");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ExpectOneBox(G(c.shown.c_str()));
    EXPECT_EQ(SettingsFileBytes(), before);
  }
  EXPECT_TRUE(untrusted.Requests().empty());
  LimitSubmissionForTesting(0);
}

TEST_F(Submission, OnlyTheExactSuccessTextSavesAndTheRequestIsAsSent) {
  test_support::CaptureServer server;
  AimStepServiceForTesting("127.0.0.1:" + std::to_string(server.port()));
  StartMainWindow();
  const std::string before = SettingsFileBytes();
  const std::string noMessage =
      "步数服务（127.0.0.1:" + std::to_string(server.port()) + "）的回复中没有消息（HTTP 200）。";
  const struct {
    const char* body;
    std::string shown;
  } replies[] = {
      {"{\"code\":0,\"msg\":\"数据提交成功 \"}", "数据提交成功 "},
      {"{\"code\":0,\"msg\":\"数据提交成功。\"}", "数据提交成功。"},
      {"{\"msg\":0}", "0"},
      {"{\"message\":\"数据提交成功\"}", noMessage},
      {"not json", noMessage},
      {"{\"msg\":\"한국 ok\"}", "?? ok"},  // characters GBK lacks
  };
  for (const auto& reply : replies) {
    SCOPED_TRACE(reply.body);
    server.Script(test_support::HttpReply(200, reply.body));
    Submit("a", "b", "123");
    ExpectOneBox(G(reply.shown.c_str()));
    EXPECT_EQ(SettingsFileBytes(), before);
  }
  const std::string url = server.Url("/api/mi?user=a&password=b&step=123");
  const std::string request = server.Requests().at(0);
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /api/mi?user=a&password=b&step=123 HTTP/1.1");
  EXPECT_NE(request.find("\r\nReferer: " + url + "\r\n"), std::string::npos);

  server.Script(test_support::HttpReply(200, "{\"msg\":\"数据提交成功\"}"));
  Submit("a", "b", "123");
  ExpectOneBox(G(kSubmitted));
  EXPECT_NE(SettingsFileBytes().find(G("帐号=a\r\n")), std::string::npos);
}

// Closing MainWindow while the request runs ends the request and closes the window: no box, no
// settings written, and no wait for the reply.
TEST_F(Submission, ClosingMainWindowEndsTheRequest) {
  test_support::CaptureServer server;
  test_support::ScriptedReply late = test_support::HttpReply(200, "{\"msg\":\"数据提交成功\"}");
  late.delay = std::chrono::milliseconds(20000);
  server.SetDefaultReply(late);
  AimStepServiceForTesting("127.0.0.1:" + std::to_string(server.port()));

  const struct {
    const char* how;
    std::function<void()> close;
  } cases[] = {
      {"close button", [] { QTest::mouseClick(ControlWidget("MainWindow", "图形按钮_关闭"), Qt::LeftButton); }},
      {"Esc", [] { QTest::keyClick(WindowWidget("MainWindow"), Qt::Key_Escape); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    StartMainWindow();
    const std::string before = SettingsFileBytes();
    QTimer::singleShot(300, c.close);
    auto start = std::chrono::steady_clock::now();
    Submit("a", "b", "1");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    Settle();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(IsWindowLoaded(MainWindow));
    EXPECT_EQ(SettingsFileBytes(), before);
  }
}

TEST_F(Submission, WindowsKeepPaintingWithABusyCursorWhileTheRequestRuns) {
  test_support::CaptureServer server;
  test_support::ScriptedReply slow = test_support::HttpReply(200, "{\"msg\":\"ok\"}");
  slow.delay = std::chrono::milliseconds(800);
  server.Script(slow);
  AimStepServiceForTesting("127.0.0.1:" + std::to_string(server.port()));
  StartMainWindow();

  bool sawBusyCursor = false;
  int paintsWhileWaiting = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (messages.empty() && QApplication::overrideCursor()) {
      sawBusyCursor = QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      WindowWidget("MainWindow")->repaint();
      ++paintsWhileWaiting;
    }
  });
  probe.start(100);
  Submit("a", "b", "1");
  probe.stop();
  ExpectOneBox("ok");
  EXPECT_TRUE(sawBusyCursor);
  EXPECT_GE(paintsWhileWaiting, 3);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
