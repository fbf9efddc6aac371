// The submission flow without windows: what it reports against the real step service, and what
// the user is told for each kind of outcome.
#include "submit/step_submission.h"

#include <gtest/gtest.h>

#include "platform/wininet/wininet.h"
#include "submit/step_service.h"
#include "submit/step_service_testing.h"
#include "tests/service/service_process.h"

namespace {

using service_test::RunningService;
using service_test::RunStepService;
using service_test::TempDir;

TEST(StepSubmission, ReportsWhatTheRealServiceAnswered) {
  TempDir folder;
  const std::string database = folder.path() + "/steps.db";
  ASSERT_EQ(RunStepService({"account", "add", "runner", "--db", database}, "secret\n").exitCode, 0);
  RunningService service(database, {}, LOCAL_TLS_DIR);
  AimStepServiceForTesting("127.0.0.1:" + std::to_string(service.port()));

  SubmissionOutcome accepted = SubmitStepCount("runner", "secret", "12345");
  EXPECT_EQ(accepted.message, kStepsAccepted);
  EXPECT_TRUE(accepted.accepted);
  EXPECT_EQ(accepted.failure, 0u);
  EXPECT_EQ(accepted.status, 200);

  SubmissionOutcome refused = SubmitStepCount("runner", "wrong", "12345");
  EXPECT_EQ(refused.message, "帐号或密码错误");
  EXPECT_FALSE(refused.accepted);
  EXPECT_EQ(refused.status, 401);
  EXPECT_EQ(OutcomeMessage(refused), refused.message);

  EXPECT_NE(RunStepService({"steps", "runner", "--db", database}).out.find("\t12345\t"),
            std::string::npos);
  AimStepServiceForTesting("");
}

TEST(StepSubmission, OutcomeMessageSaysWhatFailedAndWhere) {
  const Text service = "步数服务（" + StepServiceHost() + "）";
  const struct {
    SubmissionOutcome outcome;
    Text shown;
  } cases[] = {
      {{.message = "帐号或密码错误", .status = 401}, "帐号或密码错误"},
      {{.message = "0", .status = 200}, "0"},
      {{.failure = ERROR_INTERNET_CANNOT_CONNECT}, "无法连接" + service + "，请检查网络后再试。"},
      {{.failure = ERROR_INTERNET_NAME_NOT_RESOLVED}, "无法连接" + service + "，请检查网络后再试。"},
      {{.failure = ERROR_INTERNET_TIMEOUT}, service + "没有及时应答，请稍后再试。"},
      {{.failure = ERROR_INTERNET_INVALID_CA}, service + "的证书不受信任，步数没有发送。"},
      {{.failure = ERROR_INTERNET_SEC_CERT_CN_INVALID}, service + "的证书不受信任，步数没有发送。"},
      {{.failure = ERROR_HTTP_REDIRECT_FAILED}, service + "把请求转向了别处，步数没有发送。"},
      {{.failure = ERROR_INTERNET_CONNECTION_RESET}, service + "的回复中断或有误，请稍后再试。"},
      {{.failure = 12999}, "未能收到" + service + "的回复（错误 12999）。"},
      {{.status = 302}, service + "把请求转向了别处（HTTP 302），未予跟随。"},
      {{.status = 502}, service + "的回复中没有消息（HTTP 502）。"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OutcomeMessage(c.outcome), c.shown) << c.outcome.failure << " " << c.outcome.status;
  }
}

}  // namespace
