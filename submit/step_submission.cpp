#include "submit/step_submission.h"

#include <memory>

#include "charset/convert_charset.h"
#include "json/json_document.h"
#include "submit/step_service.h"
#include "web/query_value.h"
#include "web/web_request.h"

const Text kStepsAccepted = "数据提交成功";

SubmissionOutcome SubmitStepCount(const Text& account, const Text& password, const Text& steps) {
  auto document = std::make_unique<JsonDocument>();

  // Each value is percent-encoded as UTF-8, so '&', '#', '+', '%' and spaces in a password reach
  // the service as typed.
  Text url = StepServiceUrlPrefix() + EncodeQueryValue(account) + "&password=" +
             EncodeQueryValue(password) + "&step=" + EncodeQueryValue(steps);

  // The raw headers tell a reply from none: the client leaves them blank when nothing came back.
  Text replyHeaders;
  ByteSet body = WebRequest(url, {.returnedHeaders = &replyHeaders});
  Text reply = BytesToText(ConvertCharset(body));
  document->Parse(reply);

  SubmissionOutcome outcome;
  outcome.message = document->GetText("msg");
  outcome.accepted = outcome.message == kStepsAccepted;
  outcome.replied = !TrimText(replyHeaders).empty();
  document->Destroy();
  return outcome;
}
